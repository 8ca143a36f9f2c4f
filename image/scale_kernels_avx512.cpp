// The resampling row kernels on AVX-512. Their pixels come out of source row windows of
// up to 128 bytes with one byte permutation each: the gather picks a block of pixels at
// once, and the interpolating kernels pick the neighbour pairs of up to eight pixels.
#include "image/scale_kernels.h"

#include <algorithm>
#include <array>
#include <type_traits>

#include "image/avx512_intrinsics.h"
#include "image/bilinear_formula.h"

namespace {

constexpr int64_t kWindow = 128;

QM_TARGET_AVX512 __mmask64 FirstBytes(int64_t n)
{
    return _bzhi_u64(~uint64_t{0}, static_cast<unsigned>(n));
}

QM_TARGET_AVX512 __mmask8 FirstLanes(int32_t n)
{
    return static_cast<__mmask8>((1u << n) - 1);
}

QM_TARGET_AVX512 __m512i Control(const std::array<int8_t, 64>& bytes)
{
    return _mm512_loadu_si512(bytes.data());
}

// The first `span` bytes (at most kWindow) from `in` as a 128-byte table for
// vpermt2b, the rest zero; nothing past them is read.
struct Window {
    __m512i low, high;
};
[[gnu::always_inline]] QM_TARGET_AVX512 inline Window LoadWindow(const uint8_t* in, int64_t span)
{
    return {_mm512_maskz_loadu_epi8(FirstBytes(std::min<int64_t>(span, 64)), in),
            span > 64 ? _mm512_maskz_loadu_epi8(FirstBytes(span - 64), in + 64) : _mm512_setzero_si512()};
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
    constexpr int64_t kMostPixels = 21;        // 21 pixels fill 63 bytes of a register
    if (stride + 3 > kWindow) {
        BaselineScaleRowKernels().gather(source, step, count, out);  // one pixel per window: no gain
        return;
    }
    const int64_t perBlock = std::min<int64_t>(kMostPixels, (kWindow - 3) / stride + 1);
    const __m512i pick = GatherControl(stride);
    const auto gatherBlock = [&](int64_t j, int64_t n) QM_TARGET_AVX512 {
        const Window window = LoadWindow(source + stride * j, stride * (n - 1) + 3);
        _mm512_mask_storeu_epi8(out + 3 * j, FirstBytes(3 * n),
                                _mm512_permutex2var_epi8(window.low, pick, window.high));
    };
    int64_t j = 0;
    for (; j + perBlock <= count; j += perBlock) {
        gatherBlock(j, perBlock);
    }
    if (j < count) {
        gatherBlock(j, count - j);
    }
}

// ---- neighbour pairs of up to eight pixels, one to a 64-bit lane

// Calls block(j, n) for consecutive blocks of n pixels whose pairs lie in one window.
// Where at least three more pixels follow a block of eight, n is the constant 8: such a
// block may store 32 bytes for its 24, since the pixels it spills onto are written
// after it.
using FullBlock = std::integral_constant<int32_t, 8>;
template <typename Block>
[[gnu::always_inline]] inline void ForEachBlock(const int32_t* offsets, int32_t first, int32_t last, Block block)
{
    constexpr int32_t kPairReach = kWindow - 6;  // the furthest start of a pair in a window
    for (int32_t j = first; j < last;) {
        if (last - j >= FullBlock::value + 3 && offsets[j + 7] - offsets[j] <= kPairReach) {
            block(j, FullBlock{});
            j += FullBlock::value;
            continue;
        }
        int32_t n = std::min<int32_t>(FullBlock::value, last - j);
        while (offsets[j + n - 1] - offsets[j] > kPairReach) {
            --n;
        }
        block(j, n);
        j += n;
    }
}

// Stores a block's 3 n bytes from the start of `bytes`.
QM_TARGET_AVX512 void StoreBlock(uint8_t* out, __m512i bytes, FullBlock)
{
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), _mm512_castsi512_si256(bytes));
}
QM_TARGET_AVX512 void StoreBlock(uint8_t* out, __m512i bytes, int32_t n)
{
    _mm512_mask_storeu_epi8(out, FirstBytes(3 * int64_t{n}), bytes);
}

