// The part of the Windows API that the program calls, on Linux.
#pragma once

#include "windef.h"
#include "winbase.h"
#include "wingdi.h"
#include "winnls.h"
#include "winuser.h"
