#include "face_scenes.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>

#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

namespace face_scenes {
namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;

DibImage ToDib(const cv::Mat& bgr)
{
    DibImage image;
    if (image.SetSize(bgr.cols, bgr.rows) != 0) return image;
    for (int row = 0; row < bgr.rows; ++row) {
        std::memcpy(image.Row(row), bgr.ptr(row), 3 * static_cast<size_t>(bgr.cols));
    }
    return image;
}

cv::Mat ToMat(const DibImage& image)
{
    cv::Mat bgr(image.Height(), image.Width(), CV_8UC3);
    for (int row = 0; row < image.Height(); ++row) {
        std::memcpy(bgr.ptr(row), image.Row(row), 3 * static_cast<size_t>(image.Width()));
    }
    return bgr;
}

// A face cut from a labelled picture with some of its surroundings (hair, ears, neck),
// and where the face box lies in the cut.
struct FaceCut {
    cv::Mat pixels;
    cv::Rect face;
};

FaceCut CutFace(const Scene& scene, const FaceBox& box)
{
    const cv::Mat picture = ToMat(scene.picture);
    const int marginX = box.width / 3, marginY = box.height / 3;
    const cv::Rect around =
        cv::Rect(box.x - marginX, box.y - marginY, box.width + 2 * marginX, box.height + 2 * marginY) &
        cv::Rect(0, 0, picture.cols, picture.rows);
    return FaceCut{picture(around).clone(), cv::Rect(box.x - around.x, box.y - around.y, box.width, box.height)};
}

// Pastes cut scaled so that its face is faceWidth wide, with the face's top-left corner
// at (x, y); returns the face's box in the composite.
FaceBox PasteFace(cv::Mat& canvas, const FaceCut& cut, int faceWidth, int x, int y)
{
    const double scale = static_cast<double>(faceWidth) / cut.face.width;
    cv::Mat scaled;
    cv::resize(cut.pixels, scaled, cv::Size(), scale, scale, cv::INTER_AREA);
    const int left = x - static_cast<int>(std::lround(cut.face.x * scale));
    const int top = y - static_cast<int>(std::lround(cut.face.y * scale));
    const cv::Rect target = cv::Rect(left, top, scaled.cols, scaled.rows) & cv::Rect(0, 0, canvas.cols, canvas.rows);
    scaled(cv::Rect(target.x - left, target.y - top, target.width, target.height)).copyTo(canvas(target));
    return FaceBox{x, y, faceWidth, static_cast<int>(std::lround(cut.face.height * scale))};
}

enum class Background { kGradient, kLeaves, kWood, kDarkRoom };

cv::Mat MakeBackground(Background kind, std::mt19937& random)
{
    cv::Mat canvas(kHeight, kWidth, CV_8UC3);
    std::uniform_int_distribution<int> noise(-12, 12);
    for (int row = 0; row < kHeight; ++row) {
        for (int column = 0; column < kWidth; ++column) {
            cv::Vec3i bgr;
            switch (kind) {
            case Background::kGradient: bgr = {200 - row / 3, 170 - row / 4, 120 + column / 8}; break;
            case Background::kLeaves: bgr = {40, 110 + ((column / 7 + row / 5) % 3) * 25, 50}; break;
            case Background::kWood: {
                // Grain of skin-coloured browns, the hardest background for a colour box.
                const double grain = std::sin(column * 0.21 + std::sin(row * 0.05) * 4.0);
                bgr = {static_cast<int>(75 + 20 * grain), static_cast<int>(120 + 25 * grain),
                       static_cast<int>(180 + 30 * grain)};
                break;
            }
            case Background::kDarkRoom: bgr = {30 + column / 20, 25, 40 + row / 12}; break;
            }
            const int n = noise(random);
            canvas.at<cv::Vec3b>(row, column) =
                cv::Vec3b(cv::saturate_cast<uchar>(bgr[0] + n), cv::saturate_cast<uchar>(bgr[1] + n),
                          cv::saturate_cast<uchar>(bgr[2] + n));
        }
    }
    return canvas;
}

const cv::Scalar kSkin(140, 172, 224);

// An open hand: a palm and four fingers and a thumb, of skin colour.
void DrawHand(cv::Mat& canvas, cv::Point palm, int size)
{
    cv::ellipse(canvas, palm, cv::Size(size / 2, size * 6 / 10), 0, 0, 360, kSkin, cv::FILLED);
    for (int finger = 0; finger < 4; ++finger) {
        const cv::Point tip(palm.x - size / 2 + size * finger / 3, palm.y - size * 13 / 10);
        cv::line(canvas, palm, tip, kSkin, std::max(3, size / 5));
    }
    cv::line(canvas, palm, cv::Point(palm.x + size, palm.y - size / 3), kSkin, std::max(3, size / 5));
}

// A bare arm across part of the picture.
void DrawArm(cv::Mat& canvas, cv::Point from, cv::Point to, int thickness)
{
    cv::line(canvas, from, to, kSkin * 0.9, thickness);
}

void DrawPlank(cv::Mat& canvas, cv::Rect plank)
{
    cv::rectangle(canvas, plank, cv::Scalar(70, 125, 185), cv::FILLED);
    for (int y = plank.y + 3; y < plank.y + plank.height; y += 6) {
        cv::line(canvas, cv::Point(plank.x, y), cv::Point(plank.x + plank.width - 1, y + 2), cv::Scalar(60, 105, 160));
    }
}

// One composite: a background, a person's face, perhaps a second person, distractors.
struct Recipe {
    Background background;
    int face;  // which face cut
    int faceWidth, x, y;
    int secondFace;  // -1 for none
    int secondWidth, secondX, secondY;
    bool hand, arm, plank;
};

constexpr Recipe kRecipes[] = {
    {Background::kGradient, 0, 60, 130, 70, -1, 0, 0, 0, true, false, false},
    {Background::kLeaves, 1, 70, 40, 50, -1, 0, 0, 0, true, true, false},
    {Background::kWood, 2, 80, 200, 60, -1, 0, 0, 0, false, false, false},
    {Background::kDarkRoom, 3, 64, 120, 40, 0, 40, 240, 110, false, true, false},
    {Background::kGradient, 2, 90, 20, 40, 1, 50, 220, 70, true, false, true},
    {Background::kLeaves, 0, 48, 230, 30, -1, 0, 0, 0, true, true, true},
    {Background::kWood, 1, 56, 60, 90, 3, 46, 200, 40, false, true, false},
    {Background::kDarkRoom, 2, 110, 100, 30, -1, 0, 0, 0, true, false, false},
    {Background::kGradient, 3, 40, 150, 150, 2, 70, 30, 30, false, false, true},
    {Background::kLeaves, 0, 100, 110, 40, -1, 0, 0, 0, false, true, true},
    {Background::kWood, 3, 70, 30, 60, 1, 60, 220, 80, true, false, false},
    {Background::kDarkRoom, 1, 76, 200, 80, -1, 0, 0, 0, true, true, true},
    // Faces far from the camera, smaller than the doubled picture finds.
    {Background::kGradient, 1, 28, 60, 60, 2, 80, 190, 60, false, false, true},
    {Background::kLeaves, 0, 24, 220, 150, -1, 0, 0, 0, true, false, false},
    {Background::kWood, 3, 30, 140, 30, 0, 26, 40, 150, false, true, false},
};

// The labelled faces the composites are made of: frontal and large enough to scale.
constexpr struct {
    const char* picture;
    int face;
} kFaceSources[] = {{"astronaut.jpg", 0}, {"film004.jpg", 0}, {"film012.jpg", 0}, {"film007.jpg", 0}};

}  // namespace

