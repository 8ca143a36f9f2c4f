#include "app/program_files.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>

#include "app/snapshot_pattern.h"
#include "tests/support/test_files.h"

namespace {

namespace fs = std::filesystem;

// A working folder and, beside it, an installed tree, two XDG data folders, a home.
class ProgramFilesTest : public testing::Test {
protected:
    ProgramFilesTest() : here_(Path("work"))
    {
        places_.executable = Path("prefix/bin/quenmire");
        places_.home = Path("home");
        places_.dataDirs = Path("xdg1") + ":relative/ignored:" + Path("xdg2") + "/";
        places_.pictures = Path("home/Bilder");
    }

    std::string Path(const std::string& name) const
    {
        fs::create_directories(root_.path() / "work");
        return root_ / name;
    }
    void Make(const std::string& name) const
    {
        fs::create_directories(fs::path(Path(name)).parent_path());
        test_support::WriteFileBytes(Path(name), {'x'});
    }
    ProgramFiles Locate(const std::string& snapshotDir = "") const { return LocateProgramFiles(places_, snapshotDir); }

    test_support::TempDir root_;
    test_support::ScopedCurrentDir here_;
    SearchPlaces places_;
};

TEST_F(ProgramFilesTest, LogoFramesComeFromTheFirstPlaceThatHasThem)
{
    Make("xdg2/quenmire/images/laugh0000.bmp");
    EXPECT_EQ(Path("xdg2/quenmire"), Locate().logoBase);
    Make("xdg1/quenmire/images/laugh0000.bmp");
    EXPECT_EQ(Path("xdg1/quenmire"), Locate().logoBase);
    Make("prefix/share/quenmire/images/laugh0000.bmp");
    EXPECT_EQ(Path("prefix/share/quenmire"), Locate().logoBase);
    Make("work/images/laugh0000.bmp");
    const ProgramFiles here = Locate();
    EXPECT_EQ("", here.logoBase);
    EXPECT_TRUE(here.logoFound);

    // The installed tree moved elsewhere: it is found where the executable now is.
    places_.executable = Path("moved/usr/bin/quenmire");
    fs::remove_all(Path("work/images"));
    Make("moved/usr/share/quenmire/images/laugh0000.bmp");
    EXPECT_EQ(Path("moved/usr/share/quenmire"), Locate().logoBase);
}

TEST_F(ProgramFilesTest, NoLogoFramesAnywhereSaysWhereItLooked)
{
    const ProgramFiles files = Locate();
    EXPECT_FALSE(files.logoFound);
    EXPECT_EQ("", files.logoBase);
    EXPECT_TRUE(files.UsesFallback());
    EXPECT_EQ((std::vector<std::string>{Path("prefix/share/quenmire"), Path("xdg1/quenmire"), Path("xdg2/quenmire")}),
              files.dataFolders);
    EXPECT_NE(std::string::npos, files.Describe("").find("logo frames: none found in " + Path("work/images") + ", " +
                                                         Path("prefix/share/quenmire/images") + ", "));

    // Without $XDG_DATA_DIRS the XDG defaults are searched.
    places_.dataDirs.clear();
    EXPECT_EQ(
        (std::vector<std::string>{Path("prefix/share/quenmire"), "/usr/local/share/quenmire", "/usr/share/quenmire"}),
        Locate().dataFolders);
}

TEST_F(ProgramFilesTest, ConfigurationComesFromHereThenTheUserThenTheInstalledDefault)
{
    EXPECT_FALSE(Locate().configFound);
    Make("xdg1/quenmire/vosk.cfg");
    Make("prefix/share/quenmire/vosk.cfg");
    EXPECT_EQ(Path("prefix/share/quenmire/vosk.cfg"), Locate().config);
    // Unset, $XDG_CONFIG_HOME means ~/.config; a relative one is ignored as unset.
    Make("home/.config/quenmire/vosk.cfg");
    EXPECT_EQ(Path("home/.config/quenmire/vosk.cfg"), Locate().config);
    places_.configHome = "relative";
    EXPECT_EQ(Path("home/.config/quenmire/vosk.cfg"), Locate().config);
    places_.configHome = Path("config");
    EXPECT_EQ(Path("prefix/share/quenmire/vosk.cfg"), Locate().config);
    Make("config/quenmire/vosk.cfg");
    EXPECT_EQ(Path("config/quenmire/vosk.cfg"), Locate().config);

    // Even one that cannot be read is the working folder's choice, and says why it failed.
    fs::create_directory(Path("work/vosk.cfg"));
    const ProgramFiles here = Locate();
    EXPECT_EQ("vosk.cfg", here.config);
    EXPECT_TRUE(here.configFound);
}

// The folder is made when missing (see the end-to-end tests); a file in its place is
// not replaced, and the snapshot fails and uses up its number.
TEST_F(ProgramFilesTest, AFileWhereTheSnapshotFolderShouldBeFailsTheSnapshot)
{
    DibImage image;
    image.SetSize(4, 2);
    std::memset(image.Bits(), 7, static_cast<size_t>(image.ImageSize()));
    Make("home/blocked");
    int32_t counter = 0;
    const SnapshotResult blocked = WriteSnapshot(image, "snap%04d.bmp", &counter, Path("home/blocked"));
    EXPECT_EQ(ENOTDIR, blocked.error);
    EXPECT_EQ(0, blocked.number);
    EXPECT_EQ(1, counter);
    EXPECT_EQ(1u, fs::file_size(Path("home/blocked")));
}

}  // namespace
