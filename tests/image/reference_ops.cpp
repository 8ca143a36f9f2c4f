#include "tests/image/reference_ops.h"

#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <sstream>

namespace reference {
namespace {

bool Usable(const DibImage& image)
{
    return image.ImageSize() >= 1 && image.HasRows();
}

const uint8_t* At(const DibImage& image, int64_t x, int64_t y)
{
    return image.Row(static_cast<int32_t>(y)) + 3 * x;
}

}  // namespace

uint8_t Clamp(double value)
{
    if (value > 255.0) return 255;
    if (value < 0.0 || std::isnan(value)) return 0;
    return static_cast<uint8_t>(std::trunc(value));
}

void Warp(const DibImage& source, DibImage& destination, const double (&m)[9])
{
    if (!Usable(source) || !Usable(destination)) return;
    const int64_t sw = source.Width(), sh = source.Height();
    for (int32_t i = 0; i < destination.Height(); ++i) {
        for (int32_t j = 0; j < destination.Width(); ++j) {
            const double x = j, y = i;
            const double w = m[6] * x + m[7] * y + m[8];
            const double u = (m[0] * x + m[1] * y + m[2]) / w;
            const double v = (m[3] * x + m[4] * y + m[5]) / w;
            if (!std::isfinite(u) || !std::isfinite(v)) continue;
            if (std::floor(u) < INT32_MIN || std::floor(u) > INT32_MAX) continue;
            if (std::floor(v) < INT32_MIN || std::floor(v) > INT32_MAX) continue;
            const int64_t iu = static_cast<int64_t>(std::floor(u)), iv = static_cast<int64_t>(std::floor(v));
            if (iu < 0 || iu + 1 >= sw || iv < 0 || iv + 1 >= sh) continue;
            const double fx = u - static_cast<double>(iu), fy = v - static_cast<double>(iv);
            uint8_t* out = destination.Row(i) + 3 * j;
            for (int k = 2; k >= 0; --k) {
                const int a = At(source, iu, iv)[k], b = At(source, iu + 1, iv)[k];
                const int c = At(source, iu, iv + 1)[k], d = At(source, iu + 1, iv + 1)[k];
                double t = ((a - b - c + d) * fy + (b - a)) * fx;
                t = t + (c - a) * fy;
                out[k] = Clamp(t + a);
            }
        }
    }
}

void Resize(const DibImage& source, DibImage& destination, int width, int height)
{
    if (!Usable(source)) return;
    if (source.Width() == width && source.Height() == height) {
        destination = source;
        return;
    }
    if (destination.Width() != width || destination.Height() != height || destination.ImageSize() == 0) {
        destination.SetSize(width, height);
    }
    const double m[9] = {static_cast<double>(source.Width()) / width,
                         0,
                         0,
                         0,
                         static_cast<double>(source.Height()) / height,
                         0,
                         0,
                         0,
                         1};
    Warp(source, destination, m);
}

YCbCrPixel ToYCbCr(uint8_t b, uint8_t g, uint8_t r)
{
    const double y = 0.58661 * g + 0.29891 * r + 0.11448 * b;
    const double cb = 0.5 * b - (0.16874 * r + 0.33126 * g) + 128;
    const double cr = 0.5 * r - 0.41869 * g - 0.08131 * b + 128;
    return YCbCrPixel{Clamp(y), Clamp(cb), Clamp(cr)};
}

bool Inside(const YCbCrPixel& c, const YCbCrPixel& lower, const YCbCrPixel& upper)
{
    return c.y > lower.y && c.y < upper.y && c.cb > lower.cb && c.cb < upper.cb && c.cr > lower.cr && c.cr < upper.cr;
}

void Mask(const DibImage& source, DibImage& mask, const YCbCrPixel& lower, const YCbCrPixel& upper, BgrPixel inside,
          BgrPixel outside)
{
    if (!Usable(source)) return;
    if (source.Width() != mask.Width() || source.Height() != mask.Height()) mask.SetFormat(source);
    if (!Usable(mask)) return;
    for (int32_t i = 0; i < source.Height(); ++i) {
        for (int32_t j = 0; j < source.Width(); ++j) {
            const uint8_t* p = At(source, j, i);
            const BgrPixel colour = Inside(ToYCbCr(p[0], p[1], p[2]), lower, upper) ? inside : outside;
            uint8_t* out = mask.Row(i) + 3 * j;
            out[0] = colour.b;
            out[1] = colour.g;
            out[2] = colour.r;
        }
    }
}

void Centroid(const DibImage& image, BgrPixel colour, double& x, double& y)
{
    if (!Usable(image)) return;
    int64_t count = 0;
    double columns = 0.0, rows = 0.0;
    for (int32_t i = 0; i < image.Height(); ++i) {
        for (int32_t j = 0; j < image.Width(); ++j) {
            const uint8_t* p = At(image, j, i);
            if (p[0] == colour.b && p[1] == colour.g && p[2] == colour.r) {
                ++count;
                columns += j;
                rows += i;
            }
        }
    }
    x = count != 0 ? columns / static_cast<double>(count) : -1.0;
    y = count != 0 ? rows / static_cast<double>(count) : -1.0;
}

void Blit(DibImage& destination, const DibImage& source, int x, int y, BgrPixel key)
{
    if (!Usable(destination) || !Usable(source)) return;
    for (int64_t i = 0; i < source.Height(); ++i) {
        for (int64_t j = 0; j < source.Width(); ++j) {
            const int64_t dx = x + j, dy = y + i;
            if (dx < 0 || dx >= destination.Width() || dy < 0 || dy >= destination.Height()) continue;
            const uint8_t* p = At(source, j, i);
            if (p[0] == key.b && p[1] == key.g && p[2] == key.r) continue;
            std::memcpy(destination.Row(static_cast<int32_t>(dy)) + 3 * dx, p, 3);
        }
    }
}

}  // namespace reference

