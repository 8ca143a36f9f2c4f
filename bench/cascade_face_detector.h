// Faces found by OpenCV's cascade classifiers, from the cascade files Debian's
// opencv-data installs: candidates measured by the face benchmark, not used by the program.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "locate/face_detector.h"

struct CascadeSettings {
    // Every cascade is run on the picture; a box whose centre lies in a face already found
    // is the same face. A profile cascade finds faces turned one way: with mirrored, it is
    // run on the mirrored picture as well.
    std::vector<std::string> files;
    bool mirrored = false;
    double scaleStep = 1.1;
    int minNeighbours = 4;
    int smallestFace = 20;  // pixels a side
};

// Null, with why in error, when a cascade file is missing or is no cascade.
std::unique_ptr<FaceDetector> MakeCascadeFaceDetector(const CascadeSettings& settings, std::string& error);
