#include "locate/logo_placer.h"

#include "locate/dlib_face_detector.h"

namespace {
LocateMode s_startingMode = LocateMode::kSkin;
}  // namespace

void SetStartingLocateMode(LocateMode mode)
{
    s_startingMode = mode;
}

LocateMode StartingLocateMode()
{
    return s_startingMode;
}

LogoPlacer::LogoPlacer(SkinRange range, const DibImage& placementFrame, BgrPixel key, LocateMode mode)
    : range_(range), placementFrame_(placementFrame), key_(key), skin_(range, placementFrame)
{
    SetMode(mode);
}

void LogoPlacer::SetMode(LocateMode mode)
{
    mode_ = mode;
    if (mode == LocateMode::kFace && !face_) {
        face_ = std::make_unique<FaceLocator>([] { return MakeDlibFaceDetector(); }, range_, placementFrame_, key_);
    }
}

bool LogoPlacer::OneFrameSizedLogo(int* x, int* y) const
{
    if (logos_.size() != 1 || logos_[0].width != 0 || logos_[0].height != 0) return false;
    *x = logos_[0].x;
    *y = logos_[0].y;
    return true;
}

void LogoPlacer::Draw(DibImage& display, const DibImage& frame)
{
    LogoLocator& locator = mode_ == LocateMode::kFace ? static_cast<LogoLocator&>(*face_) : skin_;
    locator.Locate(display, logos_);
    for (const LogoRect& logo : logos_) DrawLogo(display, frame, logo, key_);
}
