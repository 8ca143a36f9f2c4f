// The resampling row kernels on AVX-512: the gather picks a block of pixels at once out
// of a 128-byte window of the source row with one byte permutation.
#include "image/scale_kernels.h"

#include <algorithm>
#include <array>

#include "image/avx512_intrinsics.h"

namespace {

QM_TARGET_AVX512 __mmask64 FirstBytes(int64_t n)
{
    return _bzhi_u64(~uint64_t{0}, static_cast<unsigned>(n));
}

// The permutation that takes pixels 0, 1, 2, ... of a block from bytes 0, stride,
// 2 stride, ... of its window: byte k of the block comes from stride (k / 3) + k % 3.
QM_TARGET_AVX512 __m512i GatherControl(int64_t stride)
{
    static constexpr std::array<uint8_t, 64> kPixel = [] {
        std::array<uint8_t, 64> pixel{};
        for (int k = 0; k < 63; ++k) {
            pixel[k] = static_cast<uint8_t>(k / 3);
        }
        return pixel;
    }();
    static constexpr std::array<uint8_t, 64> kChannel = [] {
        std::array<uint8_t, 64> channel{};
        for (int k = 0; k < 63; ++k) {
            channel[k] = static_cast<uint8_t>(k % 3);
        }
        return channel;
    }();
    // Offsets are computed in 16 bits; those of the bytes a block stores stay below 128.
    const __m512i pixel = _mm512_loadu_si512(kPixel.data());
    const __m512i strides = _mm512_set1_epi16(static_cast<int16_t>(stride));
    const __m512i low = _mm512_mullo_epi16(_mm512_cvtepu8_epi16(_mm512_castsi512_si256(pixel)), strides);
    const __m512i high = _mm512_mullo_epi16(_mm512_cvtepu8_epi16(_mm512_extracti64x4_epi64(pixel, 1)), strides);
    const __m512i offsets =
        _mm512_inserti64x4(_mm512_castsi256_si512(_mm512_cvtepi16_epi8(low)), _mm512_cvtepi16_epi8(high), 1);
    return _mm512_add_epi8(offsets, _mm512_loadu_si512(kChannel.data()));
}

QM_TARGET_AVX512 void GatherPixelsAvx512(const uint8_t* source, int32_t step, int32_t count, uint8_t* out)
{
    const int64_t stride = 3 * int64_t{step};  // bytes from one gathered pixel to the next
    constexpr int64_t kWindow = 128, kMostPixels = 21;  // 21 pixels fill 63 bytes of a register
    if (stride + 3 > kWindow) {
        BaselineScaleRowKernels().gather(source, step, count, out);  // one pixel per window: no gain
        return;
    }
    const int64_t perBlock = std::min<int64_t>(kMostPixels, (kWindow - 3) / stride + 1);
    const __m512i pick = GatherControl(stride);
    const auto gatherBlock = [&](int64_t j, int64_t n) QM_TARGET_AVX512 {
        const int64_t span = stride * (n - 1) + 3;  // bytes of the window that are read
        const uint8_t* in = source + stride * j;
        const __m512i low = _mm512_maskz_loadu_epi8(FirstBytes(std::min<int64_t>(span, 64)), in);
        const __m512i high =
            span > 64 ? _mm512_maskz_loadu_epi8(FirstBytes(span - 64), in + 64) : _mm512_setzero_si512();
        _mm512_mask_storeu_epi8(out + 3 * j, FirstBytes(3 * n), _mm512_permutex2var_epi8(low, pick, high));
    };
    int64_t j = 0;
    for (; j + perBlock <= count; j += perBlock) {
        gatherBlock(j, perBlock);
    }
    if (j < count) {
        gatherBlock(j, count - j);
    }
}

}  // namespace

const ScaleRowKernels& Avx512ScaleRowKernels()
{
    static const ScaleRowKernels kernels{GatherPixelsAvx512, Avx2ScaleRowKernels().blend};
    return kernels;
}
