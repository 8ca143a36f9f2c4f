// Where the logo lands, for the designed skin placement and for each candidate face
// detector, on the labelled pictures and the composites (tests/support/face_scenes.h):
//   face-centre coverage  labelled faces whose centre lies under a drawn logo pixel
//   whole-face coverage   the mean share of a face box under drawn logo pixels
//   stray logos           logos whose centre lies in no face box
//   detection             median processor time of one detection on the 320 x 240 picture,
//                         and what it costs in % of one core at one detection a tick
//                         (33 a second) and at one every 200 ms, the face locator's
//                         fastest pace
// A detected face gets the logo the face locator draws on a detection frame: scaled to
// cover the box, up to kMostFaces faces.
// Then the face locator itself runs as the program runs it, a tick every 30 ms for
// --seconds, on the pictures in turn (three seconds each), against the skin locator on the
// same ticks: the time a tick spends locating and drawing the logos, the detector's worker
// thread's processor time as a share of one core, and where the logos are in each
// picture's last second.
//   face_bench [--write=FOLDER] [--seconds=N] [--only=A,B]
//     FOLDER gets each picture with its logos; N is by default long enough to show each
//     picture once; --only scores only the candidates named (skin, haar-frontal, ...,
//     dlib-hog-closer)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <thread>

#include <time.h>
#include <string>
#include <vector>

#include <windef.h>

#include "app/pipeline_settings.h"
#include "face_scenes.h"
#include "cascade_face_detector.h"
#include "locate/dlib_face_detector.h"
#include "locate/face_locator.h"
#include "locate/logo_locator.h"

namespace {

using face_scenes::Scene;

struct Candidate {
    std::string name;
    std::unique_ptr<FaceDetector> detector;  // null: the designed skin placement
};

struct Tally {
    int faces = 0;
    int centresCovered = 0;
    double coverageSum = 0;
    int logos = 0;
    int strayLogos = 0;
    std::vector<double> detectionMs;
};

bool Inside(const FaceBox& box, int x, int y)
{
    return x >= box.x && x < box.x + box.width && y >= box.y && y < box.y + box.height;
}

bool IsLogo(const DibImage& canvas, int x, int y)
{
    if (x < 0 || y < 0 || x >= canvas.Width() || y >= canvas.Height()) return false;
    const BgrPixel& p = *PixelAt(canvas.Row(y), x);
    return !(p.b == kLogoKey.b && p.g == kLogoKey.g && p.r == kLogoKey.r);
}

// The rectangle a logo covers, the frame's own size for a placement without one.
LogoRect Sized(LogoRect logo, const DibImage& frame)
{
    if (logo.width == 0 && logo.height == 0) {
        logo.width = frame.Width();
        logo.height = frame.Height();
    }
    return logo;
}

void Score(const Scene& scene, const std::vector<LogoRect>& logos, const DibImage& frame, Tally& tally,
           const std::string& writeFolder, const std::string& candidate)
{
    DibImage canvas;
    canvas.SetSize(scene.picture.Width(), scene.picture.Height());
    for (int y = 0; y < canvas.Height(); ++y) {
        for (int x = 0; x < canvas.Width(); ++x) *PixelAt(canvas.Row(y), x) = kLogoKey;
    }
    for (const LogoRect& logo : logos) DrawLogo(canvas, frame, logo, kLogoKey);

    for (const FaceBox& face : scene.faces) {
        ++tally.faces;
        tally.centresCovered += IsLogo(canvas, face.x + face.width / 2, face.y + face.height / 2) ? 1 : 0;
        int covered = 0;
        for (int y = face.y; y < face.y + face.height; ++y) {
            for (int x = face.x; x < face.x + face.width; ++x) covered += IsLogo(canvas, x, y) ? 1 : 0;
        }
        tally.coverageSum += static_cast<double>(covered) / (face.width * face.height);
    }
    for (const LogoRect& placed : logos) {
        const LogoRect logo = Sized(placed, frame);
        ++tally.logos;
        const int cx = logo.x + logo.width / 2, cy = logo.y + logo.height / 2;
        if (std::none_of(scene.faces.begin(), scene.faces.end(), [&](const FaceBox& f) { return Inside(f, cx, cy); })) {
            ++tally.strayLogos;
        }
    }
    if (!writeFolder.empty()) {
        DibImage shown = scene.picture;
        for (const LogoRect& logo : logos) DrawLogo(shown, frame, logo, kLogoKey);
        shown.WriteBmp((writeFolder + "/" + candidate + "-" + scene.name + ".bmp").c_str());
    }
}

double ThreadCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + t.tv_nsec / 1e9;
}

double ProcessCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + t.tv_nsec / 1e9;
}

