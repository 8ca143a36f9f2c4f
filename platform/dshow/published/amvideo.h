// The format block of uncompressed video.
#pragma once

#include <cstddef>

#include <windows.h>

struct VIDEOINFOHEADER {
    RECT rcSource;
    RECT rcTarget;
    DWORD dwBitRate;
    DWORD dwBitErrorRate;
    REFERENCE_TIME AvgTimePerFrame;
    BITMAPINFOHEADER bmiHeader;
};
static_assert(offsetof(VIDEOINFOHEADER, bmiHeader) == 48, "the bitmap header begins 48 bytes into the block");
static_assert(sizeof(VIDEOINFOHEADER) == 88, "VIDEOINFOHEADER is 88 bytes");