// Byte b of lane p of the pattern says which pair byte goes there.
constexpr std::array<int8_t, 64> PairPattern(const std::array<int, 6>& order)
{
    std::array<int8_t, 64> pattern{};
    for (int k = 0; k < 64; ++k) {
        pattern[k] = static_cast<int8_t>(k % 8 < 6 ? order[k % 8] : 0);
    }
    return pattern;
}

// The vpermt2b control that fills bytes 0 to 5 of lane p with pair bytes of pixel p,
// in the pattern's order, from a window that starts at pixel 0's pair.
struct PairBlock {
    __m512i control;
    int64_t span;  // window bytes the pairs need
};
[[gnu::always_inline]] QM_TARGET_AVX512 inline PairBlock MakePairBlock(const int32_t* offsets, int32_t n,
                                                                       const __m512i& pattern)
{
    // Byte 4p of the relative offsets (lane p's low byte) to every byte of lane p.
    static constexpr std::array<int8_t, 64> kSpread = [] {
        std::array<int8_t, 64> spread{};
        for (int k = 0; k < 64; ++k) {
            spread[k] = static_cast<int8_t>(k / 8 * 4);
        }
        return spread;
    }();
    const __m256i relative =
        _mm256_sub_epi32(_mm256_maskz_loadu_epi32(FirstLanes(n), offsets), _mm256_set1_epi32(offsets[0]));
    const __m512i spread = _mm512_permutexvar_epi8(Control(kSpread), _mm512_castsi256_si512(relative));
    return {_mm512_add_epi8(spread, pattern), offsets[n - 1] - offsets[0] + 6};
}

// The pairs of a block from one source row; bytes 6 and 7 of each lane are zero.
[[gnu::always_inline]] QM_TARGET_AVX512 inline __m512i LoadPairs(const uint8_t* row, const PairBlock& block)
{
    const Window window = LoadWindow(row, block.span);
    return _mm512_maskz_permutex2var_epi8(0x3F3F3F3F3F3F3F3F, window.low, block.control, window.high);
}

// Bytes 3p + c of the result: byte c * channelStep of lane p of `lanes`, whose lanes are
// laneBytes wide; the remaining bytes are zero.
constexpr std::array<int8_t, 64> PixelBytes(int laneBytes, int channelStep)
{
    std::array<int8_t, 64> control{};
    for (int k = 0; k < 24; ++k) {
        control[k] = static_cast<int8_t>(k / 3 * laneBytes + k % 3 * channelStep);
    }
    return control;
}

