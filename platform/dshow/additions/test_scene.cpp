#include "test_scene.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>
#include <vector>

namespace test_scene {
namespace {

constexpr double kPi = 3.14159265358979323846;

// Bluish and greenish tones: Cb above 127 or Cr below 134, never skin.
Bgr Background(int x, int y)
{
    const int tile = ((x / 40) + (y / 40)) & 1;
    const int stripe = ((x + 2 * y) / 6) & 3;
    if (tile) {
        return Bgr{static_cast<uint8_t>(150 + 20 * stripe), static_cast<uint8_t>(110 + 8 * stripe), 40};
    }
    return Bgr{static_cast<uint8_t>(60 + 6 * stripe), static_cast<uint8_t>(140 + 15 * stripe), 50};
}

// A skin tone, shaded towards the rim: Y 150..190, Cb about 100, Cr about 160.
Bgr Skin(double rim)
{
    const double shade = 1.0 - 0.12 * rim;
    return Bgr{static_cast<uint8_t>(130 * shade), static_cast<uint8_t>(160 * shade), static_cast<uint8_t>(220 * shade)};
}

// The head of one frame: an ellipse with two eyes and a mouth.
struct Head {
    Head(int width, int height, int frame)
        : centre(HeadCentre(width, height, frame)),
          rx(width * 0.095),  // about 60 x 75 pixels of half-axes at 640 x 480
          ry(height * 0.16),
          eyeDx(rx * 0.4),
          eyeY(centre.y - ry * 0.25),
          eyeR(rx * 0.14),
          mouthY(centre.y + ry * 0.45)
    {}
    Point centre;
    double rx, ry, eyeDx, eyeY, eyeR, mouthY;
};

// The distance of row y from the head's centre, in half-heights.
double RowDistance(const Head& head, int y)
{
    return (y - head.centre.y) / head.ry;
}

// The head's colour at (x, y), given the row's distance `dy`; none outside the head.
std::optional<Bgr> HeadPixel(const Head& head, int x, int y, double dy)
{
    const double dx = (x - head.centre.x) / head.rx;
    const double d2 = dx * dx + dy * dy;
    if (!(d2 < 1.0)) return std::nullopt;
    const double ex = std::min(std::abs(x - (head.centre.x - head.eyeDx)), std::abs(x - (head.centre.x + head.eyeDx)));
    if (ex * ex + (y - head.eyeY) * (y - head.eyeY) < head.eyeR * head.eyeR) {
        return Bgr{40, 30, 30};  // eyes
    }
    if (std::abs(y - head.mouthY) < head.ry * 0.06 && std::abs(x - head.centre.x) < head.rx * 0.45) {
        return Bgr{50, 40, 120};  // mouth
    }
    return Skin(d2);
}

// The picture without the head: banner over background.
Bgr StillPixel(int x, int y)
{
    return y < kBannerRows ? BannerPixel(x, y) : Background(x, y);
}

void Put(uint8_t* row, int x, Bgr p)
{
    row[3 * x] = p.b;
    row[3 * x + 1] = p.g;
    row[3 * x + 2] = p.r;
}

// [first, last) of the pixels within `radius` of `centre`, inside [0, size). Outside it
// the distance is at least the radius, so the head's test fails there.
std::pair<int, int> Reach(double centre, double radius, int size)
{
    const double first = std::floor(centre - radius);
    const double last = std::ceil(centre + radius) + 1;
    return {static_cast<int>(std::clamp(first, 0.0, double(size))),
            static_cast<int>(std::clamp(last, 0.0, double(size)))};
}

// Draws the head into the box [left, right) x [top, bottom), which holds all of it,
// with the bytes HeadPixel gives; `dx2` is room for dx * dx of each column. A row's head
// pixels are one run of columns: dx * dx never decreases away from the centre, so neither
// does the distance. The run is skin but for the eyes and the mouth, whose rows and
// columns are worked out pixel by pixel.
void DrawHead(const Head& head, uint8_t* pixels, int stride, int left, int top, int right, int bottom,
              std::vector<double>& dx2)
{
    dx2.resize(static_cast<size_t>(std::max(0, right - left)));
    for (int x = left; x < right; ++x) {
        const double dx = (x - head.centre.x) / head.rx;
        dx2[x - left] = dx * dx;
    }
    const auto [leftEyeFirst, leftEyeLast] = Reach(head.centre.x - head.eyeDx, head.eyeR, right);
    const auto [rightEyeFirst, rightEyeLast] = Reach(head.centre.x + head.eyeDx, head.eyeR, right);
    const auto [mouthFirst, mouthLast] = Reach(head.centre.x, head.rx * 0.45, right);
    const std::pair<int, int> features[] = {
        {leftEyeFirst, leftEyeLast}, {rightEyeFirst, rightEyeLast}, {mouthFirst, mouthLast}};

    for (int y = top; y < bottom; ++y) {
        const double dy = RowDistance(head, y);
        const double dy2 = dy * dy;
        auto inside = [&](int x) { return dx2[x - left] + dy2 < 1.0; };
        int first = left;
        while (first < right && !inside(first)) ++first;
        int last = right;
        while (last > first && !inside(last - 1)) --last;
        uint8_t* row = pixels + static_cast<int64_t>(y) * stride;
        for (int x = first; x < last; ++x) Put(row, x, Skin(dx2[x - left] + dy2));

        // An eye's test can hold only where (y - eyeY)^2 is below eyeR^2, and the mouth's
        // only where |y - mouthY| is below its half-height.
        const double eyeRow = (y - head.eyeY) * (y - head.eyeY);
        const bool eyeRows = eyeRow < head.eyeR * head.eyeR;
        const bool mouthRows = std::abs(y - head.mouthY) < head.ry * 0.06;
        if (!eyeRows && !mouthRows) continue;
        for (const auto& [from, to] : features) {
            for (int x = std::max(from, first); x < std::min(to, last); ++x) Put(row, x, *HeadPixel(head, x, y, dy));
        }
    }
}

}  // namespace

Bgr BannerPixel(int x, int y)
{
    // Strongly blue (Cb above 150): never skin, and different in every row and column.
    return Bgr{static_cast<uint8_t>(192 + (x & 63)), static_cast<uint8_t>((x * 5) & 127), static_cast<uint8_t>(y * 20)};
}

Point HeadCentre(int width, int height, int frame)
{
    return Point{width * (0.5 + 0.28 * std::sin(2 * kPi * frame / 150.0)),
                 height * (0.55 + 0.15 * std::sin(2 * kPi * frame / 110.0))};
}

void Render(uint8_t* pixels, int width, int height, int stride, int frame)
{
    const Head head(width, height, frame);
    for (int y = 0; y < height; ++y) {
        uint8_t* row = pixels + static_cast<int64_t>(y) * stride;
        const double dy = RowDistance(head, y);
        for (int x = 0; x < width; ++x) {
            const std::optional<Bgr> onHead = y < kBannerRows ? std::nullopt : HeadPixel(head, x, y, dy);
            Put(row, x, onHead.value_or(StillPixel(x, y)));
        }
        std::fill(row + 3 * width, row + stride, uint8_t{0});
    }
}

void Renderer::Render(uint8_t* pixels, int width, int height, int stride, int frame, Drawn* drawn)
{
    if (width != width_ || height != height_ || stride != stride_) {
        still_.assign(static_cast<size_t>(height) * stride, 0);
        for (int y = 0; y < height; ++y) {
            uint8_t* row = still_.data() + static_cast<int64_t>(y) * stride;
            for (int x = 0; x < width; ++x) Put(row, x, StillPixel(x, y));
        }
        width_ = width;
        height_ = height;
        stride_ = stride;
    }
    if (drawn != nullptr && drawn->width == width && drawn->height == height && drawn->stride == stride) {
        for (int y = drawn->top; y < drawn->bottom; ++y) {
            const int64_t at = static_cast<int64_t>(y) * stride + 3 * drawn->left;
            std::memcpy(pixels + at, still_.data() + at, 3 * static_cast<size_t>(drawn->right - drawn->left));
        }
    } else {
        std::memcpy(pixels, still_.data(), still_.size());
    }

    const Head head(width, height, frame);
    const auto [left, right] = Reach(head.centre.x, head.rx, width);
    const auto [top, bottom] = Reach(head.centre.y, head.ry, height);
    const int firstRow = std::max(top, kBannerRows);
    if (drawn != nullptr) *drawn = Drawn{width, height, stride, left, firstRow, right, std::max(firstRow, bottom)};
    DrawHead(head, pixels, stride, left, firstRow, right, bottom, columnDx2_);
}

}  // namespace test_scene
