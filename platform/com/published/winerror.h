// HRESULT values and the macros that test them, as the Windows headers define them.
#pragma once

#include <windef.h>

#define SUCCEEDED(hr) (static_cast<HRESULT>(hr) >= 0)
#define FAILED(hr) (static_cast<HRESULT>(hr) < 0)

#define S_OK static_cast<HRESULT>(0x00000000L)
#define S_FALSE static_cast<HRESULT>(0x00000001L)
#define E_NOTIMPL static_cast<HRESULT>(0x80004001L)
#define E_NOINTERFACE static_cast<HRESULT>(0x80004002L)
#define E_POINTER static_cast<HRESULT>(0x80004003L)
#define E_FAIL static_cast<HRESULT>(0x80004005L)
#define E_UNEXPECTED static_cast<HRESULT>(0x8000FFFFL)
#define E_OUTOFMEMORY static_cast<HRESULT>(0x8007000EL)
#define E_INVALIDARG static_cast<HRESULT>(0x80070057L)
#define CLASS_E_NOAGGREGATION static_cast<HRESULT>(0x80040110L)
#define REGDB_E_CLASSNOTREG static_cast<HRESULT>(0x80040154L)
#define CO_E_NOTINITIALIZED static_cast<HRESULT>(0x800401F0L)
#define DISP_E_TYPEMISMATCH static_cast<HRESULT>(0x80020005L)
