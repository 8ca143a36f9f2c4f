// The icons of the registered resource table (resources.cpp), as painting and window
// icons use them. Not for callers of the Windows API.
#pragma once

#include <QImage>

#include "windows.h"

namespace win32::detail {

struct Icon {
    QImage large;  // SM_CXICON x SM_CYICON
    QImage small;  // SM_CXSMICON x SM_CYSMICON
};
const Icon* FindIcon(HICON icon);

}  // namespace win32::detail
