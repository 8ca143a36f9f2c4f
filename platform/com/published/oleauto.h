// BSTR and VARIANT services.
#pragma once

#include <oaidl.h>

// A new BSTR holding a copy of the terminated string; null for a null string or when
// memory runs out.
BSTR SysAllocString(const OLECHAR* psz);
// Frees a BSTR; null is allowed.
void SysFreeString(BSTR bstrString);
// Characters in a BSTR, without the terminator; 0 for null.
UINT SysStringLen(BSTR pbstr);

// Sets the variant to VT_EMPTY.
void VariantInit(VARIANT* pvarg);
// Frees what the variant holds (a BSTR) and sets it to VT_EMPTY.
HRESULT VariantClear(VARIANT* pvarg);
