#include "app/logo_frames.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <string>

#include "image/file_open.h"

const char kLogoFramePattern[] = "images\\laugh%04d.bmp";

void LoadLogoFrames(DibImage (&frames)[kLogoFrameCount])
{
    int failed = 0;
    std::string firstFailure;
    for (int i = 0; i < kLogoFrameCount; ++i) {
        const int result = frames[i].ReadBmpF(kLogoFramePattern, i);
        if (result == 0 && frames[i].ImageSize() > 0) continue;
        if (failed++ > 0) continue;
        char name[64];
        std::snprintf(name, sizeof name, kLogoFramePattern, i);
        firstFailure = NativeFileName(name) + ": " +
                       (result == 0 ? std::string("no picture of a size the program can hold") : FileErrorText(errno));
    }
    if (failed == 0) return;
    std::error_code ignored;
    const std::string folder = std::filesystem::absolute("images", ignored).string();
    std::fprintf(stderr, "quenmire: %d of %d logo frames could not be read from %s (first: %s)\n", failed,
                 kLogoFrameCount, folder.c_str(), firstFailure.c_str());
}

const DibImage& PlacementFrame(const DibImage (&frames)[kLogoFrameCount])
{
    for (const DibImage& frame : frames) {
        if (frame.ImageSize() > 0) return frame;
    }
    return frames[0];
}