QM_TARGET_AVX512 void InterpolateUnplannedAvx512(const RowSamples& rows, const ColumnSamples& columns, int32_t first,
                                                 int32_t last)
{
    static constexpr std::array<std::array<int8_t, 64>, 6> kLift{LiftControl(0), LiftControl(1), LiftControl(2),
                                                                 LiftControl(3), LiftControl(4), LiftControl(5)};
    static constexpr std::array<int8_t, 64> kPairOrder = PairPattern({0, 1, 2, 3, 4, 5});
    static constexpr std::array<int8_t, 64> kPack = PixelBytes(8, 1);
    const __m512i lift[6] = {Control(kLift[0]), Control(kLift[1]), Control(kLift[2]),
                             Control(kLift[3]), Control(kLift[4]), Control(kLift[5])};
    const __m512i pairOrder = Control(kPairOrder);
    const __m512i pack = Control(kPack);
    const __m512i bias = _mm512_set1_epi64(static_cast<int64_t>(kBiasBits));
    __m512d fy[RowSamples::kMostRows];
    for (int r = 0; r < rows.count; ++r) {
        fy[r] = _mm512_set1_pd(rows.fraction[r]);
    }
    const uint8_t* top = rows.top;
    const uint8_t* bottom = rows.bottom;
    ForEachBlock(columns.offset, first, last, [&](int32_t j, auto n) QM_TARGET_AVX512 {
        const PairBlock block = MakePairBlock(columns.offset + j, n, pairOrder);
        const __m512i upper = _mm512_or_si512(LoadPairs(top + columns.offset[j], block), bias);
        const __m512i lower = _mm512_or_si512(LoadPairs(bottom + columns.offset[j], block), bias);
        const __m512d fx = _mm512_maskz_loadu_pd(FirstLanes(n), columns.fraction + j);
        const auto lifted = [&](const __m512i& pairs, int byte) QM_TARGET_AVX512 {
            return _mm512_castsi512_pd(_mm512_shuffle_epi8(pairs, lift[byte]));
        };
        BilinearTerms<__v8df> terms[3];
#pragma GCC unroll 3
        for (int c = 0; c < 3; ++c) {
            TermsOfBiased(lifted(upper, c), lifted(upper, c + 3), lifted(lower, c), lifted(lower, c + 3), terms[c]);
        }
        for (int r = 0; r < rows.count; ++r) {
            __m512i channels[3];
#pragma GCC unroll 3
            for (int c = 0; c < 3; ++c) {
                __m512d value;
                BilinearValue(terms[c], fx, fy[r], value);
                // The value lies in (-1, 256): truncation is all that ClampToByte does to it.
                channels[c] = _mm512_cvttpd_epi64(value);
            }
            const __m512i pixels = _mm512_ternarylogic_epi64(channels[0], _mm512_slli_epi64(channels[1], 8),
                                                             _mm512_slli_epi64(channels[2], 16), 0xFE);  // a | b | c
            StoreBlock(rows.out[r] + 3 * int64_t{j}, _mm512_permutexvar_epi8(pack, pixels), n);
        }
    });
}

// The plan of the interpolating kernel: the blocks ForEachBlock makes, up to the plan's
// capacity, with their lift controls.
QM_TARGET_AVX512 void PlanBlocksAvx512(const ColumnSamples& columns, int32_t count, int64_t rowBytes,
                                       WindowBlocks* plan)
{
    // Byte 0 of each lane from the window, bytes 6 and 7 the bias bits, the rest zero.
    static constexpr std::array<int8_t, 64> kPattern = [] {
        std::array<int8_t, 64> pattern{};
        for (int k = 0; k < 64; ++k) {
            pattern[k] = static_cast<int8_t>(k % 8 == 6 ? kBiasBits >> 48 & 0xFF : k % 8 == 7 ? kBiasBits >> 56 : 0);
        }
        return pattern;
    }();
    const __m512i pattern = Control(kPattern);
    plan->count = 0;
    plan->end = 0;
    ForEachBlock(columns.offset, 0, count, [&](int32_t j, auto n) QM_TARGET_AVX512 {
        if (plan->count == WindowBlocks::kMostBlocks || plan->end != j) {
            return;
        }
        WindowBlock& block = plan->block[plan->count++];
        const PairBlock pairs = MakePairBlock(columns.offset + j, n, pattern);
        // Byte 0 of each lane indexes the window (lanes beyond the block read some byte of
        // it, and their values are never stored); bytes 1 to 5 stay zero.
        const __m512i control = _mm512_mask_mov_epi8(pattern, 0x0101010101010101, pairs.control);
        for (int b = 0; b < 6; ++b) {
            _mm512_store_si512(block.lift[b], _mm512_mask_add_epi8(control, 0x0101010101010101, control,
                                                                   _mm512_set1_epi8(static_cast<char>(b))));
        }
        block.first = j;
        block.count = n;
        block.span = static_cast<int32_t>(pairs.span);
        block.full = std::is_same_v<decltype(n), FullBlock>;
        block.inside = columns.offset[j] + kWindow <= rowBytes;
        plan->end = j + n;
    });
}

// Byte 3p + c of a block's pixels comes from byte 8p of channel c's truncated values:
// blue and green from the two tables of a vpermt2b, then red into every third byte.
constexpr std::array<int8_t, 64> kBlueGreen = [] {
    std::array<int8_t, 64> control{};
    for (int k = 0; k < 24; ++k) {
        control[k] = static_cast<int8_t>(k / 3 * 8 + (k % 3 == 1 ? 64 : 0));
    }
    return control;
}();
constexpr std::array<int8_t, 64> kRed = PixelBytes(8, 0);
constexpr __mmask64 kRedBytes = 0x924924;  // bytes 3p + 2 of eight pixels

