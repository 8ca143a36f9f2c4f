// Snapshots never cost a file that is there: later runs and other instances in the same
// folder go on to free numbers, and nothing that holds a name is followed or replaced.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "tests/e2e/picture_check.h"
#include "tests/e2e/run_folder.h"
#include "tests/support/test_files.h"

namespace e2e {
namespace {

using test_support::ReadFileBytes;
using testing::HasSubstr;
using testing::Not;

// The snapshot files in the folder.
std::set<std::string> Snapshots(const std::filesystem::path& folder)
{
    std::set<std::string> names;
    for (const std::string& name : FilesIn(folder)) {
        if (name.rfind("snap", 0) == 0) names.insert(name);
    }
    return names;
}

TEST(SnapshotTest, ASecondRunGoesOnAfterTheFirstAndReplacesNothing)
{
    RunFolder folder;
    const std::vector<std::string> args = Unattended("yes", {"10:snapshot", "20:snapshot", "30:snapshot"}, 35);
    ASSERT_TRUE(folder.Run(args).Clean());
    std::vector<std::vector<uint8_t>> first;
    for (const char* name : {"snap0000.bmp", "snap0001.bmp", "snap0002.bmp"})
        first.push_back(ReadFileBytes(folder / name));

    const RunResult second = folder.Run(args);
    ASSERT_TRUE(second.Clean()) << second;
    EXPECT_THAT(second.out, HasSubstr("snapshot 3 written: " + folder / "snap0003.bmp"));
    EXPECT_EQ((std::set<std::string>{"snap0000.bmp", "snap0001.bmp", "snap0002.bmp", "snap0003.bmp", "snap0004.bmp",
                                     "snap0005.bmp"}),
              Snapshots(folder.Path()));
    EXPECT_EQ(first[0], ReadFileBytes(folder / "snap0000.bmp"));
    EXPECT_EQ(first[1], ReadFileBytes(folder / "snap0001.bmp"));
    EXPECT_EQ(first[2], ReadFileBytes(folder / "snap0002.bmp"));
    EXPECT_EQ(kSnapshotDescription, Describe(folder / "snap0005.bmp"));
}

TEST(SnapshotTest, TwoInstancesInOneFolderLoseNoFile)
{
    RunFolder folder;
    std::vector<std::string> presses;
    for (int tick = 10; tick < 30; tick += 2) presses.push_back(std::to_string(tick) + ":snapshot");
    const std::vector<std::string> args = Unattended("yes", presses, 35);
    const std::unique_ptr<ProgramRun> one = folder.Start(args);
    const std::unique_ptr<ProgramRun> other = folder.Start(args);
    const RunResult results[] = {one->Wait(60s), other->Wait(60s)};
    for (const RunResult& result : results) {
        ASSERT_TRUE(result.Clean()) << result;
        EXPECT_THAT(result.out, HasSubstr("10 of 10 snapshots written"));
    }
    // Each counts the files it wrote; together they are twenty different files.
    EXPECT_EQ(20u, Snapshots(folder.Path()).size());
}

TEST(SnapshotTest, WhateverHoldsANameIsLeftAlone)
{
    RunFolder folder;
    const std::string outside = folder / "../outside.bmp";
    test_support::WriteFileBytes(outside, {'m', 'i', 'n', 'e'});
    std::filesystem::create_symlink(outside, folder / "snap0001.bmp");
    std::filesystem::create_directory(folder / "snap0002.bmp");
    const RunResult result = folder.Run(Unattended("yes", {"10:snapshot", "20:snapshot"}, 25));
    ASSERT_TRUE(result.Clean()) << result;
    EXPECT_THAT(result.out, HasSubstr("snapshot 3 written"));
    EXPECT_EQ((std::vector<uint8_t>{'m', 'i', 'n', 'e'}), ReadFileBytes(outside));
    EXPECT_TRUE(std::filesystem::is_symlink(folder / "snap0001.bmp"));
    EXPECT_EQ(kSnapshotDescription, Describe(folder / "snap0003.bmp"));
}

TEST(SnapshotTest, APatternWithoutNumberReplacesItsFileAndSaysSoAtStart)
{
    RunFolder folder;
    folder.WriteConfig("latest.bmp\n");
    const RunResult result = folder.Run(Unattended("yes", {"0:intercept", "10:snapshot", "20:snapshot"}, 25));
    ASSERT_TRUE(result.Clean()) << result;
    EXPECT_THAT(result.err, HasSubstr("'latest.bmp' has no number: each snapshot replaces the last"));
    EXPECT_THAT(result.out, HasSubstr("2 of 2 snapshots written"));
    EXPECT_EQ((std::vector<std::string>{"images", "latest.bmp", "vosk.cfg"}), FilesIn(folder.Path()));

    // Never through a symbolic link.
    const std::string outside = folder / "../outside.bmp";
    test_support::WriteFileBytes(outside, {'m', 'i', 'n', 'e'});
    std::filesystem::remove(folder / "latest.bmp");
    std::filesystem::create_symlink(outside, folder / "latest.bmp");
    const RunResult linked = folder.Run(Unattended("yes", {"10:snapshot"}, 15));
    EXPECT_EQ(1, linked.exitCode) << linked;
    EXPECT_THAT(linked.err, HasSubstr("latest.bmp is not a regular file; it is left as it is"));
    EXPECT_EQ((std::vector<uint8_t>{'m', 'i', 'n', 'e'}), ReadFileBytes(outside));
}

void WriteText(const std::string& path, const std::string& text)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    test_support::WriteFileBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

// A folder with images/ and vosk.cfg runs as it always did, whatever the user's folders
// hold; started where there is no vosk.cfg, the program writes its snapshots into the
// user's pictures folder, in a Quenmire folder of its own.
TEST(SnapshotTest, WithoutAVoskCfgHereSnapshotsGoToThePicturesFolder)
{
    RunFolder folder;
    test_support::TempDir home;
    const Launch launch = InPrivateHome(home.path());
    const std::vector<std::string> snapshot = Unattended("yes", {"2:snapshot"}, 4);
    WriteText(home / ".config/user-dirs.dirs", "XDG_PICTURES_DIR=\"$HOME/Bilder\"\n");
    WriteText(home / ".config/quenmire/vosk.cfg", "mine%d.bmp\n");

    RunResult result = folder.Run(snapshot, 60s, launch);
    ASSERT_TRUE(result.Clean()) << result;
    EXPECT_EQ((std::vector<std::string>{"images", "snap0000.bmp", "vosk.cfg"}), FilesIn(folder.Path()));
    EXPECT_THAT(result.out, HasSubstr("quenmire: snapshots go to " + folder.Path().string() + "\n"));
    EXPECT_THAT(result.err, Not(HasSubstr("the files used")));
    EXPECT_FALSE(std::filesystem::exists(home / "Bilder"));

    // The pictures folder that xdg-user-dir gives, and the user's own vosk.cfg.
    std::filesystem::remove(folder / "vosk.cfg");
    std::filesystem::remove(folder / "snap0000.bmp");
    result = folder.Run(snapshot, 60s, launch);
    ASSERT_TRUE(result.Clean()) << result;
    EXPECT_EQ(kSnapshotDescription, Describe(home / "Bilder/Quenmire/mine0.bmp")) << result;
    EXPECT_THAT(result.out, HasSubstr("quenmire: snapshots go to " + home / "Bilder/Quenmire\n"));
    EXPECT_THAT(result.err, HasSubstr("quenmire: not everything is in the working folder; the files used:\n"
                                      "quenmire:   logo frames: " +
                                      folder / "images" +
                                      "\n"
                                      "quenmire:   vosk.cfg: " +
                                      home / ".config/quenmire/vosk.cfg" +
                                      "\n"
                                      "quenmire:   snapshots: " +
                                      home / "Bilder/Quenmire" + "\n"));

    // No pictures folder configured: ~/Pictures; no vosk.cfg anywhere: the default names.
    std::filesystem::remove(home / ".config/user-dirs.dirs");
    std::filesystem::remove(home / ".config/quenmire/vosk.cfg");
    result = folder.Run(snapshot, 60s, launch);
    ASSERT_TRUE(result.Clean()) << result;
    EXPECT_EQ(kSnapshotDescription, Describe(home / "Pictures/Quenmire/snap0000.bmp")) << result;

    // An xdg-user-dir that hangs is given up on: ~/Pictures again, after a moment.
    const std::string tools = home / "tools";
    WriteText(tools + "/xdg-user-dir", "#!/bin/sh\nexec sleep 60\n");
    std::filesystem::permissions(tools + "/xdg-user-dir", std::filesystem::perms::owner_all);
    Launch hanging = launch;
    hanging.set.emplace_back("PATH", tools + ":" + std::getenv("PATH"));
    result = folder.Run(snapshot, 60s, hanging);
    ASSERT_TRUE(result.Clean()) << result;
    EXPECT_EQ(kSnapshotDescription, Describe(home / "Pictures/Quenmire/snap0001.bmp")) << result;

    // --snapshot-dir wins, relative to the working folder.
    std::vector<std::string> chosen = snapshot;
    chosen.insert(chosen.end(), {"--snapshot-dir", "shots/new"});
    result = folder.Run(chosen, 60s, launch);
    ASSERT_TRUE(result.Clean()) << result;
    EXPECT_EQ(kSnapshotDescription, Describe(folder / "shots/new/snap0000.bmp")) << result;
    EXPECT_EQ((std::vector<std::string>{"images", "shots"}), FilesIn(folder.Path()));
}

}  // namespace
}  // namespace e2e
