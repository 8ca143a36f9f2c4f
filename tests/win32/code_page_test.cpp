#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(CodePageTest, ConvertsJapaneseToUtf8WithTerminator)
{
    const wchar_t* name = L"カメラ A";
    char buffer[256];
    std::memset(buffer, 'x', sizeof buffer);
    const int n = WideCharToMultiByte(CP_ACP, 0, name, -1, buffer, sizeof buffer, nullptr, nullptr);
    EXPECT_EQ(12, n);  // three 3-byte characters, a blank, A and the terminator
    EXPECT_STREQ("カメラ A", buffer);
    EXPECT_EQ(n, WideCharToMultiByte(CP_ACP, 0, name, -1, nullptr, 0, nullptr, nullptr));
}

TEST(CodePageTest, CountedLengthHasNoTerminator)
{
    char buffer[8] = {};
    EXPECT_EQ(2, WideCharToMultiByte(CP_UTF8, 0, L"abc", 2, buffer, sizeof buffer, nullptr, nullptr));
    EXPECT_STREQ("ab", buffer);
}

TEST(CodePageTest, ShortBufferTakesWholeCharactersAndFails)
{
    char buffer[5];
    std::memset(buffer, 'x', sizeof buffer);
    SetLastError(0);
    EXPECT_EQ(0, WideCharToMultiByte(CP_ACP, 0, L"日本語", -1, buffer, 5, nullptr, nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), GetLastError());
    EXPECT_EQ(0, std::memcmp(buffer, "日", 3));
    EXPECT_EQ('x', buffer[3]);  // no partial sequence of the second character
}

TEST(CodePageTest, RefusesBadArgumentsAndReplacesNonCharacters)
{
    char buffer[8];
    EXPECT_EQ(0, WideCharToMultiByte(CP_ACP, 0, nullptr, -1, buffer, 8, nullptr, nullptr));
    EXPECT_EQ(0, WideCharToMultiByte(932, 0, L"a", -1, buffer, 8, nullptr, nullptr));
    EXPECT_EQ(0, WideCharToMultiByte(CP_ACP, 0, L"a", -1, nullptr, 8, nullptr, nullptr));
    const wchar_t bad[] = {0xD800, static_cast<wchar_t>(0x110000), 0};
    BOOL usedDefault = FALSE;
    EXPECT_EQ(3, WideCharToMultiByte(CP_ACP, 0, bad, -1, buffer, 8, nullptr, &usedDefault));
    EXPECT_STREQ("??", buffer);
    EXPECT_TRUE(usedDefault);
}

}  // namespace
