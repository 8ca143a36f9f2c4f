#include "locate/face_locator.h"

#include <algorithm>
#include <cstdio>

#include <time.h>

namespace {

// The skin a face follows lies within this share of its size beyond its box on each side,
// and counts only when it covers at least kLeastSkin of the box.
constexpr double kFollowMargin = 0.25;
constexpr double kLeastSkin = 0.125;
// A detection is followed by a pause of this many times its processor time, so that the
// detector stays under a tenth of one core with the waking and the copying around it.
constexpr int kDetectorShare = 12;

// The processor time the calling thread has used.
std::chrono::nanoseconds ThreadProcessorTime()
{
    timespec used{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &used);
    return std::chrono::seconds(used.tv_sec) + std::chrono::nanoseconds(used.tv_nsec);
}

// The box of width x height centred on (x, y), widened by kFollowMargin on each side.
FaceBox FollowRegion(int width, int height, double x, double y)
{
    const double regionWidth = width * (1 + 2 * kFollowMargin), regionHeight = height * (1 + 2 * kFollowMargin);
    return FaceBox{static_cast<int>(x - regionWidth / 2), static_cast<int>(y - regionHeight / 2),
                   static_cast<int>(regionWidth), static_cast<int>(regionHeight)};
}

}  // namespace

void KeepLargestFaces(std::vector<FaceBox>& faces)
{
    std::stable_sort(faces.begin(), faces.end(), [](const FaceBox& a, const FaceBox& b) {
        return int64_t{a.width} * a.height > int64_t{b.width} * b.height;
    });
    if (faces.size() > kMostFaces) faces.resize(kMostFaces);
}

FaceLocator::FaceLocator(DetectorMaker makeDetector, SkinRange range, const DibImage& placementFrame, BgrPixel logoKey,
                         FaceLocatorSettings settings)
    : makeDetector_(std::move(makeDetector)),
      settings_(std::move(settings)),
      skin_(range, placementFrame),
      shape_(ShapeOf(placementFrame, logoKey)),
      worker_(&FaceLocator::Work, this)
{}

FaceLocator::~FaceLocator()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    worker_.join();
}

uint64_t FaceLocator::Detections() const
{
    std::lock_guard lock(mutex_);
    return latest_.number;
}

// The worker owns offered_ from the offer until it asks for the next picture, so the tick
// copies into it without the lock, and the lock is only held to pass flags and results.
void FaceLocator::Work()
{
    const std::unique_ptr<FaceDetector> detector = makeDetector_();
    std::vector<FaceBox> faces;
    std::unique_lock lock(mutex_);
    if (!detector) {
        latest_.failure = "the face detector could not start";
        ++latest_.number;
        return;
    }
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || hasOffer_; });
        if (stopping_) return;
        hasOffer_ = false;
        const TimePoint taken = offeredAt_;
        lock.unlock();

        const auto start = std::chrono::steady_clock::now();
        const auto processorStart = ThreadProcessorTime();
        const bool found = detector->Detect(offered_, faces);
        const auto took = ThreadProcessorTime() - processorStart;

        lock.lock();
        latest_.faces = faces;
        latest_.taken = taken;
        latest_.failure = found ? nullptr : "the face detector failed";
        ++latest_.number;
        if (!found) break;
        const auto pause =
            std::max(settings_.detectionInterval,
                     std::chrono::duration_cast<std::chrono::steady_clock::duration>(took * kDetectorShare));
        if (wake_.wait_until(lock, start + pause, [this] { return stopping_; })) return;
        wantsPicture_ = true;
    }
    // A failed detector is kept, unused, until the locator goes.
    wake_.wait(lock, [this] { return stopping_; });
}

void FaceLocator::Offer(const DibImage& display)
{
    if (!wantsPicture_.exchange(false)) return;
    offered_ = display;
    {
        std::lock_guard lock(mutex_);
        hasOffer_ = true;
        offeredAt_ = settings_.now();
    }
    wake_.notify_one();
}

void FaceLocator::TakeDetection(const DibImage& mask)
{
    Detection latest;
    {
        std::lock_guard lock(mutex_);
        if (latest_.number == seen_) return;
        latest = latest_;
    }
    seen_ = latest.number;
    KeepLargestFaces(latest.faces);
    if (latest.failure != nullptr) {
        failed_ = true;
        tracks_.clear();
        std::fprintf(stderr, "quenmire: %s; the logo is placed by skin colour from now on\n", latest.failure);
        return;
    }
    // Faces found again take their new boxes; the others are held until they expire.
    std::vector<Track> tracks;
    for (const FaceBox& face : latest.faces) tracks.push_back(StartTrack(face, latest.taken, mask));
    for (const Track& held : tracks_) {
        if (tracks.size() == kMostFaces) break;
        const FaceBox heldBox = FollowRegion(held.width, held.height, held.x, held.y);
        const bool foundAgain = std::any_of(latest.faces.begin(), latest.faces.end(), [&](const FaceBox& face) {
            const int cx = face.x + face.width / 2, cy = face.y + face.height / 2;
            return cx >= heldBox.x && cx < heldBox.x + heldBox.width && cy >= heldBox.y &&
                   cy < heldBox.y + heldBox.height;
        });
        if (!foundAgain) {
            tracks.push_back(held);
            tracks.back().missed = true;
        }
    }
    tracks_ = std::move(tracks);
}

FaceLocator::Track FaceLocator::StartTrack(const FaceBox& face, TimePoint found, const DibImage& mask) const
{
    Track track{face.width, face.height, face.x + face.width / 2.0, face.y + face.height / 2.0, false, 0, 0,
                found,      false};
    double skinX = 0, skinY = 0;
    const int64_t skin = RegionCentroid(mask, SkinLocator::kSkinPixel,
                                        FollowRegion(face.width, face.height, track.x, track.y), skinX, skinY);
    if (static_cast<double>(skin) >= kLeastSkin * face.width * face.height) {
        track.followsSkin = true;
        track.offsetX = track.x - skinX;
        track.offsetY = track.y - skinY;
    }
    return track;
}

void FaceLocator::Follow(Track& track, const DibImage& mask) const
{
    if (!track.followsSkin) return;
    double skinX = 0, skinY = 0;
    const int64_t skin = RegionCentroid(mask, SkinLocator::kSkinPixel,
                                        FollowRegion(track.width, track.height, track.x, track.y), skinX, skinY);
    if (static_cast<double>(skin) < kLeastSkin * track.width * track.height) return;
    track.x = skinX + track.offsetX;
    track.y = skinY + track.offsetY;
}

void FaceLocator::Locate(const DibImage& display, std::vector<LogoRect>& logos)
{
    if (!failed_) Offer(display);
    const DibImage& mask = skin_.MakeMask(display);
    TakeDetection(mask);
    const TimePoint now = settings_.now();
    std::erase_if(tracks_, [&](const Track& t) {
        const auto since = now - t.lastFound;
        return since > kLongestHolds * settings_.holdTime || (t.missed && since > settings_.holdTime);
    });
    if (tracks_.empty()) {
        skin_.PlaceOnMask(logos);
        return;
    }
    logos.clear();
    for (Track& track : tracks_) {
        Follow(track, mask);
        logos.push_back(CoverPlacement(shape_, track.x, track.y, track.width, track.height));
    }
}
