// The logo animation: 60 BMP frames, images\laugh0000.bmp to images\laugh0059.bmp in the
// working folder, or in the installed data folder.
#pragma once

#include <string>

#include "image/dib_image.h"

constexpr int kLogoFrameCount = 60;
extern const char kLogoFolder[];
extern const char kLogoFramePattern[];

// Reads every frame from the folder that holds images\ ("" for the working folder); a
// frame that cannot be read stays empty. When any could not, one warning on standard
// error says how many, the folder searched and the first that failed, with why.
void LoadLogoFrames(const std::string& base, DibImage (&frames)[kLogoFrameCount]);

// The frame whose size centres every frame on the face: frame 0, or when it did not
// load, the first frame that did (frame 0 again when none did).
const DibImage& PlacementFrame(const DibImage (&frames)[kLogoFrameCount]);
