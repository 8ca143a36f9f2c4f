#include "output/output_set.h"

#include <cstdio>

#include "fs/file_open.h"
#include "output/recording.h"

namespace {

// Long enough to encode what is still queued, even on a busy machine.
constexpr GstClockTime kFinishLimit = 20 * GST_SECOND;

}  // namespace

bool OutputSet::AddSink(const std::string& description, std::string* error)
{
    std::unique_ptr<FrameOutput> output = FrameOutput::Open("output \"" + description + "\"", description, -1, error);
    if (!output) return false;
    entries_.push_back(Entry{std::move(output), {}, true, false, {}});
    return true;
}

bool OutputSet::AddRecording(const std::filesystem::path& path, std::string* error)
{
    std::unique_ptr<FrameOutput> output = OpenRecording(path, error);
    if (!output) return false;
    entries_.push_back(Entry{std::move(output), path, true, false, {}});
    return true;
}

void OutputSet::SetPicture(const OutputSize& size, std::chrono::nanoseconds framePeriod)
{
    picture_.SetSize(size);
    framePeriod_ = framePeriod;
}

void OutputSet::HandOver(const DibImage& display, const DibImage& camera, const LogoPlacement& logo)
{
    if (entries_.empty()) return;
    const DibImage* frame = picture_.Compose(display, camera, logo);
    const auto now = std::chrono::steady_clock::now();
    for (Entry& entry : entries_) {
        if (frame == nullptr) {
            entry.output->Poll();
            continue;
        }
        if (!entry.started) {
            entry.started = true;
            entry.start = now;
        }
        entry.output->Push(*frame, static_cast<uint64_t>((now - entry.start).count()),
                           static_cast<uint64_t>(framePeriod_.count()));
    }
    ForgetEnded();
}

void OutputSet::ToggleRecording(const std::string& snapshotFolder, const char* snapshotPattern)
{
    if (menuRecording_ != nullptr) {
        menuRecording_->EndStream();
        menuRecording_ = nullptr;
        ForgetEnded();
        return;
    }
    const std::filesystem::path folder =
        std::filesystem::path(snapshotFolder) / std::filesystem::path(NativeFileName(snapshotPattern)).parent_path();
    std::filesystem::path path;
    std::string error;
    std::unique_ptr<FrameOutput> output = OpenNumberedRecording(folder, &menuCounter_, &path, &error);
    if (!output) {
        std::fprintf(stderr, "quenmire: no recording: %s\n", error.c_str());
        return;
    }
    std::fprintf(stderr, "quenmire: recording to %s\n", path.c_str());
    menuRecording_ = output.get();
    entries_.push_back(Entry{std::move(output), path, false, false, {}});
}

void OutputSet::Close()
{
    for (Entry& entry : entries_) {
        entry.output->Finish(kFinishLimit);
        Forget(entry);
    }
    entries_.clear();
    menuRecording_ = nullptr;
}

void OutputSet::Forget(Entry& entry)
{
    if (entry.asked && entry.output->Failed()) failed_ = true;
    // A recording that never got a frame leaves no file behind.
    if (!entry.file.empty() && entry.output->FramesPushed() == 0) {
        std::error_code ignored;
        std::filesystem::remove(entry.file, ignored);
    }
}

void OutputSet::ForgetEnded()
{
    std::erase_if(entries_, [this](Entry& entry) {
        if (entry.output->Running()) return false;
        if (entry.output.get() == menuRecording_) menuRecording_ = nullptr;
        Forget(entry);
        return true;
    });
}

OutputSet& FrameOutputs()
{
    static OutputSet outputs;
    return outputs;
}
