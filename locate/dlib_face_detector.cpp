#include "locate/dlib_face_detector.h"

#include <algorithm>
#include <cmath>
#include <exception>

#include <dlib/image_processing/frontal_face_detector.h>
#include <dlib/image_transforms.h>

namespace {

using Detector = dlib::frontal_face_detector;

// The detector's boxes run from the brows to the chin; the forehead above them is about a
// quarter of their height.
constexpr int kForeheadShare = 4;
// The detector's window: a face is found when it is about this many pixels wide in the
// picture it scans.
constexpr double kWindow = 80;

// Closer looks. The whole picture is doubled once, which finds faces down to about 36
// pixels. Smaller faces, of about 22 to 32 pixels, are looked for in one part of the
// picture a detection, magnified kSweepMagnification times and scanned at that one scale
// (kSweepLevels); the parts take turns, kSweepColumns x kSweepRows of them, each reaching
// kSweepOverlap pixels into its neighbours so that a face on a border lies whole in one of
// them. The other close looks scan the kCloseLevels largest scales of what they magnify.
constexpr double kSweepMagnification = 3;
constexpr int kSweepColumns = 2, kSweepRows = 2, kSweepOverlap = 20;
static_assert(kSweepColumns * kSweepRows == kSweepParts);
constexpr unsigned long kCloseLevels = 2, kSweepLevels = 1;
// A face found small is looked at again on each detection, for kRecheckDetections after it
// was last found, so that it does not wait for the sweep to come round again.
constexpr int kRecheckDetections = 3;
// Below kSmallFace pixels the doubled picture finds faces only weakly: a box the doubled
// scan scores above kCandidateScore (but under 0, where it counts) is looked at closely.
constexpr double kSmallFace = 48;
constexpr double kCandidateScore = -0.5;
// A close look around a face or a candidate reaches this share of its size beyond it, is
// magnified so that the face fills the window, and is also taken tilted by kTilt radians
// either way, as faces leaning that much score low upright (the blurred, leaning face of
// the labelled pictures scores just above the threshold upright, clearly above tilted).
constexpr double kLookMargin = 0.5;
constexpr double kTilt = 8 * 3.14159265358979 / 180;
constexpr double kMostMagnification = 4;
// At most this many close looks a detection besides the sweep, the largest faces first.
constexpr size_t kMostLooks = 4;

// Where a close look samples the picture: a region of the grey picture, magnified and
// turned about its centre.
struct Look {
    dlib::drectangle region;  // picture pixels
    double magnification;
    double tilt;  // radians
    bool sweep;
};

bool CentreInside(const dlib::drectangle& box, const dlib::drectangle& in)
{
    return in.contains(dlib::center(box));
}

// The detector as made by dlib, scanning only its largest scales.
Detector MakeCloseDetector(const Detector& whole, unsigned long levels)
{
    Detector::image_scanner_type scanner;
    scanner.copy_configuration(whole.get_scanner());
    scanner.set_max_pyramid_levels(levels);
    std::vector<Detector::feature_vector_type> weights;
    for (unsigned long i = 0; i < whole.num_detectors(); ++i) weights.push_back(whole.get_w(i));
    return Detector(scanner, whole.get_overlap_tester(), weights);
}

class DlibFaceDetector : public FaceDetector {
public:
    DlibFaceDetector(int upsamplings, bool closeLooks)
        : upsamplings_(upsamplings),
          closeLooks_(closeLooks),
          close_(MakeCloseDetector(detector_, kCloseLevels)),
          sweep_(MakeCloseDetector(detector_, kSweepLevels))
    {}

