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
    explicit CascadeFaceDetector(const CascadeSettings& settings) : m_settings(settings) {}

    bool Load(std::string& error)
    {
        for (const std::string& file : m_settings.files) {
            // Only a regular file is read: a FIFO would block.
            std::error_code ignored;
            if (!std::filesystem::is_regular_file(file, ignored)) {
                error = "no face cascade file " + file;
                return false;
            }
            m_cascades.emplace_back();
            try {
                if (m_cascades.back().load(file) && !m_cascades.back().empty()) continue;
                error = "cannot load the face cascade " + file;
            } catch (const std::exception& e) {
                error = "cannot load the face cascade " + file + ": " + e.what();
            }
            return false;
        }
        if (m_cascades.empty()) {
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
            for (cv::CascadeClassifier& cascade : m_cascades) {
                AddFaces(cascade, m_grey, false, faces);
                if (m_settings.mirrored) {
                    cv::flip(m_grey, m_mirrored, 1);
                    AddFaces(cascade, m_mirrored, true, faces);
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
        m_colour.create(picture.Height(), picture.Width(), CV_8UC3);
        for (int32_t row = 0; row < picture.Height(); ++row) {
            std::memcpy(m_colour.ptr(row), picture.Row(row), 3 * static_cast<size_t>(picture.Width()));
        }
        cv::cvtColor(m_colour, m_grey, cv::COLOR_BGR2GRAY);
        cv::equalizeHist(m_grey, m_grey);
    }

    void AddFaces(cv::CascadeClassifier& cascade, const cv::Mat& grey, bool mirrored, std::vector<FaceBox>& faces)
    {
        cascade.detectMultiScale(grey, m_found, m_settings.scaleStep, m_settings.minNeighbours, 0,
                                 cv::Size(m_settings.smallestFace, m_settings.smallestFace));
        for (cv::Rect box : m_found) {
            if (mirrored) box.x = grey.cols - box.x - box.width;
            if (std::none_of(faces.begin(), faces.end(), [&](const FaceBox& f) { return CentreInside(box, f); })) {
                faces.push_back(FaceBox{box.x, box.y, box.width, box.height});
            }
        }
    }

    CascadeSettings m_settings;
    std::vector<cv::CascadeClassifier> m_cascades;
    cv::Mat m_colour, m_grey, m_mirrored;
    std::vector<cv::Rect> m_found;
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
