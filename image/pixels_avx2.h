// Eight packed 24-bit pixels in the eight 32-bit lanes of an AVX2 register and back,
// touching exactly their 24 bytes. For functions marked QM_TARGET_AVX2 only.
#pragma once

#include <immintrin.h>

#include <array>
#include <cstdint>

#include "image/simd_level.h"

// The 24 bytes of pixels 0..7: bytes 0..15 in the low half and bytes 8..23 in the high
// half, so that pixels 0..3 start at byte 0 of the low half and pixels 4..7 at byte 4 of
// the high half.
QM_TARGET_AVX2 inline __m256i LoadPixelBytes(const uint8_t* p)
{
    return _mm256_loadu2_m128i(reinterpret_cast<const __m128i*>(p + 8), reinterpret_cast<const __m128i*>(p));
}

// The vpshufb control for LoadPixelBytes data that fills byte b of each pixel's lane
// with channel pattern[b] of that pixel (0 blue, 1 green, 2 red), or with 0 where it
// is -1.
constexpr std::array<int8_t, 32> LaneShuffleBytes(std::array<int, 4> pattern)
{
    std::array<int8_t, 32> control{};
    for (int lane = 0; lane < 8; ++lane) {
        const int first = lane < 4 ? 3 * lane : 4 + 3 * (lane - 4);  // position in its 16-byte half
        for (int b = 0; b < 4; ++b) {
            control[4 * lane + b] = static_cast<int8_t>(pattern[b] < 0 ? -1 : first + pattern[b]);
        }
    }
    return control;
}

template <int B0, int B1, int B2, int B3>
QM_TARGET_AVX2 inline __m256i LaneShuffle()
{
    static constexpr std::array<int8_t, 32> kControl = LaneShuffleBytes({B0, B1, B2, B3});
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(kControl.data()));
}

// The control with which LoadPixels puts each pixel in its lane.
QM_TARGET_AVX2 inline __m256i PixelLaneShuffle()
{
    return LaneShuffle<0, 1, 2, -1>();
}

// Pixels 0..7 as blue | green << 8 | red << 16 in lanes 0..7; toLanes is
// PixelLaneShuffle(), made once outside the loop.
QM_TARGET_AVX2 inline __m256i LoadPixels(const uint8_t* p, __m256i toLanes)
{
    return _mm256_shuffle_epi8(LoadPixelBytes(p), toLanes);
}

// The low three bytes of lanes 0..7 as 24 packed bytes at the start of the register.
QM_TARGET_AVX2 inline __m256i PackPixels(__m256i lanes)
{
    const __m256i pack = _mm256_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1,  //
                                          0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    return _mm256_permutevar8x32_epi32(_mm256_shuffle_epi8(lanes, pack), _mm256_setr_epi32(0, 1, 2, 4, 5, 6, 7, 7));
}

// Writes the low three bytes of lanes 0..7 as eight packed pixels.
QM_TARGET_AVX2 inline void StorePixels(uint8_t* p, __m256i lanes)
{
    const __m256i packed = PackPixels(lanes);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), _mm256_castsi256_si128(packed));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(p + 16), _mm256_extracti128_si256(packed, 1));
}