    bool Detect(const DibImage& picture, std::vector<FaceBox>& faces) override
    {
        faces.clear();
        if (!HasPixels(picture)) {
            recent_.clear();
            return true;
        }
        try {
            grey_.set_size(picture.Height(), picture.Width());
            for (int32_t row = 0; row < picture.Height(); ++row) {
                for (int32_t column = 0; column < picture.Width(); ++column) {
                    const BgrPixel& p = *PixelAt(picture.Row(row), column);
                    grey_[row][column] = static_cast<unsigned char>((29 * p.b + 150 * p.g + 77 * p.r) >> 8);
                }
            }
            std::vector<dlib::drectangle> found;
            std::vector<dlib::drectangle> candidates;
            ScanWhole(found, candidates);
            if (closeLooks_) LookCloser(found, candidates);
            for (const dlib::drectangle& box : found) {
                const int height = static_cast<int>(box.height());
                const int forehead = height / kForeheadShare;
                faces.push_back(FaceBox{static_cast<int>(box.left()), static_cast<int>(box.top()) - forehead,
                                        static_cast<int>(box.width()), height + forehead});
            }
        } catch (const std::exception&) {
            return false;
        }
        return true;
    }

private:
    struct Recent {
        dlib::drectangle box;
        int detectionsLeft;
    };

    // The whole picture, doubled upsamplings_ times: the faces it finds, and the small
    // boxes it scores too low to count, in picture pixels.
    void ScanWhole(std::vector<dlib::drectangle>& found, std::vector<dlib::drectangle>& candidates)
    {
        dlib::assign_image(scanned_, grey_);
        for (int i = 0; i < upsamplings_; ++i) dlib::pyramid_up(scanned_);
        const double shrink = std::ldexp(1.0, upsamplings_);
        std::vector<dlib::rect_detection> detections;
        detector_(scanned_, detections, closeLooks_ ? kCandidateScore : 0.0);
        for (const dlib::rect_detection& detection : detections) {
            const dlib::drectangle box(detection.rect.left() / shrink, detection.rect.top() / shrink,
                                       (detection.rect.right() + 1) / shrink - 1,
                                       (detection.rect.bottom() + 1) / shrink - 1);
            if (detection.detection_confidence >= 0) {
                found.push_back(box);
            } else if (box.width() < kSmallFace) {
                candidates.push_back(box);
            }
        }
    }

    // Looks closer at the candidates, at the small faces found lately and at this
    // detection's part of the sweep, and adds the faces found there that are new.
    void LookCloser(std::vector<dlib::drectangle>& found, const std::vector<dlib::drectangle>& candidates)
    {
        std::vector<dlib::drectangle> around = candidates;
        for (const Recent& recent : recent_) around.push_back(recent.box);
        std::stable_sort(around.begin(), around.end(),
                         [](const dlib::drectangle& a, const dlib::drectangle& b) { return a.area() > b.area(); });
        std::vector<Look> looks;
        std::vector<dlib::drectangle> looked;
        for (const dlib::drectangle& box : around) {
            if (looked.size() == kMostLooks) break;
            const auto covered = [&](const dlib::drectangle& other) { return CentreInside(box, other); };
            if (std::any_of(found.begin(), found.end(), covered)) continue;
            if (std::any_of(looked.begin(), looked.end(), covered)) continue;
            const double reach = kLookMargin * std::max(box.width(), box.height());
            const dlib::drectangle region(box.left() - reach, box.top() - reach, box.right() + reach,
                                          box.bottom() + reach);
            looked.push_back(region);
            const double magnification = std::clamp(kWindow / box.width(), 1.0, kMostMagnification);
            for (const double tilt : {0.0, kTilt, -kTilt}) looks.push_back(Look{region, magnification, tilt, false});
        }
        looks.push_back(Look{SweepPart(), kSweepMagnification, 0.0, true});

        for (Recent& recent : recent_) --recent.detectionsLeft;
        for (const Look& look : looks) {
            for (const dlib::drectangle& face : Scan(look)) {
                const auto same = [&](const dlib::drectangle& other) {
                    return CentreInside(face, other) || CentreInside(other, face);
                };
                if (std::none_of(found.begin(), found.end(), same)) found.push_back(face);
                std::erase_if(recent_, [&](const Recent& recent) { return same(recent.box); });
                recent_.push_back(Recent{face, kRecheckDetections});
            }
        }
        std::erase_if(recent_, [](const Recent& recent) { return recent.detectionsLeft <= 0; });
    }

