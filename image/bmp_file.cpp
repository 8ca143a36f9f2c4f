// BMP files: the image's memory form with a 14-byte file header in front. The writer
// produces 24-bit uncompressed files with the pixel data at offset 54, which appear whole
// or not at all; the reader takes that layout and trusts the rest of the header.
#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "fs/atomic_file.h"
#include "fs/file_open.h"
#include "image/bmp_parse.h"
#include "image/dib_image.h"

namespace {

constexpr uint16_t kBmpSignature = 0x4D42;  // "BM"
constexpr uint32_t kHeadersSize = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
constexpr size_t kMaxNameBytes = 256;

// Formats a file name into name[kMaxNameBytes]; false when it does not fit.
bool FormatName(char (&name)[kMaxNameBytes], const char* format, va_list args)
{
    const int length = std::vsnprintf(name, sizeof name, format, args);
    if (length >= 0 && static_cast<size_t>(length) < sizeof name) return true;
    errno = ENAMETOOLONG;
    return false;
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

int DibImage::SaveBmp(const char* path, ExistingFile existing) const
{
    if (m_bits == nullptr) {
        return EINVAL;
    }
    BITMAPFILEHEADER fileHeader;
    MakeFileHeader(m_info.bmiHeader, &fileHeader);
    const size_t size = ImageSize() > 0 ? static_cast<size_t>(ImageSize()) : 0;
    return WriteFileAtomically(path, existing, [&](int fd) {
        return WriteAll(fd, &fileHeader, sizeof fileHeader) &&
               WriteAll(fd, &m_info.bmiHeader, sizeof m_info.bmiHeader) && WriteAll(fd, m_bits, size);
    });
}

int DibImage::WriteBmp(const char* path) const
{
    const int error = SaveBmp(path, ExistingFile::Replace);
    errno = error;
    return error == 0 ? 0 : -1;
}

int DibImage::ReadBmp(const char* path)
{
    FILE* file = OpenFile(path, "rb");
    if (file == nullptr) {
        return -1;
    }
    const BmpRead read = ReadBmpBytes(*this, [file](void* to, size_t size) { return std::fread(to, 1, size, file); });
    const int error = std::ferror(file) ? errno : kErrorFileTooShort;
    std::fclose(file);
    if (read.outcome == BmpRead::Outcome::HeadersCut || read.outcome == BmpRead::Outcome::PixelsCut) {
        errno = error;
        return -1;
    }
    return 0;
}

BmpRead ReadBmpBytes(DibImage& image, const ByteSource& source)
{
    unsigned char headers[kHeadersSize];
    if (const size_t got = source(headers, sizeof headers); got < sizeof headers) {
        return BmpRead{BmpRead::Outcome::HeadersCut, got};
    }
    BITMAPINFO info{};
    std::memcpy(&info.bmiHeader, headers + sizeof(BITMAPFILEHEADER), sizeof info.bmiHeader);
    info.bmiHeader.biSizeImage = static_cast<uint32_t>(DibImageBytes(info.bmiHeader.biWidth, info.bmiHeader.biHeight));

    // SetFormat keeps the buffer only when the size stays; a new one comes zeroed.
    const bool keepsBuffer =
        image.Bits() != nullptr && image.ImageSize() == static_cast<int32_t>(info.bmiHeader.biSizeImage);
    if (image.SetFormat(info) != 0) {
        return BmpRead{BmpRead::Outcome::NoStorage, kHeadersSize};
    }
    const size_t size = static_cast<size_t>(image.ImageSize());
    const size_t got = source(image.Bits(), size);
    if (got < size) {
        // What is missing reads as black. A new buffer is black already, and stays
        // untouched however much a tiny file claims.
        if (keepsBuffer) {
            std::memset(image.Bits() + got, 0, size - got);
        }
        return BmpRead{BmpRead::Outcome::PixelsCut, kHeadersSize + got};
    }
    return BmpRead{BmpRead::Outcome::Read, kHeadersSize + size};
}

BmpRead ParseBmp(DibImage& image, const uint8_t* bytes, size_t size)
{
    size_t used = 0;
    return ReadBmpBytes(image, [&](void* to, size_t wanted) {
        const size_t got = std::min(wanted, size - used);
        if (got > 0) std::memcpy(to, bytes + used, got);
        used += got;
        return got;
    });
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
