// The resampling row kernels on AVX2. The interpolating ones take eight pixels at a
// time, as two halves of four neighbour pairs; the last few pixels of a row go to the
// baseline kernels.
#include "image/scale_kernels.h"

#include <cstring>

#include "image/bilinear_formula.h"
#include "image/pixels_avx2.h"

namespace {

QM_TARGET_AVX2 void BlendRowsAvx2(uint8_t* upper, const uint8_t* lower, int32_t bytes, int weight)
{
    // Byte pairs (upper, lower) times (128 - weight, weight): at most 255 * 128, so the
    // 16-bit sums never saturate.
    const __m256i weights = _mm256_set1_epi16(static_cast<int16_t>(weight << 8 | (128 - weight)));
    int32_t k = 0;
    for (; k + 32 <= bytes; k += 32) {
        const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(upper + k));
        const __m256i c = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(lower + k));
        const __m256i low = _mm256_srli_epi16(_mm256_maddubs_epi16(_mm256_unpacklo_epi8(a, c), weights), 7);
        const __m256i high = _mm256_srli_epi16(_mm256_maddubs_epi16(_mm256_unpackhi_epi8(a, c), weights), 7);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(upper + k), _mm256_packus_epi16(low, high));
    }
    BaselineScaleRowKernels().blend(upper + k, lower + k, bytes - k, weight);
}

int64_t Load64(const uint8_t* p)
{
    int64_t lane;
    std::memcpy(&lane, p, 8);
    return lane;
}

// The neighbour pairs of four pixels, one to a 64-bit lane, with the two bytes after
// each pair.
[[gnu::always_inline]] QM_TARGET_AVX2 inline __m256i LoadPairs(const uint8_t* row, const int32_t* offsets)
{
    return _mm256_setr_epi64x(Load64(row + offsets[0]), Load64(row + offsets[1]), Load64(row + offsets[2]),
                              Load64(row + offsets[3]));
}

QM_TARGET_AVX2 __m256i Control(const std::array<int8_t, 64>& bytes)
{
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bytes.data()));
}

// The terms of four pixels' three channels.
[[gnu::always_inline]] QM_TARGET_AVX2 inline void FourPixelTerms(const RowSamples& rows, const int32_t* offsets,
                                                                 const __m256i (&lift)[6],
                                                                 BilinearTerms<__v4df> (&terms)[3])
{
    const __m256i bias = _mm256_set1_epi64x(static_cast<int64_t>(kBiasBits));
    const __m256i upper = _mm256_blend_epi16(LoadPairs(rows.top, offsets), bias, 0x88);
    const __m256i lower = _mm256_blend_epi16(LoadPairs(rows.bottom, offsets), bias, 0x88);
    const auto lifted = [&](const __m256i& pairs, int byte)
                            QM_TARGET_AVX2 { return _mm256_castsi256_pd(_mm256_shuffle_epi8(pairs, lift[byte])); };
#pragma GCC unroll 3
    for (int c = 0; c < 3; ++c) {
        TermsOfBiased(lifted(upper, c), lifted(upper, c + 3), lifted(lower, c), lifted(lower, c + 3), terms[c]);
    }
}

