// DibImage: a 24-bit, uncompressed, bottom-up device-independent bitmap held as a
// BITMAPINFO header, a pixel buffer and a table of row pointers in which row 0 is the
// top row. Every picture of the program is one: camera frames, the display image, the
// skin mask and the logo frames.
#pragma once

#include <cstdint>

#include "bitmap/bitmap_headers.h"
#include "fs/atomic_file.h"

// The row stride (DibStride), the image size (DibImageBytes, kMaxImageDimension) and the
// info header (MakeInfoHeader) come with the structures from bitmap/bitmap_headers.h.

// Fills a whole 44-byte BITMAPINFO for a 24-bit image, colour slot zero.
void MakeInfo24(int32_t width, int32_t height, BITMAPINFO* info);
// The 14-byte BMP file header that goes in front of an image with this info header.
void MakeFileHeader(BITMAPINFOHEADER infoHeader, BITMAPFILEHEADER* fileHeader);

class DibImage {
public:
    // Null gives the empty image; otherwise the 44 bytes are adopted and storage made.
    explicit DibImage(const BITMAPINFO* header = nullptr);
    DibImage(const DibImage& other);
    DibImage& operator=(const DibImage& other);
    ~DibImage();

    // Adopt a header: storage is replaced only when the size changes, the row table only
    // when width, height or the buffer change. 0 when a pixel buffer is present, else -1.
    int SetFormat(BITMAPINFO header);
    int SetFormat(const DibImage& image);
    int SetSize(int32_t width, int32_t height);
    void Clear();

    int32_t Width() const { return m_info.bmiHeader.biWidth; }
    int32_t Height() const { return m_info.bmiHeader.biHeight; }
    int32_t ImageSize() const { return static_cast<int32_t>(m_info.bmiHeader.biSizeImage); }
    uint8_t* Bits() const { return m_bits; }
    // Start of row r counted from the top; r must lie in 0 .. Height() - 1 and the image
    // must have rows (HasRows).
    uint8_t* Row(int32_t r) const { return m_rows[r]; }
    // True when the row table exists: a buffer is present and every row lies inside it.
    bool HasRows() const { return m_rows != nullptr; }
    BITMAPINFO* Info() { return &m_info; }
    const BITMAPINFO* Info() const { return &m_info; }

    // BMP files. 0 on success, -1 on failure with errno telling why (see
    // fs/file_open.h). File names may use '\' as a folder separator. The F forms format
    // the name printf-style into at most 255 characters and refuse a longer one. A file
    // written appears whole or not at all; WriteBmp replaces a regular file of that name,
    // never anything else (a symbolic link, a folder).
    int ReadBmp(const char* path);
    int WriteBmp(const char* path) const;
    // Writes the BMP file, leaving or replacing a file of that name as `existing` says.
    // 0, or why not: an errno value (EEXIST for a name kept) or kErrorNotRegularFile.
    int SaveBmp(const char* path, ExistingFile existing) const;
    int ReadBmpF(const char* format, ...) __attribute__((format(printf, 2, 3)));
    int WriteBmpF(const char* format, ...) const __attribute__((format(printf, 2, 3)));

private:
    int AllocBits();
    void FreeBits();
    int BuildRowTable();
    void FreeRowTable();

    BITMAPINFO m_info;
    uint8_t* m_bits;
    uint8_t** m_rows;
};
