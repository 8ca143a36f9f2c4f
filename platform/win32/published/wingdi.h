// The GDI subset: copying device-independent bitmaps onto a window.
#pragma once

#include "windef.h"

#define DIB_RGB_COLORS 0
#define SRCCOPY 0x00CC0020UL

// Copies a rectangle of a 24-bit uncompressed DIB (DIB_RGB_COLORS, SRCCOPY) into the
// device context, scaled by nearest neighbour when the sizes differ. For a bottom-up
// DIB (positive biHeight) YSrc counts from the image's bottom row, so YSrc = H - h
// with height h selects the top h rows; for a top-down DIB it counts from the top.
// Pixels outside the image are never read and pixels outside the context's clip
// rectangle never written. Fails (0) on a null or inconsistent header, other formats
// and raster operations, and sizes that are not positive; else returns SrcHeight.
int StretchDIBits(HDC hdc, int xDest, int yDest, int DestWidth, int DestHeight, int xSrc, int ySrc, int SrcWidth,
                  int SrcHeight, const void* lpBits, const BITMAPINFO* lpbmi, UINT iUsage, DWORD rop);
