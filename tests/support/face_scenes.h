// Pictures with faces at known boxes, for the face locator's tests and benchmark: photos
// and film frames with boxes labelled by hand (tests/support/faces), and composites made
// from their faces on backgrounds with skin-coloured things that are no faces.
#pragma once

#include <string>
#include <vector>

#include "image/dib_image.h"
#include "locate/logo_placement.h"

namespace face_scenes {

struct Scene {
    std::string name;
    DibImage picture;  // 320 x 240
    std::vector<FaceBox> faces;
};

// The labelled pictures of folder (its labels.txt). Empty when the labels cannot be read;
// a picture that cannot be read is left out.
std::vector<Scene> LabelledPictures(const std::string& folder);

// Composites made from the faces of the labelled pictures: one or two faces on plain,
// textured, wood-coloured and dark backgrounds, with hands, arms and wood of skin colour.
// The last three hold faces of 24 to 30 pixels, far from the camera.
std::vector<Scene> Composites(const std::vector<Scene>& labelled);

}  // namespace face_scenes
