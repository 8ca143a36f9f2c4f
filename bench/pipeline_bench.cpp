// The per-tick image processing, ours against OpenCV (one thread), on the same frames:
// the test camera's scene (a skin-coloured head on a textured background) at common
// camera sizes, resized to the 320 x 240 display image, masked with the skin box, the
// mask's centroid taken and a 100 x 100 logo with a pure-blue key pasted there.
//
//   build/bench/pipeline_bench            all cases, 9 repetitions in random order,
//                                         medians and the ours / OpenCV ratios
//   build/bench/pipeline_bench --benchmark_filter=Tick
//   build/bench/pipeline_bench --level=avx2   our kernels without AVX-512
#include <benchmark/benchmark.h>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include <unistd.h>

#include "image/resample.h"
#include "image/simd_level.h"
#include "image/skin_overlay.h"
#include "test_scene.h"

namespace {

constexpr int kDisplayWidth = 320, kDisplayHeight = 240, kLogoSize = 100;
constexpr YCbCrPixel kSkinLower{0, 77, 133}, kSkinUpper{255, 127, 177};
constexpr BgrPixel kWhite{255, 255, 255}, kBlack{0, 0, 0}, kKey{255, 0, 0};
constexpr int kSceneFrame = 40;

struct CameraSize {
    int width, height;
    std::string Name() const { return std::to_string(width) + "x" + std::to_string(height); }
};
// Whole multiples of the display width, steps in 1/64ths, and other steps: each of the
// resize's roads, at common webcam modes.
constexpr CameraSize kCameraSizes[] = {{640, 480}, {1280, 720}, {1920, 1080}, {800, 600}, {160, 120},  {1024, 768},
                                       {352, 288}, {176, 144},  {1024, 576},  {960, 540}, {1600, 1200}};

// The same pixels as a bottom-up DibImage and as a top-down cv::Mat.
struct Picture {
    DibImage dib;
    cv::Mat mat;
};

Picture ScenePicture(int width, int height)
{
    Picture picture;
    picture.dib.SetSize(width, height);
    const int stride = static_cast<int>(DibStride(width));
    std::vector<uint8_t> topDown(static_cast<size_t>(stride) * height);
    test_scene::Render(topDown.data(), width, height, stride, kSceneFrame);
    picture.mat = cv::Mat(height, width, CV_8UC3);
    for (int y = 0; y < height; ++y) {
        std::memcpy(picture.dib.Row(y), topDown.data() + static_cast<size_t>(y) * stride, 3 * size_t(width));
        std::memcpy(picture.mat.ptr(y), topDown.data() + static_cast<size_t>(y) * stride, 3 * size_t(width));
    }
    return picture;
}

// A round yellow face with dark eyes and a ring, on the key colour.
Picture LogoPicture()
{
    Picture picture;
    picture.dib.SetSize(kLogoSize, kLogoSize);
    picture.mat = cv::Mat(kLogoSize, kLogoSize, CV_8UC3);
    for (int y = 0; y < kLogoSize; ++y) {
        for (int x = 0; x < kLogoSize; ++x) {
            const double dx = x - 49.5, dy = y - 49.5, r = std::sqrt(dx * dx + dy * dy);
            BgrPixel p = kKey;
            if (r < 48) {
                p = BgrPixel{30, static_cast<uint8_t>(200 + x / 4), 250};
                if (r > 44 || std::hypot(std::abs(dx) - 16, dy + 12) < 7) {
                    p = BgrPixel{20, 20, 40};
                }
            }
            std::memcpy(picture.dib.Row(y) + 3 * x, &p, 3);
            std::memcpy(picture.mat.ptr(y) + 3 * x, &p, 3);
        }
    }
    return picture;
}

const Picture& Logo()
{
    static const Picture logo = LogoPicture();
    return logo;
}

const Picture& Camera(const CameraSize& size)
{
    static std::map<std::pair<int, int>, Picture> frames;  // two modes may share a width
    const std::pair<int, int> key{size.width, size.height};
    auto found = frames.find(key);
    if (found == frames.end()) {
        found = frames.emplace(key, ScenePicture(size.width, size.height)).first;
    }
    return found->second;
}

// Where the logo goes: centred on the centroid, truncated toward zero.
int LogoCorner(double centre)
{
    return static_cast<int>(centre - kLogoSize * 0.5);
}

// ---- ours

struct OurTick {
    DibImage display, mask;

