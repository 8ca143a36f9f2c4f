// IUnknown: reference counting and interface discovery, the root of every COM interface.
#pragma once

#include <guiddef.h>
#include <winerror.h>

struct IUnknown {
    virtual HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) = 0;
    virtual ULONG STDMETHODCALLTYPE AddRef() = 0;
    virtual ULONG STDMETHODCALLTYPE Release() = 0;
};

extern const IID IID_IUnknown;
