// The resampling row kernels on AVX2. The interpolating ones take four neighbour pairs
// at a time (the integer one two such halves); the last few pixels of a row go to the
// baseline kernels.
#include "image/scale_kernels.h"

#include <algorithm>
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

// Gathered pixels come out in groups of 16 (48 bytes, three registers). The bytes of
// each register lie in a few 16-byte stretches of the source, and each stretch gives its
// bytes with one vpshufb. The stretches depend on the step alone.
struct GatherPlan {
    // Steps up to 4 need at most three; longer ones gain nothing over moving pixels one
    // by one.
    static constexpr int kMostLoads = 3;
    int64_t stride = 0;  // bytes from one gathered pixel to the next
    int loads = 0;       // stretches per register, or 0 when more than kMostLoads
    int64_t reach = 0;   // bytes from a group's first pixel that its loads read
    int64_t start[3][kMostLoads] = {};
    alignas(16) int8_t control[3][kMostLoads][16] = {};
};

void MakeGatherPlan(int64_t stride, GatherPlan* plan)
{
    *plan = GatherPlan{};
    plan->stride = stride;
    // Registers with fewer stretches than the most read the group's first bytes for the
    // rest, with this control, which gives zeros.
    std::memset(plan->control, -1, sizeof plan->control);
    int most = 0;
    for (int piece = 0; piece < 3; ++piece) {
        int loads = 0;
        for (int b = 0; b < 16; ++b) {
            const int k = 16 * piece + b;  // the byte in the group's output
            const int64_t from = stride * (k / 3) + k % 3;
            if (loads == 0 || from >= plan->start[piece][loads - 1] + 16) {
                if (loads == GatherPlan::kMostLoads) {
                    return;
                }
                plan->start[piece][loads] = from;
                plan->reach = std::max(plan->reach, from + 16);
                ++loads;
            }
            plan->control[piece][loads - 1][b] = static_cast<int8_t>(from - plan->start[piece][loads - 1]);
        }
        most = std::max(most, loads);
    }
    plan->loads = most;
}

template <int kLoads>
QM_TARGET_AVX2 int32_t GatherGroups(const uint8_t* source, int32_t count, const GatherPlan& plan, uint8_t* out)
{
    // The last gathered pixel and its right neighbour end what may be read.
    const int64_t readable = plan.stride * (count - 1) + 6;
    int32_t j = 0;
    for (; j + 16 <= count && plan.stride * j + plan.reach <= readable; j += 16) {
        const uint8_t* in = source + plan.stride * j;
#pragma GCC unroll 3
        for (int piece = 0; piece < 3; ++piece) {
            __m128i bytes = _mm_setzero_si128();
#pragma GCC unroll 3
            for (int k = 0; k < kLoads; ++k) {
                const __m128i stretch = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + plan.start[piece][k]));
                const __m128i control = _mm_load_si128(reinterpret_cast<const __m128i*>(plan.control[piece][k]));
                bytes = _mm_or_si128(bytes, _mm_shuffle_epi8(stretch, control));
            }
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 3 * int64_t{j} + 16 * piece), bytes);
        }
    }
    return j;
}

