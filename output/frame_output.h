// One output of finished frames: an appsrc feeding an encoder and muxer into a file, or
// any sink description, on GStreamer's own threads. The caller's thread only copies a
// frame into a reused block and leaves it in a mailbox, without a system call; a thread
// of the output takes it from there every few milliseconds and queues it in the appsrc,
// whose queue is bounded and drops its oldest frame when the encoder or sink falls behind.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <gst/gst.h>

#include "image/dib_image.h"

class FrameOutput {
public:
    // Builds `appsrc ! videoconvert ! tail` and takes it to READY, so that an element that
    // is missing, a device that cannot be opened or a file that cannot be written shows
    // now; null with GStreamer's error text in *error otherwise. `name` is what messages
    // call the output. `fileFd`, when not -1, is handed to an element named "file" in the
    // tail (an fdsink) and closed with the output.
    static std::unique_ptr<FrameOutput> Open(const std::string& name, const std::string& tail, int fileFd,
                                             std::string* error);
    ~FrameOutput();
    FrameOutput(const FrameOutput&) = delete;
    FrameOutput& operator=(const FrameOutput&) = delete;

    // True until the output has been ended, by Finish or by a failure.
    bool Running() const { return state_ != State::Ended; }
    // True when it failed: its sink or encoder reported an error.
    bool Failed() const { return failed_; }
    // Frames handed over, and frames taken from the queue by the encoder or sink.
    uint64_t FramesPushed() const { return pushed_; }
    uint64_t FramesPassed() const { return passed_.load(); }

    // Queues a copy of the frame, shown from `time` (nanoseconds from the first frame) for
    // `duration`. The first frame fixes the output's size; a frame of another size is left
    // out. Never waits.
    void Push(const DibImage& frame, uint64_t time, uint64_t duration);
    // Picks up what the pipeline reported: an error ends the output with one message on
    // standard error; the end of the stream, once asked for, ends it as finished.
    void Poll();
    // Ends the stream (the muxer writes its index) without waiting; Poll sees it finish.
    void EndStream();
    // Ends the stream and waits up to `limit` for the file to be finished.
    void Finish(GstClockTime limit);

private:
    enum class State { Running, Ending, Ended };
    struct Blocks;

    FrameOutput() = default;
    static GstBusSyncReply Notice(GstBus* bus, GstMessage* message, gpointer self);
    void HandOff();
    void Handle(GstMessage* message);
    void Stop();

    std::string name_;
    GstElement* pipeline_ = nullptr;
    GstElement* source_ = nullptr;
    GstBus* bus_ = nullptr;
    std::unique_ptr<Blocks> blocks_;  // frame-sized, lent to the buffers pushed
    int fileFd_ = -1;
    int32_t width_ = 0;
    int32_t height_ = 0;
    State state_ = State::Running;
    bool failed_ = false;
    uint64_t pushed_ = 0;
    uint64_t end_ = 0;  // when the last frame queued stops being shown
    std::atomic<uint64_t> passed_{0};
    std::atomic<bool> reported_{false};  // the pipeline has posted an error or its end

    // The mailbox between the caller's thread and the hand-off thread.
    std::mutex mailboxMutex_;
    std::condition_variable stopHandOff_;
    std::vector<GstBuffer*> mailbox_;
    bool endOfStream_ = false;
    bool handOffStopping_ = false;
    std::thread handOff_;
};
