// Faults met while the program runs: a source that fails, a snapshot folder that cannot
// be written, a full disk, files that are no files, termination. The program goes on or
// ends cleanly, never hangs, and nothing it wrote earlier is lost.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <signal.h>
#include <sys/stat.h>
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
    const std::string failing =
        "videotestsrc pattern=smpte ! video/x-raw,width=320,height=240,framerate=30/1 ! "
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
    const std::unique_ptr<ProgramRun> run = folder.Start(
        Unattended("yes", {"10:snapshot", "60:snapshot", "110:snapshot"}, 120), WithoutPermissionOverride());

    ASSERT_TRUE(run->WaitForOutput("snapshot 0 written", 30s)) << run->Wait(1s);
    const std::vector<uint8_t> first = test_support::ReadFileBytes(shots / "snap0.bmp");
    std::filesystem::permissions(shots,
                                 std::filesystem::perms::owner_write | std::filesystem::perms::group_write |
                                     std::filesystem::perms::others_write,
                                 std::filesystem::perm_options::remove);
    const bool refused = run->WaitForOutput("tick 60: Snapshot", 30s);
    std::filesystem::permissions(shots, std::filesystem::perms::owner_write, std::filesystem::perm_options::add);
    ASSERT_TRUE(refused) << run->Wait(1s);

    const RunResult result = run->Wait(30s);
    EXPECT_EQ(1, result.exitCode) << result;
    EXPECT_THAT(result.err, HasSubstr("snapshot 1 not written: shots/snap1.bmp: Permission denied"));
    EXPECT_THAT(result.out, HasSubstr("2 of 3 snapshots written"));
    EXPECT_EQ(230454u, first.size());
    EXPECT_EQ(first, test_support::ReadFileBytes(shots / "snap0.bmp"));
    EXPECT_EQ((std::vector<std::string>{"snap0.bmp", "snap2.bmp"}), FilesIn(shots));
    EXPECT_EQ(kSnapshotDescription, Describe(shots / "snap2.bmp"));
}

// A folder on a file system with room for two snapshots: a 600 kB tmpfs, where the test
// may mount one. Elsewhere the program runs with a file size limit that no snapshot fits.
class SmallDisk {
public:
    explicit SmallDisk(const std::filesystem::path& folder) : folder_(folder)
    {
        std::filesystem::create_directory(folder_);
        const std::string mount = "mount -t tmpfs -o size=600k quenmire-test " + folder_.string() + " 2>/dev/null";
        mounted_ = geteuid() == 0 && std::system(mount.c_str()) == 0;
    }
    ~SmallDisk()
    {
        if (mounted_) std::system(("umount " + folder_.string()).c_str());
    }
    bool Mounted() const { return mounted_; }
    Launch Limit() const { return mounted_ ? Launch{} : Launch{{"prlimit", "--fsize=100000", "--"}, {}, {}}; }

private:
    std::filesystem::path folder_;
    bool mounted_ = false;
};

TEST(FaultTest, AFullDiskLeavesNoPartialFileAndSaysWhy)
{
    RunFolder folder;
    folder.WriteConfig("disk/snap%d.bmp\n");
    const SmallDisk disk(folder / "disk");
    const RunResult result = folder.Run(
        Unattended("yes", {"10:snapshot", "20:snapshot", "30:snapshot", "40:snapshot"}, 45), 60s, disk.Limit());
    EXPECT_EQ(1, result.exitCode) << result;
    const std::vector<std::string> written = FilesIn(folder / "disk");
    for (const std::string& name : written) EXPECT_EQ(kSnapshotDescription, Describe(folder / ("disk/" + name)));
    if (disk.Mounted()) {
        EXPECT_EQ((std::vector<std::string>{"snap0.bmp", "snap1.bmp"}), written);
        EXPECT_THAT(result.err, HasSubstr("snapshot 2 not written: disk/snap2.bmp: No space left on device"));
        EXPECT_THAT(result.out, HasSubstr("2 of 4 snapshots written"));
    } else {
        EXPECT_TRUE(written.empty());
        EXPECT_THAT(result.err, HasSubstr("snapshot 0 not written: disk/snap0.bmp: File too large"));
        EXPECT_THAT(result.out, HasSubstr("0 of 4 snapshots written"));
    }
}

// Reading a FIFO would wait for a writer that never comes.
TEST(FaultTest, AFifoWhereAFileShouldBeIsRefusedAtOnce)
{
    RunFolder folder;
    std::filesystem::remove(folder / "vosk.cfg");
    ASSERT_EQ(0, ::mkfifo((folder / "vosk.cfg").c_str(), 0600));
    std::filesystem::remove(folder / "images/laugh0000.bmp");
    ASSERT_EQ(0, ::mkfifo((folder / "images/laugh0000.bmp").c_str(), 0600));
    const RunResult result = folder.Run(Unattended("yes", {"0:intercept", "10:snapshot"}, 15), 30s);
    ASSERT_TRUE(result.Clean()) << result;
    EXPECT_THAT(result.err, HasSubstr("cannot read vosk.cfg: not a regular file"));
    EXPECT_THAT(result.err, HasSubstr("1 of 60 logo frames could not be read from " + folder / "images" +
                                      " (first: images/laugh0000.bmp: not a regular file)"));
    EXPECT_EQ(kSnapshotDescription, Describe(folder / "snap0000.bmp"));
}

TEST(FaultTest, TerminationEndsTheProgramAtEveryStage)
{
    RunFolder folder;
    // A source that never shows its picture size keeps the program starting up.
    const std::unique_ptr<ProgramRun> starting =
        folder.Start({"--headless", "--no-test-camera", "--source", "appsrc", "--answer", "yes", "--ticks", "1000"});
    std::this_thread::sleep_for(1s);
    ::kill(starting->Pid(), SIGTERM);
    const RunResult ended = starting->Wait(5s);
    EXPECT_TRUE(ended.ended) << ended;
    EXPECT_EQ(SIGTERM, ended.signal) << ended;
    EXPECT_THAT(ended.err, HasSubstr("quenmire: terminated"));

    // Running, it ends as Exit ends it: with its report, and its snapshots kept.
    const std::unique_ptr<ProgramRun> running = folder.Start(Unattended("yes", {"5:snapshot"}, 100000));
    ASSERT_TRUE(running->WaitForOutput("snapshot 0 written", 30s)) << running->Wait(1s);
    ::kill(running->Pid(), SIGINT);
    const RunResult result = running->Wait(10s);
    ASSERT_TRUE(result.Clean()) << result;
    EXPECT_THAT(result.out, HasSubstr("Exit (end requested)"));
    EXPECT_THAT(result.out, HasSubstr("1 of 1 snapshots written"));
}

}  // namespace
}  // namespace e2e