QM_TARGET_AVX2 void GatherPixelsAvx2(const uint8_t* source, int32_t step, int32_t count, uint8_t* out)
{
    thread_local GatherPlan plan;
    const int64_t stride = 3 * int64_t{step};
    if (plan.stride != stride) {
        MakeGatherPlan(stride, &plan);
    }
    static constexpr int32_t (*kGroups[])(const uint8_t*, int32_t, const GatherPlan&, uint8_t*) = {
        nullptr, GatherGroups<1>, GatherGroups<2>, GatherGroups<3>};
    const int32_t j = plan.loads > 0 && count > 0 ? kGroups[plan.loads](source, count, plan, out) : 0;
    BaselineScaleRowKernels().gather(source + stride * j, step, count - j, out + 3 * int64_t{j});
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

// Sums that run on the multiply units: x * 1 + y rounds once, to the double nearest
// x + y, so these are the same additions; they leave the adders free for the rest.
QM_TARGET_AVX2 inline __v4df Plus(__v4df x, __v4df y)
{
    return _mm256_fmadd_pd(x, _mm256_set1_pd(1.0), y);
}
QM_TARGET_AVX2 inline __v4df Minus(__v4df x, __v4df y)
{
    return _mm256_fnmadd_pd(y, _mm256_set1_pd(1.0), x);
}

// The neighbour pairs of four pixels of a row, one to a 64-bit lane, each lane's top two
// bytes the high bytes of kBiasBits; and the vpshufb controls that make doubles of them.
struct PairLifts {
    __m256i lift[6];  // pair byte b of each lane as the double 2^52 + byte
    __m256i bias;

    QM_TARGET_AVX2 PairLifts()
    {
        static constexpr std::array<std::array<int8_t, 64>, 6> kLift{LiftControl(0), LiftControl(1), LiftControl(2),
                                                                     LiftControl(3), LiftControl(4), LiftControl(5)};
        for (int b = 0; b < 6; ++b) {
            lift[b] = Control(kLift[b]);
        }
        bias = _mm256_set1_epi64x(static_cast<int64_t>(kBiasBits));
    }
    [[gnu::always_inline]] QM_TARGET_AVX2 __m256i Pairs(const uint8_t* row, const int32_t* offsets) const
    {
        return _mm256_blend_epi16(LoadPairs(row, offsets), bias, 0x88);
    }
    [[gnu::always_inline]] QM_TARGET_AVX2 __v4df Lifted(const __m256i& pairs, int byte) const
    {
        return _mm256_castsi256_pd(_mm256_shuffle_epi8(pairs, lift[byte]));
    }
};

// The terms of four pixels' three channels (TermsOfBiased, some of its subtractions on
// the multiply units).
[[gnu::always_inline]] QM_TARGET_AVX2 inline void FourPixelTerms(const PairLifts& lifts, const __m256i& upper,
                                                                 const __m256i& lower,
                                                                 BilinearTerms<__v4df> (&terms)[3])
{
#pragma GCC unroll 3
    for (int c = 0; c < 3; ++c) {
        const __v4df a = lifts.Lifted(upper, c), b = lifts.Lifted(upper, c + 3);
        const __v4df below = lifts.Lifted(lower, c), belowRight = lifts.Lifted(lower, c + 3);
        terms[c].right = Minus(b, a);
        terms[c].down = Minus(below, a);
        terms[c].cross = (belowRight - below) - terms[c].right;
        terms[c].a = a - kBias;
    }
}

// BilinearValue with its last addition on the multiply units.
[[gnu::always_inline]] QM_TARGET_AVX2 inline __v4df FourPixelValue(const BilinearTerms<__v4df>& terms, const __v4df& fx,
                                                                   const __v4df& fy)
{
    const __v4df t = (terms.cross * fy + terms.right) * fx;
    return Plus(t + terms.down * fy, terms.a);
}

// Four pixels' truncated channels as their 12 bytes, at the start of the register.
QM_TARGET_AVX2 inline __m128i PackFour(const __v4df (&values)[3])
{
    // The values lie in (-1, 256): truncation is all that ClampToByte does to them.
    const __m128i blueGreen = _mm_packs_epi32(_mm256_cvttpd_epi32(values[0]), _mm256_cvttpd_epi32(values[1]));
    const __m128i red = _mm256_cvttpd_epi32(values[2]);
    const __m128i planes = _mm_packus_epi16(blueGreen, _mm_packs_epi32(red, red));  // b0..b3 g0..g3 r0..r3
    return _mm_shuffle_epi8(planes, _mm_setr_epi8(0, 4, 8, 1, 5, 9, 2, 6, 10, 3, 7, 11, -1, -1, -1, -1));
}

// Stores four pixels; `spill` allows 16 bytes, the last four landing on pixels written after.
QM_TARGET_AVX2 inline void StoreFour(uint8_t* out, __m128i bytes, bool spill)
{
    if (spill) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), bytes);
        return;
    }
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out), bytes);
    const int32_t last = _mm_extract_epi32(bytes, 2);
    std::memcpy(out + 8, &last, 4);
}

// A lone row whose fy is 0: the formula's terms in fy are signed zeros, which change no
// byte, so the value is (B - A) fx + A and the lower row is not read.
QM_TARGET_AVX2 int32_t InterpolateTopRowAvx2(const RowSamples& rows, const ColumnSamples& columns, int32_t first,
                                             int32_t last)
{
    const PairLifts lifts;
    const uint8_t* top = rows.top;
    uint8_t* out = rows.out[0];
    int32_t j = first;
    for (; j + 4 <= last; j += 4) {
        const __v4df fx = _mm256_loadu_pd(columns.fraction + j);
        const __m256i upper = lifts.Pairs(top, columns.offset + j);
        __v4df values[3];
#pragma GCC unroll 3
        for (int c = 0; c < 3; ++c) {
            const __v4df a = lifts.Lifted(upper, c);
            values[c] = Plus(Minus(lifts.Lifted(upper, c + 3), a) * fx, a - kBias);
        }
        StoreFour(out + 3 * int64_t{j}, PackFour(values), j + 6 <= last);
    }
    return j;
}

QM_TARGET_AVX2 void InterpolateAvx2(const RowSamples& rows, const ColumnSamples& columns, int32_t first, int32_t last)
{
    int32_t j = first;
    if (rows.count == 1 && rows.fraction[0] == 0.0) {
        j = InterpolateTopRowAvx2(rows, columns, first, last);
    } else {
        const PairLifts lifts;
        __v4df fy[RowSamples::kMostRows];
        uint8_t* out[RowSamples::kMostRows];
        for (int r = 0; r < rows.count; ++r) {
            fy[r] = _mm256_set1_pd(rows.fraction[r]);
            out[r] = rows.out[r];
        }
        const uint8_t* top = rows.top;
        const uint8_t* bottom = rows.bottom;
        for (; j + 4 <= last; j += 4) {
            const __v4df fx = _mm256_loadu_pd(columns.fraction + j);
            BilinearTerms<__v4df> terms[3];
            FourPixelTerms(lifts, lifts.Pairs(top, columns.offset + j), lifts.Pairs(bottom, columns.offset + j), terms);
            for (int r = 0; r < rows.count; ++r) {
                __v4df values[3];
#pragma GCC unroll 3
                for (int c = 0; c < 3; ++c) {
                    values[c] = FourPixelValue(terms[c], fx, fy[r]);
                }
                StoreFour(out[r] + 3 * int64_t{j}, PackFour(values), j + 6 <= last);
            }
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
    static const ScaleRowKernels kernels{GatherPixelsAvx2, BlendRowsAvx2, InterpolateAvx2, InterpolateDyadicAvx2,
                                         nullptr};
    return kernels;
}
