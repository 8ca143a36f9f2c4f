// What one recording adds to the tick on the program's own thread: OutputSet::HandOver,
// which copies the finished frame into a pooled buffer and queues it for the encoder's
// thread. The frames are the test camera's scene, handed over at the 30 ms tick while an
// FFV1 recording runs, once at the display's 320 x 240 and once at --output-size 640x480
// (the camera frame resized and the logo scaled on this thread first). Wall time counts
// whatever else the machine runs meanwhile; the thread's processor time is the work alone.
//   output_bench [--ticks=N]      N ticks per case after warm-up, 300 by default (9 s)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <time.h>
#include <vector>

#include "image/dib_image.h"
#include "output/output_set.h"
#include "test_scene.h"

namespace {

constexpr int kWarmUpTicks = 30;
constexpr auto kTick = std::chrono::milliseconds(30);

void Render(DibImage& image, int width, int height, int frame)
{
    image.SetSize(width, height);
    test_scene::Render(image.Bits(), width, height, static_cast<int>(DibStride(width)), frame);
    // The scene is drawn top row first; the image keeps its rows bottom-up.
    DibImage flipped(image);
    for (int row = 0; row < height; ++row) {
        std::memcpy(image.Row(row), flipped.Bits() + DibStride(width) * row, static_cast<size_t>(DibStride(width)));
    }
}

double ThreadMicros()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e6 + static_cast<double>(now.tv_nsec) / 1e3;
}

double Quantile(std::vector<double> values, double q)
{
    std::sort(values.begin(), values.end());
    return values[static_cast<size_t>(q * static_cast<double>(values.size() - 1))];
}

void PrintRow(const std::string& what, const std::vector<double>& micros)
{
    std::printf("| %s | %.1f | %.1f | %.1f | %.1f |\n", what.c_str(), Quantile(micros, 0.5), Quantile(micros, 0.9),
                Quantile(micros, 0.99), Quantile(micros, 1.0));
}

// Times HandOver at the tick's pace with one recording of the given size running.
void Measure(const char* what, const OutputSize& size, int ticks, const std::filesystem::path& folder)
{
    OutputSet outputs;
    outputs.SetPicture(size, kTick);
    std::string error;
    const std::filesystem::path file = folder / (std::string(what) + ".mkv");
    if (!outputs.AddRecording(file, &error)) {
        std::fprintf(stderr, "output_bench: %s\n", error.c_str());
        std::exit(1);
    }
    DibImage display;
    DibImage camera;
    DibImage logo;
    logo.SetSize(100, 100);
    std::memset(logo.Bits(), 0x80, static_cast<size_t>(logo.ImageSize()));
    std::vector<double> wall;
    std::vector<double> work;
    auto next = std::chrono::steady_clock::now();
    for (int tick = 0; tick < kWarmUpTicks + ticks; ++tick) {
        Render(camera, 640, 480, tick);
        Render(display, 320, 240, tick);
        const auto start = std::chrono::steady_clock::now();
        const double startWork = ThreadMicros();
        outputs.HandOver(display, camera, LogoPlacement{&logo, 110, 70, BgrPixel{255, 0, 0}});
        const double endWork = ThreadMicros();
        if (tick >= kWarmUpTicks) {
            wall.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
            work.push_back(endWork - startWork);
        }
        next += kTick;
        std::this_thread::sleep_until(next);
    }
    outputs.Close();
    PrintRow(std::string(what) + ", wall", wall);
    PrintRow(std::string(what) + ", thread CPU", work);
}

}  // namespace

int main(int argc, char** argv)
{
    int ticks = 300;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--ticks=", 8) == 0) ticks = std::max(1, std::atoi(argv[i] + 8));
    }
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "quenmire-output-bench";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    std::printf("HandOver with one FFV1 recording, %d ticks at 30 ms after %d of warm-up (µs)\n\n", ticks,
                kWarmUpTicks);
    std::printf("| case | median | 90th | 99th | highest |\n|---|---:|---:|---:|---:|\n");
    Measure("display-320x240", OutputSize{}, ticks, folder);
    Measure("output-size-640x480", OutputSize{640, 480, false}, ticks, folder);
    std::filesystem::remove_all(folder);
    return 0;
}
