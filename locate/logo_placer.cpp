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
    : m_range(range), m_placementFrame(placementFrame), m_key(key), m_skin(range, placementFrame)
{
    SetMode(mode);
}

void LogoPlacer::SetMode(LocateMode mode)
{
    m_mode = mode;
    if (mode == LocateMode::kFace && !m_face) {
        m_face = std::make_unique<FaceLocator>([] { return MakeDlibFaceDetector(); }, m_range, m_placementFrame, m_key);
    }
}

bool LogoPlacer::OneFrameSizedLogo(int* x, int* y) const
{
    if (m_logos.size() != 1 || m_logos[0].width != 0 || m_logos[0].height != 0) return false;
    *x = m_logos[0].x;
    *y = m_logos[0].y;
    return true;
}

void LogoPlacer::Draw(DibImage& display, const DibImage& frame)
{
    LogoLocator& locator = m_mode == LocateMode::kFace ? static_cast<LogoLocator&>(*m_face) : m_skin;
    locator.Locate(display, m_logos);
    for (const LogoRect& logo : m_logos) DrawLogo(display, frame, logo, m_key);
}
