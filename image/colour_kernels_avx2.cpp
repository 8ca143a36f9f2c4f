// The colour row kernels on AVX2, eight pixels at a time; the last few pixels of a row
// go to the baseline kernels.
#include "image/colour_kernels.h"

#include <cstring>

#include "image/pixels_avx2.h"

namespace {

// Two 16-bit weights for _mm256_madd_epi16: first for the low word of each lane,
// second for the high word.
QM_TARGET_AVX2 __m256i WeightPair(PairWeights w)
{
    return _mm256_set1_epi32(PairLane(w));
}

// The same integer numerators as the baseline, each weight split so that it fits 16
// bits: the luma from the word pairs (G, R) and (G, B) of each pixel, the chroma from
// the differences (B - G, G - R), multiplied and added pairwise.
QM_TARGET_AVX2 void MaskPixelsAvx2(const uint8_t* source, uint8_t* mask, int32_t count, const SkinBox& box,
                                   BgrPixel inside, BgrPixel outside)
{
    const __m256i toGreenRed = LaneShuffle<1, -1, 2, -1>(), toGreenBlue = LaneShuffle<1, -1, 0, -1>(),
                  toBlueGreen = LaneShuffle<0, -1, 1, -1>();
    const __m256i lumaGreenRed = WeightPair(kLumaGreenRed), lumaGreenBlue = WeightPair(kLumaGreenBlue);
    const __m256i blueDifferences = WeightPair(kHalfBlueDifferences);
    const __m256i redDifferences = WeightPair(kRedDifferences), redGreenLessRed = WeightPair(kRedGreenLessRed);
    const __m256i lumaLow = _mm256_set1_epi32(box.lumaLow), lumaHigh = _mm256_set1_epi32(box.lumaHigh);
    const __m256i blueLow = _mm256_set1_epi32(box.blueLow), blueHigh = _mm256_set1_epi32(box.blueHigh);
    const __m256i redLow = _mm256_set1_epi32(box.redLow), redHigh = _mm256_set1_epi32(box.redHigh);
    const __m256i insideLanes = _mm256_set1_epi32(PixelLane(inside));
    const __m256i outsideLanes = _mm256_set1_epi32(PixelLane(outside));
    const __m256i undecided = _mm256_set1_epi32(-1);

    // Pixels are done in batches. A pixel on a bound, whose margin is -1, is rare: a
    // batch that has one is done again by the baseline, which settles it.
    constexpr int32_t kBatch = 64;
    int32_t j = 0;
    while (j + 8 <= count) {
        const int32_t batchStart = j;
        __m256i open = _mm256_setzero_si256();
        for (; j - batchStart < kBatch && j + 8 <= count; j += 8) {
            const __m256i bytes = LoadPixelBytes(source + 3 * int64_t{j});
            const __m256i greenRed = _mm256_shuffle_epi8(bytes, toGreenRed);
            const __m256i greenBlue = _mm256_shuffle_epi8(bytes, toGreenBlue);
            const __m256i differences = _mm256_sub_epi16(_mm256_shuffle_epi8(bytes, toBlueGreen), greenRed);
            const __m256i luma = _mm256_add_epi32(_mm256_madd_epi16(greenRed, lumaGreenRed),
                                                  _mm256_madd_epi16(greenBlue, lumaGreenBlue));
            const __m256i blue = _mm256_madd_epi16(differences, blueDifferences);
            const __m256i red = _mm256_add_epi32(_mm256_madd_epi16(differences, redDifferences),
                                                 _mm256_madd_epi16(differences, redGreenLessRed));
            const __m256i margin = _mm256_min_epi32(
                _mm256_min_epi32(_mm256_min_epi32(_mm256_sub_epi32(luma, lumaLow), _mm256_sub_epi32(lumaHigh, luma)),
                                 _mm256_min_epi32(_mm256_sub_epi32(blue, blueLow), _mm256_sub_epi32(blueHigh, blue))),
                _mm256_min_epi32(_mm256_sub_epi32(red, redLow), _mm256_sub_epi32(redHigh, red)));
            const __m256i lanes = _mm256_blendv_epi8(insideLanes, outsideLanes, _mm256_srai_epi32(margin, 31));
            if (j + 11 <= count) {
                // 32 bytes: the eight past the block's 24 land on pixels written after it.
                _mm256_storeu_si256(reinterpret_cast<__m256i*>(mask + 3 * int64_t{j}), PackPixels(lanes));
            } else {
                StorePixels(mask + 3 * int64_t{j}, lanes);
            }
            open = _mm256_or_si256(open, _mm256_cmpeq_epi32(margin, undecided));
        }
        if (!_mm256_testz_si256(open, open)) {
            const int64_t first = 3 * int64_t{batchStart};
            MaskPixels(source + first, mask + first, j - batchStart, box, inside, outside);
        }
    }
    MaskPixels(source + 3 * int64_t{j}, mask + 3 * int64_t{j}, count - j, box, inside, outside);
}

QM_TARGET_AVX2 int64_t SumLanes(__m256i lanes)
{
    alignas(32) int32_t values[8];
    _mm256_store_si256(reinterpret_cast<__m256i*>(values), lanes);
    int64_t sum = 0;
    for (int32_t value : values) {
        sum += value;
    }
    return sum;
}

QM_TARGET_AVX2 void CountColourAvx2(const uint8_t* row, int32_t count, BgrPixel colour, int64_t* matches,
                                    int64_t* columnSum)
{
    // Lane sums of column numbers stay within 32 bits over spans of this many pixels.
    constexpr int32_t kSpan = 1 << 16;
    const __m256i toLanes = PixelLaneShuffle();
    const __m256i wanted = _mm256_set1_epi32(PixelLane(colour));
    int32_t j = 0;
    for (int32_t spanStart = 0; spanStart + 8 <= count; spanStart = j) {
        const int32_t spanEnd = count - spanStart > kSpan ? spanStart + kSpan : count;
        __m256i counts = _mm256_setzero_si256(), sums = _mm256_setzero_si256();
        __m256i columns = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);  // relative to spanStart
        for (j = spanStart; j + 8 <= spanEnd; j += 8) {
            const __m256i same = _mm256_cmpeq_epi32(LoadPixels(row + 3 * int64_t{j}, toLanes), wanted);
            counts = _mm256_sub_epi32(counts, same);
            sums = _mm256_add_epi32(sums, _mm256_and_si256(same, columns));
            columns = _mm256_add_epi32(columns, _mm256_set1_epi32(8));
        }
        const int64_t spanMatches = SumLanes(counts);
        *matches += spanMatches;
        *columnSum += SumLanes(sums) + spanMatches * spanStart;
    }
    int64_t tailMatches = 0, tailSum = 0;  // columns relative to j
    BaselineColourKernels().count(row + 3 * int64_t{j}, count - j, colour, &tailMatches, &tailSum);
    *matches += tailMatches;
    *columnSum += tailSum + tailMatches * j;
}

