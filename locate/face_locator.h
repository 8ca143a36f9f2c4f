// The face locator: a logo over every face a detector finds, up to kMostFaces, each scaled
// to cover its face. The detector runs on a worker thread on the newest display image it
// is given, at its own pace; a tick never waits for it and only reads its latest result.
// Between detections each logo follows its face's skin; a face that a later detection does
// not find again is held until holdTime after it was last found (however long the
// detections take, a face is never dropped for want of one, up to kLongestHolds holds),
// and with no face the logo goes back to the skin locator's placement.
// The detector is made on the worker thread, as making one can take a while. A detector
// that cannot be made, or that fails, is not asked again: the skin placement takes over,
// with one message on standard error.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "locate/face_detector.h"
#include "locate/logo_locator.h"

// The most faces that get a logo; the largest are chosen.
constexpr size_t kMostFaces = 4;
// Keeps the kMostFaces largest of faces, largest first.
void KeepLargestFaces(std::vector<FaceBox>& faces);
// A detection starts at most this often, and never more often than keeps the detector
// under a tenth of one core.
constexpr double kDetectionIntervalMs = 200;
// A face that no detection has come back on since it was found (a detector slowed down by
// a busy machine) is dropped after this many hold times all the same.
constexpr int kLongestHolds = 4;

struct FaceLocatorSettings {
    std::chrono::steady_clock::duration detectionInterval =
        std::chrono::milliseconds(static_cast<int>(kDetectionIntervalMs));
    std::chrono::steady_clock::duration holdTime = std::chrono::milliseconds(500);
    // The time of a tick; tests give their own.
    std::function<std::chrono::steady_clock::time_point()> now = std::chrono::steady_clock::now;
};

class FaceLocator : public LogoLocator {
public:
    // Makes the detector, or gives null when it cannot.
    using DetectorMaker = std::function<std::unique_ptr<FaceDetector>()>;

    // placementFrame and logoKey give the size of the logo's drawn part.
    FaceLocator(DetectorMaker makeDetector, SkinRange range, const DibImage& placementFrame, BgrPixel logoKey,
                FaceLocatorSettings settings = {});
    ~FaceLocator() override;
    FaceLocator(const FaceLocator&) = delete;
    FaceLocator& operator=(const FaceLocator&) = delete;

    void Locate(const DibImage& display, std::vector<LogoRect>& logos) override;

    // Detections finished so far, and a failure to make the detector counts as one.
    uint64_t Detections() const;

private:
    using TimePoint = std::chrono::steady_clock::time_point;
    // A face being followed: its detected size, where its centre is now, and how far that
    // centre lies from the centroid of the skin around it.
    // Without skin around it when found, a face stays where it was found.
    struct Track {
        int width, height;
        double x, y;
        bool followsSkin;
        double offsetX, offsetY;
        TimePoint lastFound;
        bool missed = false;  // a detection since lastFound came back without it
    };
    struct Detection {
        std::vector<FaceBox> faces;
        TimePoint taken{};
        uint64_t number = 0;
        const char* failure = nullptr;  // why there are no more detections
    };

    void Work();
    void Offer(const DibImage& display);
    void TakeDetection(const DibImage& mask);
    void Follow(Track& track, const DibImage& mask) const;
    Track StartTrack(const FaceBox& face, TimePoint found, const DibImage& mask) const;

    DetectorMaker makeDetector_;
    FaceLocatorSettings settings_;
    SkinLocator skin_;
    LogoShape shape_;

    // Shared with the worker, under mutex_.
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    DibImage offered_;
    TimePoint offeredAt_{};
    bool hasOffer_ = false;
    bool stopping_ = false;
    Detection latest_;
    std::atomic<bool> wantsPicture_{true};

    // The tick's own.
    uint64_t seen_ = 0;
    bool failed_ = false;
    std::vector<Track> tracks_;

    std::thread worker_;  // last: it starts once everything above is made
};