namespace image_test {

DibImage Filled(int32_t width, int32_t height, uint8_t fill)
{
    DibImage image;
    image.SetSize(width, height);
    if (image.Bits() != nullptr && image.ImageSize() > 0) {
        std::memset(image.Bits(), fill, static_cast<size_t>(image.ImageSize()));
    }
    return image;
}

void Randomise(DibImage& image, std::mt19937& random, int palette)
{
    std::vector<BgrPixel> colours;
    for (int k = 0; k < palette; ++k) {
        const uint32_t v = random();
        colours.push_back(
            BgrPixel{static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16)});
    }
    for (int32_t i = 0; i < image.Height(); ++i) {
        for (int32_t j = 0; j < image.Width(); ++j) {
            const uint32_t v = random();
            const BgrPixel colour = palette > 0 ? colours[v % colours.size()]
                                                : BgrPixel{static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8),
                                                           static_cast<uint8_t>(v >> 16)};
            SetPixel(image, j, i, colour);
        }
    }
}

DibImage RandomImage(int32_t width, int32_t height, std::mt19937& random, int palette)
{
    DibImage image = Filled(width, height, 0);
    Randomise(image, random, palette);
    return image;
}

BgrPixel PixelOf(const DibImage& image, int32_t x, int32_t y)
{
    const uint8_t* p = image.Row(y) + 3 * x;
    return BgrPixel{p[0], p[1], p[2]};
}

void SetPixel(DibImage& image, int32_t x, int32_t y, BgrPixel colour)
{
    uint8_t* p = image.Row(y) + 3 * x;
    p[0] = colour.b;
    p[1] = colour.g;
    p[2] = colour.r;
}

bool SameImage(const DibImage& a, const DibImage& b)
{
    if (std::memcmp(a.Info(), b.Info(), sizeof(BITMAPINFO)) != 0) return false;
    if ((a.Bits() == nullptr) != (b.Bits() == nullptr)) return false;
    return a.Bits() == nullptr || a.ImageSize() <= 0 ||
           std::memcmp(a.Bits(), b.Bits(), static_cast<size_t>(a.ImageSize())) == 0;
}

std::string FirstDifference(const DibImage& a, const DibImage& b)
{
    std::ostringstream text;
    if (a.Width() != b.Width() || a.Height() != b.Height()) {
        text << "sizes " << a.Width() << "x" << a.Height() << " and " << b.Width() << "x" << b.Height();
        return text.str();
    }
    if (!a.HasRows() || !b.HasRows()) return "an image without rows";
    const int64_t stride = DibStride(a.Width());
    for (int32_t i = 0; i < a.Height(); ++i) {
        for (int64_t k = 0; k < stride; ++k) {
            if (a.Row(i)[k] != b.Row(i)[k]) {
                text << "row " << i << " byte " << k << " (column " << k / 3 << "): " << int{a.Row(i)[k]} << " vs "
                     << int{b.Row(i)[k]};
                return text.str();
            }
        }
    }
    return "headers or bytes beyond the rows";
}

uint32_t CaseSeed(int index)
{
    if (const char* seed = std::getenv("QM_TEST_SEED")) {
        return static_cast<uint32_t>(std::strtoul(seed, nullptr, 0));
    }
    return 20240611u + static_cast<uint32_t>(index);
}

std::vector<SimdLevel> SupportedLevels()
{
    std::vector<SimdLevel> levels{SimdLevel::kBaseline};
    if (SupportedSimdLevel() >= SimdLevel::kAvx2) levels.push_back(SimdLevel::kAvx2);
    if (SupportedSimdLevel() >= SimdLevel::kAvx512) levels.push_back(SimdLevel::kAvx512);
    return levels;
}

std::string LevelName(SimdLevel level)
{
    switch (level) {
    case SimdLevel::kAvx2: return "Avx2";
    case SimdLevel::kAvx512: return "Avx512";
    default: return "Baseline";
    }
}

}  // namespace image_test
