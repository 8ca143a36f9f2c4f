// The face locator's detector: dlib's HOG frontal face detector, whose model is built
// into the library (no file to find or to go wrong), on the display image doubled once so
// that faces down to about 40 pixels are found.
#pragma once

#include <memory>

#include "locate/face_detector.h"

// upsamplings doubles the picture that many times first, to find faces smaller than the
// detector's 80-pixel window; the face locator uses kFaceUpsamplings.
constexpr int kFaceUpsamplings = 1;
std::unique_ptr<FaceDetector> MakeDlibFaceDetector(int upsamplings = kFaceUpsamplings);
