// The bilinear formula in the one evaluation order that every resampling path shares,
// for a single double or for a vector of double lanes (any type whose + - * work lane by
// lane in IEEE double, as the compiler's vector types do). Results come back through
// references: returning a wide vector from a function compiled for the baseline would
// change its calling convention. Vector kernels use the compiler's plain vector types
// (__v2df, __v4df, __v8df): the __m types carry an aliasing attribute that a template
// argument would drop.
#pragma once

#include <emmintrin.h>

#include <cstdint>

// The parts of one channel that depend on the four neighbours alone: A, and the whole
// numbers right = B - A, down = C - A and cross = A - B - C + D, exact in any order.
template <typename Doubles>
struct BilinearTerms {
    Doubles a, right, down, cross;
};

// ((A - B - C + D) fy + (B - A)) fx, then + (C - A) fy, then + A, each operation rounded
// to double.
template <typename Doubles>
[[gnu::always_inline]] inline void BilinearValue(const BilinearTerms<Doubles>& terms, const Doubles& fx,
                                                 const Doubles& fy, Doubles& value)
{
    const Doubles t = (terms.cross * fy + terms.right) * fx;
    value = (t + terms.down * fy) + terms.a;
}

// The bits of 2^52. A byte placed in the low bits of these bits gives the double
// 2^52 + byte, so vector kernels turn bytes into doubles by moving bytes alone.
constexpr uint64_t kBiasBits = 0x4330000000000000;
constexpr double kBias = 0x1p52;

// The terms from the four neighbours' bytes, each given as the double 2^52 + byte: the
// differences of such doubles are the exact differences of the bytes.
template <typename Doubles>
[[gnu::always_inline]] inline void TermsOfBiased(const Doubles& a, const Doubles& b, const Doubles& c, const Doubles& d,
                                                 BilinearTerms<Doubles>& terms)
{
    terms.right = b - a;
    terms.down = c - a;
    terms.cross = (d - c) - terms.right;
    terms.a = a - kBias;
}

// The values of the three channels of some pixels, truncated, channel c in byte c of
// each pixel's 32-bit lane; `truncate` turns a vector of values into 32-bit integers.
// The values lie in (-1, 256), so truncation is all that ClampToByte does to them.
template <typename Doubles, typename Truncate>
[[gnu::always_inline]] inline __m128i ChannelLanes(const BilinearTerms<Doubles> (&terms)[3], const Doubles& fx,
                                                   const Doubles& fy, Truncate truncate)
{
    __m128i pixels = _mm_setzero_si128();
#pragma GCC unroll 3
    for (int c = 0; c < 3; ++c) {
        Doubles value;
        BilinearValue(terms[c], fx, fy, value);
        pixels = _mm_or_si128(pixels, _mm_sll_epi32(truncate(value), _mm_cvtsi32_si128(8 * c)));
    }
    return pixels;
}