    // The part of the picture the sweep looks at this time; the next time, the next part.
    dlib::drectangle SweepPart()
    {
        const int part = sweepPart_;
        sweepPart_ = (sweepPart_ + 1) % (kSweepColumns * kSweepRows);
        const double width = static_cast<double>(grey_.nc()) / kSweepColumns;
        const double height = static_cast<double>(grey_.nr()) / kSweepRows;
        const double left = (part % kSweepColumns) * width, top = (part / kSweepColumns) * height;
        return dlib::drectangle(left - kSweepOverlap, top - kSweepOverlap, left + width + kSweepOverlap - 1,
                                top + height + kSweepOverlap - 1);
    }

    // The faces found in a look, as boxes in picture pixels.
    std::vector<dlib::drectangle> Scan(const Look& look)
    {
        const dlib::drectangle region = look.region.intersect(
            dlib::drectangle(0, 0, static_cast<double>(grey_.nc() - 1), static_cast<double>(grey_.nr() - 1)));
        const long columns = std::lround(region.width() * look.magnification);
        const long rows = std::lround(region.height() * look.magnification);
        if (columns < kWindow || rows < kWindow) return {};
        // Each sample of the look is the picture, bilinearly, at its place turned back.
        const dlib::dpoint middle = dlib::center(region);
        const double cosine = std::cos(look.tilt) / look.magnification;
        const double sine = std::sin(look.tilt) / look.magnification;
        const auto toPicture = [&](double column, double row) {
            const double dx = column - columns / 2.0, dy = row - rows / 2.0;
            return dlib::dpoint(middle.x() + cosine * dx - sine * dy, middle.y() + sine * dx + cosine * dy);
        };
        look_.set_size(rows, columns);
        const long lastColumn = grey_.nc() - 1, lastRow = grey_.nr() - 1;
        for (long row = 0; row < rows; ++row) {
            for (long column = 0; column < columns; ++column) {
                const dlib::dpoint at = toPicture(column + 0.5, row + 0.5);
                const double x = std::clamp(at.x() - 0.5, 0.0, static_cast<double>(lastColumn));
                const double y = std::clamp(at.y() - 0.5, 0.0, static_cast<double>(lastRow));
                const long x0 = static_cast<long>(x), y0 = static_cast<long>(y);
                const long x1 = std::min(x0 + 1, lastColumn), y1 = std::min(y0 + 1, lastRow);
                const double fx = x - x0, fy = y - y0;
                const double top = grey_[y0][x0] + fx * (grey_[y0][x1] - grey_[y0][x0]);
                const double bottom = grey_[y1][x0] + fx * (grey_[y1][x1] - grey_[y1][x0]);
                look_[row][column] = static_cast<unsigned char>(std::lround(top + fy * (bottom - top)));
            }
        }
        std::vector<dlib::drectangle> faces;
        for (const dlib::rectangle& box : (look.sweep ? sweep_ : close_)(look_)) {
            const dlib::dpoint centre =
                toPicture((box.left() + box.right() + 1) / 2.0, (box.top() + box.bottom() + 1) / 2.0);
            faces.push_back(
                dlib::centered_drect(centre, box.width() / look.magnification, box.height() / look.magnification));
        }
        return faces;
    }

    int upsamplings_;
    bool closeLooks_;
    Detector detector_ = dlib::get_frontal_face_detector();
    Detector close_, sweep_;
    dlib::array2d<unsigned char> grey_, scanned_, look_;
    int sweepPart_ = 0;
    std::vector<Recent> recent_;
};

}  // namespace

std::unique_ptr<FaceDetector> MakeDlibFaceDetector(int upsamplings, bool closeLooks)
{
    try {
        return std::make_unique<DlibFaceDetector>(upsamplings, closeLooks);
    } catch (const std::exception&) {
        return nullptr;
    }
}
