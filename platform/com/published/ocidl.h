// Property bags: named values of an object, here a device's friendly name.
#pragma once

#include <oaidl.h>

struct IErrorLog;

struct IPropertyBag : IUnknown {
    // Reads a property into pVar. The caller may set pVar->vt to the type it wants
    // (VT_EMPTY for any) and owns what comes back (SysFreeString for a BSTR).
    virtual HRESULT STDMETHODCALLTYPE Read(LPCOLESTR pszPropName, VARIANT* pVar, IErrorLog* pErrorLog) = 0;
};

extern const IID IID_IPropertyBag;
