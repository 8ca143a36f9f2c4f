// Monikers and their enumerator, as far as device enumeration uses them.
#pragma once

#include <unknwn.h>

struct IBindCtx;

// Names an object that can be bound: here, one video input device.
struct IMoniker : IUnknown {
    // The object itself (for a device: its capture filter, IID_IBaseFilter).
    virtual HRESULT STDMETHODCALLTYPE BindToObject(IBindCtx* pbc, IMoniker* pmkToLeft, REFIID riidResult,
                                                   void** ppvResult) = 0;
    // The object's storage (for a device: its property bag, IID_IPropertyBag).
    virtual HRESULT STDMETHODCALLTYPE BindToStorage(IBindCtx* pbc, IMoniker* pmkToLeft, REFIID riid, void** ppvObj) = 0;
};

struct IEnumMoniker : IUnknown {
    // Hands out up to celt monikers, each with a reference for the caller. S_OK when all
    // celt were delivered, S_FALSE when fewer were. pceltFetched may be null when celt is 1.
    virtual HRESULT STDMETHODCALLTYPE Next(ULONG celt, IMoniker** rgelt, ULONG* pceltFetched) = 0;
};

extern const IID IID_IMoniker;
extern const IID IID_IEnumMoniker;
