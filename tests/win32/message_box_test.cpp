#include <windows.h>

#include <gtest/gtest.h>

#include <unistd.h>

#include "message_box.h"

namespace {

TEST(MessageBoxTest, ScriptedAnswersGoInOrderThenNo)
{
    win32::ScriptedAnswers answers({IDYES, IDNO, IDYES});
    auto previous = win32::SetMessageBoxHandler(answers.Handler());
    EXPECT_EQ(IDYES, MessageBoxA(nullptr, "cam 1", "use?", MB_YESNO));
    EXPECT_EQ(IDOK, MessageBoxA(nullptr, "failed", "ERROR", MB_OK));  // does not take an answer
    EXPECT_EQ(IDNO, MessageBoxA(nullptr, "cam 2", "use?", MB_YESNO));
    EXPECT_EQ(IDYES, MessageBoxA(nullptr, "cam 3", "use?", MB_YESNO));
    EXPECT_EQ(IDNO, MessageBoxA(nullptr, "cam 4", "use?", MB_YESNO));
    win32::SetMessageBoxHandler(previous);

    ASSERT_EQ(5u, answers.shown().size());
    EXPECT_EQ("failed", answers.shown()[1].text);
    EXPECT_EQ("ERROR", answers.shown()[1].caption);
    EXPECT_EQ(static_cast<UINT>(MB_OK), answers.shown()[1].type);
    EXPECT_EQ("cam 4", answers.shown()[4].text);
}

TEST(MessageBoxTest, WithNobodyToAskQuestionsAreAnsweredNo)
{
    // Tests run without a terminal on standard input and without a desktop box.
    if (isatty(0)) GTEST_SKIP() << "standard input is a terminal";
    EXPECT_EQ(IDNO, MessageBoxA(nullptr, "cam", "use?", MB_YESNO));
    EXPECT_EQ(IDOK, MessageBoxA(nullptr, "no device", "ERROR", MB_OK));
}

}  // namespace
