// The fast paths against the plain per-pixel definitions, byte for byte, at every
// instruction set level this processor supports. Randomised cases name their seed;
// QM_TEST_SEED=<seed> reruns one.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <random>
#include <vector>

#include "image/resample.h"
#include "image/skin_overlay.h"
#include "tests/image/reference_ops.h"

namespace {

using image_test::CaseSeed;
using image_test::Filled;
using image_test::FirstDifference;
using image_test::RandomImage;
using image_test::Randomise;
using image_test::SameImage;

constexpr uint8_t kSentinel = 0xA5;

class KernelTest : public ::testing::TestWithParam<SimdLevel> {
protected:
    image_test::ScopedSimdLevel level_{GetParam()};
};

INSTANTIATE_TEST_SUITE_P(Levels, KernelTest, ::testing::ValuesIn(image_test::SupportedLevels()),
                         [](const ::testing::TestParamInfo<SimdLevel>& info) {
                             return image_test::LevelName(info.param);
                         });

struct Size {
    int32_t width, height;
};

// Runs check(size, random) for each size with a random generator seeded for that case,
// naming the seed and the size on failure.
template <typename Check>
void ForEachSize(std::initializer_list<Size> sizes, int firstCase, Check check)
{
    int index = firstCase;
    for (const Size size : sizes) {
        const uint32_t seed = CaseSeed(index++);
        SCOPED_TRACE(::testing::Message() << "seed " << seed << ": " << size.width << "x" << size.height);
        std::mt19937 random(seed);
        check(size, random);
    }
}

// Palette images (a few colours) are a third of the cases: their neighbour differences
// repeat, which puts many channel values on whole numbers in exact arithmetic, where
// only the double formula's rounding decides the truncation.
void ExpectResizeMatches(Size from, Size to, uint32_t seed, bool prefilled, int palette = -1)
{
    SCOPED_TRACE(::testing::Message() << "seed " << seed << ": " << from.width << "x" << from.height << " to "
                                      << to.width << "x" << to.height);
    std::mt19937 random(seed);
    const DibImage source = RandomImage(from.width, from.height, random,
                                        palette >= 0    ? palette
                                        : seed % 3 == 0 ? 4
                                                        : 0);
    DibImage expected = prefilled ? Filled(to.width, to.height, kSentinel) : DibImage();
    DibImage actual = prefilled ? Filled(to.width, to.height, kSentinel) : DibImage();
    reference::Resize(source, expected, to.width, to.height);
    ResizeImage(source, actual, to.width, to.height);
    EXPECT_TRUE(SameImage(expected, actual)) << FirstDifference(expected, actual);
}

TEST_P(KernelTest, ResizeMatchesTheWarpFormulaAtChosenSizes)
{
    const Size pairs[][2] = {
        {{640, 480}, {320, 240}}, {{1280, 720}, {320, 240}}, {{1920, 1080}, {320, 240}}, {{641, 481}, {320, 240}},
        {{160, 120}, {320, 240}}, {{176, 144}, {320, 240}},  {{320, 480}, {320, 240}},   {{352, 288}, {320, 240}},
        {{1, 1}, {320, 240}},     {{5, 2}, {320, 240}},      {{641, 481}, {1, 1}},       {{641, 481}, {5, 2}},
        {{5, 2}, {641, 481}},     {{2, 2}, {3, 3}},          {{960, 540}, {320, 240}},   {{2400, 3}, {1100, 2}},
        {{320, 240}, {640, 480}}, {{33, 65}, {22, 26}},      {{7, 9}, {7, 4}},
    };
    int index = 0;
    for (const auto& pair : pairs) {
        ExpectResizeMatches(pair[0], pair[1], CaseSeed(index), index % 2 == 0);
        ++index;
    }
}

// The camera sizes the display image is made from, and odd widths beside the ones whose
// factor is not a binary fraction, each into a destination full of a sentinel, so that a
// pixel written where the formula writes none shows.
TEST_P(KernelTest, ResizeMatchesTheWarpFormulaAtCameraSizes)
{
    const Size cameras[] = {{800, 600},  {1024, 768}, {352, 288},  {1280, 960},  {1600, 1200}, {176, 144},
                            {160, 120},  {640, 480},  {1280, 720}, {1920, 1080}, {1024, 576},  {960, 540},
                            {1023, 577}, {351, 289},  {177, 143},  {961, 541},   {1601, 1199}};
    int index = 500;
    for (const Size camera : cameras) {
        for (const int palette : {0, 4}) {
            ExpectResizeMatches(camera, {320, 240}, CaseSeed(index++), true, palette);
        }
    }
}

// Sizes where the fast paths change strategy: several destination rows per source row
// (some of them exact in integers, some not), destinations wider than one column chunk,
// and source steps so long that few neighbour pairs share a window.
TEST_P(KernelTest, ResizeMatchesTheWarpFormulaWhereThePathsChange)
{
    const Size pairs[][2] = {
        {{40, 30}, {320, 240}},
        {{160, 144}, {320, 240}},
        {{176, 120}, {320, 240}},
        {{700, 50}, {1100, 60}},
        {{1000, 9}, {1600, 7}},
        {{1930, 1090}, {320, 240}},
        {{1900, 1000}, {320, 240}},
        {{2500, 300}, {97, 50}},
        {{7000, 5}, {100, 3}},
        {{321, 241}, {320, 240}},
        {{319, 239}, {320, 240}},
        {{4, 4}, {11, 13}},
        // Blocks of seven columns (a step of 6.3), more than a chunk's plan holds; three
        // chunks; windows that reach the end of the row.
        {{3150, 10}, {500, 5}},
        {{5000, 7}, {1100, 3}},
        {{130, 4}, {100, 3}},
        {{43, 6}, {40, 5}},
        // Every row's fy 0 and every column's fx not a binary fraction: rows from their
        // upper source row alone.
        {{1024, 480}, {320, 240}},
        {{1023, 478}, {320, 239}},
        {{176, 240}, {320, 240}},
    };
    int index = 600;
    for (const auto& pair : pairs) {
        ExpectResizeMatches(pair[0], pair[1], CaseSeed(index++), true);
    }
}

// Random sizes, and scale factors that are whole, multiples of 1/2^p (down, up, or in one
// direction only) and arbitrary.
TEST_P(KernelTest, ResizeMatchesTheWarpFormulaAtRandomScales)
{
    for (int index = 0; index < 100; ++index) {
        const uint32_t seed = CaseSeed(1000 + index);
        std::mt19937 random(seed);
        const auto pick = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
        Size to{pick(1, 300), pick(1, 200)};
        Size from{pick(1, 700), pick(1, 500)};
        switch (index % 5) {
        case 0:  // whole factors
            from = Size{to.width * pick(1, 6), to.height * pick(1, 6)};
            break;
        case 1:  // factors a / 2^p, up or down
            to = Size{8 * pick(1, 37), 8 * pick(1, 25)};
            from = Size{to.width * pick(1, 24) >> pick(0, 3), to.height * pick(1, 24) >> pick(0, 3)};
            break;
        case 2:  // a / 2^p across, arbitrary down
            to.width = 64 * pick(1, 5);
            from.width = to.width * pick(1, 160) / 64;
            break;
        case 3:  // enlargements
            from = Size{pick(2, to.width), pick(2, to.height)};
            break;
        default: break;
        }
        from = Size{std::max(from.width, 1), std::max(from.height, 1)};
        ExpectResizeMatches(from, to, seed, index % 4 != 0);
    }
}

// Whole-column steps at every short width: the gathered row is the last one in the
// source's memory and its last pixel ends the buffer when the row has no padding, so
// a read past the last neighbour pair shows under the address sanitizer.
TEST_P(KernelTest, ResizeGathersEveryWidthUpToTheEndOfTheSource)
{
    int index = 2000;
    for (int32_t step = 1; step <= 6; ++step) {
        for (int32_t width = 1; width <= 50; ++width) {
            ExpectResizeMatches({step * width, 2}, {width, 1}, CaseSeed(index++), true);
        }
    }
}

// The decision of the mask against the plain conversion, on every colour: the colours
// of one red value form a 256 x 256 image, blue along the columns and green down the rows.
TEST_P(KernelTest, MaskMatchesThePlainFormulaOnEveryColour)
{
    static const std::vector<YCbCrPixel> converted = [] {
        std::vector<YCbCrPixel> all(1 << 24);
        for (uint32_t c = 0; c < all.size(); ++c) {
            all[c] = reference::ToYCbCr(static_cast<uint8_t>(c), static_cast<uint8_t>(c >> 8),
                                        static_cast<uint8_t>(c >> 16));
        }
        return all;
    }();
    std::mt19937 random(CaseSeed(2000));
    std::vector<std::pair<YCbCrPixel, YCbCrPixel>> boxes = {
        {{0, 77, 133}, {255, 127, 177}},  // the skin box
        {{0, 0, 0}, {255, 255, 255}},
        {{255, 255, 255}, {0, 0, 0}},
        {{120, 127, 127}, {125, 129, 129}},
    };
    for (int k = 0; k < 2; ++k) {
        const auto bound = [&](int low, int high) { return static_cast<uint8_t>(low + random() % (high - low + 1)); };
        const YCbCrPixel lower{bound(0, 200), bound(0, 200), bound(0, 200)};
        boxes.push_back({lower, {bound(lower.y + 1, 255), bound(lower.cb + 1, 255), bound(lower.cr + 1, 255)}});
    }
    const BgrPixel inside{1, 2, 3}, outside{4, 5, 6};
    DibImage colours = Filled(256, 256, 0);
    DibImage mask;
    for (const auto& [lower, upper] : boxes) {
        SCOPED_TRACE(::testing::Message() << "box " << int{lower.y} << "," << int{lower.cb} << "," << int{lower.cr}
                                          << " to " << int{upper.y} << "," << int{upper.cb} << "," << int{upper.cr});
        int mismatches = 0;
        for (int red = 0; red < 256; ++red) {
            for (int green = 0; green < 256; ++green) {
                uint8_t* row = colours.Row(green);
                for (int blue = 0; blue < 256; ++blue) {
                    row[3 * blue] = static_cast<uint8_t>(blue);
                    row[3 * blue + 1] = static_cast<uint8_t>(green);
                    row[3 * blue + 2] = static_cast<uint8_t>(red);
                }
            }
            YCbCrRangeMask(colours, mask, lower, upper, inside, outside);
            for (int green = 0; green < 256 && mismatches < 5; ++green) {
                for (int blue = 0; blue < 256 && mismatches < 5; ++blue) {
                    const YCbCrPixel c = converted[blue | green << 8 | red << 16];
                    const uint8_t expected = reference::Inside(c, lower, upper) ? inside.b : outside.b;
                    if (mask.Row(green)[3 * blue] != expected) {
                        ADD_FAILURE() << "colour " << blue << "," << green << "," << red;
                        ++mismatches;
                    }
                }
            }
        }
    }
}

TEST_P(KernelTest, MaskMatchesOnRandomImages)
{
    ForEachSize({{1, 1},
                 {5, 2},
                 {7, 3},
                 {8, 1},
                 {9, 2},
                 {16, 3},
                 {17, 5},
                 {21, 2},
                 {22, 3},
                 {37, 2},
                 {38, 3},
                 {641, 481},
                 {320, 240}},
                3000, [](Size size, std::mt19937& random) {
                    const DibImage source = RandomImage(size.width, size.height, random);
                    const auto bound = [&](int low, int span) { return static_cast<uint8_t>(low + random() % span); };
                    const YCbCrPixel lower{bound(0, 100), bound(0, 128), bound(0, 128)};
                    const YCbCrPixel upper{bound(155, 100), bound(128, 128), bound(128, 128)};
                    DibImage expected = Filled(size.width, size.height, kSentinel);
                    DibImage actual = Filled(size.width, size.height, kSentinel);
                    reference::Mask(source, expected, lower, upper, BgrPixel{255, 255, 255}, BgrPixel{0, 0, 0});
                    YCbCrRangeMask(source, actual, lower, upper, BgrPixel{255, 255, 255}, BgrPixel{0, 0, 0});
                    EXPECT_TRUE(SameImage(expected, actual)) << FirstDifference(expected, actual);
                });
}

void ExpectCentroidMatches(const DibImage& image, BgrPixel colour)
{
    double expectedX = 0.25, expectedY = 0.25, x = 0.25, y = 0.25;
    reference::Centroid(image, colour, expectedX, expectedY);
    ColourCentroid(image, colour, x, y);
    EXPECT_EQ(expectedX, x);
    EXPECT_EQ(expectedY, y);
}

// Grey pixels of value v have a luma numerator of exactly 100000 v, so with a lower luma
// bound of v - 1 they lie on the bound, where only the double formula decides. Scattered
// among random pixels at widths around the vector blocks and batches, they make the fast
// paths settle such pixels in some blocks and batches and not in their neighbours.
TEST_P(KernelTest, MaskMatchesWherePixelsLieOnABound)
{
    constexpr uint8_t kGrey = 90;
    const YCbCrPixel lower{kGrey - 1, 100, 100}, upper{255, 150, 150};
    int index = 3100;
    for (const int32_t width : {1, 7, 8, 11, 19, 20, 63, 64, 65, 71, 72, 127, 128, 129, 200}) {
        const uint32_t seed = CaseSeed(index++);
        SCOPED_TRACE(::testing::Message() << "seed " << seed << ": width " << width);
        std::mt19937 random(seed);
        DibImage source = RandomImage(width, 3, random);
        for (int32_t y = 0; y < 3; ++y) {
            for (int32_t x = 0; x < width; ++x) {
                if (random() % (y + 2) == 0) {  // every second, third and fourth pixel by row
                    image_test::SetPixel(source, x, y, BgrPixel{kGrey, kGrey, kGrey});
                }
            }
        }
        DibImage expected = Filled(width, 3, kSentinel);
        DibImage actual = Filled(width, 3, kSentinel);
        reference::Mask(source, expected, lower, upper, BgrPixel{255, 255, 255}, BgrPixel{0, 0, 0});
        YCbCrRangeMask(source, actual, lower, upper, BgrPixel{255, 255, 255}, BgrPixel{0, 0, 0});
        EXPECT_TRUE(SameImage(expected, actual)) << FirstDifference(expected, actual);
    }
}

TEST_P(KernelTest, CentroidMatchesOnRandomImages)
{
    ForEachSize({{1, 1}, {5, 2}, {8, 3}, {9, 4}, {15, 2}, {22, 3}, {31, 7}, {38, 2}, {641, 481}, {320, 240}}, 4000,
                [](Size size, std::mt19937& random) {
                    const DibImage image = RandomImage(size.width, size.height, random, 3);
                    ExpectCentroidMatches(image, image_test::PixelOf(image, size.width / 2, size.height / 2));
                    ExpectCentroidMatches(image, BgrPixel{1, 2, 3});  // most likely absent
                });
}

// Rows wider than any image SetSize makes, which a header from elsewhere may describe.
TEST_P(KernelTest, CentroidMatchesOnAVeryWideRow)
{
    BITMAPINFO info;
    MakeInfo24(1, 1, &info);
    info.bmiHeader.biWidth = 200003;
    info.bmiHeader.biHeight = 2;
    info.bmiHeader.biSizeImage = static_cast<uint32_t>(2 * DibStride(200003));
    DibImage image(&info);
    ASSERT_TRUE(image.HasRows());
    std::mt19937 random(CaseSeed(4100));
    Randomise(image, random, 2);
    ExpectCentroidMatches(image, image_test::PixelOf(image, 0, 0));
}

TEST_P(KernelTest, BlitMatchesAtRandomPositions)
{
    const BgrPixel key{255, 0, 0};
    for (int index = 0; index < 40; ++index) {
        const uint32_t seed = CaseSeed(5000 + index);
        std::mt19937 random(seed);
        const auto pick = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
        const Size screen{pick(1, 330), pick(1, 250)}, logo{pick(1, 120), pick(1, 120)};
        int x = pick(-logo.width - 2, screen.width + 2), y = pick(-logo.height - 2, screen.height + 2);
        if (index % 10 == 9) {
            x = index % 20 == 9 ? INT_MIN + pick(0, 5) : INT_MAX - pick(0, 5);
        }
        SCOPED_TRACE(::testing::Message() << "seed " << seed << ": " << logo.width << "x" << logo.height << " at " << x
                                          << "," << y << " onto " << screen.width << "x" << screen.height);
        DibImage source = RandomImage(logo.width, logo.height, random, 3);
        for (int k = 0; k < logo.width * logo.height / 2; ++k) {  // key runs and single key pixels
            image_test::SetPixel(source, pick(0, logo.width - 1), pick(0, logo.height - 1), key);
        }
        DibImage expected = RandomImage(screen.width, screen.height, random);
        DibImage actual = expected;
        reference::Blit(expected, source, x, y, key);
        KeyedBlit(actual, source, x, y, key);
        EXPECT_TRUE(SameImage(expected, actual)) << FirstDifference(expected, actual);
    }
}

// A logo far wider than the screen costs only the columns that land on it.
TEST_P(KernelTest, BlitOfAHugeLogoMatches)
{
    std::mt19937 random(CaseSeed(5100));
    const DibImage source = RandomImage(65536, 3, random, 2);
    for (const int x : {-65300, -65535, -100, 200}) {
        DibImage expected = Filled(320, 240, kSentinel), actual = Filled(320, 240, kSentinel);
        reference::Blit(expected, source, x, 17, BgrPixel{0, 0, 0});
        KeyedBlit(actual, source, x, 17, BgrPixel{0, 0, 0});
        EXPECT_TRUE(SameImage(expected, actual)) << x << ": " << FirstDifference(expected, actual);
    }
}

}  // namespace
