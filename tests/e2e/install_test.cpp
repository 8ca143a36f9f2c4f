// The program as installed: with cmake --install into a staging folder under a prefix
// of its own, and from the Debian package unpacked into a throwaway root. Either tree,
// wherever it lies, finds its data beside its binary when run from an unrelated folder.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/e2e/picture_check.h"
#include "tests/e2e/run_folder.h"
#include "tests/support/test_files.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;
using testing::HasSubstr;
using testing::Not;

constexpr int kSnapshotTick = 30;
constexpr int kLogoSize = 100;

// Runs a tool to its end in `folder`; false, with what it printed, when it failed.
testing::AssertionResult RunTool(RunFolder& folder, const std::string& tool, const std::vector<std::string>& args,
                                 const std::vector<std::pair<std::string, std::string>>& environment = {})
{
    Launch launch;
    launch.program = tool;
    launch.set = environment;
    const RunResult result = folder.Run(args, 300s, launch);
    if (result.Clean()) return testing::AssertionSuccess();
    return testing::AssertionFailure() << tool << " failed: " << result;
}

// The installed binary, run from an empty folder with a home of its own: it says that
// it takes its files from `dataFolder`, and with Intercepter on its snapshot shows the
// logo frame of that moment, which one taken with Intercepter off does not.
void ExpectInstalledProgramWorks(const std::string& program, const fs::path& dataFolder)
{
    RunFolder folder;
    folder.Empty();
    test_support::TempDir home;
    const Launch launch = InPrivateHome(home.path(), program);
    const std::string snapshot = std::to_string(kSnapshotTick) + ":snapshot";

    const RunResult on = folder.Run(Unattended("yes", {"0:intercept", snapshot}, kSnapshotTick + 2), 60s, launch);
    ASSERT_TRUE(on.Clean()) << on;
    EXPECT_THAT(on.err, HasSubstr("quenmire:   logo frames: " + (dataFolder / "images").string() + "\n"));
    EXPECT_THAT(on.err, HasSubstr("quenmire:   vosk.cfg: " + (dataFolder / "vosk.cfg").string() + "\n"));
    EXPECT_THAT(on.err, Not(HasSubstr("could not be read")));
    const RunResult off = folder.Run(Unattended("yes", {snapshot}, kSnapshotTick + 2), 60s, launch);
    ASSERT_TRUE(off.Clean()) << off;
    EXPECT_TRUE(FilesIn(folder.Path()).empty());

    const fs::path snapshots = home.path() / "Pictures/Quenmire";
    const std::vector<Picture> pictures =
        ReadPictures({snapshots / "snap0000.bmp", snapshots / "snap0001.bmp"}, 320, 240);
    char frame[32];
    std::snprintf(frame, sizeof frame, "images/laugh%04d.bmp", kSnapshotTick / 3);
    const std::vector<Picture> logo = ReadPictures({dataFolder / frame}, kLogoSize, kLogoSize);
    ASSERT_EQ(2u, pictures.size()) << on << off;
    ASSERT_EQ(1u, logo.size());
    EXPECT_TRUE(FindLogo(pictures[0], logo[0]).has_value()) << "no logo with Intercepter on";
    EXPECT_FALSE(FindLogo(pictures[1], logo[0]).has_value()) << "a logo with Intercepter off";
}

TEST(InstallTest, AnInstalledTreeFindsItsDataWhereverItIsPut)
{
    test_support::TempDir staging;
    RunFolder folder;
    ASSERT_TRUE(RunTool(folder, QM_CMAKE, {"--install", QM_BUILD_DIR, "--prefix", "/opt/quenmire"},
                        {{"DESTDIR", staging.path().string()}}));
    const fs::path prefix = staging.path() / "opt/quenmire";
    ExpectInstalledProgramWorks(prefix / "bin/quenmire", prefix / "share/quenmire");

    // Moved as a whole, it still finds them.
    fs::rename(prefix, staging.path() / "moved");
    ExpectInstalledProgramWorks(staging / "moved/bin/quenmire", staging.path() / "moved/share/quenmire");
}

TEST(InstallTest, TheDebianPackageUnpackedAnywhereRuns)
{
    std::vector<fs::path> packages;
    for (const auto& entry : fs::directory_iterator(QM_PACKAGE_DIR)) {
        if (entry.path().extension() == ".deb") packages.push_back(entry.path());
    }
    ASSERT_EQ(1u, packages.size()) << "one package in " << QM_PACKAGE_DIR;
    test_support::TempDir root;
    RunFolder folder;
    ASSERT_TRUE(RunTool(folder, "dpkg", {"-x", packages[0].string(), root.path().string()}));
    ExpectInstalledProgramWorks(root / "usr/bin/quenmire", root.path() / "usr/share/quenmire");
}

}  // namespace
}  // namespace e2e
