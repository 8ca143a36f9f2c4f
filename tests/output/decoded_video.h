// A video file read back through GStreamer as a player reads it: uridecodebin into an
// appsink that takes 24-bit BGR.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace output_test {

struct DecodedVideo {
    int width = 0;
    int height = 0;
    std::vector<std::vector<uint8_t>> frames;  // rows top first, 3 x width bytes each
    std::vector<uint64_t> times;               // each frame's timestamp, ns
    int64_t duration = -1;                     // the file's duration, ns, as the player sees it
    bool complete = false;                     // decoded to its end without an error
    std::string error;
};

DecodedVideo Decode(const std::string& path);

// The pixels of a BMP file, rows top first, 3 x width bytes each.
std::vector<uint8_t> BmpPixels(const std::string& path);

}  // namespace output_test
