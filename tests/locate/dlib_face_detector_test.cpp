#include "locate/dlib_face_detector.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "face_scenes.h"

namespace {

bool CentreInside(const FaceBox& found, const FaceBox& face)
{
    const int cx = found.x + found.width / 2, cy = found.y + found.height / 2;
    return cx >= face.x && cx < face.x + face.width && cy >= face.y && cy < face.y + face.height;
}

TEST(DlibFaceDetectorTest, FindsTheFacesOfCompositesAtTheirBoxesAndNothingElse)
{
    const std::vector<face_scenes::Scene> composites =
        face_scenes::Composites(face_scenes::LabelledPictures(QM_FACES_DIR));
    ASSERT_FALSE(composites.empty());
    const std::unique_ptr<FaceDetector> detector = MakeDlibFaceDetector();
    ASSERT_TRUE(detector);
    // One face on wood, two faces with a hand and a plank, a large face with a hand, two
    // faces on wood with an arm.
    for (const size_t index : {2u, 4u, 7u, 6u}) {
        const face_scenes::Scene& scene = composites.at(index);
        std::vector<FaceBox> found;
        ASSERT_TRUE(detector->Detect(scene.picture, found));
        for (const FaceBox& face : scene.faces) {
            EXPECT_TRUE(
                std::any_of(found.begin(), found.end(), [&](const FaceBox& f) { return CentreInside(f, face); }))
                << scene.name << ": no face found at " << face.x << ", " << face.y;
        }
        for (const FaceBox& f : found) {
            EXPECT_TRUE(std::any_of(scene.faces.begin(), scene.faces.end(),
                                    [&](const FaceBox& face) { return CentreInside(f, face); }))
                << scene.name << ": a face found where there is none, at " << f.x << ", " << f.y;
        }
    }
}

// Every face of scene found, about its size, and nothing else.
void ExpectTheFacesOf(const face_scenes::Scene& scene, const std::vector<FaceBox>& found, int detection)
{
    for (const FaceBox& face : scene.faces) {
        const auto at =
            std::find_if(found.begin(), found.end(), [&](const FaceBox& f) { return CentreInside(f, face); });
        ASSERT_NE(found.end(), at) << scene.name << ", detection " << detection << ": no face at " << face.x << ", "
                                   << face.y;
        EXPECT_GT(at->width, face.width * 2 / 3) << scene.name;
        EXPECT_LT(at->width, face.width * 3 / 2) << scene.name;
    }
    for (const FaceBox& f : found) {
        EXPECT_TRUE(std::any_of(scene.faces.begin(), scene.faces.end(),
                                [&](const FaceBox& face) { return CentreInside(f, face); }))
            << scene.name << ": a face found where there is none, at " << f.x << ", " << f.y;
    }
}

// Faces of 23 to 32 pixels, alone and beside a large one: the composites' and, in the
// labelled pictures, the footballer's and a blurred, leaning face behind a large one. Found
// once the sweep has been round, at their boxes, and then on every detection after, not
// only when the sweep passes; and once they are gone, not from memory.
TEST(DlibFaceDetectorTest, FindsSmallFacesWithinASweepAndKeepsFindingThem)
{
    const std::vector<face_scenes::Scene> labelled = face_scenes::LabelledPictures(QM_FACES_DIR);
    const std::vector<face_scenes::Scene> composites = face_scenes::Composites(labelled);
    ASSERT_GE(composites.size(), 15u);
    std::vector<face_scenes::Scene> scenes(composites.begin() + 12, composites.begin() + 15);
    for (const face_scenes::Scene& scene : labelled) {
        if (scene.name == "sports.jpg" || scene.name == "film001.jpg") scenes.push_back(scene);
    }
    ASSERT_EQ(5u, scenes.size());
    DibImage faceless;
    ASSERT_EQ(0, faceless.SetSize(320, 240));
    for (int32_t row = 0; row < faceless.Height(); ++row) {
        for (int32_t column = 0; column < faceless.Width(); ++column) {
            *PixelAt(faceless.Row(row), column) =
                BgrPixel{static_cast<uint8_t>(row), 150, static_cast<uint8_t>(column / 2)};
        }
    }
    const std::unique_ptr<FaceDetector> detector = MakeDlibFaceDetector();
    ASSERT_TRUE(detector);
    for (const face_scenes::Scene& scene : scenes) {
        std::vector<FaceBox> found;
        for (int i = 0; i < kSweepParts; ++i) ASSERT_TRUE(detector->Detect(scene.picture, found));
        for (int i = 0; i < kSweepParts; ++i) {
            ExpectTheFacesOf(scene, found, i);
            ASSERT_TRUE(detector->Detect(scene.picture, found));
        }
        ASSERT_TRUE(detector->Detect(faceless, found));
        EXPECT_TRUE(found.empty()) << "after " << scene.name;
    }
}

TEST(DlibFaceDetectorTest, EmptyTinyAndFacelessPicturesHaveNoFaces)
{
    const std::unique_ptr<FaceDetector> detector = MakeDlibFaceDetector();
    ASSERT_TRUE(detector);
    std::vector<FaceBox> found{FaceBox{1, 2, 3, 4}};
    EXPECT_TRUE(detector->Detect(DibImage(), found));
    EXPECT_TRUE(found.empty());
    for (const int side : {1, 7, 320}) {
        DibImage picture;
        ASSERT_EQ(0, picture.SetSize(side, side * 3 / 4 + 1));
        for (int32_t row = 0; row < picture.Height(); ++row) {
            for (int32_t column = 0; column < picture.Width(); ++column) {
                *PixelAt(picture.Row(row), column) = BgrPixel{140, 172, 224};
            }
        }
        EXPECT_TRUE(detector->Detect(picture, found));
        EXPECT_TRUE(found.empty()) << side;
    }
}

}  // namespace