std::vector<Scene> LabelledPictures(const std::string& folder)
{
    std::vector<Scene> scenes;
    std::ifstream labels(folder + "/labels.txt");
    std::string line;
    while (std::getline(labels, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        Scene scene;
        fields >> scene.name;
        FaceBox box;
        while (fields >> box.x >> box.y >> box.width >> box.height) scene.faces.push_back(box);
        const cv::Mat picture = cv::imread(folder + "/" + scene.name, cv::IMREAD_COLOR);
        if (picture.cols != kWidth || picture.rows != kHeight) continue;
        scene.picture = ToDib(picture);
        scenes.push_back(std::move(scene));
    }
    return scenes;
}

std::vector<Scene> Composites(const std::vector<Scene>& labelled)
{
    std::vector<FaceCut> cuts;
    for (const auto& source : kFaceSources) {
        const auto scene =
            std::find_if(labelled.begin(), labelled.end(), [&](const Scene& s) { return s.name == source.picture; });
        if (scene == labelled.end()) return {};
        cuts.push_back(CutFace(*scene, scene->faces[source.face]));
    }
    std::vector<Scene> scenes;
    std::mt19937 random(13);
    for (const Recipe& recipe : kRecipes) {
        cv::Mat canvas = MakeBackground(recipe.background, random);
        Scene scene;
        scene.name = "composite" + std::to_string(scenes.size());
        if (recipe.plank) DrawPlank(canvas, cv::Rect(0, 180, 140, 60));
        if (recipe.arm) DrawArm(canvas, cv::Point(320, 200), cv::Point(180, 230), 26);
        scene.faces.push_back(PasteFace(canvas, cuts[recipe.face], recipe.faceWidth, recipe.x, recipe.y));
        if (recipe.secondFace >= 0) {
            scene.faces.push_back(
                PasteFace(canvas, cuts[recipe.secondFace], recipe.secondWidth, recipe.secondX, recipe.secondY));
        }
        if (recipe.hand) {
            const FaceBox& face = scene.faces.front();
            const int handX = face.x + face.width + 45 < kWidth ? face.x + face.width + 40 : face.x - 40;
            DrawHand(canvas, cv::Point(handX, std::min(kHeight - 30, face.y + face.height + 30)), 36);
        }
        scene.picture = ToDib(canvas);
        scenes.push_back(std::move(scene));
    }
    return scenes;
}

}  // namespace face_scenes
