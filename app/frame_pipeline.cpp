// One tick of the frame pipeline, and the snapshot: the newest camera frame becomes the
// 320 x 240 display image, with the animated logo pasted over the face in Intercepter mode.
#include <cstdint>

#include "app/capture_dialog.h"
#include "app/pipeline_settings.h"
#include "app/program_files.h"
#include "image/resample.h"
#include "image/skin_overlay.h"
#include "output/output_set.h"

namespace {

// Kept from tick to tick and across Stop and Start, for the whole process.
int s_busy = 0;
int s_tickCount = 0;
int s_logoIndex = 0;
int32_t s_snapshotCount = 0;

}  // namespace

void CCaptureDialog::OnTimer(UINT_PTR /*nIDEvent*/)
{
    // Made on the first tick and destroyed at process exit, the mask first.
    static DibImage s_cameraFrame;
    static DibImage s_skinMask;
    // Every logo frame is placed with frame 0's half size (or, when frame 0 is missing,
    // that of the first frame there is, so that the logo stays centred on the face).
    static double s_logoHalfWidth = static_cast<double>(PlacementFrame(m_logoFrames).Width()) * kHalf;
    static double s_logoHalfHeight = static_cast<double>(PlacementFrame(m_logoFrames).Height()) * kHalf;

    if (s_busy == 0) {
        s_busy = 1;

        // The logo moves on every third tick, before that tick uses it.
        const int tick = s_tickCount;
        if (tick == kTicksPerLogoFrame - 1 && ++s_logoIndex > kLogoFrameCount - 1) {
            s_logoIndex = 0;
        }
        if (++s_tickCount > kTicksPerLogoFrame - 1) {
            s_tickCount = 0;
        }

        m_capture.FetchFrame(kCaptureDevice, s_cameraFrame);
        ResizeImage(s_cameraFrame, m_displayImage, kDisplayWidth, kDisplayHeight);

        LogoPlacement logo;
        if (m_intercept != 0) {
            YCbCrRangeMask(m_displayImage, s_skinMask, kSkinLower, kSkinUpper, kMaskInside, kMaskOutside);
            double cx = 0.0;
            double cy = 0.0;
            ColourCentroid(s_skinMask, kMaskInside, cx, cy);
            // Truncated toward zero. Logo sizes are bounded, so both fit an int.
            const int x = static_cast<int32_t>(cx - s_logoHalfWidth);
            const int y = static_cast<int32_t>(cy - s_logoHalfHeight);
            KeyedBlit(m_displayImage, m_logoFrames[s_logoIndex], x, y, kLogoKey);
            logo = LogoPlacement{&m_logoFrames[s_logoIndex], x, y, kLogoKey};
        }
        FrameOutputs().HandOver(m_displayImage, s_cameraFrame, logo);

        InvalidateRect(&m_displayRect, FALSE);
        s_busy = 0;
    }
    Default();
}

void CCaptureDialog::OnSnapshot()
{
    // Never over a file that is there: the number moves on to the next free name.
    m_lastSnapshot =
        WriteSnapshot(m_displayImage, m_snapshotPattern, &s_snapshotCount, ProgramFilesInUse().snapshotFolder);
}
