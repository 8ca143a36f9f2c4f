// Faults met while the program runs: a source that fails, a snapshot folder that cannot
// be written, a full disk. The program goes on, and nothing it wrote earlier is lost.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

#include "tests/e2e/picture_check.h"
#include "tests/e2e/run_folder.h"
#include "tests/support/test_files.h"

namespace e2e {
namespace {

using testing::HasSubstr;

TEST(FaultTest, ASourceThatFailsMidRunLeavesTheLastPictureShown)
{
    RunFolder folder;
    // Colour bars, with a corner of noise that differs in every picture, that stop with an
    // error at their 30th picture, a second in.
    const std::string failing = "videotestsrc pattern=smpte ! video/x-raw,width=320,height=240,framerate=30/1 ! "
                                "identity error-after=30";
    const RunResult result =
        folder.Run({"--headless", "--no-test-camera", "--source", failing, "--answer", "yes", "--press", "10:snapshot",
                    "--press", "60:snapshot", "--press", "90:snapshot", "--ticks", "100"});
    ASSERT_TRUE(result.Clean()) << result;
    EXPECT_THAT(result.err, HasSubstr("stream stopped"));
    EXPECT_THAT(result.out, HasSubstr("stream errors"));
    EXPECT_EQ(100, Reported(result.out, "ticks"));
    EXPECT_LE(Reported(result.out, "frames received"), 30);
    EXPECT_GE(Reported(result.out, "fetched"), 90);  // the last picture, again and again
    EXPECT_THAT(result.out, HasSubstr("3 of 3 snapshots written"));
    // After the failure the last picture stays: both later snapshots show it.
    const std::vector<uint8_t> after = test_support::ReadFileBytes(folder / "snap0001.bmp");
    EXPECT_EQ(230454u, after.size());
    EXPECT_EQ(after, test_support::ReadFileBytes(folder / "snap0002.bmp"));
    EXPECT_EQ(kSnapshotDescription, Describe(folder / "snap0000.bmp"));
}

// Runs the program without the power to write where file permissions forbid it, which
// root has: with that capability dropped for the run.
Launch WithoutPermissionOverride()
{
    Launch launch;
    if (geteuid() == 0) launch.through = {"setpriv", "--bounding-set=-dac_override,-dac_read_search", "--"};
    return launch;
}

TEST(FaultTest, ASnapshotFolderThatTurnsReadOnlyCostsOnlyTheSnapshotsMeanwhile)
{
    if (geteuid() == 0 && std::system("setpriv --version >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "running as root, and setpriv is not there to drop the permission override";
    }
    RunFolder folder;
    folder.WriteConfig("shots/snap%d.bmp\n");
    const std::filesystem::path shots = folder / "shots";
    std::filesystem::create_directory(shots);
    const std::unique_ptr<ProgramRun> run =
        folder.Start(Unattended("yes", {"10:snapshot", "60:snapshot", "110:snapshot"}, 120),
                     WithoutPermissionOverride());

    ASSERT_TRUE(run->WaitForOutput("snapshot 0 written", 30s)) << run->Wait(1s);
    const std::vector<uint8_t> first = test_support::ReadFileBytes(shots / "snap0.bmp");
    std::filesystem::permissions(shots, std::filesystem::perms::owner_write | std::filesystem::perms::group_write |
                                            std::filesystem::perms::others_write,
                                 std::filesystem::perm_options::remove);
    const bool refused = run->WaitForOutput("snapshot 1 could not be written", 30s);
    std::filesystem::permissions(shots, std::filesystem::perms::owner_write, std::filesystem::perm_options::add);
    ASSERT_TRUE(refused) << run->Wait(1s);

    const RunResult result = run->Wait(30s);
    ASSERT_TRUE(result.Clean()) << result;
    EXPECT_THAT(result.out, HasSubstr("2 of 3 snapshots written"));
    EXPECT_EQ(230454u, first.size());
    EXPECT_EQ(first, test_support::ReadFileBytes(shots / "snap0.bmp"));
    EXPECT_FALSE(std::filesystem::exists(shots / "snap1.bmp"));
    EXPECT_EQ(kSnapshotDescription, Describe(shots / "snap2.bmp"));
}

TEST(FaultTest, AFullDiskCostsOnlyTheSnapshotThatDidNotFit)
{
    RunFolder folder;
    folder.WriteConfig("snap%d.bmp\n");
    // Snapshot 1 goes to a device that is always full.
    std::filesystem::create_symlink("/dev/full", folder / "snap1.bmp");
    const std::unique_ptr<ProgramRun> run =
        folder.Start(Unattended("yes", {"10:snapshot", "40:snapshot", "70:snapshot"}, 80));
    ASSERT_TRUE(run->WaitForOutput("snapshot 0 written", 30s)) << run->Wait(1s);
    const std::vector<uint8_t> first = test_support::ReadFileBytes(folder / "snap0.bmp");

    const RunResult result = run->Wait(30s);
    ASSERT_TRUE(result.Clean()) << result;
    EXPECT_THAT(result.out, HasSubstr("snapshot 1 could not be written (snap1.bmp)"));
    EXPECT_THAT(result.out, HasSubstr("2 of 3 snapshots written"));
    EXPECT_EQ(230454u, first.size());
    EXPECT_EQ(first, test_support::ReadFileBytes(folder / "snap0.bmp"));
    EXPECT_EQ(kSnapshotDescription, Describe(folder / "snap2.bmp"));
    EXPECT_TRUE(std::filesystem::is_symlink(folder / "snap1.bmp"));
}

}  // namespace
}  // namespace e2e