QM_TARGET_AVX2 void InterpolateAvx2(const RowSamples& rows, const ColumnSamples& columns, int32_t first, int32_t last)
{
    static constexpr std::array<std::array<int8_t, 64>, 6> kLift{LiftControl(0), LiftControl(1), LiftControl(2),
                                                                 LiftControl(3), LiftControl(4), LiftControl(5)};
    const __m256i lift[6] = {Control(kLift[0]), Control(kLift[1]), Control(kLift[2]),
                             Control(kLift[3]), Control(kLift[4]), Control(kLift[5])};
    const auto truncate = [](const __m256d& value) QM_TARGET_AVX2 { return _mm256_cvttpd_epi32(value); };
    int32_t j = first;
    for (; j + 8 <= last; j += 8) {
        __m128i pixels[RowSamples::kMostRows][2];
        for (int half = 0; half < 2; ++half) {
            BilinearTerms<__v4df> terms[3];
            FourPixelTerms(rows, columns.offset + j + 4 * half, lift, terms);
            const __m256d fx = _mm256_loadu_pd(columns.fraction + j + 4 * half);
            for (int r = 0; r < rows.count; ++r) {
                pixels[r][half] = ChannelLanes<__v4df>(terms, fx, _mm256_set1_pd(rows.fraction[r]), truncate);
            }
        }
        for (int r = 0; r < rows.count; ++r) {
            StorePixels(rows.out[r] + 3 * int64_t{j}, _mm256_set_m128i(pixels[r][1], pixels[r][0]));
        }
    }
    BaselineScaleRowKernels().interpolate(rows, columns, j, last);
}

QM_TARGET_AVX2 void InterpolateDyadicAvx2(const RowSamples& rows, const ColumnSamples& columns, int32_t first,
                                          int32_t last)
{
    static constexpr std::array<int8_t, 64> kSideBySideControl = [] {
        std::array<int8_t, 64> control{};
        for (int k = 0; k < 64; ++k) {
            const int position = k % 8;
            control[k] = static_cast<int8_t>(position < 6 ? k / 8 % 2 * 8 + kSideBySide[position] : -1);
        }
        return control;
    }();
    const __m256i sideBySide = Control(kSideBySideControl);
    int32_t j = first;
    for (; j + 8 <= last; j += 8) {
        // Per half of four pixels, A (64 - x) + B x and C (64 - x) + D x (at most
        // 255 * 64, no saturation) side by side for the row weights.
        __m256i low[2], high[2];
        for (int half = 0; half < 2; ++half) {
            const int32_t* offsets = columns.offset + j + 4 * half;
            const __m256i weights =
                _mm256_loadu_si256(reinterpret_cast<const __m256i*>(columns.weights + j + 4 * half));
            const __m256i upper =
                _mm256_maddubs_epi16(_mm256_shuffle_epi8(LoadPairs(rows.top, offsets), sideBySide), weights);
            const __m256i lower =
                _mm256_maddubs_epi16(_mm256_shuffle_epi8(LoadPairs(rows.bottom, offsets), sideBySide), weights);
            low[half] = _mm256_unpacklo_epi16(upper, lower);
            high[half] = _mm256_unpackhi_epi16(upper, lower);
        }
        for (int r = 0; r < rows.count; ++r) {
            const __m256i rowWeights = _mm256_set1_epi32(rows.weight[r] << 16 | (kRowUnit - rows.weight[r]));
            __m256i words[2];
            for (int half = 0; half < 2; ++half) {
                words[half] =
                    _mm256_packus_epi32(_mm256_srli_epi32(_mm256_madd_epi16(low[half], rowWeights), kUnitShift),
                                        _mm256_srli_epi32(_mm256_madd_epi16(high[half], rowWeights), kUnitShift));
            }
            // Bytes per 128-bit lane: pixels 0, 1, 4, 5 and 2, 3, 6, 7, four bytes each.
            const __m256i bytes = _mm256_packus_epi16(words[0], words[1]);
            StorePixels(rows.out[r] + 3 * int64_t{j},
                        _mm256_permutevar8x32_epi32(bytes, _mm256_setr_epi32(0, 1, 4, 5, 2, 3, 6, 7)));
        }
    }
    BaselineScaleRowKernels().interpolateDyadic(rows, columns, j, last);
}

}  // namespace

const ScaleRowKernels& Avx2ScaleRowKernels()
{
    static const ScaleRowKernels kernels{BaselineScaleRowKernels().gather, BlendRowsAvx2, InterpolateAvx2,
                                         InterpolateDyadicAvx2, nullptr};
    return kernels;
}
