#include "test_scene.h"

#include <algorithm>
#include <cmath>

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
    return Bgr{static_cast<uint8_t>(130 * shade), static_cast<uint8_t>(160 * shade),
               static_cast<uint8_t>(220 * shade)};
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
    const Point centre = HeadCentre(width, height, frame);
    const double rx = width * 0.095;  // about 60 x 75 pixels of half-axes at 640 x 480
    const double ry = height * 0.16;
    const double eyeDx = rx * 0.4, eyeY = centre.y - ry * 0.25, eyeR = rx * 0.14;
    const double mouthY = centre.y + ry * 0.45;

    for (int y = 0; y < height; ++y) {
        uint8_t* row = pixels + static_cast<int64_t>(y) * stride;
        const double dy = (y - centre.y) / ry;
        for (int x = 0; x < width; ++x) {
            Bgr p;
            const double dx = (x - centre.x) / rx;
            const double d2 = dx * dx + dy * dy;
            if (y < kBannerRows) {
                p = BannerPixel(x, y);
            } else if (d2 < 1.0) {
                p = Skin(d2);
                const double ex = std::min(std::abs(x - (centre.x - eyeDx)), std::abs(x - (centre.x + eyeDx)));
                if (ex * ex + (y - eyeY) * (y - eyeY) < eyeR * eyeR) {
                    p = Bgr{40, 30, 30};  // eyes
                } else if (std::abs(y - mouthY) < ry * 0.06 && std::abs(x - centre.x) < rx * 0.45) {
                    p = Bgr{50, 40, 120};  // mouth
                }
            } else {
                p = Background(x, y);
            }
            row[3 * x] = p.b;
            row[3 * x + 1] = p.g;
            row[3 * x + 2] = p.r;
        }
        std::fill(row + 3 * width, row + stride, uint8_t{0});
    }
}

}  // namespace test_scene
