// libFuzzer target: any bytes as a BMP file, parsed, written back and read again.
#include <cstdio>

#include "fuzz/input_file.h"
#include "image/bmp_parse.h"
#include "image/dib_image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    DibImage image;
    const BmpRead read = ParseBmp(image, data, size);
    if (read.bytesUsed > size) __builtin_trap();
    if (read.outcome == BmpRead::Outcome::Read && read.bytesUsed != 54 + static_cast<size_t>(image.ImageSize())) {
        __builtin_trap();
    }
    const std::string path = WriteInputFile(data, size, ".bmp");
    if (path.empty()) return 0;
    if (image.HasRows() && image.ImageSize() > 0) {
        image.Row(0)[0] ^= 1;
        image.Row(image.Height() - 1)[0] ^= 1;
    }
    // Copying and writing touch every byte; keep that to pictures of sane size so that
    // the fuzzer spends its time on parsing, not on gigabytes of claimed zeros.
    if (image.ImageSize() <= (1 << 20)) {
        DibImage copy(image);
        if (image.WriteBmp(path.c_str()) == 0) copy.ReadBmp(path.c_str());
    }
    std::remove(path.c_str());
    return 0;
}
