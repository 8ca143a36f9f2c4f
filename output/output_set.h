// The outputs of the process: sink descriptions and recordings named on the command line,
// and the recording that the Record menu entry starts and stops. The frame pipeline
// hands each tick's picture over; frames are timed by the tick clock from each output's
// first frame, so that a repeated picture is shown again at its own time.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "image/dib_image.h"
#include "output/frame_output.h"
#include "output/scaled_frame.h"

class OutputSet {
public:
    // Before the window opens: an output into a sink description, and a recording into a
    // new file. False with GStreamer's (or the system's) reason in *error.
    bool AddSink(const std::string& description, std::string* error);
    bool AddRecording(const std::filesystem::path& path, std::string* error);
    // The size of the outputs' picture (the display image's when not set), and how long
    // each frame is shown at least: the tick's period.
    void SetPicture(const OutputSize& size, std::chrono::nanoseconds framePeriod);

    // One tick's picture: the display image, and what it was made of for outputs of
    // another size (the camera frame and the logo pasted, if any). Never waits.
    void HandOver(const DibImage& display, const DibImage& camera, const LogoPlacement& logo);

    // The Record menu entry: starts a recording under the first free kRecordingPattern name
    // in the snapshots' folder (`snapshotPattern`'s own folder within `snapshotFolder`), or
    // finishes the one it started.
    void ToggleRecording(const std::string& snapshotFolder, const char* snapshotPattern);

    // Finishes every output, each file with its index, waiting for them; then none is left.
    void Close();
    // True when an output asked for on the command line ended with an error.
    bool Failed() const { return failed_; }

private:
    struct Entry {
        std::unique_ptr<FrameOutput> output;
        std::filesystem::path file;  // a recording's file
        bool asked = true;           // named on the command line, not started from the menu
        bool started = false;
        std::chrono::steady_clock::time_point start;
    };
    void Forget(Entry& entry);
    void ForgetEnded();

    std::vector<Entry> entries_;
    FrameOutput* menuRecording_ = nullptr;
    int menuCounter_ = 0;
    ScaledFrame picture_;
    std::chrono::nanoseconds framePeriod_{0};
    bool failed_ = false;
};

// The outputs of this process.
OutputSet& FrameOutputs();