    void Resize(const DibImage& frame) { ResizeImage(frame, display, kDisplayWidth, kDisplayHeight); }
    void Mask() { YCbCrRangeMask(display, mask, kSkinLower, kSkinUpper, kWhite, kBlack); }
    void Centroid(double& x, double& y) { ColourCentroid(mask, kWhite, x, y); }
    void Blit(double x, double y) { KeyedBlit(display, Logo().dib, LogoCorner(x), LogoCorner(y), kKey); }
    void Run(const DibImage& frame)
    {
        double x = 0, y = 0;
        Resize(frame);
        Mask();
        Centroid(x, y);
        Blit(x, y);
    }
};

// ---- OpenCV: the same steps with its own kernels

struct OpenCvTick {
    cv::Mat display, ycrcb, mask, notKey;

    void Resize(const cv::Mat& frame)
    {
        cv::resize(frame, display, cv::Size(kDisplayWidth, kDisplayHeight), 0, 0, cv::INTER_LINEAR);
    }
    void Mask()
    {
        // The strict box as inclusive bounds, in OpenCV's Y, Cr, Cb channel order.
        cv::cvtColor(display, ycrcb, cv::COLOR_BGR2YCrCb);
        cv::inRange(ycrcb, cv::Scalar(kSkinLower.y + 1, kSkinLower.cr + 1, kSkinLower.cb + 1),
                    cv::Scalar(kSkinUpper.y - 1, kSkinUpper.cr - 1, kSkinUpper.cb - 1), mask);
    }
    void Centroid(double& x, double& y)
    {
        const cv::Moments m = cv::moments(mask, true);
        x = m.m00 != 0 ? m.m10 / m.m00 : -1.0;
        y = m.m00 != 0 ? m.m01 / m.m00 : -1.0;
    }
    void Blit(double x, double y)
    {
        const cv::Mat& logo = Logo().mat;
        cv::inRange(logo, cv::Scalar(kKey.b, kKey.g, kKey.r), cv::Scalar(kKey.b, kKey.g, kKey.r), notKey);
        cv::bitwise_not(notKey, notKey);
        const cv::Rect placed(LogoCorner(x), LogoCorner(y), kLogoSize, kLogoSize);
        const cv::Rect visible = placed & cv::Rect(0, 0, display.cols, display.rows);
        if (visible.empty()) {
            return;
        }
        const cv::Rect inLogo = visible - placed.tl();
        logo(inLogo).copyTo(display(visible), notKey(inLogo));
    }
    void Run(const cv::Mat& frame)
    {
        double x = 0, y = 0;
        Resize(frame);
        Mask();
        Centroid(x, y);
        Blit(x, y);
    }
};

// ---- the cases

void BM_Tick(benchmark::State& state, CameraSize size)
{
    const DibImage& frame = Camera(size).dib;
    OurTick tick;
    tick.Run(frame);
    for (auto _ : state) {
        tick.Run(frame);
        benchmark::DoNotOptimize(tick.display.Bits());
        benchmark::ClobberMemory();
    }
}

void BM_TickOpenCV(benchmark::State& state, CameraSize size)
{
    const cv::Mat& frame = Camera(size).mat;
    OpenCvTick tick;
    tick.Run(frame);
    for (auto _ : state) {
        tick.Run(frame);
        benchmark::DoNotOptimize(tick.display.data);
        benchmark::ClobberMemory();
    }
}

void BM_Resize(benchmark::State& state, CameraSize size)
{
    OurTick tick;
    for (auto _ : state) {
        tick.Resize(Camera(size).dib);
        benchmark::ClobberMemory();
    }
}

void BM_ResizeOpenCV(benchmark::State& state, CameraSize size)
{
    OpenCvTick tick;
    for (auto _ : state) {
        tick.Resize(Camera(size).mat);
        benchmark::ClobberMemory();
    }
}

// The kernels after the resize work on the 640 x 480 frame's display image.
template <typename Tick, typename Step>
void RunStep(benchmark::State& state, Step step)
{
    Tick tick;
    if constexpr (std::is_same_v<Tick, OurTick>) {
        tick.Run(Camera(kCameraSizes[0]).dib);
    } else {
        tick.Run(Camera(kCameraSizes[0]).mat);
    }
    double x = 0, y = 0;
    tick.Centroid(x, y);
    for (auto _ : state) {
        step(tick, x, y);
        benchmark::ClobberMemory();
    }
}

template <typename Tick>
void BM_Mask(benchmark::State& state)
{
    RunStep<Tick>(state, [](Tick& tick, double&, double&) { tick.Mask(); });
}
template <typename Tick>
void BM_Centroid(benchmark::State& state)
{
    RunStep<Tick>(state, [](Tick& tick, double& x, double& y) {
        tick.Centroid(x, y);
        benchmark::DoNotOptimize(x);
    });
}
template <typename Tick>
void BM_Blit(benchmark::State& state)
{
    RunStep<Tick>(state, [](Tick& tick, double& x, double& y) { tick.Blit(x, y); });
}

// Each case also reports the least of its repetitions: on a busy machine the median
// carries other processes' share of the processor, the least much less of it.
template <typename... Args>
void Register(const std::string& name, Args&&... args)
{
    benchmark::RegisterBenchmark(name.c_str(), std::forward<Args>(args)...)
        ->ComputeStatistics(
            "min", [](const std::vector<double>& values) { return *std::min_element(values.begin(), values.end()); });
}

void RegisterCases()
{
    for (const CameraSize& size : kCameraSizes) {
        Register("BM_Tick/" + size.Name(), BM_Tick, size);
        Register("BM_TickOpenCV/" + size.Name(), BM_TickOpenCV, size);
    }
    for (const CameraSize& size : kCameraSizes) {
        Register("BM_Resize/" + size.Name(), BM_Resize, size);
        Register("BM_ResizeOpenCV/" + size.Name(), BM_ResizeOpenCV, size);
    }
    Register("BM_Mask/320x240", BM_Mask<OurTick>);
    Register("BM_MaskOpenCV/320x240", BM_Mask<OpenCvTick>);
    Register("BM_Centroid/320x240", BM_Centroid<OurTick>);
    Register("BM_CentroidOpenCV/320x240", BM_Centroid<OpenCvTick>);
    Register("BM_Blit/100x100", BM_Blit<OurTick>);
    Register("BM_BlitOpenCV/100x100", BM_Blit<OpenCvTick>);
}

// Prints, after the usual table, each case's median beside OpenCV's and their ratio, and
// the same for the least repetitions.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    RatioReporter() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_ColorTabular : OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Aggregate && (run.aggregate_name == "median" || run.aggregate_name == "min")) {
                (run.aggregate_name == "min" ? least_ : medians_)[run.run_name.str()] = run.GetAdjustedRealTime();
            }
        }
    }
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        PrintRatios("median (us)", medians_);
        PrintRatios("least (us)", least_);
    }