QM_TARGET_AVX2 void KeyedCopyAvx2(const uint8_t* source, uint8_t* destination, int32_t count, BgrPixel key)
{
    const __m256i toLanes = PixelLaneShuffle();
    const __m256i keyLanes = _mm256_set1_epi32(PixelLane(key));
    int32_t j = 0;
    for (; j + 8 <= count; j += 8) {
        const uint8_t* in = source + 3 * int64_t{j};
        uint8_t* out = destination + 3 * int64_t{j};
        const __m256i pixels = LoadPixels(in, toLanes);
        const __m256i isKey = _mm256_cmpeq_epi32(pixels, keyLanes);
        const int keyed = _mm256_movemask_ps(_mm256_castsi256_ps(isKey));
        if (keyed == 0xFF) {
            continue;
        }
        if (keyed == 0) {
            std::memcpy(out, in, 24);
            continue;
        }
        StorePixels(out, _mm256_blendv_epi8(pixels, LoadPixels(out, toLanes), isKey));
    }
    BaselineColourKernels().keyedCopy(source + 3 * int64_t{j}, destination + 3 * int64_t{j}, count - j, key);
}

}  // namespace

const ColourKernels& Avx2ColourKernels()
{
    static const ColourKernels kernels{MaskPixelsAvx2, CountColourAvx2, KeyedCopyAvx2};
    return kernels;
}
