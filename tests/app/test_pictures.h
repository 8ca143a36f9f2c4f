// Pictures for the dialog tests: what the camera shows, logo frames that tell which frame
// was pasted and where, BMP files, and what the display should show.
#pragma once

#include <QImage>
#include <QRect>

#include <set>
#include <string>

namespace app_test {

constexpr int kPictureWidth = 320;
constexpr int kPictureHeight = 240;

// Outside the skin box (Cb 128 is above its bound) and inside it (Y 161, Cb 104, Cr 155).
constexpr QRgb kGrey = qRgb(128, 128, 128);
constexpr QRgb kSkin = qRgb(200, 150, 120);
constexpr QRgb kKeyBlue = qRgb(0, 0, 255);

// A 320 x 240 grey picture with skin-coloured rectangles.
QImage SkinPicture(std::initializer_list<QRect> skin);

// A 320 x 240 picture whose every pixel tells its own position.
QImage CodedPicture();

// Logo frame `frame`: one solid colour of its own, inside a one-pixel pure-blue border
// that the paste leaves out.
QRgb LogoColour(int frame);
QImage LogoFrame(int frame, QSize size);
// Writes the 60 frames as images/laugh0000.bmp .. laugh0059.bmp under `folder`.
void WriteLogoFrames(const std::string& folder, QSize size);
// The frames whose colour shows in a picture.
std::set<int> LogoFramesIn(const QImage& picture);

// 24-bit BMP files, through the program's own image type.
bool SaveBmp(const QImage& picture, const std::string& path);
QImage LoadBmp(const std::string& path);  // null when unreadable

// `picture` with `logo` pasted with its top-left pixel at `at`, pure blue left out.
QImage Pasted(const QImage& picture, const QImage& logo, QPoint at);

// Empty when the two pictures agree inside `area`, else where and how they first differ.
std::string Difference(const QImage& actual, const QImage& expected, const QRect& area);

}  // namespace app_test
