// The bitmap header structures of the Windows DIB and BMP formats, byte for byte, and
// the layout rules of a 24-bit bitmap: its row stride, its size and its info header.
// Defined here so that the image model builds on nothing but the standard library;
// the platform layer's <windows.h> takes them from this file.
#pragma once

#include <cstdint>
#include <limits>

#ifndef BI_RGB
#define BI_RGB 0L
#endif

#pragma pack(push, 2)
struct BITMAPFILEHEADER {
    uint16_t bfType;
    uint32_t bfSize;
    uint16_t bfReserved1;
    uint16_t bfReserved2;
    uint32_t bfOffBits;
};
#pragma pack(pop)

struct BITMAPINFOHEADER {
    uint32_t biSize;
    int32_t biWidth;
    int32_t biHeight;
    uint16_t biPlanes;
    uint16_t biBitCount;
    uint32_t biCompression;
    uint32_t biSizeImage;
    int32_t biXPelsPerMeter;
    int32_t biYPelsPerMeter;
    uint32_t biClrUsed;
    uint32_t biClrImportant;
};

struct RGBQUAD {
    uint8_t rgbBlue;
    uint8_t rgbGreen;
    uint8_t rgbRed;
    uint8_t rgbReserved;
};

struct BITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[1];
};

static_assert(sizeof(BITMAPFILEHEADER) == 14, "BITMAPFILEHEADER is 14 packed bytes");
static_assert(sizeof(BITMAPINFOHEADER) == 40, "BITMAPINFOHEADER is 40 bytes");
static_assert(sizeof(RGBQUAD) == 4, "RGBQUAD is 4 bytes");
static_assert(sizeof(BITMAPINFO) == 44, "BITMAPINFO is 44 bytes");

// Images larger than this in either direction are never given storage; together with
// the 32-bit size rule below this keeps every buffer and row table of sane size, whatever
// a file or a device claims.
constexpr int32_t kMaxImageDimension = 1 << 16;

// Bytes in one 24-bit row: 3 x width + (width mod 4), the row rounded up to 4 bytes.
// Computed in 64 bits so that no width overflows it.
inline int64_t DibStride(int32_t width)
{
    return 3 * int64_t{width} + width % 4;
}

// height x stride when it is a size that an image may hold (it fits a 32-bit signed
// size and neither dimension exceeds kMaxImageDimension); else -1, a size for which no
// buffer is ever obtained. Negative dimensions give the negative product as it stands.
inline int32_t DibImageBytes(int32_t width, int32_t height)
{
    if (width > kMaxImageDimension || width < -kMaxImageDimension || height > kMaxImageDimension ||
        height < -kMaxImageDimension) {
        return -1;
    }
    const int64_t bytes = int64_t{height} * DibStride(width);
    if (bytes > std::numeric_limits<int32_t>::max() || bytes < std::numeric_limits<int32_t>::min()) {
        return -1;
    }
    return static_cast<int32_t>(bytes);
}

// Fills a BITMAPINFOHEADER for an uncompressed image; the colour slot is not touched.
inline void MakeInfoHeader(int32_t width, int32_t height, uint16_t bitCount, BITMAPINFOHEADER* header)
{
    header->biSize = sizeof(BITMAPINFOHEADER);
    header->biWidth = width;
    header->biHeight = height;
    header->biPlanes = 1;
    header->biBitCount = bitCount;
    header->biCompression = BI_RGB;
    header->biSizeImage = static_cast<uint32_t>(DibImageBytes(width, height));
    header->biXPelsPerMeter = 0;
    header->biYPelsPerMeter = 0;
    header->biClrUsed = 0;
    header->biClrImportant = 0;
}