double Median(std::vector<double> values)
{
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void Evaluate(Candidate& candidate, const std::vector<Scene>& scenes, const char* set, const DibImage& frame,
              const std::string& writeFolder)
{
    // Enough detections of each picture for the closer detector's sweep to go round it;
    // the last one is scored.
    constexpr int kRepetitions = std::max(5, kSweepParts);
    const LogoShape shape = ShapeOf(frame, kLogoKey);
    Tally tally;
    for (const Scene& scene : scenes) {
        std::vector<LogoRect> logos;
        if (!candidate.detector) {
            SkinLocator(SkinRange{kSkinLower, kSkinUpper}, frame).Locate(scene.picture, logos);
        } else {
            std::vector<FaceBox> faces;
            // Processor time, not wall time: the machine is shared.
            for (int i = 0; i < kRepetitions; ++i) {
                const double start = ThreadCpuSeconds();
                candidate.detector->Detect(scene.picture, faces);
                tally.detectionMs.push_back(1000.0 * (ThreadCpuSeconds() - start));
            }
            KeepLargestFaces(faces);
            for (const FaceBox& face : faces) {
                logos.push_back(CoverPlacement(shape, face.x + face.width / 2.0, face.y + face.height / 2.0, face.width,
                                               face.height));
            }
        }
        Score(scene, logos, frame, tally, writeFolder, candidate.name);
    }
    const double ms = Median(tally.detectionMs);
    std::printf("| %s | %s | %d | %d (%.0f %%) | %.0f %% | %d | %d | %.2f | %.0f | %.1f |\n", candidate.name.c_str(),
                set, tally.faces, tally.centresCovered, 100.0 * tally.centresCovered / std::max(1, tally.faces),
                100.0 * tally.coverageSum / std::max(1, tally.faces), tally.logos, tally.strayLogos, ms,
                ms * 33.0 / 10.0, ms / kDetectionIntervalMs * 100.0);
}

// Prints a row of where the logos landed, without the detector's columns.
void PrintCoverage(const char* locator, const char* set, const Tally& tally)
{
    std::printf("| %s | %s | %d | %.0f %% | %.0f %% | %.2f | %d |\n", locator, set, tally.faces,
                100.0 * tally.centresCovered / std::max(1, tally.faces),
                100.0 * tally.coverageSum / std::max(1, tally.faces),
                static_cast<double>(tally.logos) / std::max(1, tally.faces), tally.strayLogos);
}

// Runs ticks of the two locators on the same pictures, kPictureTicks ticks each, and prints
// the tick times, the worker's share of a core, and where the logos were on the last
// kScoredTicks ticks of each picture, once the face locator had time to find its faces.
void RunLive(const std::vector<Scene>& scenes, size_t composites, const DibImage& frame, double seconds)
{
    constexpr auto kTick = std::chrono::milliseconds(30);
    constexpr int kPictureTicks = 100, kScoredTicks = 33;
    const SkinRange range{kSkinLower, kSkinUpper};
    SkinLocator skin(range, frame);
    FaceLocator face([] { return MakeDlibFaceDetector(); }, range, frame, kLogoKey);
    std::vector<double> skinMicros, faceMicros;
    Tally skinTally[2], faceTally[2];  // composites, labelled
    std::vector<LogoRect> logos;
    DibImage display;
    const auto start = std::chrono::steady_clock::now();
    const double processStart = ProcessCpuSeconds(), tickThreadStart = ThreadCpuSeconds();
    auto next = start;
    for (int tick = 0; std::chrono::steady_clock::now() - start < std::chrono::duration<double>(seconds); ++tick) {
        const size_t index = static_cast<size_t>(tick / kPictureTicks) % scenes.size();
        const Scene& scene = scenes[index];
        const bool scored = tick % kPictureTicks >= kPictureTicks - kScoredTicks;
        for (LogoLocator* locator : {static_cast<LogoLocator*>(&skin), static_cast<LogoLocator*>(&face)}) {
            display = scene.picture;
            const auto begin = std::chrono::steady_clock::now();
            locator->Locate(display, logos);
            for (const LogoRect& logo : logos) DrawLogo(display, frame, logo, kLogoKey);
            const double micros =
                std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - begin).count();
            (locator == &skin ? skinMicros : faceMicros).push_back(micros);
            Tally& tally = (locator == &skin ? skinTally : faceTally)[index < composites ? 0 : 1];
            if (scored) Score(scene, logos, frame, tally, "", "");
        }
        next += kTick;
        std::this_thread::sleep_until(next);
    }
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double worker = (ProcessCpuSeconds() - processStart) - (ThreadCpuSeconds() - tickThreadStart);
    std::printf("\n%zu ticks in %.1f s, %llu detections\n\n| per tick | median µs | 90th µs |\n|---|---:|---:|\n",
                skinMicros.size(), wall, static_cast<unsigned long long>(face.Detections()));
    auto quantile = [](std::vector<double> v, double q) {
        std::sort(v.begin(), v.end());
        return v.empty() ? 0.0 : v[static_cast<size_t>(q * static_cast<double>(v.size() - 1))];
    };
    std::printf("| skin: mask, centroid, logo | %.1f | %.1f |\n", quantile(skinMicros, 0.5), quantile(skinMicros, 0.9));
    std::printf("| face: mask, follow, logos | %.1f | %.1f |\n", quantile(faceMicros, 0.5), quantile(faceMicros, 0.9));
    std::vector<double> extra;
    for (size_t i = 0; i < faceMicros.size(); ++i) extra.push_back(faceMicros[i] - skinMicros[i]);
    std::printf("| face's extra time | %.1f | %.1f |\n", quantile(extra, 0.5), quantile(extra, 0.9));
    std::printf("\ndetector worker: %.1f %% of one core\n", 100.0 * worker / wall);
    std::printf(
        "\nOn the last %d of each picture's %d ticks (faces counted once a tick):\n\n"
        "| locator | pictures | faces | centres covered | whole-face coverage | logos a face | stray logos |\n"
        "|---|---|---:|---:|---:|---:|---:|\n",
        kScoredTicks, kPictureTicks);
    PrintCoverage("skin", "composites", skinTally[0]);
    PrintCoverage("skin", "labelled", skinTally[1]);
    PrintCoverage("face", "composites", faceTally[0]);
    PrintCoverage("face", "labelled", faceTally[1]);
}

