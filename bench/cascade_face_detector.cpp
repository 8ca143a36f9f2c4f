#include "cascade_face_detector.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <filesystem>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <opencv2/objdetect.hpp>

namespace {

bool CentreInside(const cv::Rect& box, const FaceBox& face)
{
    const int cx = box.x + box.width / 2, cy = box.y + box.height / 2;
    return cx >= face.x && cx < face.x + face.width && cy >= face.y && cy < face.y + face.height;
}

class CascadeFaceDetector : public FaceDetector {
public:
    explicit CascadeFaceDetector(const CascadeSettings& settings) : settings_(settings) {}

    bool Load(std::string& error)
    {
        for (const std::string& file : settings_.files) {
            // Only a regular file is read: a FIFO would block.
            std::error_code ignored;
            if (!std::filesystem::is_regular_file(file, ignored)) {
                error = "no face cascade file " + file;
                return false;
            }
            cascades_.emplace_back();
            try {
                if (cascades_.back().load(file) && !cascades_.back().empty()) continue;
                error = "cannot load the face cascade " + file;
            } catch (const std::exception& e) {
                error = "cannot load the face cascade " + file + ": " + e.what();
            }
            return false;
        }
        if (cascades_.empty()) {
            error = "no face cascade given";
            return false;
        }
        return true;
    }

    bool Detect(const DibImage& picture, std::vector<FaceBox>& faces) override
    {
        faces.clear();
        if (!HasPixels(picture)) return true;
        try {
            ToGrey(picture);
            for (cv::CascadeClassifier& cascade : cascades_) {
                AddFaces(cascade, grey_, false, faces);
                if (settings_.mirrored) {
                    cv::flip(grey_, mirrored_, 1);
                    AddFaces(cascade, mirrored_, true, faces);
                }
            }
        } catch (const std::exception&) {
            return false;
        }
        return true;
    }

private:
    void ToGrey(const DibImage& picture)
    {
        colour_.create(picture.Height(), picture.Width(), CV_8UC3);
        for (int32_t row = 0; row < picture.Height(); ++row) {
            std::memcpy(colour_.ptr(row), picture.Row(row), 3 * static_cast<size_t>(picture.Width()));
        }
        cv::cvtColor(colour_, grey_, cv::COLOR_BGR2GRAY);
        cv::equalizeHist(grey_, grey_);
    }

    void AddFaces(cv::CascadeClassifier& cascade, const cv::Mat& grey, bool mirrored, std::vector<FaceBox>& faces)
    {
        cascade.detectMultiScale(grey, found_, settings_.scaleStep, settings_.minNeighbours, 0,
                                 cv::Size(settings_.smallestFace, settings_.smallestFace));
        for (cv::Rect box : found_) {
            if (mirrored) box.x = grey.cols - box.x - box.width;
            if (std::none_of(faces.begin(), faces.end(), [&](const FaceBox& f) { return CentreInside(box, f); })) {
                faces.push_back(FaceBox{box.x, box.y, box.width, box.height});
            }
        }
    }

    CascadeSettings settings_;
    std::vector<cv::CascadeClassifier> cascades_;
    cv::Mat colour_, grey_, mirrored_;
    std::vector<cv::Rect> found_;
};

}  // namespace

std::unique_ptr<FaceDetector> MakeCascadeFaceDetector(const CascadeSettings& settings, std::string& error)
{
    // Detection runs on the locator's one worker thread, not on a pool of OpenCV's own.
    cv::setNumThreads(1);
    auto detector = std::make_unique<CascadeFaceDetector>(settings);
    if (!detector->Load(error)) return nullptr;
    return detector;
}
