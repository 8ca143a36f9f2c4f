// The face locator's detector: dlib's HOG frontal face detector, whose model is built
// into the library (no file to find or to go wrong), on the display image doubled once so
// that faces down to about 36 pixels are found, with closer looks for smaller faces.
#pragma once

#include <memory>

#include "locate/face_detector.h"

// upsamplings doubles the picture that many times first, to find faces smaller than the
// detector's 80-pixel window; the face locator uses kFaceUpsamplings.
constexpr int kFaceUpsamplings = 1;
// With closeLooks, each detection also looks closer (magnified, and tilted a little) at
// the boxes the whole scan scores just too low, at the small faces found lately, and at one
// of kSweepParts parts of the picture in turn, for faces down to about 22 pixels. A small
// face is then found within kSweepParts detections, and kept from one to the next.
constexpr int kSweepParts = 4;
std::unique_ptr<FaceDetector> MakeDlibFaceDetector(int upsamplings = kFaceUpsamplings, bool closeLooks = true);
