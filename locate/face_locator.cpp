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

FaceLocator::FaceLocator(DetectorMaker makeDetector, SkinRange range, const DibImage& placementFrame,
                         BgrPixel logoKey, FaceLocatorSettings settings)
    : m_makeDetector(std::move(makeDetector)),
      m_settings(std::move(settings)),
      m_skin(range, placementFrame),
      m_shape(ShapeOf(placementFrame, logoKey)),
      m_worker(&FaceLocator::Work, this)
{
}

FaceLocator::~FaceLocator()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_one();
    m_worker.join();
}

uint64_t FaceLocator::Detections() const
{
    std::lock_guard lock(m_mutex);
    return m_latest.number;
}

// The worker owns m_offered from the offer until it asks for the next picture, so the tick
// copies into it without the lock, and the lock is only held to pass flags and results.
void FaceLocator::Work()
{
    const std::unique_ptr<FaceDetector> detector = m_makeDetector();
    std::vector<FaceBox> faces;
    std::unique_lock lock(m_mutex);
    if (!detector) {
        m_latest.failure = "the face detector could not start";
        ++m_latest.number;
        return;
    }
    for (;;) {
        m_wake.wait(lock, [this] { return m_stopping || m_hasOffer; });
        if (m_stopping) return;
        m_hasOffer = false;
        const TimePoint taken = m_offeredAt;
        lock.unlock();

        const auto start = std::chrono::steady_clock::now();
        const auto processorStart = ThreadProcessorTime();
        const bool found = detector->Detect(m_offered, faces);
        const auto took = ThreadProcessorTime() - processorStart;

        lock.lock();
        m_latest.faces = faces;
        m_latest.taken = taken;
        m_latest.failure = found ? nullptr : "the face detector failed";
        ++m_latest.number;
        if (!found) break;
        const auto pause = std::max(m_settings.detectionInterval,
                                    std::chrono::duration_cast<std::chrono::steady_clock::duration>(took * kDetectorShare));
        if (m_wake.wait_until(lock, start + pause, [this] { return m_stopping; })) return;
        m_wantsPicture = true;
    }
    // A failed detector is kept, unused, until the locator goes.
    m_wake.wait(lock, [this] { return m_stopping; });
}

void FaceLocator::Offer(const DibImage& display)
{
    if (!m_wantsPicture.exchange(false)) return;
    m_offered = display;
    {
        std::lock_guard lock(m_mutex);
        m_hasOffer = true;
        m_offeredAt = m_settings.now();
    }
    m_wake.notify_one();
}

void FaceLocator::TakeDetection(const DibImage& mask)
{
    Detection latest;
    {
        std::lock_guard lock(m_mutex);
        if (m_latest.number == m_seen) return;
        latest = m_latest;
    }
    m_seen = latest.number;
    KeepLargestFaces(latest.faces);
    if (latest.failure != nullptr) {
        m_failed = true;
        m_tracks.clear();
        std::fprintf(stderr, "quenmire: %s; the logo is placed by skin colour from now on\n", latest.failure);
        return;
    }
    // Faces found again take their new boxes; the others are held until they expire.
    std::vector<Track> tracks;
    for (const FaceBox& face : latest.faces) tracks.push_back(StartTrack(face, latest.taken, mask));
    for (const Track& held : m_tracks) {
        if (tracks.size() == kMostFaces) break;
        const FaceBox heldBox = FollowRegion(held.width, held.height, held.x, held.y);
        const bool foundAgain = std::any_of(latest.faces.begin(), latest.faces.end(), [&](const FaceBox& face) {
            const int cx = face.x + face.width / 2, cy = face.y + face.height / 2;
            return cx >= heldBox.x && cx < heldBox.x + heldBox.width && cy >= heldBox.y &&
                   cy < heldBox.y + heldBox.height;
        });
        if (!foundAgain) tracks.push_back(held);
    }
    m_tracks = std::move(tracks);
}

FaceLocator::Track FaceLocator::StartTrack(const FaceBox& face, TimePoint found, const DibImage& mask) const
{
    Track track{face.width, face.height, face.x + face.width / 2.0, face.y + face.height / 2.0, false, 0, 0, found};
    double skinX = 0, skinY = 0;
    const int64_t skin =
        RegionCentroid(mask, SkinLocator::kSkinPixel, FollowRegion(face.width, face.height, track.x, track.y), skinX,
                       skinY);
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
    if (!m_failed) Offer(display);
    const DibImage& mask = m_skin.MakeMask(display);
    TakeDetection(mask);
    const TimePoint now = m_settings.now();
    std::erase_if(m_tracks, [&](const Track& t) { return now - t.lastFound > m_settings.holdTime; });
    if (m_tracks.empty()) {
        m_skin.PlaceOnMask(logos);
        return;
    }
    logos.clear();
    for (Track& track : m_tracks) {
        Follow(track, mask);
        logos.push_back(CoverPlacement(m_shape, track.x, track.y, track.width, track.height));
    }
}
