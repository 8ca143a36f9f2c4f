#include "image/dib_image.h"

#include <bit>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>
#include <type_traits>

static_assert(std::endian::native == std::endian::little, "the bitmap layouts are little-endian");
static_assert(std::is_standard_layout_v<DibImage>, "the header is the image's first member");

void MakeInfo24(int32_t width, int32_t height, BITMAPINFO* info)
{
    MakeInfoHeader(width, height, 24, &info->bmiHeader);
    info->bmiColors[0] = RGBQUAD{0, 0, 0, 0};
}

DibImage::DibImage(const BITMAPINFO* header) : m_info{}, m_bits(nullptr), m_rows(nullptr)
{
    static_assert(offsetof(DibImage, m_info) == 0, "the image's address is its header's address");
    if (header == nullptr) {
        return;
    }
    std::memcpy(&m_info, header, sizeof m_info);
    AllocBits();
    BuildRowTable();
}

DibImage::DibImage(const DibImage& other) : m_info(other.m_info), m_bits(nullptr), m_rows(nullptr)
{
    AllocBits();
    BuildRowTable();
    if (m_bits != nullptr && other.m_bits != nullptr) {
        std::memcpy(m_bits, other.m_bits, static_cast<size_t>(ImageSize()));
    }
}

DibImage& DibImage::operator=(const DibImage& other)
{
    if (this == &other) {
        return *this;
    }
    if (SetFormat(other.m_info) == 0 && other.m_bits != nullptr) {
        std::memcpy(m_bits, other.m_bits, static_cast<size_t>(ImageSize()));
    }
    return *this;
}

DibImage::~DibImage()
{
    FreeRowTable();
    FreeBits();
}

int DibImage::SetFormat(BITMAPINFO header)
{
    const int32_t oldWidth = Width();
    const int32_t oldHeight = Height();
    const int32_t oldSize = ImageSize();
    m_info = header;

    bool newBuffer = false;
    if (ImageSize() != oldSize) {
        FreeBits();
        AllocBits();
        newBuffer = true;
    }
    if (Width() != oldWidth || Height() != oldHeight || newBuffer) {
        FreeRowTable();
        BuildRowTable();
    }
    return m_bits != nullptr ? 0 : -1;
}

int DibImage::SetFormat(const DibImage& image)
{
    return SetFormat(image.m_info);
}

int DibImage::SetSize(int32_t width, int32_t height)
{
    BITMAPINFO info;
    MakeInfo24(width, height, &info);
    return SetFormat(info);
}

void DibImage::Clear()
{
    FreeRowTable();
    FreeBits();
    m_info = BITMAPINFO{};
}

int DibImage::AllocBits()
{
    const int32_t size = ImageSize();
    if (size < 0) {
        return -1;
    }
    // calloc leaves large buffers as untouched zero pages until they are written, so a
    // file that claims a big picture costs address space, not memory. A zero-byte
    // request still gives a present buffer.
    m_bits = static_cast<uint8_t*>(std::calloc(size > 0 ? static_cast<size_t>(size) : 1, 1));
    return m_bits != nullptr ? 0 : -1;
}

void DibImage::FreeBits()
{
    std::free(m_bits);
    m_bits = nullptr;
}

int DibImage::BuildRowTable()
{
    if (m_bits == nullptr) {
        return -1;
    }
    const int32_t height = Height();
    const int64_t stride = DibStride(Width());
    // Rows are handed out only when every one of them lies inside the buffer, whatever
    // size the header claims.
    if (height < 0 || height > kMaxImageDimension || (height > 0 && (stride < 1 || stride * height > ImageSize()))) {
        return -1;
    }
    m_rows = new (std::nothrow) uint8_t*[static_cast<size_t>(height)];
    if (m_rows == nullptr) {
        return -1;
    }
    for (int32_t i = 0; i < height; ++i) {
        m_rows[height - 1 - i] = m_bits + i * stride;
    }
    return 0;
}

void DibImage::FreeRowTable()
{
    delete[] m_rows;
    m_rows = nullptr;
}
