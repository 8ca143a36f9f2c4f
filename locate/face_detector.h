// A face detector: the faces in one display image. Detectors run on the locator's worker
// thread, one call at a time.
#pragma once

#include <vector>

#include "image/dib_image.h"
#include "locate/logo_placement.h"

class FaceDetector {
public:
    virtual ~FaceDetector() = default;
    // Replaces faces with the boxes of the faces in picture, in any order. False when the
    // detector failed; it is then not asked again.
    virtual bool Detect(const DibImage& picture, std::vector<FaceBox>& faces) = 0;
};
