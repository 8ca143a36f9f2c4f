// Once the images have their formats, one tick of frame processing (resize, mask,
// centroid, keyed blit) makes no heap allocation. The image library's own calls to
// malloc, calloc and realloc are counted through the linker's --wrap, and operator new
// is routed to malloc so that it is counted too.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <random>

#include "image/resample.h"
#include "image/skin_overlay.h"
#include "tests/image/reference_ops.h"

namespace {

int g_allocations = 0;
bool g_counting = false;

void Count()
{
    if (g_counting) {
        ++g_allocations;
    }
}

}  // namespace

extern "C" {
void* __real_malloc(size_t size);
void* __real_calloc(size_t count, size_t size);
void* __real_realloc(void* pointer, size_t size);
void* __wrap_malloc(size_t size)
{
    Count();
    return __real_malloc(size);
}
void* __wrap_calloc(size_t count, size_t size)
{
    Count();
    return __real_calloc(count, size);
}
void* __wrap_realloc(void* pointer, size_t size)
{
    Count();
    return __real_realloc(pointer, size);
}
}

void* operator new(size_t size)
{
    if (void* pointer = std::malloc(size > 0 ? size : 1)) {
        return pointer;
    }
    throw std::bad_alloc();
}
void* operator new[](size_t size)
{
    return operator new(size);
}
void* operator new(size_t size, const std::nothrow_t&) noexcept
{
    return std::malloc(size > 0 ? size : 1);
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept
{
    return std::malloc(size > 0 ? size : 1);
}
void operator delete(void* pointer) noexcept
{
    std::free(pointer);
}
void operator delete[](void* pointer) noexcept
{
    std::free(pointer);
}
void operator delete(void* pointer, size_t) noexcept
{
    std::free(pointer);
}
void operator delete[](void* pointer, size_t) noexcept
{
    std::free(pointer);
}

namespace {

struct Pipeline {
    DibImage display, mask, logo = image_test::Filled(100, 100, 255);

    void Tick(const DibImage& frame)
    {
        ResizeImage(frame, display, 320, 240);
        YCbCrRangeMask(display, mask, YCbCrPixel{0, 77, 133}, YCbCrPixel{255, 127, 177}, BgrPixel{255, 255, 255},
                       BgrPixel{0, 0, 0});
        double x = 0, y = 0;
        ColourCentroid(mask, BgrPixel{255, 255, 255}, x, y);
        KeyedBlit(display, logo, static_cast<int>(x - 50.0), static_cast<int>(y - 50.0), BgrPixel{255, 0, 0});
    }
};

TEST(TickAllocationTest, SteadyTicksAllocateNothing)
{
    for (const SimdLevel level : image_test::SupportedLevels()) {
        image_test::ScopedSimdLevel scoped(level);
        for (const auto& [width, height] : {std::pair{640, 480},
                                            {1280, 720},
                                            {1920, 1080},
                                            {800, 600},
                                            {1024, 768},
                                            {352, 288},
                                            {176, 144},
                                            {160, 120}}) {
            SCOPED_TRACE(::testing::Message() << image_test::LevelName(level) << " " << width << "x" << height);
            std::mt19937 random(static_cast<uint32_t>(width));
            const DibImage frame = image_test::RandomImage(width, height, random, 5);
            Pipeline pipeline;
            pipeline.Tick(frame);  // the first tick gives the display image and the mask their formats

            g_allocations = 0;
            g_counting = true;
            pipeline.Tick(frame);
            pipeline.Tick(frame);
            g_counting = false;
            EXPECT_EQ(0, g_allocations);
        }
    }
}

TEST(TickAllocationTest, TheCounterSeesTheImagesAllocations)
{
    DibImage image;
    g_allocations = 0;
    g_counting = true;
    image.SetSize(8, 8);
    g_counting = false;
    EXPECT_EQ(2, g_allocations);  // calloc for the pixels, new[] for the row table
}

}  // namespace
