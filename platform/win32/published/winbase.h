// Process, module and arithmetic helpers.
#pragma once

#include "windef.h"

// nNumber * nNumerator / nDenominator in 64 bits, rounded to the nearest integer
// (halves away from zero); -1 when nDenominator is 0 or the result overflows.
int MulDiv(int nNumber, int nNumerator, int nDenominator);
// Milliseconds since an arbitrary start, wrapping at 2^32.
DWORD GetTickCount();
DWORD GetCurrentThreadId();
// With NULL, the handle of the program itself, whose resources are the registered
// resource table (resources.h). Other modules are not found (NULL).
HMODULE GetModuleHandleA(LPCSTR lpModuleName);
