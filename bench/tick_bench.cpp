// The cost of one tick as the program runs it: the real dialog on the built-in test
// camera with Intercepter on, unattended. Each timer message (fetch, resize, skin mask,
// centroid, logo) and the paint that follows it (the display image onto the display
// control) are timed on the dialog's own thread; the first ticks are left out as warm-up.
//   tick_bench [--ticks=N]      N ticks after warm-up, 1000 by default (30 s)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <unistd.h>

#include "app/automation.h"
#include "app/capture_dialog.h"
#include "app/options.h"
#include "video_inputs.h"

namespace {

constexpr size_t kWarmUpTicks = 30;

// The program's dialog, with its timer and paint messages timed.
class TimedCaptureDialog : public CCaptureDialog {
public:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message != WM_TIMER && message != WM_PAINT) return CCaptureDialog::WindowProc(message, wParam, lParam);
        const auto start = std::chrono::steady_clock::now();
        const LRESULT result = CCaptureDialog::WindowProc(message, wParam, lParam);
        const double micros =
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
        if (message == WM_TIMER) {
            timerMicros.push_back(micros);
        } else if (timerMicros.size() > paintMicros.size()) {
            paintMicros.push_back(micros);  // the paint of the tick just run
        }
        return result;
    }

    std::vector<double> timerMicros;
    std::vector<double> paintMicros;
};

// Quantile q of the values after warm-up.
double Quantile(std::vector<double> values, double q)
{
    values.erase(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(std::min(kWarmUpTicks, values.size())));
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[static_cast<size_t>(q * static_cast<double>(values.size() - 1))];
}

void PrintRow(const char* what, const std::vector<double>& micros)
{
    std::printf("| %s | %.1f | %.1f | %.1f | %.1f |\n", what, Quantile(micros, 0.5), Quantile(micros, 0.9),
                Quantile(micros, 0.99), Quantile(micros, 1.0));
}

class TickBenchApp : public CWinApp {
public:
    BOOL InitInstance() override
    {
        TimedCaptureDialog dialog;
        m_pMainWnd = &dialog;
        dialog.DoModal();
        m_pMainWnd = nullptr;

        std::vector<double> tickMicros;
        for (size_t i = 0; i < dialog.paintMicros.size(); ++i) {
            tickMicros.push_back(dialog.timerMicros[i] + dialog.paintMicros[i]);
        }
        std::printf("\n%zu ticks timed after %zu of warm-up\n\n", dialog.paintMicros.size() - kWarmUpTicks,
                    kWarmUpTicks);
        std::printf("| µs | median | 90th | 99th | highest |\n|---|---:|---:|---:|---:|\n");
        PrintRow("timer: fetch to logo", dialog.timerMicros);
        PrintRow("paint", dialog.paintMicros);
        PrintRow("tick: fetch to paint", tickMicros);
        return FALSE;
    }
};

TickBenchApp theApp;

}  // namespace

int main(int argc, char** argv)
{
    long ticks = 1000;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--ticks=", 8) == 0 && std::atol(argv[i] + 8) > 0) {
            ticks = std::atol(argv[i] + 8);
        } else {
            std::fprintf(stderr, "usage: tick_bench [--ticks=N]\n");
            return 2;
        }
    }
    // The logo frames are in the build's run folder.
    if (chdir(QM_RUN_DIR) != 0) {
        std::perror(QM_RUN_DIR);
        return 1;
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    dshow::VideoInputSettings inputs;
    inputs.realCameras = false;
    dshow::SetVideoInputSettings(inputs);

    Options options;
    options.answersGiven = true;
    options.answers = {true};
    options.presses = {{0, Button::Intercept}};
    options.ticks = ticks + static_cast<long>(kWarmUpTicks);
    const Automation automation(options);
    return AfxWinMain(argc, argv);
}
