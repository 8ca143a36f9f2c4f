// The program's entry: the command line, then the dialog framework runs the application.
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/automation.h"
#include "app/capture_app.h"
#include "app/end_request.h"
#include "app/frame_outputs.h"
#include "app/options.h"
#include "app/program_files.h"
#include "app/terminal_text.h"
#include "app/res/version.h"
#include "capture/capture_system.h"
#include "locate/logo_placer.h"
#include "message_box.h"
#include "output/output_set.h"
#include "video_inputs.h"

CCaptureApp theApp;

namespace {

// The devices' friendly names in the order they would be offered.
int ListDevices()
{
    std::vector<std::string> names;
    if (ListVideoInputNames(&names) < 0) {
        std::fprintf(stderr, "quenmire: no video capture device\n");
        return 1;
    }
    for (const std::string& name : names) std::printf("%s\n", name.c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    InstallEndRequestHandlers();
    // A file that would pass the size limit fails its write instead of ending the program.
    std::signal(SIGXFSZ, SIG_IGN);
    win32::SetTerminalGloss([](const std::string& text) { return WithTranslation(Printable(text)); });

    Options options;
    std::string error;
    if (!ParseOptions(argc, argv, &options, &error)) {
        std::fprintf(stderr, "quenmire: %s\nquenmire: see quenmire --help\n", error.c_str());
        return 2;
    }
    if (options.version) {
        std::printf("%s\n", kVersionText);
        return 0;
    }
    const ProgramFiles files = LocateProgramFiles(SearchPlacesOfProcess(), options.snapshotDir);
    SetProgramFiles(files);
    if (options.help) {
        std::printf("%s\nThe files used when started here:\n%s", kUsage, files.Describe("  ").c_str());
        return 0;
    }
    if (options.demo) ApplyDemo(&options);

    dshow::VideoInputSettings inputs;
    inputs.realCameras = options.realCameras;
    inputs.testCamera = options.testCamera;
    inputs.sources = options.sources;
    dshow::SetVideoInputSettings(inputs);
    if (options.listDevices) return ListDevices();
    for (const std::string& source : options.sources) {
        std::string why;
        if (!dshow::CheckVideoSource(source, &why)) {
            std::fprintf(stderr, "quenmire: --source %s: %s\n", Printable(source).c_str(), why.c_str());
            return 2;
        }
    }
    if (files.UsesFallback()) {
        std::fprintf(stderr, "quenmire: not everything is in the working folder; the files used:\n%s",
                     files.Describe("quenmire:   ").c_str());
    }
    if (!OpenFrameOutputs(options)) return 2;
    SetStartingLocateMode(options.locateFaces ? LocateMode::kFace : LocateMode::kSkin);

    // Without a display there is nobody to see a window: run as with --headless.
    if (std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr) options.headless = true;
    if (options.headless) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    std::unique_ptr<Automation> automation;
    if (options.Unattended()) {
        automation = std::make_unique<Automation>(options);
        std::printf("quenmire: snapshots go to %s\n", files.SnapshotFolderShown().c_str());
        std::fflush(stdout);
    }
    const int result = AfxWinMain(argc, argv);
    // However the dialog ended, recordings get their index and end before the program does.
    FrameOutputs().Close();
    if (automation) return std::max(automation->Report(stdout), FrameOutputs().Failed() ? 1 : 0);
    return result;
}
