// A dialog made from the test templates, whose dialog procedure records every message.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <QImage>
#include <QWidget>

#include <functional>
#include <vector>

#include "desktop.h"
#include "tests/support/message_pump.h"
#include "tests/support/test_resources.h"

namespace win32_test {

struct Recorded {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

class DialogTest : public testing::Test {
protected:
    void TearDown() override
    {
        for (HWND dialog : dialogs_) {
            if (IsWindow(dialog)) DestroyWindow(dialog);
        }
        test_support::PumpPending();
        Answer() = nullptr;
        Log().clear();
    }

    HWND Create(int templateId = test_resources::kMainDialog, HWND owner = nullptr)
    {
        const HWND dialog =
            CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId), owner, &DialogTest::Record, 0);
        dialogs_.push_back(dialog);
        return dialog;
    }

    // The messages recorded so far that are one of `messages`, in order.
    static std::vector<Recorded> Logged(std::initializer_list<UINT> messages)
    {
        std::vector<Recorded> found;
        for (const Recorded& entry : Log()) {
            for (UINT message : messages) {
                if (entry.message == message) found.push_back(entry);
            }
        }
        return found;
    }

    // What the dialog procedure answers; FALSE (default processing) when unset.
    static std::function<INT_PTR(HWND, UINT, WPARAM, LPARAM)>& Answer()
    {
        static std::function<INT_PTR(HWND, UINT, WPARAM, LPARAM)> answer;
        return answer;
    }

    static std::vector<Recorded>& Log()
    {
        static std::vector<Recorded> log;
        return log;
    }

    // What a window shows, as the desktop would draw it.
    static QImage Picture(HWND hwnd) { return win32::WindowWidget(hwnd)->grab().toImage(); }

private:
    static INT_PTR CALLBACK Record(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
    {
        Log().push_back(Recorded{hwnd, message, wParam, lParam});
        return Answer() ? Answer()(hwnd, message, wParam, lParam) : FALSE;
    }

    std::vector<HWND> dialogs_;
};

}  // namespace win32_test
