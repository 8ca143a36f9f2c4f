// The resampling row kernels on AVX2.
#include "image/scale_kernels.h"

#include <immintrin.h>

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

}  // namespace

const ScaleRowKernels& Avx2ScaleRowKernels()
{
    static const ScaleRowKernels kernels{BaselineScaleRowKernels().gather, BlendRowsAvx2};
    return kernels;
}
