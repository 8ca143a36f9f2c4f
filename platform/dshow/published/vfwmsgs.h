// The media framework's own HRESULT values.
#pragma once

#include <winerror.h>

#define VFW_E_ALREADY_CONNECTED static_cast<HRESULT>(0x80040204L)
#define VFW_E_NOT_CONNECTED static_cast<HRESULT>(0x80040209L)
#define VFW_E_CANNOT_CONNECT static_cast<HRESULT>(0x80040217L)
#define VFW_E_NOT_STOPPED static_cast<HRESULT>(0x80040224L)
#define VFW_E_WRONG_STATE static_cast<HRESULT>(0x80040227L)
#define VFW_E_NOT_IN_GRAPH static_cast<HRESULT>(0x8004025FL)
