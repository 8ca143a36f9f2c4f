// Row kernels of the skin mask, the colour centroid and the keyed blit, one set per
// instruction set level, all giving the bytes of the plain per-pixel formulas.
#pragma once

#include <cstdint>

#include "image/pixel.h"
#include "image/simd_level.h"

// The YCbCr box test in exact integer form. Each of Y, Cb and Cr is a sum of channels
// times weights of five decimals, so 100000 times its real value is an integer N, and
// the double the formula computes lies within 1e-12 of N / 100000. A truncated value
// exceeds the lower bound lo exactly when the double is at least lo + 1, which is
// decided by N alone unless N is exactly 100000 (lo + 1); likewise below the upper
// bound. Each bound thus becomes a margin: at least 0 means the test passes, -1 means
// N hit the bound exactly and only the double formula can tell, -2 or less means it
// fails. The box is the minimum of the six margins.
struct SkinBox {
    // The Y numerator (kLuma).
    int32_t lumaLow, lumaHigh;
    // Half the Cb numerator less its offset (kHalfBlue).
    int32_t blueLow, blueHigh;
    // The Cr numerator less its offset (kRed).
    int32_t redLow, redHigh;
    // The bounds themselves, for the exact test of the undecided pixels.
    YCbCrPixel lower, upper;
};
// The weights of the numerators.
struct ChannelWeights {
    int32_t blue, green, red;
};
constexpr ChannelWeights kLuma{11448, 58661, 29891};       // 100000 Y
constexpr ChannelWeights kHalfBlue{25000, -16563, -8437};  // 50000 (Cb - 128)
constexpr ChannelWeights kRed{-8131, -41869, 50000};       // 100000 (Cr - 128)

// The same weights split so that each fits 16 bits, for multiply-adds over the word
// pairs (G, R), (G, B) and (B, R) of a pixel: a numerator is the sum of its pairs.
struct PairWeights {
    int16_t first, second;
};
constexpr PairWeights kLumaGreenRed{29331, 29891}, kLumaGreenBlue{29330, 11448};
constexpr PairWeights kHalfBlueBlueRed{25000, -8437}, kHalfBlueGreenBlue{-16563, 0};
constexpr PairWeights kRedGreenRed{-20935, 25000}, kRedBlueRed{-8131, 25000}, kRedGreenBlue{-20934, 0};
// A pair as one 32-bit lane: first in the low word, second in the high word.
constexpr int32_t PairLane(PairWeights w)
{
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint16_t>(w.second)) << 16 |
                                static_cast<uint16_t>(w.first));
}
static_assert(kLumaGreenRed.first + kLumaGreenBlue.first == kLuma.green && kLumaGreenRed.second == kLuma.red &&
              kLumaGreenBlue.second == kLuma.blue);
static_assert(kHalfBlueBlueRed.first == kHalfBlue.blue && kHalfBlueBlueRed.second == kHalfBlue.red &&
              kHalfBlueGreenBlue.first == kHalfBlue.green && kHalfBlueGreenBlue.second == 0);
// The Cb and Cr numerators in the differences (B - G, G - R) of a pixel, as word pairs:
// 25000 (B - G) + 8437 (G - R), and -8131 (B - G) - 50000 (G - R), whose second weight
// is split in two.
constexpr PairWeights kHalfBlueDifferences{25000, 8437};
constexpr PairWeights kRedDifferences{-8131, -25000}, kRedGreenLessRed{0, -25000};
static_assert(kHalfBlueDifferences.first == kHalfBlue.blue &&
              kHalfBlueDifferences.second - kHalfBlueDifferences.first == kHalfBlue.green &&
              -kHalfBlueDifferences.second == kHalfBlue.red);
static_assert(kRedDifferences.first == kRed.blue &&
              kRedDifferences.second + kRedGreenLessRed.second - kRedDifferences.first == kRed.green &&
              -(kRedDifferences.second + kRedGreenLessRed.second) == kRed.red && kRedGreenLessRed.first == 0);
static_assert(kRedGreenRed.first + kRedGreenBlue.first == kRed.green &&
              kRedGreenRed.second + kRedBlueRed.second == kRed.red && kRedBlueRed.first == kRed.blue &&
              kRedGreenBlue.second == 0);

SkinBox MakeSkinBox(const YCbCrPixel& lower, const YCbCrPixel& upper);

// The plain test: convert with BgrToYCbCr and compare strictly.
bool InsideBox(const BgrPixel* pixel, const YCbCrPixel& lower, const YCbCrPixel& upper);

// The box test of `count` pixels by integer margins, undecided ones by InsideBox.
void MaskPixels(const uint8_t* source, uint8_t* mask, int32_t count, const SkinBox& box, BgrPixel inside,
                BgrPixel outside);

// A colour as one 32-bit vector lane holds a pixel: blue | green << 8 | red << 16.
inline int32_t PixelLane(BgrPixel colour)
{
    return colour.b | colour.g << 8 | colour.r << 16;
}

struct ColourKernels {
    // Mask pixel j = inside or outside colour, for source pixel j in the box or not.
    void (*mask)(const uint8_t* source, uint8_t* mask, int32_t count, const SkinBox& box, BgrPixel inside,
                 BgrPixel outside);
    // Adds the pixels equal to colour to *matches and their column numbers to *columnSum.
    void (*count)(const uint8_t* row, int32_t count, BgrPixel colour, int64_t* matches, int64_t* columnSum);
    // Copies every source pixel that differs from key over the destination pixel.
    void (*keyedCopy)(const uint8_t* source, uint8_t* destination, int32_t count, BgrPixel key);
};
const ColourKernels& BaselineColourKernels();
const ColourKernels& Avx2ColourKernels();
const ColourKernels& Avx512ColourKernels();
// The kernels of the active level.
const ColourKernels& ActiveColourKernels();
