#include "app/options.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace {

// Parses a command line given as words after the program's name.
bool Parse(std::initializer_list<const char*> words, Options* options, std::string* error)
{
    std::vector<char*> argv{const_cast<char*>("quenmire")};
    for (const char* word : words) argv.push_back(const_cast<char*>(word));
    return ParseOptions(static_cast<int>(argv.size()), argv.data(), options, error);
}

TEST(OptionsTest, NoOptionsMeansAttendedAsDesigned)
{
    Options options;
    std::string error;
    ASSERT_TRUE(Parse({}, &options, &error));
    EXPECT_FALSE(options.Unattended());
    EXPECT_TRUE(options.testCamera);
    EXPECT_TRUE(options.realCameras);
}

TEST(OptionsTest, PressesTheSystemMenuEntries)
{
    Options options;
    std::string error;
    ASSERT_TRUE(Parse({"--press", "1:record", "--press", "2:Faces", "--press", "3:skin"}, &options, &error)) << error;
    ASSERT_EQ(3u, options.presses.size());
    EXPECT_EQ(Button::Record, options.presses[0].button);
    EXPECT_EQ(Button::LocateFaces, options.presses[1].button);
    EXPECT_EQ(Button::LocateSkin, options.presses[2].button);
}

TEST(OptionsTest, ParsesEveryOption)
{
    Options options;
    std::string error;
    ASSERT_TRUE(Parse({"--answer", "no,YES,y", "--press", "3:intercept", "--press=10:Snapshot", "--ticks", "200",
                       "--headless", "--source", "clip.avi", "--source=videotestsrc ! videoconvert", "--no-test-camera",
                       "--list-devices", "--snapshot-dir", "shots"},
                      &options, &error))
        << error;
    EXPECT_EQ((std::vector<bool>{false, true, true}), options.answers);
    ASSERT_EQ(2u, options.presses.size());
    EXPECT_EQ(3, options.presses[0].tick);
    EXPECT_EQ(Button::Intercept, options.presses[0].button);
    EXPECT_EQ(Button::Snapshot, options.presses[1].button);
    EXPECT_EQ(200, options.ticks);
    EXPECT_TRUE(options.headless);
    EXPECT_EQ((std::vector<std::string>{"clip.avi", "videotestsrc ! videoconvert"}), options.sources);
    EXPECT_FALSE(options.testCamera);
    EXPECT_TRUE(options.listDevices);
    EXPECT_EQ("shots", options.snapshotDir);
    EXPECT_TRUE(options.Unattended());
    EXPECT_FALSE(Parse({"--snapshot-dir="}, &options, &error));
}

TEST(OptionsTest, WordsThatAreNoOptionsAreSourcesAndDoubleDashEndsTheOptions)
{
    Options options;
    std::string error;
    ASSERT_TRUE(Parse({"clip.mp4", "--ticks", "5", "--", "--ticks", "-", "videotestsrc"}, &options, &error)) << error;
    EXPECT_EQ((std::vector<std::string>{"clip.mp4", "--ticks", "-", "videotestsrc"}), options.sources);
    EXPECT_EQ(5, options.ticks);
    EXPECT_FALSE(Parse({"--", ""}, &options, &error));
}

TEST(OptionsTest, AnEmptyAnswerListAnswersNoToEverything)
{
    Options options;
    std::string error;
    ASSERT_TRUE(Parse({"--answer="}, &options, &error));
    EXPECT_TRUE(options.answersGiven);
    EXPECT_TRUE(options.answers.empty());
}

TEST(OptionsTest, BadOptionsGetAClearMessage)
{
    const std::initializer_list<const char*> bad[] = {{"--bogus"},
                                                      {"--ticks"},
                                                      {"--ticks", "0"},
                                                      {"--ticks", "-5"},
                                                      {"--ticks", "1e3"},
                                                      {"--ticks", "99999999999"},
                                                      {"--press", "5"},
                                                      {"--press", "x:start"},
                                                      {"--press", "5:jump"},
                                                      {"--press", ":start"},
                                                      {"--answer", "maybe"},
                                                      {"--answer", "yes,,no"},
                                                      {"--answer", "yes,"},
                                                      {"--source", ""},
                                                      {"--headless=1"},
                                                      {"--demo", "--ticks", "5"},
                                                      {"--demo", "--no-test-camera"}};
    for (const auto& words : bad) {
        Options options;
        std::string error;
        EXPECT_FALSE(Parse(words, &options, &error)) << *words.begin();
        EXPECT_FALSE(error.empty());
    }
}

TEST(OptionsTest, DemoRunsTheTestCameraUnattended)
{
    Options options;
    std::string error;
    ASSERT_TRUE(Parse({"--demo"}, &options, &error));
    ApplyDemo(&options);
    EXPECT_FALSE(options.realCameras);
    EXPECT_TRUE(options.testCamera);
    EXPECT_EQ(std::vector<bool>{true}, options.answers);
    EXPECT_GT(options.ticks, 0);
    EXPECT_EQ(Button::Intercept, options.presses.front().button);
    EXPECT_TRUE(options.Unattended());
}

TEST(OptionsTest, LocateChoosesSkinOrFaceAndNothingElse)
{
    Options options;
    std::string error;
    EXPECT_FALSE(options.locateFaces);
    ASSERT_TRUE(Parse({"--locate", "face"}, &options, &error)) << error;
    EXPECT_TRUE(options.locateFaces);
    ASSERT_TRUE(Parse({"--locate=skin"}, &options, &error)) << error;
    EXPECT_FALSE(options.locateFaces);
    for (const char* bad : {"Face", "", "faces"}) {
        Options other;
        EXPECT_FALSE(Parse({"--locate", bad}, &other, &error));
        EXPECT_EQ("--locate takes skin or face, not '" + std::string(bad) + "'", error);
    }
}

}  // namespace