// A planned block's window of one source row, whole registers when the row holds them.
[[gnu::always_inline]] QM_TARGET_AVX512 inline Window ReadWindow(const uint8_t* row, const WindowBlock& block)
{
    return block.inside ? Window{_mm512_loadu_si512(row), _mm512_loadu_si512(row + 64)} : LoadWindow(row, block.span);
}

// Pair byte `byte` of each of the block's pixels, straight from the window to a biased double.
[[gnu::always_inline]] QM_TARGET_AVX512 inline __m512d Lifted(const Window& window, const WindowBlock& block, int byte)
{
    constexpr __mmask64 kLowBytes = 0x0101010101010101;  // byte 0 of each 64-bit lane
    return _mm512_castsi512_pd(
        _mm512_mask2_permutex2var_epi8(window.low, _mm512_load_si512(block.lift[byte]), kLowBytes, window.high));
}

template <typename Count>
[[gnu::always_inline]] QM_TARGET_AVX512 inline __m512d Fractions(const double* fraction, Count n)
{
    if constexpr (std::is_same_v<Count, FullBlock>) {
        return _mm512_loadu_pd(fraction);
    } else {
        return _mm512_maskz_loadu_pd(FirstLanes(n), fraction);
    }
}

// The three channels' truncated values as the block's 3 n bytes.
template <typename Count>
[[gnu::always_inline]] QM_TARGET_AVX512 inline void StoreChannels(uint8_t* out, const __m512d (&values)[3], Count n)
{
    // The values lie in (-1, 256): truncation is all that ClampToByte does to them.
    const __m512i blue = _mm512_cvttpd_epi64(values[0]), green = _mm512_cvttpd_epi64(values[1]);
    const __m512i pixels = _mm512_mask_permutexvar_epi8(_mm512_permutex2var_epi8(blue, Control(kBlueGreen), green),
                                                        kRedBytes, Control(kRed), _mm512_cvttpd_epi64(values[2]));
    StoreBlock(out, pixels, n);
}

// The pixels of one planned block of n pixels, in every row of the group.
template <typename Count>
[[gnu::always_inline]] QM_TARGET_AVX512 inline void PlannedBlock(const RowSamples& rows, const WindowBlock& block,
                                                                 const ColumnSamples& columns, Count n,
                                                                 const __m512d (&fy)[RowSamples::kMostRows])
{
    const int32_t offset = columns.offset[block.first];
    const Window upper = ReadWindow(rows.top + offset, block);
    const Window lower = ReadWindow(rows.bottom + offset, block);
    BilinearTerms<__v8df> terms[3];
#pragma GCC unroll 3
    for (int c = 0; c < 3; ++c) {
        TermsOfBiased(Lifted(upper, block, c), Lifted(upper, block, c + 3), Lifted(lower, block, c),
                      Lifted(lower, block, c + 3), terms[c]);
    }
    const __m512d fx = Fractions(columns.fraction + block.first, n);
    for (int r = 0; r < rows.count; ++r) {
        __m512d values[3];
#pragma GCC unroll 3
        for (int c = 0; c < 3; ++c) {
            BilinearValue(terms[c], fx, fy[r], values[c]);
        }
        StoreChannels(rows.out[r] + 3 * int64_t{block.first}, values, n);
    }
}

// The pixels of one planned block in a lone row whose fy is 0. The formula's terms in fy
// are then signed zeros, which change no byte: the value is (B - A) fx + A, and the
// lower row is not read.
template <typename Count>
[[gnu::always_inline]] QM_TARGET_AVX512 inline void PlannedTopBlock(const RowSamples& rows, const WindowBlock& block,
                                                                    const ColumnSamples& columns, Count n)
{
    const Window upper = ReadWindow(rows.top + columns.offset[block.first], block);
    const __m512d fx = Fractions(columns.fraction + block.first, n);
    __m512d values[3];
#pragma GCC unroll 3
    for (int c = 0; c < 3; ++c) {
        const __m512d a = Lifted(upper, block, c);
        const __m512d right = Lifted(upper, block, c + 3) - a;
        values[c] = right * fx + (a - kBias);
    }
    StoreChannels(rows.out[0] + 3 * int64_t{block.first}, values, n);
}

