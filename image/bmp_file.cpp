// BMP files: the image's memory form with a 14-byte file header in front. The writer
// produces 24-bit uncompressed files with the pixel data at offset 54; the reader takes
// that layout and trusts the rest of the header.
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "image/dib_image.h"
#include "image/file_open.h"

namespace {

constexpr uint16_t kBmpSignature = 0x4D42;  // "BM"
constexpr uint32_t kHeadersSize = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
constexpr size_t kMaxNameBytes = 256;

// Formats a file name into name[kMaxNameBytes]; false when it does not fit.
bool FormatName(char (&name)[kMaxNameBytes], const char* format, va_list args)
{
    const int length = std::vsnprintf(name, sizeof name, format, args);
    return length >= 0 && static_cast<size_t>(length) < sizeof name;
}

}  // namespace

void MakeFileHeader(BITMAPINFOHEADER infoHeader, BITMAPFILEHEADER* fileHeader)
{
    fileHeader->bfType = kBmpSignature;
    fileHeader->bfOffBits = kHeadersSize;
    if (infoHeader.biBitCount <= 8) {
        fileHeader->bfOffBits = kHeadersSize + 4u * (1u << infoHeader.biBitCount);
    }
    fileHeader->bfSize = fileHeader->bfOffBits + infoHeader.biSizeImage;
    fileHeader->bfReserved1 = 0;
    fileHeader->bfReserved2 = 0;
}

int DibImage::WriteBmp(const char* path) const
{
    if (m_bits == nullptr) {
        return -1;
    }
    BITMAPFILEHEADER fileHeader;
    MakeFileHeader(m_info.bmiHeader, &fileHeader);

    FILE* file = OpenFile(path, "wb");
    if (file == nullptr) {
        return -1;
    }
    const size_t size = ImageSize() > 0 ? static_cast<size_t>(ImageSize()) : 0;
    bool complete = std::fwrite(&fileHeader, sizeof fileHeader, 1, file) == 1;
    complete = complete && std::fwrite(&m_info.bmiHeader, sizeof m_info.bmiHeader, 1, file) == 1;
    complete = complete && std::fwrite(m_bits, 1, size, file) == size;
    // A full disk often shows only when the buffered bytes are flushed at close.
    complete = (std::fclose(file) == 0) && complete;
    return complete ? 0 : -1;
}

int DibImage::ReadBmp(const char* path)
{
    FILE* file = OpenFile(path, "rb");
    if (file == nullptr) {
        return -1;
    }
    // Both headers in one read; a file too short to hold them changes nothing.
    unsigned char headers[kHeadersSize];
    if (std::fread(headers, 1, sizeof headers, file) != sizeof headers) {
        std::fclose(file);
        return -1;
    }
    BITMAPINFO info{};
    std::memcpy(&info.bmiHeader, headers + sizeof(BITMAPFILEHEADER), sizeof info.bmiHeader);
    // The file's own size field is not trusted: the size follows from width and height.
    info.bmiHeader.biSizeImage =
        static_cast<uint32_t>(DibImageBytes(info.bmiHeader.biWidth, info.bmiHeader.biHeight));

    // SetFormat keeps the buffer only when the size stays; a new one comes zeroed.
    const bool keepsBuffer = m_bits != nullptr && ImageSize() == static_cast<int32_t>(info.bmiHeader.biSizeImage);
    int result = 0;
    if (SetFormat(info) == 0) {
        const size_t size = static_cast<size_t>(ImageSize());
        const size_t got = std::fread(m_bits, 1, size, file);
        if (got < size) {
            // The file ends inside its pixels: what is missing reads as black, and the
            // short file is reported. A new buffer is black already, and stays untouched
            // however much a tiny file claims.
            if (keepsBuffer) {
                std::memset(m_bits + got, 0, size - got);
            }
            result = -1;
        }
    }
    std::fclose(file);
    return result;
}

int DibImage::ReadBmpF(const char* format, ...)
{
    char name[kMaxNameBytes];
    va_list args;
    va_start(args, format);
    const bool fits = FormatName(name, format, args);
    va_end(args);
    return fits ? ReadBmp(name) : -1;
}

int DibImage::WriteBmpF(const char* format, ...) const
{
    char name[kMaxNameBytes];
    va_list args;
    va_start(args, format);
    const bool fits = FormatName(name, format, args);
    va_end(args);
    return fits ? WriteBmp(name) : -1;
}
