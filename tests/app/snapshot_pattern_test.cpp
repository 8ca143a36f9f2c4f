#include "app/snapshot_pattern.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/support/test_files.h"

namespace {

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
    for (const char* safe : {"snap%04d.bmp", "%d", "%i%%.bmp", "%%%-5x", "%+'08.3hhu.bmp", "%X", "%o", "none.bmp",
                             "100%%.bmp", "%hd"}) {
        EXPECT_TRUE(IsSafeSnapshotPattern(safe)) << safe;
    }
    for (const char* unsafe : {"%s.bmp", "%n", "%*d", "%.*d", "%d%d", "%ld", "%lld", "%f", "%c", "%p", "a%",
                               "%1$d", "%d_%s", "%zd", "%-"}) {
        EXPECT_FALSE(IsSafeSnapshotPattern(unsafe)) << unsafe;
        EXPECT_EQ(kDefaultSnapshotPattern, PatternFrom(unsafe));
    }
}

}  // namespace