Candidate Cascades(const std::string& name, std::vector<std::string> files, bool mirrored)
{
    CascadeSettings settings;
    settings.files = std::move(files);
    settings.mirrored = mirrored;
    std::string error;
    Candidate candidate{name, MakeCascadeFaceDetector(settings, error)};
    if (!candidate.detector) std::fprintf(stderr, "face_bench: %s: %s\n", name.c_str(), error.c_str());
    return candidate;
}

}  // namespace

int main(int argc, char** argv)
{
    std::string writeFolder, only;
    double seconds = 0;  // each picture once
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--write=", 8) == 0) writeFolder = argv[i] + 8;
        if (std::strncmp(argv[i], "--only=", 7) == 0) only = std::string(",") + (argv[i] + 7) + ",";
        if (std::strncmp(argv[i], "--seconds=", 10) == 0) seconds = std::atof(argv[i] + 10);
    }
    DibImage frame;
    if (frame.ReadBmp(QM_RUN_DIR "/images/laugh0000.bmp") != 0) {
        std::fprintf(stderr, "face_bench: no logo frame in " QM_RUN_DIR "/images\n");
        return 1;
    }
    const std::vector<Scene> pictures = face_scenes::LabelledPictures(QM_FACES_DIR);
    const std::vector<Scene> composites = face_scenes::Composites(pictures);
    if (pictures.empty() || composites.empty()) {
        std::fprintf(stderr, "face_bench: no labelled pictures in " QM_FACES_DIR "\n");
        return 1;
    }

    const std::string haar = QM_CASCADE_DIR "/haarcascades/", lbp = QM_CASCADE_DIR "/lbpcascades/";
    std::vector<Candidate> candidates;
    candidates.push_back(Candidate{"skin", nullptr});
    candidates.push_back(Cascades("haar-frontal", {haar + "haarcascade_frontalface_default.xml"}, false));
    candidates.push_back(Cascades("haar-frontal-alt2", {haar + "haarcascade_frontalface_alt2.xml"}, false));
    candidates.push_back(Cascades("haar-profile", {haar + "haarcascade_profileface.xml"}, true));
    candidates.push_back(Cascades("haar-frontal+profile",
                                  {haar + "haarcascade_frontalface_default.xml", haar + "haarcascade_profileface.xml"},
                                  true));
    candidates.push_back(Cascades("lbp-frontal", {lbp + "lbpcascade_frontalface_improved.xml"}, false));
    candidates.push_back(Candidate{"dlib-hog", MakeDlibFaceDetector(0, false)});
    candidates.push_back(Candidate{"dlib-hog-upsampled", MakeDlibFaceDetector(1, false)});
    candidates.push_back(Candidate{"dlib-hog-closer", MakeDlibFaceDetector(1, true)});

    std::printf(
        "| locator | pictures | faces | centres covered | whole-face coverage | logos | stray logos | "
        "detection ms | CPU %% at 33/s | CPU %% at 5/s |\n"
        "|---|---|---:|---:|---:|---:|---:|---:|---:|---:|\n");
    for (Candidate& candidate : candidates) {
        if (candidate.name != "skin" && !candidate.detector) continue;
        if (!only.empty() && only.find("," + candidate.name + ",") == std::string::npos) continue;
        Evaluate(candidate, composites, "composites", frame, writeFolder);
        Evaluate(candidate, pictures, "labelled", frame, writeFolder);
    }
    std::fflush(stdout);

    std::vector<Scene> all = composites;
    all.insert(all.end(), pictures.begin(), pictures.end());
    RunLive(all, composites.size(), frame, seconds > 0 ? seconds : 3.0 * static_cast<double>(all.size()));
    return 0;
}