private:
    static void PrintRatios(const char* title, const std::map<std::string, double>& times)
    {
        std::printf("\n%-28s %12s %12s %8s\n", title, "ours", "OpenCV", "ratio");
        for (const bool ticks : {true, false}) {  // the whole ticks first, then the kernels
            for (const auto& [name, ours] : times) {
                const size_t slash = name.find('/');
                const auto theirs = times.find(name.substr(0, slash) + "OpenCV" + name.substr(slash));
                if (slash == std::string::npos || theirs == times.end() || (name.rfind("BM_Tick/", 0) == 0) != ticks) {
                    continue;
                }
                std::printf("%-28s %12.1f %12.1f %8.2f\n", name.c_str(), ours / 1e3, theirs->second / 1e3,
                            ours / theirs->second);
            }
        }
    }

    std::map<std::string, double> medians_;
    std::map<std::string, double> least_;
};

}  // namespace

int main(int argc, char** argv)
{
    cv::setNumThreads(1);
    RegisterCases();
    // Defaults for a noisy shared machine; flags given on the command line come later
    // and win. --level=baseline|avx2 makes our kernels use a lower instruction set.
    std::vector<char*> args{argv[0]};
    std::string defaults[] = {"--benchmark_repetitions=9", "--benchmark_enable_random_interleaving=true",
                              "--benchmark_report_aggregates_only=true", "--benchmark_min_time=0.2"};
    for (std::string& flag : defaults) {
        args.push_back(flag.data());
    }
    for (int k = 1; k < argc; ++k) {
        const std::string arg = argv[k];
        if (arg == "--level=baseline" || arg == "--level=avx2") {
            SetSimdLevel(arg == "--level=avx2" ? SimdLevel::kAvx2 : SimdLevel::kBaseline);
        } else {
            args.push_back(argv[k]);
        }
    }
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data())) {
        return 1;
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
