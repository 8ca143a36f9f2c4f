#include "app/snapshot_pattern.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <filesystem>
#include <string>

#include "app/terminal_text.h"
#include "fs/file_open.h"
#include "tests/support/test_files.h"

namespace {

namespace fs = std::filesystem;
using test_support::ReadFileBytes;

std::string PatternFrom(const std::string& contents)
{
    test_support::TempDir dir;
    test_support::WriteFileBytes(dir / "vosk.cfg", std::vector<uint8_t>(contents.begin(), contents.end()));
    char pattern[kPatternBytes];
    std::memset(pattern, 'x', sizeof pattern);
    ReadSnapshotPattern((dir / "vosk.cfg").c_str(), pattern);
    return pattern;
}

TEST(SnapshotPatternTest, TakesTheFirstToken)
{
    EXPECT_EQ("shot%03d.bmp", PatternFrom("shot%03d.bmp\n"));
    EXPECT_EQ("a%d.bmp", PatternFrom("  \n\ta%d.bmp   rest of the line\nsecond line"));
    EXPECT_EQ("same.bmp", PatternFrom("same.bmp"));  // no conversion: one name for all
    const std::string longest(255, 'p');
    EXPECT_EQ(longest, PatternFrom(longest + "\n"));
}

TEST(SnapshotPatternTest, MissingEmptyOrOverlongGivesTheDefault)
{
    char pattern[kPatternBytes];
    ReadSnapshotPattern("/nonexistent/vosk.cfg", pattern);
    EXPECT_STREQ(kDefaultSnapshotPattern, pattern);
    EXPECT_EQ(kDefaultSnapshotPattern, PatternFrom(""));
    EXPECT_EQ(kDefaultSnapshotPattern, PatternFrom(" \n\t \n"));
    EXPECT_EQ(kDefaultSnapshotPattern, PatternFrom(std::string(256, 'p')));
    EXPECT_EQ(kDefaultSnapshotPattern, PatternFrom(std::string(5000, 'p') + " x"));
}

TEST(SnapshotPatternTest, OnlyOneIntegerConversionIsSafe)
{
    for (const char* safe :
         {"snap%04d.bmp", "%d", "%i%%.bmp", "%%%-5x", "%+'08.3hhu.bmp", "%X", "%o", "none.bmp", "100%%.bmp", "%hd"}) {
        EXPECT_TRUE(IsSafeSnapshotPattern(safe)) << safe;
    }
    EXPECT_TRUE(IsSafeSnapshotPattern("%032.32d"));
    EXPECT_TRUE(IsSafeSnapshotPattern("写真%d.bmp"));
    for (const char* unsafe : {"%s.bmp",         "%n",          "%*d",    "%.*d",       "%d%d",    "%ld",
                               "%lld",           "%f",          "%c",     "%p",         "a%",      "%1$d",
                               "%d_%s",          "%zd",         "%-",     "%33d",       "%.33d",   "%2147483647d",
                               "%099999999999d", "a\x1b[2Jb%d", "\x7f%d", "\xc2\x9b%d", "bell\a%d"}) {
        EXPECT_FALSE(IsSafeSnapshotPattern(unsafe)) << unsafe;
        EXPECT_EQ(kDefaultSnapshotPattern, PatternFrom(unsafe));
    }
}

// A picture whose every byte is `fill`.
DibImage Picture(uint8_t fill)
{
    DibImage image;
    image.SetSize(4, 2);
    std::fill(image.Bits(), image.Bits() + image.ImageSize(), fill);
    return image;
}

TEST(SnapshotTest, NumberedSnapshotsSkipEveryNameThatIsTakenAndReplaceNothing)
{
    test_support::TempDir dir;
    const std::string pattern = dir / "snap%d.bmp";
    test_support::WriteFileBytes(dir / "snap1.bmp", {'o', 'l', 'd'});
    fs::create_symlink(dir / "elsewhere", dir / "snap2.bmp");
    int32_t counter = 0;
    const SnapshotResult first = WriteSnapshot(Picture(1), pattern.c_str(), &counter);
    EXPECT_EQ(0, first.error);
    EXPECT_EQ(0, first.number);
    const SnapshotResult second = WriteSnapshot(Picture(2), pattern.c_str(), &counter);
    EXPECT_EQ(0, second.error);
    EXPECT_EQ(3, second.number);
    EXPECT_EQ(dir / "snap3.bmp", second.name);
    EXPECT_EQ(4, counter);
    EXPECT_EQ(1, ReadFileBytes(dir / "snap0.bmp").back());
    EXPECT_EQ(2, ReadFileBytes(dir / "snap3.bmp").back());
    EXPECT_EQ((std::vector<uint8_t>{'o', 'l', 'd'}), ReadFileBytes(dir / "snap1.bmp"));
    EXPECT_FALSE(fs::exists(dir / "elsewhere"));

    // A number whose write fails is used up: here its folder is missing.
    const std::string inFolders = dir / "f%d/snap.bmp";
    fs::create_directory(dir / "f5");
    const SnapshotResult failed = WriteSnapshot(Picture(3), inFolders.c_str(), &counter);
    EXPECT_EQ(4, failed.number);
    EXPECT_EQ(ENOENT, failed.error);
    EXPECT_EQ(5, WriteSnapshot(Picture(3), inFolders.c_str(), &counter).number);
    EXPECT_TRUE(fs::exists(dir / "f5/snap.bmp"));
}

TEST(SnapshotTest, TheSearchForAFreeNameIsBounded)
{
    test_support::TempDir dir;
    // An hh conversion gives only 256 names, all taken.
    for (int n = -128; n < 128; ++n) test_support::WriteFileBytes(dir / ("s" + std::to_string(n)), {});
    const std::string pattern = dir / "s%hhd";
    int32_t counter = 0;
    const SnapshotResult result = WriteSnapshot(Picture(1), pattern.c_str(), &counter);
    EXPECT_EQ(EEXIST, result.error);
    EXPECT_EQ(kMaxSnapshotNamesTried, counter);

    // At the last number there is nothing further to count to.
    counter = INT32_MAX;
    EXPECT_EQ(EOVERFLOW, WriteSnapshot(Picture(1), (dir / "t%d").c_str(), &counter).error);
    EXPECT_EQ(INT32_MAX, counter);
}

TEST(SnapshotTest, APatternWithoutNumberReplacesItsOneFileButNeverALink)
{
    test_support::TempDir dir;
    const std::string pattern = dir / "latest.bmp";
    int32_t counter = 0;
    EXPECT_EQ(0, WriteSnapshot(Picture(1), pattern.c_str(), &counter).error);
    EXPECT_EQ(0, WriteSnapshot(Picture(2), pattern.c_str(), &counter).error);
    EXPECT_EQ(2, ReadFileBytes(pattern).back());
    EXPECT_EQ(2, counter);

    const std::string linked = dir / "linked.bmp";
    fs::create_symlink(pattern, linked);
    EXPECT_EQ(kErrorNotRegularFile, WriteSnapshot(Picture(3), linked.c_str(), &counter).error);
    EXPECT_EQ(2, ReadFileBytes(pattern).back());
    EXPECT_TRUE(fs::is_symlink(linked));
}

TEST(TerminalTextTest, ControlCharactersShowInsteadOfActing)
{
    EXPECT_EQ("a\\x1b[31mb\\x07\\x7f\\xc2\\x9b", Printable("a\x1b[31mb\x07\x7f\xc2\x9b"));
    EXPECT_EQ("カメラ é", Printable("カメラ é"));
    EXPECT_TRUE(HasControlCharacters("\n"));
    EXPECT_FALSE(HasControlCharacters("カメラ é"));
    EXPECT_EQ("バインド失敗 (could not bind the device)", WithTranslation("バインド失敗"));
    EXPECT_EQ("Camera", WithTranslation("Camera"));
}

}  // namespace
