// Files appear whole or not at all, nothing that holds a name is followed or replaced
// unless asked, and only regular files are read.
#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <set>
#include <string>

#include <sys/resource.h>
#include <sys/stat.h>

#include "image/dib_image.h"
#include "fs/file_open.h"
#include "tests/support/test_files.h"

namespace {

using test_support::ReadFileBytes;
using test_support::TempDir;
namespace fs = std::filesystem;

DibImage Picture(uint8_t fill)
{
    DibImage image;
    image.SetSize(320, 240);
    std::fill(image.Bits(), image.Bits() + image.ImageSize(), fill);
    return image;
}

std::set<std::string> Entries(const fs::path& folder)
{
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename().string());
    return names;
}

TEST(FileSafetyTest, AKeptNameIsNeverFollowedOrReplaced)
{
    TempDir dir;
    const std::vector<uint8_t> original = {'k', 'e', 'e', 'p'};
    test_support::WriteFileBytes(dir / "target", original);
    fs::create_symlink(dir / "target", dir / "link.bmp");
    fs::create_symlink(dir / "nowhere", dir / "dangling.bmp");
    test_support::WriteFileBytes(dir / "file.bmp", original);
    const DibImage picture = Picture(7);
    for (const char* name : {"link.bmp", "dangling.bmp", "file.bmp"}) {
        EXPECT_EQ(EEXIST, picture.SaveBmp((dir / name).c_str(), ExistingFile::Keep)) << name;
    }
    EXPECT_EQ(original, ReadFileBytes(dir / "target"));
    EXPECT_EQ(original, ReadFileBytes(dir / "file.bmp"));
    EXPECT_FALSE(fs::exists(dir / "nowhere"));

    ASSERT_EQ(0, picture.SaveBmp((dir / "new.bmp").c_str(), ExistingFile::Keep));
    EXPECT_EQ(230454u, ReadFileBytes(dir / "new.bmp").size());
    EXPECT_EQ((std::set<std::string>{"target", "link.bmp", "dangling.bmp", "file.bmp", "new.bmp"}),
              Entries(dir.path()));
}

TEST(FileSafetyTest, ReplacingTakesOnlyARegularFileAndInOneStep)
{
    TempDir dir;
    ASSERT_EQ(0, Picture(1).WriteBmp((dir / "latest.bmp").c_str()));
    const fs::path target = dir.path() / "target";
    test_support::WriteFileBytes(target.string(), {'t'});
    fs::create_symlink(target, dir / "link.bmp");
    fs::create_directory(dir / "folder.bmp");

    // A reader that holds the old file keeps reading the old picture.
    FILE* held = OpenFile((dir / "latest.bmp").c_str(), "rb");
    ASSERT_NE(nullptr, held);
    ASSERT_EQ(0, Picture(2).WriteBmp((dir / "latest.bmp").c_str()));
    std::fseek(held, 100, SEEK_SET);
    EXPECT_EQ(1, std::fgetc(held));
    std::fclose(held);
    EXPECT_EQ(2, ReadFileBytes(dir / "latest.bmp")[100]);

    EXPECT_EQ(-1, Picture(3).WriteBmp((dir / "link.bmp").c_str()));
    EXPECT_EQ(kErrorNotRegularFile, errno);
    EXPECT_EQ(-1, Picture(3).WriteBmp((dir / "folder.bmp").c_str()));
    EXPECT_TRUE(fs::is_symlink(dir / "link.bmp"));
    EXPECT_EQ(std::vector<uint8_t>{'t'}, ReadFileBytes(target.string()));
    EXPECT_EQ((std::set<std::string>{"latest.bmp", "target", "link.bmp", "folder.bmp"}), Entries(dir.path()));
}

TEST(FileSafetyTest, AWriteThatFailsLeavesNothingBehind)
{
    TempDir dir;
    // Files may not grow past 100,000 bytes: the picture does not fit.
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved;
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit limited = saved;
    limited.rlim_cur = 100000;
    setrlimit(RLIMIT_FSIZE, &limited);
    const int kept = Picture(5).SaveBmp((dir / "new.bmp").c_str(), ExistingFile::Keep);
    const int replaced = Picture(5).WriteBmp((dir / "new.bmp").c_str());
    const int why = errno;
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);

    EXPECT_EQ(EFBIG, kept);
    EXPECT_EQ(-1, replaced);
    EXPECT_EQ(EFBIG, why);
    EXPECT_EQ("File too large", FileErrorText(why));
    EXPECT_TRUE(Entries(dir.path()).empty());
    EXPECT_EQ(ENOENT, Picture(5).SaveBmp((dir / "missing/new.bmp").c_str(), ExistingFile::Keep));
}

TEST(FileSafetyTest, OnlyRegularFilesAreReadAndNothingWaits)
{
    TempDir dir;
    ASSERT_EQ(0, ::mkfifo((dir / "fifo.bmp").c_str(), 0600));
    fs::create_directory(dir / "folder.bmp");
    DibImage image;
    for (const std::string& name : {dir / "fifo.bmp", dir / "folder.bmp", std::string("/dev/zero")}) {
        EXPECT_EQ(-1, image.ReadBmp(name.c_str())) << name;
        EXPECT_EQ(kErrorNotRegularFile, errno) << name;
        EXPECT_EQ(nullptr, OpenFile(name.c_str(), "r")) << name;
    }
    EXPECT_EQ("not a regular file", FileErrorText(kErrorNotRegularFile));
    EXPECT_EQ(nullptr, image.Bits());
    // A link to a regular file is read as the file.
    ASSERT_EQ(0, Picture(9).WriteBmp((dir / "real.bmp").c_str()));
    fs::create_symlink(dir / "real.bmp", dir / "link.bmp");
    EXPECT_EQ(0, image.ReadBmp((dir / "link.bmp").c_str()));
    EXPECT_EQ(9, image.Bits()[0]);
}

}  // namespace
