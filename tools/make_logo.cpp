// Draws the Intercepter logo: a laughing face of 100 x 100 pixels in 60 animation frames,
// written as 24-bit BMP files FOLDER/laugh0000.bmp .. laugh0059.bmp. Pure blue (B, G, R =
// 255, 0, 0) around the face is the transparent colour; no pixel of the face is that blue.
//   make_logo FOLDER
#include <cmath>
#include <cstdio>
#include <string>

#include "image/dib_image.h"

namespace {

constexpr int kSize = 100;
constexpr int kFrames = 60;
constexpr int kSubsamples = 4;  // per axis, for smooth edges inside the face
constexpr double kPi = 3.14159265358979323846;
constexpr double kRadius = 45.0;

struct Colour {
    double b, g, r;
};
constexpr Colour kKey{255, 0, 0};
constexpr Colour kOutline{30, 55, 95};
constexpr Colour kFace{40, 200, 255};
constexpr Colour kCheek{110, 130, 255};
constexpr Colour kMouth{45, 30, 130};
constexpr Colour kTongue{120, 105, 235};
constexpr Colour kTeeth{250, 250, 250};
constexpr Colour kTear{250, 210, 150};

// The pose of one frame: the face bobs and rocks with each laugh.
struct Pose {
    double angle;   // radians
    double bob;     // pixels down
    double mouth;   // 0 closed .. 1 wide open
    double squint;  // eye arcs, 0 .. 1
    double tear;    // tear drop position, 0 .. 1
};

Pose PoseOf(int frame)
{
    const double t = static_cast<double>(frame) / kFrames;
    const double laugh = std::fabs(std::sin(2 * kPi * 3 * t));
    return Pose{0.12 * std::sin(2 * kPi * 2 * t), 2.0 * laugh, 0.45 + 0.55 * laugh, 0.6 + 0.4 * laugh,
                std::fmod(t * 3, 1.0)};
}

bool InEllipse(double x, double y, double cx, double cy, double rx, double ry)
{
    const double dx = (x - cx) / rx, dy = (y - cy) / ry;
    return dx * dx + dy * dy < 1.0;
}

// Colour of the face at a point in face coordinates (origin at the centre, y down,
// upright); the point lies inside the outline's outer edge.
Colour FaceColour(double x, double y, const Pose& pose)
{
    if (x * x + y * y > (kRadius - 3.0) * (kRadius - 3.0)) return kOutline;

    // Eyes: arcs bent upwards, laughing shut.
    for (double side : {-1.0, 1.0}) {
        const double ex = x - side * 16.0, ey = y + 12.0;
        const double arc = std::sqrt(ex * ex + (ey * 1.6) * (ey * 1.6));
        if (ey > -8.0 * pose.squint && ey < 1.5 && std::fabs(arc - 7.0) < 1.8) return kOutline;
        // Tears of joy running from the outer corners.
        const double ty = -10.0 + 22.0 * pose.tear;
        if (InEllipse(x, y, side * 27.0, ty, 2.6, 3.6)) return kTear;
    }
    // Mouth: a wide half-ellipse opening downwards, teeth on top, tongue below.
    const double mouthHeight = 6.0 + 16.0 * pose.mouth;
    if (y > 4.0 && InEllipse(x, y, 0.0, 4.0, 26.0, mouthHeight)) {
        if (InEllipse(x, y, 0.0, 4.0, 23.5, mouthHeight - 2.5)) {
            if (y < 8.5) return kTeeth;
            if (InEllipse(x, y, 0.0, 4.0 + mouthHeight, 14.0, mouthHeight * 0.55)) return kTongue;
            return kMouth;
        }
        return kOutline;
    }
    for (double side : {-1.0, 1.0}) {
        if (InEllipse(x, y, side * 29.0, 4.0, 7.0, 4.5)) return kCheek;
    }
    return kFace;
}

void DrawFrame(DibImage& image, int frame)
{
    const Pose pose = PoseOf(frame);
    const double cx = kSize / 2.0, cy = kSize / 2.0 + pose.bob - 1.0;
    const double c = std::cos(pose.angle), s = std::sin(pose.angle);
    for (int py = 0; py < kSize; ++py) {
        uint8_t* row = image.Row(py);
        for (int px = 0; px < kSize; ++px) {
            // The face's edge is hard, so nothing blends with the transparent blue.
            const double dx = px + 0.5 - cx, dy = py + 0.5 - cy;
            Colour sum{0, 0, 0};
            if (dx * dx + dy * dy >= kRadius * kRadius) {
                sum = kKey;
            } else {
                for (int sy = 0; sy < kSubsamples; ++sy) {
                    for (int sx = 0; sx < kSubsamples; ++sx) {
                        const double x = px + (sx + 0.5) / kSubsamples - cx;
                        const double y = py + (sy + 0.5) / kSubsamples - cy;
                        const Colour part = FaceColour(c * x + s * y, -s * x + c * y, pose);
                        sum.b += part.b / (kSubsamples * kSubsamples);
                        sum.g += part.g / (kSubsamples * kSubsamples);
                        sum.r += part.r / (kSubsamples * kSubsamples);
                    }
                }
            }
            row[3 * px] = static_cast<uint8_t>(std::lround(sum.b));
            row[3 * px + 1] = static_cast<uint8_t>(std::lround(sum.g));
            row[3 * px + 2] = static_cast<uint8_t>(std::lround(sum.r));
        }
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_logo FOLDER\n");
        return 2;
    }
    DibImage image;
    if (image.SetSize(kSize, kSize) != 0) return 1;
    for (int frame = 0; frame < kFrames; ++frame) {
        DrawFrame(image, frame);
        char name[32];
        std::snprintf(name, sizeof name, "/laugh%04d.bmp", frame);
        if (image.WriteBmp((std::string(argv[1]) + name).c_str()) != 0) {
            std::fprintf(stderr, "make_logo: cannot write frame %d into %s\n", frame, argv[1]);
            return 1;
        }
    }
    return 0;
}
