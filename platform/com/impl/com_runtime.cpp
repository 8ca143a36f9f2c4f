// The COM runtime: apartments per thread, the class registry and task memory.
#include <cstdlib>
#include <mutex>
#include <vector>

#include "com_server.h"

const GUID GUID_NULL = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};
const IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID IID_IMoniker = {0x0000000F, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID IID_IEnumMoniker = {0x00000102, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID IID_IPropertyBag = {0x55272A00, 0x42CB, 0x11CE, {0x81, 0x35, 0x00, 0xAA, 0x00, 0x4B, 0xB8, 0x51}};

namespace com {
namespace {

std::atomic<long> g_liveObjects{0};

// How often the thread has entered COM without leaving it again.
thread_local int t_apartmentDepth = 0;

struct RegisteredClass {
    CLSID clsid;
    ClassFactory factory;
};

// Function-local so that classes may register while static objects are constructed.
std::vector<RegisteredClass>& Registry()
{
    static std::vector<RegisteredClass> registry;
    return registry;
}

std::mutex& RegistryMutex()
{
    static std::mutex mutex;
    return mutex;
}

ClassFactory FindClass(REFCLSID clsid)
{
    std::lock_guard lock(RegistryMutex());
    for (const RegisteredClass& entry : Registry()) {
        if (entry.clsid == clsid) {
            return entry.factory;
        }
    }
    return nullptr;
}

}  // namespace

long LiveObjectCount()
{
    return g_liveObjects.load();
}

void detail::CountLiveObject(long change)
{
    g_liveObjects += change;
}

ClassFactory RegisterServerClass(REFCLSID clsid, ClassFactory factory)
{
    std::lock_guard lock(RegistryMutex());
    std::vector<RegisteredClass>& registry = Registry();
    for (auto entry = registry.begin(); entry != registry.end(); ++entry) {
        if (entry->clsid == clsid) {
            const ClassFactory previous = entry->factory;
            if (factory != nullptr) {
                entry->factory = factory;
            } else {
                registry.erase(entry);
            }
            return previous;
        }
    }
    if (factory != nullptr) {
        registry.push_back(RegisteredClass{clsid, factory});
    }
    return nullptr;
}

}  // namespace com

HRESULT CoInitialize(LPVOID)
{
    return com::t_apartmentDepth++ == 0 ? S_OK : S_FALSE;
}

void CoUninitialize()
{
    if (com::t_apartmentDepth > 0) {
        --com::t_apartmentDepth;
    }
}

HRESULT CoCreateInstance(REFCLSID rclsid, IUnknown* pUnkOuter, DWORD dwClsContext, REFIID riid, LPVOID* ppv)
{
    if (ppv == nullptr) {
        return E_POINTER;
    }
    *ppv = nullptr;
    if (com::t_apartmentDepth == 0) {
        return CO_E_NOTINITIALIZED;
    }
    if (pUnkOuter != nullptr) {
        return CLASS_E_NOAGGREGATION;
    }
    const com::ClassFactory factory = com::FindClass(rclsid);
    if (factory == nullptr || (dwClsContext & (CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER)) == 0) {
        return REGDB_E_CLASSNOTREG;
    }
    try {
        return factory(riid, ppv);
    } catch (...) {
        // Nothing escapes into the caller: a class that could not be built is not there.
        *ppv = nullptr;
        return E_OUTOFMEMORY;
    }
}

LPVOID CoTaskMemAlloc(size_t cb)
{
    return std::malloc(cb > 0 ? cb : 1);
}

void CoTaskMemFree(LPVOID pv)
{
    std::free(pv);
}
