#include "locate/dlib_face_detector.h"

#include <exception>

#include <dlib/image_processing/frontal_face_detector.h>
#include <dlib/image_transforms.h>

namespace {

// The detector's boxes run from the brows to the chin; the forehead above them is about a
// quarter of their height.
constexpr int kForeheadShare = 4;

class DlibFaceDetector : public FaceDetector {
public:
    explicit DlibFaceDetector(int upsamplings) : m_upsamplings(upsamplings) {}

    bool Detect(const DibImage& picture, std::vector<FaceBox>& faces) override
    {
        faces.clear();
        if (!HasPixels(picture)) return true;
        try {
            m_grey.set_size(picture.Height(), picture.Width());
            for (int32_t row = 0; row < picture.Height(); ++row) {
                for (int32_t column = 0; column < picture.Width(); ++column) {
                    const BgrPixel& p = *PixelAt(picture.Row(row), column);
                    m_grey[row][column] = static_cast<unsigned char>((29 * p.b + 150 * p.g + 77 * p.r) >> 8);
                }
            }
            for (int i = 0; i < m_upsamplings; ++i) dlib::pyramid_up(m_grey);
            const long shrink = 1L << m_upsamplings;
            for (const dlib::rectangle& box : m_detector(m_grey)) {
                const int height = static_cast<int>(box.height() / shrink);
                const int forehead = height / kForeheadShare;
                faces.push_back(FaceBox{static_cast<int>(box.left() / shrink),
                                        static_cast<int>(box.top() / shrink) - forehead,
                                        static_cast<int>(box.width() / shrink), height + forehead});
            }
        } catch (const std::exception&) {
            return false;
        }
        return true;
    }

private:
    int m_upsamplings;
    dlib::frontal_face_detector m_detector = dlib::get_frontal_face_detector();
    dlib::array2d<unsigned char> m_grey;
};

}  // namespace

std::unique_ptr<FaceDetector> MakeDlibFaceDetector(int upsamplings)
{
    try {
        return std::make_unique<DlibFaceDetector>(upsamplings);
    } catch (const std::exception&) {
        return nullptr;
    }
}