// The planned blocks first, any columns the plan does not cover as they come.
QM_TARGET_AVX512 void InterpolateAvx512(const RowSamples& rows, const ColumnSamples& columns, int32_t first,
                                        int32_t last)
{
    const WindowBlocks* plan = columns.blocks;
    if (plan == nullptr || plan->count == 0 || first != 0 || plan->end > last) {
        InterpolateUnplannedAvx512(rows, columns, first, last);
        return;
    }
    __m512d fy[RowSamples::kMostRows];
    for (int r = 0; r < rows.count; ++r) {
        fy[r] = _mm512_set1_pd(rows.fraction[r]);
    }
    const bool topOnly = rows.count == 1 && rows.fraction[0] == 0.0;
    for (int b = 0; b < plan->count; ++b) {
        const WindowBlock& block = plan->block[b];
        if (topOnly && block.full) {
            PlannedTopBlock(rows, block, columns, FullBlock{});
        } else if (topOnly) {
            PlannedTopBlock(rows, block, columns, block.count);
        } else if (block.full) {
            PlannedBlock(rows, block, columns, FullBlock{}, fy);
        } else {
            PlannedBlock(rows, block, columns, block.count, fy);
        }
    }
    InterpolateUnplannedAvx512(rows, columns, plan->end, last);
}

QM_TARGET_AVX512 void InterpolateDyadicAvx512(const RowSamples& rows, const ColumnSamples& columns, int32_t first,
                                              int32_t last)
{
    static constexpr std::array<int8_t, 64> kPairOrder = PairPattern(kSideBySide);
    static constexpr std::array<int8_t, 64> kPack = PixelBytes(8, 2);
    const __m512i pairOrder = Control(kPairOrder);
    const __m512i pack = Control(kPack);
    __m512i rowWeights[RowSamples::kMostRows];
    for (int r = 0; r < rows.count; ++r) {
        rowWeights[r] = _mm512_set1_epi32(rows.weight[r] << 16 | (kRowUnit - rows.weight[r]));
    }
    const uint8_t* top = rows.top;
    const uint8_t* bottom = rows.bottom;
    ForEachBlock(columns.offset, first, last, [&](int32_t j, auto n) QM_TARGET_AVX512 {
        const PairBlock block = MakePairBlock(columns.offset + j, n, pairOrder);
        const __m512i weights = _mm512_maskz_loadu_epi64(FirstLanes(n), columns.weights + j);
        // A (64 - x) + B x and C (64 - x) + D x, at most 255 * 64 (no saturation), side
        // by side for the row weights.
        const __m512i upper = _mm512_maddubs_epi16(LoadPairs(top + columns.offset[j], block), weights);
        const __m512i lower = _mm512_maddubs_epi16(LoadPairs(bottom + columns.offset[j], block), weights);
        const __m512i low = _mm512_unpacklo_epi16(upper, lower), high = _mm512_unpackhi_epi16(upper, lower);
        for (int r = 0; r < rows.count; ++r) {
            const __m512i words =
                _mm512_packus_epi32(_mm512_srli_epi32(_mm512_madd_epi16(low, rowWeights[r]), kUnitShift),
                                    _mm512_srli_epi32(_mm512_madd_epi16(high, rowWeights[r]), kUnitShift));
            StoreBlock(rows.out[r] + 3 * int64_t{j}, _mm512_permutexvar_epi8(pack, words), n);
        }
    });
}

}  // namespace

const ScaleRowKernels& Avx512ScaleRowKernels()
{
    static const ScaleRowKernels kernels{GatherPixelsAvx512, Avx2ScaleRowKernels().blend, InterpolateAvx512,
                                         InterpolateDyadicAvx512, PlanBlocksAvx512};
    return kernels;
}
