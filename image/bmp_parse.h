// BMP bytes read into an image, from a file or from memory alike, with a result that
// says what happened and where: the file API (ReadBmp) is built on this, and tests and
// the fuzzer use the memory form directly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "image/dib_image.h"

struct BmpRead {
    enum class Outcome {
        Read,        // headers and every pixel byte
        HeadersCut,  // fewer than the 54 header bytes: the image is unchanged
        NoStorage,   // the headers describe no picture the image may hold: it keeps the
                     // header, without pixels
        PixelsCut,   // the pixel bytes end early: the rest of the image is black
    };
    Outcome outcome;
    size_t bytesUsed;  // from the start of the file, where reading stopped
};

// Reads up to `size` bytes into `to`, returning how many it got.
using ByteSource = std::function<size_t(void* to, size_t size)>;

// Reads the 54 header bytes, gives the image the file's info header with the size that
// width and height give (the file's own size field is not trusted), then reads the
// pixels straight into the image's buffer.
BmpRead ReadBmpBytes(DibImage& image, const ByteSource& source);

// The same from bytes in memory.
BmpRead ParseBmp(DibImage& image, const uint8_t* bytes, size_t size);
