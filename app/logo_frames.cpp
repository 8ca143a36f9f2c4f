#include "app/logo_frames.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <string>

#include "app/terminal_text.h"
#include "fs/file_open.h"

const char kLogoFolder[] = "images";
const char kLogoFramePattern[] = "images\\laugh%04d.bmp";

void LoadLogoFrames(const std::string& base, DibImage (&frames)[kLogoFrameCount])
{
    int failed = 0;
    std::string firstFailure;
    for (int i = 0; i < kLogoFrameCount; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, kLogoFramePattern, i);
        // An empty base leaves the name as designed, relative to the working folder.
        const std::string path = std::filesystem::path(base) / name;
        const int result = frames[i].ReadBmp(path.c_str());
        const int error = errno;
        if (result == 0 && frames[i].ImageSize() > 0) continue;
        if (failed++ > 0) continue;
        firstFailure = Printable(NativeFileName(path.c_str())) + ": " +
                       (result == 0 ? std::string("no picture of a size the program can hold") : FileErrorText(error));
    }
    if (failed == 0) return;
    std::error_code ignored;
    const std::filesystem::path folder = std::filesystem::absolute(std::filesystem::path(base) / kLogoFolder, ignored);
    std::fprintf(stderr, "quenmire: %d of %d logo frames could not be read from %s (first: %s)\n", failed,
                 kLogoFrameCount, Printable(folder).c_str(), firstFailure.c_str());
}

const DibImage& PlacementFrame(const DibImage (&frames)[kLogoFrameCount])
{
    for (const DibImage& frame : frames) {
        if (frame.ImageSize() > 0) return frame;
    }
    return frames[0];
}
