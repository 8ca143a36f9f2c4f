// Plain per-pixel versions of the image operations, written straight from their
// definitions, against which the library's kernels are checked byte for byte; and the
// helpers those checks share.
#pragma once

#include <cstdint>
#include <random>
#include <string>

#include "image/dib_image.h"
#include "image/pixel.h"
#include "image/simd_level.h"

namespace reference {

uint8_t Clamp(double value);
void Warp(const DibImage& source, DibImage& destination, const double (&m)[9]);
void Resize(const DibImage& source, DibImage& destination, int width, int height);
YCbCrPixel ToYCbCr(uint8_t b, uint8_t g, uint8_t r);
bool Inside(const YCbCrPixel& c, const YCbCrPixel& lower, const YCbCrPixel& upper);
void Mask(const DibImage& source, DibImage& mask, const YCbCrPixel& lower, const YCbCrPixel& upper, BgrPixel inside,
          BgrPixel outside);
void Centroid(const DibImage& image, BgrPixel colour, double& x, double& y);
void Blit(DibImage& destination, const DibImage& source, int x, int y, BgrPixel key);

}  // namespace reference

namespace image_test {

// A 24-bit image of the given size; every byte of its buffer, row padding included, is
// `fill`.
DibImage Filled(int32_t width, int32_t height, uint8_t fill);
// Random pixels drawn from `palette` colours (all colours when 0), so that equal colours
// and runs occur when the palette is small.
void Randomise(DibImage& image, std::mt19937& random, int palette = 0);
// A new image of that size with random pixels (see Randomise).
DibImage RandomImage(int32_t width, int32_t height, std::mt19937& random, int palette = 0);
BgrPixel PixelOf(const DibImage& image, int32_t x, int32_t y);
void SetPixel(DibImage& image, int32_t x, int32_t y, BgrPixel colour);
// Header and every buffer byte equal.
bool SameImage(const DibImage& a, const DibImage& b);
// The first pixel where two images of one size differ, for failure messages.
std::string FirstDifference(const DibImage& a, const DibImage& b);

// The seed of case `index` of a randomised test: QM_TEST_SEED when set (to rerun one
// failing case), else a fixed base plus the index.
uint32_t CaseSeed(int index);

// Makes the kernels use one level for the life of the object.
class ScopedSimdLevel {
public:
    explicit ScopedSimdLevel(SimdLevel level) : previous_(ActiveSimdLevel()) { SetSimdLevel(level); }
    ~ScopedSimdLevel() { SetSimdLevel(previous_); }
    ScopedSimdLevel(const ScopedSimdLevel&) = delete;
    ScopedSimdLevel& operator=(const ScopedSimdLevel&) = delete;

private:
    SimdLevel previous_;
};

// Every level this processor supports, for parameterised tests.
std::vector<SimdLevel> SupportedLevels();
std::string LevelName(SimdLevel level);

}  // namespace image_test
