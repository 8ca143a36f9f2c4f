#include "test_scene.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

struct SceneSize {
    int width, height, stride;
};

// The camera's renderer keeps the still background between frames and redraws only the
// head's box: every frame must still be the whole scene's bytes, padding included, also
// when the size changes between frames and when the head reaches the picture's edges.
TEST(TestSceneTest, TheRendererDrawsTheSceneBytesFrameAfterFrame)
{
    const SceneSize sizes[] = {{640, 480, 1920}, {161, 121, 484}, {33, 20, 112}, {640, 480, 1920},
                               {7, 9, 24},       {1, 40, 4},      {320, 7, 960}, {1023, 767, 3072}};
    test_scene::Renderer renderer;
    for (const SceneSize& size : sizes) {
        const size_t bytes = static_cast<size_t>(size.height) * size.stride;
        std::vector<uint8_t> expected(bytes), drawn(bytes, 0xA5);
        // A whole period of the head's path, sideways (150 frames) and up and down (110).
        for (int frame = 0; frame < 330; frame += 7) {
            test_scene::Render(expected.data(), size.width, size.height, size.stride, frame);
            renderer.Render(drawn.data(), size.width, size.height, size.stride, frame);
            ASSERT_EQ(expected, drawn) << size.width << "x" << size.height << " frame " << frame;
        }
    }
}

// The test camera cycles a few blocks, each holding the frame drawn into it before: the
// renderer puts back only that frame's head box, and must still leave the whole scene,
// also when the size changes under a block's note.
TEST(TestSceneTest, TheRendererDrawsOverPicturesItDrewBefore)
{
    const SceneSize sizes[] = {{640, 480, 1920}, {161, 121, 484}, {640, 480, 1920}};
    test_scene::Renderer renderer;
    std::vector<uint8_t> blocks[3];
    test_scene::Drawn notes[3];
    int frame = 0;
    for (const SceneSize& size : sizes) {
        const size_t bytes = static_cast<size_t>(size.height) * size.stride;
        std::vector<uint8_t> expected(bytes);
        for (int step = 0; step < 60; ++step, frame += 5) {
            const int i = step % 3;
            blocks[i].resize(std::max(blocks[i].size(), bytes), 0x5A);
            test_scene::Render(expected.data(), size.width, size.height, size.stride, frame);
            renderer.Render(blocks[i].data(), size.width, size.height, size.stride, frame, &notes[i]);
            ASSERT_TRUE(std::equal(expected.begin(), expected.end(), blocks[i].begin()))
                << size.width << "x" << size.height << " frame " << frame;
        }
    }
}

}  // namespace
