// The program's BMP files seen from outside, through ImageMagick: their format, their
// pixels, and where the logo and the skin-coloured face lie in them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

struct Rgb {
    uint8_t r, g, b;
    bool operator==(const Rgb&) const = default;
};

// Rows top first, pixels red, green, blue.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;

    Rgb At(int x, int y) const;
};

// ImageMagick's description of a file, "FORMAT WIDTHxHEIGHT DEPTH-bit CHANNELS"; empty
// when it cannot read it.
std::string Describe(const std::string& path);
// What it says of a snapshot: a BMP file of 320 x 240 pixels, three channels of 8 bits.
inline constexpr char kSnapshotDescription[] = "BMP3 320x240 8-bit srgb";
// Bits per pixel as the file's info header gives them; 0 for a file without one.
int BitsPerPixel(const std::string& path);
// The pictures of files that are all width x height, read by ImageMagick in one go;
// empty when it cannot read them all.
std::vector<Picture> ReadPictures(const std::vector<std::string>& paths, int width, int height);

// The logo's transparent colour, pure blue.
bool IsKey(Rgb pixel);
// Inside the program's skin box: Y 1 to 254, Cb 78 to 126, Cr 134 to 176.
bool IsSkin(Rgb pixel);

struct Point {
    double x, y;
};

// The top-left corner of the one place, with the whole logo inside the picture, where
// every non-key pixel of `logo` is found exactly as it is in the logo; nothing when there
// is no such place or more than one.
std::optional<Point> FindLogo(const Picture& picture, const Picture& logo);

// Skin-coloured pixels and their centroid.
struct SkinRegion {
    long count = 0;
    Point centroid{-1, -1};
};
// The skin-coloured pixels of `picture` that the logo, when given, does not cover at `at`.
SkinRegion FindSkin(const Picture& picture, const Picture* logo = nullptr, Point at = {0, 0});

}  // namespace e2e
