// One tick of the frame pipeline, and the snapshot: the newest camera frame becomes the
// 320 x 240 display image, with the animated logo pasted over the face in Intercepter mode.
#include <cstdint>

#include "app/capture_dialog.h"
#include "app/pipeline_settings.h"
#include "app/program_files.h"
#include "image/resample.h"
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
    // Made on the first tick and destroyed at process exit.
    static DibImage s_cameraFrame;

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
        if (m_intercept != 0 && m_logoPlacer) {
            // By skin colour: the centroid of the skin mask less the placement frame's half
            // size, truncated toward zero; or on faces, when chosen (locate/).
            m_logoPlacer->Draw(m_displayImage, m_logoFrames[s_logoIndex]);
            int x = 0;
            int y = 0;
            if (m_logoPlacer->OneFrameSizedLogo(&x, &y)) {
                logo = LogoPlacement{&m_logoFrames[s_logoIndex], x, y, kLogoKey};
            } else if (!m_logoPlacer->Logos().empty()) {
                // Scaled logos on faces: outputs of another size scale each of them again.
                logo = LogoPlacement{&m_logoFrames[s_logoIndex], 0, 0, kLogoKey, m_logoPlacer->Logos()};
            }
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
