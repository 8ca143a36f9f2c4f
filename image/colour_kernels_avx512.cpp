// The colour row kernels on AVX-512, sixteen pixels at a time. Byte-masked loads and
// stores cover the end of a row, so no pixel goes to the baseline kernels except the
// mask's batches that hold a pixel on a bound.
#include "image/colour_kernels.h"

#include <algorithm>
#include <array>

#include "image/avx512_intrinsics.h"

namespace {

constexpr int kPixels = 16;

// Byte mask of the first n pixels' bytes, n <= 16.
QM_TARGET_AVX512 __mmask64 PixelBytes(int32_t n)
{
    return _bzhi_u64(~uint64_t{0}, static_cast<unsigned>(3 * n));
}

// True when a block of sixteen pixels from j is followed by at least 16 more bytes of
// the row: a whole register may then be loaded, or stored when the bytes after the
// block are written afterwards.
constexpr bool InteriorBlock(int32_t j, int32_t count)
{
    return int64_t{j} + kPixels + 6 <= count;
}

// The first n pixels' bytes from `in` (all 64 bytes read for an interior block).
QM_TARGET_AVX512 __m512i LoadBlock(const uint8_t* in, bool interior, __mmask64 bytes)
{
    return interior ? _mm512_loadu_si512(in) : _mm512_maskz_loadu_epi8(bytes, in);
}

// A vpermb control that fills byte b of lane p with channel pattern[b] of packed pixel
// p (0 blue, 1 green, 2 red); bytes whose pattern is -1 are left to a zeroing mask.
constexpr std::array<int8_t, 64> LaneControlBytes(std::array<int, 4> pattern)
{
    std::array<int8_t, 64> control{};
    for (int p = 0; p < kPixels; ++p) {
        for (int b = 0; b < 4; ++b) {
            control[4 * p + b] = static_cast<int8_t>(pattern[b] < 0 ? 0 : 3 * p + pattern[b]);
        }
    }
    return control;
}

// The zeroing mask for that control: the bytes whose pattern entry is a channel.
constexpr __mmask64 LaneBytes(std::array<int, 4> pattern)
{
    uint64_t bits = 0;
    for (int b = 0; b < 4; ++b) {
        if (pattern[b] >= 0) {
            bits |= uint64_t{1} << b;
        }
    }
    return bits * 0x1111111111111111u;
}

template <int B0, int B1, int B2, int B3>
QM_TARGET_AVX512 __m512i LaneControl()
{
    static constexpr std::array<int8_t, 64> kControl = LaneControlBytes({B0, B1, B2, B3});
    return _mm512_loadu_si512(kControl.data());
}

// Control that packs the low three bytes of each lane into 48 bytes.
QM_TARGET_AVX512 __m512i PackControl()
{
    static constexpr std::array<int8_t, 64> kControl = [] {
        std::array<int8_t, 64> control{};
        for (int k = 0; k < 3 * kPixels; ++k) {
            control[k] = static_cast<int8_t>(4 * (k / 3) + k % 3);
        }
        return control;
    }();
    return _mm512_loadu_si512(kControl.data());
}

QM_TARGET_AVX512 __m512i WeightPair(PairWeights w)
{
    return _mm512_set1_epi32(PairLane(w));
}

// The integer margins of the baseline, weights split to fit 16 bits as on AVX2; the
// multiply-adds accumulate straight onto the negated lower thresholds, and each upper
// margin is the threshold span less the lower one.
QM_TARGET_AVX512 void MaskPixelsAvx512(const uint8_t* source, uint8_t* mask, int32_t count, const SkinBox& box,
                                       BgrPixel inside, BgrPixel outside)
{
    constexpr __mmask64 kWords = LaneBytes({1, -1, 2, -1});  // the low byte of each 16-bit word
    const __m512i toGreenRed = LaneControl<1, -1, 2, -1>(), toGreenBlue = LaneControl<1, -1, 0, -1>(),
                  toBlueRed = LaneControl<0, -1, 2, -1>(), pack = PackControl();
    const __m512i lumaGreenRed = WeightPair(kLumaGreenRed), lumaGreenBlue = WeightPair(kLumaGreenBlue);
    const __m512i blueBlueRed = WeightPair(kHalfBlueBlueRed), blueGreen = WeightPair(kHalfBlueGreenBlue);
    const __m512i redGreenRed = WeightPair(kRedGreenRed), redBlueRed = WeightPair(kRedBlueRed),
                  redGreen = WeightPair(kRedGreenBlue);
    const __m512i lumaLow = _mm512_set1_epi32(-box.lumaLow), lumaSpan = _mm512_set1_epi32(box.lumaHigh - box.lumaLow);
    const __m512i blueLow = _mm512_set1_epi32(-box.blueLow), blueSpan = _mm512_set1_epi32(box.blueHigh - box.blueLow);
    const __m512i redLow = _mm512_set1_epi32(-box.redLow), redSpan = _mm512_set1_epi32(box.redHigh - box.redLow);
    const __m512i insideLanes = _mm512_set1_epi32(PixelLane(inside));
    const __m512i outsideLanes = _mm512_set1_epi32(PixelLane(outside));
    const __m512i undecided = _mm512_set1_epi32(-1);

    // Pixels are done in batches. A pixel on a bound, whose margin is -1, is rare: a
    // batch that has one is done again by the baseline, which settles it.
    constexpr int32_t kBatch = 64;
    for (int32_t j = 0; j < count;) {
        const int32_t batchStart = j;
        __mmask16 open = 0;
        for (; j - batchStart < kBatch && j < count; j += kPixels) {
            const int32_t n = count - j < kPixels ? count - j : kPixels;
            const __mmask64 bytesMask = PixelBytes(n);
            const bool interior = InteriorBlock(j, count);
            const __m512i bytes = LoadBlock(source + 3 * int64_t{j}, interior, bytesMask);
            const __m512i greenRed = _mm512_maskz_permutexvar_epi8(kWords, toGreenRed, bytes);
            const __m512i greenBlue = _mm512_maskz_permutexvar_epi8(kWords, toGreenBlue, bytes);
            const __m512i blueRed = _mm512_maskz_permutexvar_epi8(kWords, toBlueRed, bytes);
            const __m512i lumaAbove =
                _mm512_dpwssd_epi32(_mm512_dpwssd_epi32(lumaLow, greenRed, lumaGreenRed), greenBlue, lumaGreenBlue);
            const __m512i blueAbove =
                _mm512_dpwssd_epi32(_mm512_dpwssd_epi32(blueLow, blueRed, blueBlueRed), greenBlue, blueGreen);
            const __m512i redAbove = _mm512_dpwssd_epi32(
                _mm512_dpwssd_epi32(_mm512_dpwssd_epi32(redLow, greenRed, redGreenRed), blueRed, redBlueRed), greenBlue,
                redGreen);
            const __m512i margin =
                _mm512_min_epi32(_mm512_min_epi32(_mm512_min_epi32(lumaAbove, _mm512_sub_epi32(lumaSpan, lumaAbove)),
                                                  _mm512_min_epi32(blueAbove, _mm512_sub_epi32(blueSpan, blueAbove))),
                                 _mm512_min_epi32(redAbove, _mm512_sub_epi32(redSpan, redAbove)));
            const __mmask16 in = _mm512_cmpgt_epi32_mask(margin, undecided);
            const __m512i colours = _mm512_mask_blend_epi32(in, outsideLanes, insideLanes);
            // An interior block's store spills onto the next block, which is stored after it.
            const __m512i packed = _mm512_permutexvar_epi8(pack, colours);
            if (interior) {
                _mm512_storeu_si512(mask + 3 * int64_t{j}, packed);
            } else {
                _mm512_mask_storeu_epi8(mask + 3 * int64_t{j}, bytesMask, packed);
            }
            open |= _mm512_cmpeq_epi32_mask(margin, undecided) & _bzhi_u32(~0u, n);
        }
        if (open != 0) {
            const int64_t first = 3 * int64_t{batchStart};
            MaskPixels(source + first, mask + first, std::min(j, count) - batchStart, box, inside, outside);
        }
    }
}

QM_TARGET_AVX512 void CountColourAvx512(const uint8_t* row, int32_t count, BgrPixel colour, int64_t* matches,
                                        int64_t* columnSum)
{
    // Column numbers summed over spans of this many pixels stay within 32 bits.
    constexpr int32_t kSpan = 1 << 15;
    constexpr __mmask64 kPixelLanes = LaneBytes({0, 1, 2, -1});
    const __m512i toLanes = LaneControl<0, 1, 2, -1>();
    const __m512i wanted = _mm512_set1_epi32(PixelLane(colour));
    const __m512i one = _mm512_set1_epi32(1), sixteen = _mm512_set1_epi32(kPixels);
    for (int32_t spanStart = 0; spanStart < count; spanStart += kSpan) {
        const int32_t spanEnd = count - spanStart > kSpan ? spanStart + kSpan : count;
        __m512i counts = _mm512_setzero_si512(), sums = _mm512_setzero_si512();
        __m512i columns = _mm512_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
        for (int32_t j = spanStart; j < spanEnd; j += kPixels) {
            const int32_t n = spanEnd - j < kPixels ? spanEnd - j : kPixels;
            const __m512i bytes = LoadBlock(row + 3 * int64_t{j}, InteriorBlock(j, count), PixelBytes(n));
            const __mmask16 same =
                _mm512_mask_cmpeq_epi32_mask(static_cast<__mmask16>(_bzhi_u32(~0u, n)),
                                             _mm512_maskz_permutexvar_epi8(kPixelLanes, toLanes, bytes), wanted);
            counts = _mm512_mask_add_epi32(counts, same, counts, one);
            sums = _mm512_mask_add_epi32(sums, same, sums, columns);
            columns = _mm512_add_epi32(columns, sixteen);
        }
        const int64_t spanMatches = _mm512_reduce_add_epi32(counts);
        *matches += spanMatches;
        *columnSum += _mm512_reduce_add_epi32(sums) + spanMatches * spanStart;
    }
}

// The key test on bytes: a pixel is the key when all three of its bytes match.
QM_TARGET_AVX512 void KeyedCopyAvx512(const uint8_t* source, uint8_t* destination, int32_t count, BgrPixel key)
{
    const __m512i keyBytes = _mm512_permutexvar_epi8(PackControl(), _mm512_set1_epi32(PixelLane(key)));
    constexpr uint64_t kFirstBytes = 0x249249249249;  // byte 0 of each of 16 pixels
    for (int32_t j = 0; j < count; j += kPixels) {
        const int32_t n = count - j < kPixels ? count - j : kPixels;
        const __mmask64 bytesMask = PixelBytes(n);
        const __m512i bytes = LoadBlock(source + 3 * int64_t{j}, InteriorBlock(j, count), bytesMask);
        const uint64_t same = _mm512_cmpeq_epi8_mask(bytes, keyBytes);
        const uint64_t keyed = same & same >> 1 & same >> 2 & kFirstBytes;
        const uint64_t keyedBytes = keyed | keyed << 1 | keyed << 2;
        _mm512_mask_storeu_epi8(destination + 3 * int64_t{j}, bytesMask & ~keyedBytes, bytes);
    }
}

}  // namespace

const ColourKernels& Avx512ColourKernels()
{
    static const ColourKernels kernels{MaskPixelsAvx512, CountColourAvx512, KeyedCopyAvx512};
    return kernels;
}
