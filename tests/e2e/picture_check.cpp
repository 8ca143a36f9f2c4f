#include "picture_check.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>

namespace e2e {
namespace {

// What a shell command prints on its standard output; empty when it fails.
std::string CommandOutput(const std::string& command)
{
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return {};
    std::string output;
    std::array<char, 65536> chunk;
    size_t read = 0;
    while ((read = std::fread(chunk.data(), 1, chunk.size(), pipe)) > 0) output.append(chunk.data(), read);
    return pclose(pipe) == 0 ? output : std::string();
}

std::string Quoted(const std::string& path)
{
    return "'" + path + "'";
}

// A byte from a channel value, as the program converts one: clamped, truncated.
int ToByte(double value)
{
    return value > 255.0 ? 255 : value > 0.0 ? static_cast<int>(value) : 0;
}

struct LogoPixel {
    int x, y;
    Rgb colour;
};

}  // namespace

Rgb Picture::At(int x, int y) const
{
    const uint8_t* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
    return Rgb{p[0], p[1], p[2]};
}

std::string Describe(const std::string& path)
{
    return CommandOutput("identify -format '%m %wx%h %z-bit %[channels]' " + Quoted(path) + " 2>/dev/null");
}

int BitsPerPixel(const std::string& path)
{
    // The 14-byte file header, then the info header, whose bit count is at byte 14.
    std::ifstream in(path, std::ios::binary);
    std::array<unsigned char, 30> headers{};
    if (!in.read(reinterpret_cast<char*>(headers.data()), headers.size())) return 0;
    return headers[28] | headers[29] << 8;
}

std::vector<Picture> ReadPictures(const std::vector<std::string>& paths, int width, int height)
{
    std::string command = "convert";
    for (const std::string& path : paths) command += " " + Quoted(path);
    const std::string raw = CommandOutput(command + " -depth 8 rgb:- 2>/dev/null");
    const size_t bytes = static_cast<size_t>(width) * height * 3;
    if (raw.size() != bytes * paths.size()) return {};
    std::vector<Picture> pictures;
    for (size_t i = 0; i < paths.size(); ++i) {
        pictures.push_back(
            Picture{width, height, std::vector<uint8_t>(raw.begin() + i * bytes, raw.begin() + (i + 1) * bytes)});
    }
    return pictures;
}

bool IsKey(Rgb pixel)
{
    return pixel == Rgb{0, 0, 255};
}

bool IsSkin(Rgb pixel)
{
    const double r = pixel.r, g = pixel.g, b = pixel.b;
    const int y = ToByte((0.58661 * g + 0.29891 * r) + 0.11448 * b);
    const int cb = ToByte((0.5 * b - (0.16874 * r + 0.33126 * g)) + 128);
    const int cr = ToByte(((0.5 * r - 0.41869 * g) - 0.08131 * b) + 128);
    return 0 < y && y < 255 && 77 < cb && cb < 127 && 133 < cr && cr < 177;
}

std::optional<Point> FindLogo(const Picture& picture, const Picture& logo)
{
    std::vector<LogoPixel> opaque;
    for (int y = 0; y < logo.height; ++y) {
        for (int x = 0; x < logo.width; ++x) {
            if (!IsKey(logo.At(x, y))) opaque.push_back(LogoPixel{x, y, logo.At(x, y)});
        }
    }
    std::optional<Point> found;
    for (int top = 0; top + logo.height <= picture.height; ++top) {
        for (int left = 0; left + logo.width <= picture.width; ++left) {
            const auto differs = [&](const LogoPixel& pixel) {
                return !(picture.At(left + pixel.x, top + pixel.y) == pixel.colour);
            };
            if (std::any_of(opaque.begin(), opaque.end(), differs)) continue;
            if (found) return std::nullopt;  // not one place
            found = Point{static_cast<double>(left), static_cast<double>(top)};
        }
    }
    return found;
}

SkinRegion FindSkin(const Picture& picture, const Picture* logo, Point at)
{
    const int left = static_cast<int>(at.x), top = static_cast<int>(at.y);
    SkinRegion region;
    double sumX = 0, sumY = 0;
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            const int lx = x - left, ly = y - top;
            const bool covered = logo != nullptr && lx >= 0 && ly >= 0 && lx < logo->width && ly < logo->height &&
                                 !IsKey(logo->At(lx, ly));
            if (covered || !IsSkin(picture.At(x, y))) continue;
            ++region.count;
            sumX += x;
            sumY += y;
        }
    }
    if (region.count > 0) region.centroid = Point{sumX / region.count, sumY / region.count};
    return region;
}

}  // namespace e2e
