// Where a logo goes: face boxes, the rectangle a logo frame is drawn into, and the size
// that makes a logo's drawn part cover a face. Coordinates are display-image pixels,
// columns from the left and rows from the top.
#pragma once

#include <cstdint>

#include "image/dib_image.h"
#include "image/pixel.h"
#include "image/skin_overlay.h"

struct FaceBox {
    int x = 0, y = 0, width = 0, height = 0;
};

// The logo frame drawn with its top-left corner at (x, y): at its own size when width and
// height are 0, else scaled into that rectangle.
using LogoRect = ImageRect;

// A logo frame's size and the size of its drawn part: the box around every pixel that is
// not the key colour.
struct LogoShape {
    int frameWidth = 0, frameHeight = 0;
    int drawnWidth = 0, drawnHeight = 0;
};
LogoShape ShapeOf(const DibImage& frame, BgrPixel key);

// How far beyond a face box the drawn part of a scaled logo reaches, as a factor.
constexpr double kCoverMargin = 1.1;
// No logo is scaled beyond this many pixels a side, whatever box a detector reports.
constexpr int kLargestLogo = 1024;

// The rectangle centred on (centreX, centreY) in which the logo's drawn part, taken as the
// ellipse inside its box, covers a face box of faceWidth x faceHeight with kCoverMargin.
// An empty shape gives a rectangle of -1 x -1, which draws nothing.
LogoRect CoverPlacement(const LogoShape& shape, double centreX, double centreY, int faceWidth, int faceHeight);

// Draws frame at placement on destination, skipping key pixels and pixels outside
// destination; at the frame's own size this is KeyedBlit, byte for byte, scaled it is
// ScaledKeyedBlit.
void DrawLogo(DibImage& destination, const DibImage& frame, const LogoRect& placement, BgrPixel key);

// The mean column and row of the pixels equal to colour inside region (clipped to the
// image), and their number; x and y are left as they were when there are none.
int64_t RegionCentroid(const DibImage& image, BgrPixel colour, const FaceBox& region, double& x, double& y);
