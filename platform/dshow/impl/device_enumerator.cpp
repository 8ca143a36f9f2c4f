#include "device_enumerator.h"

#include <cwchar>
#include <string>
#include <utility>
#include <vector>

#include "source_filter.h"
#include "video_source.h"

namespace dshow {
namespace {

// UTF-8 (made valid first) as wide characters.
std::wstring WideFromUtf8(const std::string& text)
{
    GCharRef valid(g_utf8_make_valid(text.c_str(), static_cast<gssize>(text.size())));
    glong length = 0;
    gunichar* characters = g_utf8_to_ucs4_fast(valid.get(), -1, &length);
    std::wstring wide(characters, characters + length);
    g_free(characters);
    return wide;
}

class DevicePropertyBag : public com::Object<IPropertyBag> {
public:
    explicit DevicePropertyBag(std::wstring friendlyName) : friendlyName_(std::move(friendlyName)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        return Answer(iid, object, {{&IID_IUnknown, this}, {&IID_IPropertyBag, this}});
    }

    HRESULT STDMETHODCALLTYPE Read(LPCOLESTR pszPropName, VARIANT* pVar, IErrorLog*) override
    {
        if (pszPropName == nullptr || pVar == nullptr) {
            return E_POINTER;
        }
        if (std::wcscmp(pszPropName, L"FriendlyName") != 0) {
            return E_INVALIDARG;
        }
        if (pVar->vt != VT_EMPTY && pVar->vt != VT_BSTR) {
            return DISP_E_TYPEMISMATCH;
        }
        const BSTR name = SysAllocString(friendlyName_.c_str());
        if (name == nullptr) {
            return E_OUTOFMEMORY;
        }
        pVar->vt = VT_BSTR;
        pVar->bstrVal = name;
        return S_OK;
    }

private:
    std::wstring friendlyName_;
};

class DeviceMoniker : public com::Object<IMoniker> {
public:
    explicit DeviceMoniker(VideoSource source) : source_(std::move(source)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        return Answer(iid, object, {{&IID_IUnknown, this}, {&IID_IMoniker, this}});
    }

    HRESULT STDMETHODCALLTYPE BindToObject(IBindCtx*, IMoniker* pmkToLeft, REFIID riidResult, void** ppvResult) override
    {
        if (ppvResult == nullptr) {
            return E_POINTER;
        }
        *ppvResult = nullptr;
        if (pmkToLeft != nullptr) {
            return E_INVALIDARG;
        }
        return SourceFilter::Bind(source_, riidResult, ppvResult);
    }

    HRESULT STDMETHODCALLTYPE BindToStorage(IBindCtx*, IMoniker* pmkToLeft, REFIID riid, void** ppvObj) override
    {
        if (ppvObj == nullptr) {
            return E_POINTER;
        }
        *ppvObj = nullptr;
        if (pmkToLeft != nullptr) {
            return E_INVALIDARG;
        }
        const auto bag =
            ComPtr<DevicePropertyBag>::Adopt(new (std::nothrow) DevicePropertyBag(WideFromUtf8(source_.friendlyName)));
        if (!bag) {
            return E_OUTOFMEMORY;
        }
        return bag->QueryInterface(riid, ppvObj);
    }

private:
    VideoSource source_;
};

class DeviceMonikerEnumerator : public com::Object<IEnumMoniker> {
public:
    explicit DeviceMonikerEnumerator(std::vector<VideoSource> sources) : sources_(std::move(sources)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        return Answer(iid, object, {{&IID_IUnknown, this}, {&IID_IEnumMoniker, this}});
    }

    HRESULT STDMETHODCALLTYPE Next(ULONG celt, IMoniker** rgelt, ULONG* pceltFetched) override
    {
        if (rgelt == nullptr) {
            return E_POINTER;
        }
        if (celt > 1 && pceltFetched == nullptr) {
            return E_INVALIDARG;
        }
        ULONG fetched = 0;
        while (fetched < celt && next_ < sources_.size()) {
            auto* moniker = new (std::nothrow) DeviceMoniker(sources_[next_]);
            if (moniker == nullptr) {
                break;
            }
            rgelt[fetched++] = moniker;
            ++next_;
        }
        if (pceltFetched != nullptr) {
            *pceltFetched = fetched;
        }
        return fetched == celt ? S_OK : S_FALSE;
    }

private:
    std::vector<VideoSource> sources_;
    size_t next_ = 0;
};

}  // namespace

HRESULT SystemDeviceEnum::QueryInterface(REFIID iid, void** object)
{
    return Answer(iid, object, {{&IID_IUnknown, this}, {&IID_ICreateDevEnum, this}});
}

HRESULT SystemDeviceEnum::CreateClassEnumerator(REFCLSID clsidDeviceClass, IEnumMoniker** ppEnumMoniker, DWORD)
{
    if (ppEnumMoniker == nullptr) {
        return E_POINTER;
    }
    *ppEnumMoniker = nullptr;
    if (clsidDeviceClass != CLSID_VideoInputDeviceCategory) {
        return S_FALSE;
    }
    std::vector<VideoSource> sources = ListVideoSources();
    if (sources.empty()) {
        return S_FALSE;
    }
    auto* enumerator = new (std::nothrow) DeviceMonikerEnumerator(std::move(sources));
    if (enumerator == nullptr) {
        return E_OUTOFMEMORY;
    }
    *ppEnumMoniker = enumerator;
    return S_OK;
}

}  // namespace dshow
