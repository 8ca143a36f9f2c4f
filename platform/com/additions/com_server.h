// What the COM classes of this process are built from (Linux only): reference counting
// shared by every class, the class registry behind CoCreateInstance, and a count of
// live objects that tests use to see every reference given back.
#pragma once

#include <atomic>
#include <initializer_list>
#include <new>
#include <tuple>

#include <objbase.h>

#include "com_ptr.h"

namespace com {

// Objects of ours alive now, of every class.
long LiveObjectCount();

namespace detail {
void CountLiveObject(long change);
}

// One interface a class hands out: the IID asked for and the pointer that answers it.
struct InterfaceEntry {
    const IID* iid;
    IUnknown* pointer;
};

// Reference counting for a class that implements Interfaces. Objects start with one
// reference, their creator's, and delete themselves when the last one is released.
template <class... Interfaces>
class Object : public Interfaces... {
public:
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;

    // The first interface of the class, which stands for the object itself (QueryObject).
    using PrimaryInterface = std::tuple_element_t<0, std::tuple<Interfaces...>>;

    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const ULONG left = --references_;
        if (left == 0) {
            delete this;
        }
        return left;
    }

protected:
    Object() { detail::CountLiveObject(+1); }
    virtual ~Object() { detail::CountLiveObject(-1); }

    // QueryInterface over the class's table of interfaces.
    HRESULT Answer(REFIID iid, void** object, std::initializer_list<InterfaceEntry> interfaces)
    {
        if (object == nullptr) {
            return E_POINTER;
        }
        for (const InterfaceEntry& entry : interfaces) {
            if (*entry.iid == iid) {
                entry.pointer->AddRef();
                *object = entry.pointer;
                return S_OK;
            }
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    // The table entry for a class's private IID, answered with the object itself.
    InterfaceEntry ObjectEntry(REFIID privateIid) { return {&privateIid, static_cast<PrimaryInterface*>(this)}; }

private:
    std::atomic<ULONG> references_{1};
};

// Makes a new object of one class and answers for iid.
using ClassFactory = HRESULT (*)(REFIID iid, void** object);

// The factory for classes whose default constructor is all they need.
template <class T>
HRESULT CreateInstance(REFIID iid, void** object)
{
    const ComPtr<T> instance = ComPtr<T>::Adopt(new (std::nothrow) T());
    if (!instance) {
        return E_OUTOFMEMORY;
    }
    return instance->QueryInterface(iid, object);
}

// Our own object behind any interface it hands out, as COM code recovers it: the class T
// answers QueryInterface for its private IID, T::kObjectIid, with itself (ObjectEntry).
// Null for an object of any other class.
template <class T>
ComPtr<T> QueryObject(IUnknown* unknown)
{
    void* answer = nullptr;
    if (unknown == nullptr || FAILED(unknown->QueryInterface(T::kObjectIid, &answer)) || answer == nullptr) {
        return nullptr;
    }
    return ComPtr<T>::Adopt(static_cast<T*>(static_cast<typename T::PrimaryInterface*>(answer)));
}

// Makes CoCreateInstance create clsid with factory; a null factory removes the class.
// Returns the factory registered before.
ClassFactory RegisterServerClass(REFCLSID clsid, ClassFactory factory);

}  // namespace com
