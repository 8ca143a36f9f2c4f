// COM: apartments, object creation and task memory.
#pragma once

#include <guiddef.h>
#include <objidl.h>
#include <ocidl.h>
#include <oleauto.h>
#include <unknwn.h>
#include <winerror.h>

enum CLSCTX : DWORD {
    CLSCTX_INPROC_SERVER = 0x1,
    CLSCTX_INPROC_HANDLER = 0x2,
    CLSCTX_LOCAL_SERVER = 0x4,
};

// Enters the calling thread into COM. S_OK the first time on a thread, S_FALSE when it
// is already initialised; each success needs one CoUninitialize.
HRESULT CoInitialize(LPVOID pvReserved);
void CoUninitialize();

// Creates an object of a registered class on a thread that has initialised COM and
// answers for riid. Only in-process classes exist; aggregation is not offered.
HRESULT CoCreateInstance(REFCLSID rclsid, IUnknown* pUnkOuter, DWORD dwClsContext, REFIID riid, LPVOID* ppv);

// Memory handed between caller and callee (media type format blocks).
LPVOID CoTaskMemAlloc(size_t cb);
void CoTaskMemFree(LPVOID pv);
