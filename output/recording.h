// Recordings: the shown picture encoded into a new file, the container and codec chosen
// by the file's extension. A recording never replaces anything that holds its name.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "output/frame_output.h"

// The names of recordings started from the menu, numbered from 0 on each run.
inline constexpr char kRecordingPattern[] = "rec%04d.mkv";
// How many names a numbered recording looks at before it gives up finding a free one.
constexpr int kMaxRecordingNamesTried = 100000;

// Starts a recording into the new file `path`; null with the reason in *error (the name
// is taken, the folder cannot be written, no encoder).
std::unique_ptr<FrameOutput> OpenRecording(const std::filesystem::path& path, std::string* error);

// Starts a recording into the first free name that kRecordingPattern gives in `folder`,
// numbering from *counter and moving it past the number used.
std::unique_ptr<FrameOutput> OpenNumberedRecording(const std::filesystem::path& folder, int* counter,
                                                   std::filesystem::path* path, std::string* error);
