// BMP files: the image's memory form with a 14-byte file header in front. The writer
// produces 24-bit uncompressed files with the pixel data at offset 54, which appear whole
// or not at all; the reader takes that layout and trusts the rest of the header.
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "image/atomic_file.h"
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
    if (length >= 0 && static_cast<size_t>(length) < sizeof name) return true;
    errno = ENAMETOOLONG;
    return false;
}

// A read that got less than it asked for: -1, with errno telling a read error from a
// file that ends early.
int CloseAfterShortRead(FILE* file)
{
    const int error = std::ferror(file) ? errno : kErrorFileTooShort;
    std::fclose(file);
    errno = error;
    return -1;
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
    // Both headers in one read; a file too short to hold them changes nothing.
    unsigned char headers[kHeadersSize];
    if (std::fread(headers, 1, sizeof headers, file) != sizeof headers) {
        return CloseAfterShortRead(file);
    }
    BITMAPINFO info{};
    std::memcpy(&info.bmiHeader, headers + sizeof(BITMAPFILEHEADER), sizeof info.bmiHeader);
    // The file's own size field is not trusted: the size follows from width and height.
    info.bmiHeader.biSizeImage =
        static_cast<uint32_t>(DibImageBytes(info.bmiHeader.biWidth, info.bmiHeader.biHeight));

    // SetFormat keeps the buffer only when the size stays; a new one comes zeroed.
    const bool keepsBuffer = m_bits != nullptr && ImageSize() == static_cast<int32_t>(info.bmiHeader.biSizeImage);
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
            return CloseAfterShortRead(file);
        }
    }
    std::fclose(file);
    return 0;
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
