#include "test_pictures.h"

#include <QPainter>

#include <cstdio>
#include <filesystem>

#include "image/dib_image.h"

namespace app_test {

QImage SkinPicture(std::initializer_list<QRect> skin)
{
    QImage picture(kPictureWidth, kPictureHeight, QImage::Format_RGB32);
    picture.fill(kGrey);
    QPainter painter(&picture);
    for (const QRect& rect : skin) painter.fillRect(rect, QColor(kSkin));
    return picture;
}

QImage CodedPicture()
{
    QImage picture(kPictureWidth, kPictureHeight, QImage::Format_RGB32);
    for (int y = 0; y < kPictureHeight; ++y) {
        for (int x = 0; x < kPictureWidth; ++x) picture.setPixel(x, y, qRgb(0x40 + 0x80 * (x >> 8), y, x & 0xFF));
    }
    return picture;
}

// Green tells the frame; red and blue mark a logo colour.
QRgb LogoColour(int frame)
{
    return qRgb(0xF0, 2 + 4 * frame, 0x30);
}

QImage LogoFrame(int frame, QSize size)
{
    QImage logo(size, QImage::Format_RGB32);
    logo.fill(kKeyBlue);
    QPainter(&logo).fillRect(QRect(QPoint(1, 1), size - QSize(2, 2)), QColor(LogoColour(frame)));
    return logo;
}

void WriteLogoFrames(const std::string& folder, QSize size)
{
    std::filesystem::create_directories(folder + "/images");
    for (int frame = 0; frame < 60; ++frame) {
        char name[64];
        std::snprintf(name, sizeof name, "/images/laugh%04d.bmp", frame);
        SaveBmp(LogoFrame(frame, size), folder + name);
    }
}

std::set<int> LogoFramesIn(const QImage& picture)
{
    std::set<int> frames;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb pixel = picture.pixel(x, y);
            if (qRed(pixel) == 0xF0 && qBlue(pixel) == 0x30 && qGreen(pixel) % 4 == 2) frames.insert(qGreen(pixel) / 4);
        }
    }
    return frames;
}

bool SaveBmp(const QImage& picture, const std::string& path)
{
    DibImage image;
    if (image.SetSize(picture.width(), picture.height()) != 0) return false;
    for (int y = 0; y < picture.height(); ++y) {
        uint8_t* row = image.Row(y);
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb pixel = picture.pixel(x, y);
            row[3 * x] = static_cast<uint8_t>(qBlue(pixel));
            row[3 * x + 1] = static_cast<uint8_t>(qGreen(pixel));
            row[3 * x + 2] = static_cast<uint8_t>(qRed(pixel));
        }
    }
    return image.WriteBmp(path.c_str()) == 0;
}

QImage LoadBmp(const std::string& path)
{
    DibImage image;
    if (image.ReadBmp(path.c_str()) != 0 || image.Height() <= 0) return QImage();
    QImage picture(image.Width(), image.Height(), QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y) {
        const uint8_t* row = image.Row(y);
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, qRgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]));
    }
    return picture;
}

QImage Pasted(const QImage& picture, const QImage& logo, QPoint at)
{
    QImage result = picture.copy();
    for (int y = 0; y < logo.height(); ++y) {
        for (int x = 0; x < logo.width(); ++x) {
            const QPoint target = at + QPoint(x, y);
            if (logo.pixel(x, y) != kKeyBlue && result.rect().contains(target))
                result.setPixel(target, logo.pixel(x, y));
        }
    }
    return result;
}

std::string Difference(const QImage& actual, const QImage& expected, const QRect& area)
{
    if (!actual.rect().contains(area) || !expected.rect().contains(area)) return "the pictures do not cover the area";
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (actual.pixel(x, y) != expected.pixel(x, y)) {
                char text[128];
                std::snprintf(text, sizeof text, "at (%d, %d): #%06x instead of #%06x", x, y,
                              actual.pixel(x, y) & 0xFFFFFF, expected.pixel(x, y) & 0xFFFFFF);
                return text;
            }
        }
    }
    return "";
}

}  // namespace app_test
