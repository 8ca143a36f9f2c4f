// The message queue: order of posted messages, paints and timers; timers; hooks; quit;
// messages for windows that are gone.
#include <thread>

#include "dialog_fixture.h"

namespace win32_test {
namespace {

using namespace std::chrono_literals;
using test_support::PumpPending;
using test_support::PumpUntil;

int g_threadTicks = 0;
void CALLBACK CountThreadTick(HWND, UINT, UINT_PTR, DWORD)
{
    ++g_threadTicks;
}

std::vector<CWPRETSTRUCT> g_hooked;
std::vector<int> g_hookOrder;
HHOOK g_olderHook = nullptr;
HHOOK g_newerHook = nullptr;

LRESULT CALLBACK OlderHook(int code, WPARAM wParam, LPARAM lParam)
{
    g_hookOrder.push_back(1);
    if (code == HC_ACTION) {
        CWPRETSTRUCT returned = *reinterpret_cast<const CWPRETSTRUCT*>(lParam);
        returned.lParam = static_cast<LPARAM>(wParam);  // remember whether it was sent
        g_hooked.push_back(returned);
    }
    return CallNextHookEx(g_olderHook, code, wParam, lParam);
}

LRESULT CALLBACK NewerHook(int code, WPARAM wParam, LPARAM lParam)
{
    g_hookOrder.push_back(2);
    return CallNextHookEx(g_newerHook, code, wParam, lParam);
}

TEST_F(DialogTest, PostedMessagesComeFirstThenPaintsThenTimers)
{
    const HWND dialog = Create();
    ASSERT_NE(0u, SetTimer(dialog, 7, 10, nullptr));
    std::this_thread::sleep_for(20ms);
    PostMessageA(dialog, WM_USER, 1, 0);
    PostMessageA(nullptr, WM_USER + 1, 2, 0);

    std::vector<MSG> retrieved;
    MSG message;
    while (retrieved.size() < 10 && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        retrieved.push_back(message);
        DispatchMessageA(&message);
        if (message.message == WM_TIMER) break;
    }
    ASSERT_GE(retrieved.size(), 4u);
    EXPECT_EQ(static_cast<UINT>(WM_USER), retrieved[0].message);
    EXPECT_EQ(dialog, retrieved[0].hwnd);
    EXPECT_EQ(static_cast<UINT>(WM_USER + 1), retrieved[1].message);
    EXPECT_EQ(nullptr, retrieved[1].hwnd);
    // The dialog first, then its display control (the one child that paints itself).
    EXPECT_EQ(static_cast<UINT>(WM_PAINT), retrieved[2].message);
    EXPECT_EQ(dialog, retrieved[2].hwnd);
    EXPECT_EQ(static_cast<UINT>(WM_PAINT), retrieved[3].message);
    EXPECT_EQ(GetDlgItem(dialog, test_resources::kDisplay), retrieved[3].hwnd);
    ASSERT_EQ(5u, retrieved.size());
    EXPECT_EQ(static_cast<UINT>(WM_TIMER), retrieved[4].message);
    EXPECT_EQ(7u, retrieved[4].wParam);
    EXPECT_EQ(0, retrieved[4].lParam);
    EXPECT_EQ(dialog, retrieved[4].hwnd);
}

TEST_F(DialogTest, TimerMessagesNeitherPileUpNorOutliveTheirTimer)
{
    const HWND dialog = Create();
    PumpPending();
    EXPECT_EQ(1u, SetTimer(dialog, 0, 10, nullptr));  // nonzero, even for identifier 0
    EXPECT_EQ(3u, SetTimer(dialog, 3, 1, nullptr));   // raised to the 10 ms minimum
    std::this_thread::sleep_for(100ms);
    PumpPending();
    // One message per timer however long nobody looked.
    EXPECT_EQ(2u, Logged({WM_TIMER}).size());

    EXPECT_TRUE(KillTimer(dialog, 3));
    EXPECT_FALSE(KillTimer(dialog, 3));
    EXPECT_TRUE(PumpUntil([] { return Logged({WM_TIMER}).size() >= 5; }));
    for (const Recorded& tick : Logged({WM_TIMER})) EXPECT_TRUE(tick.wParam == 0 || tick.wParam == 3);

    DestroyWindow(dialog);
    EXPECT_FALSE(KillTimer(dialog, 0));  // ended with its window
    const size_t ticks = Logged({WM_TIMER}).size();
    PumpUntil([] { return false; }, 50ms);
    EXPECT_EQ(ticks, Logged({WM_TIMER}).size());
    EXPECT_EQ(0u, SetTimer(dialog, 1, 10, nullptr));
}

TEST_F(DialogTest, ThreadTimersGetTheirOwnIdentifiersAndCallTheirProcedure)
{
    g_threadTicks = 0;
    const UINT_PTR first = SetTimer(nullptr, 0, 10, CountThreadTick);
    const UINT_PTR second = SetTimer(nullptr, 0, 10, CountThreadTick);
    EXPECT_NE(0u, first);
    EXPECT_NE(0u, second);
    EXPECT_NE(first, second);
    EXPECT_EQ(first, SetTimer(nullptr, first, 20, CountThreadTick));  // replaces, keeps its identifier
    EXPECT_TRUE(KillTimer(nullptr, second));
    EXPECT_TRUE(PumpUntil([] { return g_threadTicks >= 3; }));
    EXPECT_TRUE(KillTimer(nullptr, first));
    const int ticks = g_threadTicks;
    PumpUntil([] { return false; }, 50ms);
    EXPECT_EQ(ticks, g_threadTicks);

    // A forged WM_TIMER does not call an arbitrary procedure.
    MSG forged = {nullptr, WM_TIMER, first, reinterpret_cast<LPARAM>(&CountThreadTick), 0, {0, 0}};
    DispatchMessageA(&forged);
    EXPECT_EQ(ticks, g_threadTicks);
}

TEST_F(DialogTest, HooksSeeEachMessageAfterItsWindowProcedureNewestFirst)
{
    Answer() = [](HWND, UINT message, WPARAM, LPARAM) -> INT_PTR { return message == WM_USER ? 77 : FALSE; };
    const HWND dialog = Create();
    PumpPending();
    g_hooked.clear();
    g_hookOrder.clear();
    g_olderHook = SetWindowsHookExA(WH_CALLWNDPROCRET, OlderHook, nullptr, GetCurrentThreadId());
    g_newerHook = SetWindowsHookExA(WH_CALLWNDPROCRET, NewerHook, nullptr, 0);
    ASSERT_NE(nullptr, g_olderHook);
    ASSERT_NE(nullptr, g_newerHook);
    EXPECT_EQ(nullptr, SetWindowsHookExA(4, OlderHook, nullptr, 0));  // WH_CALLWNDPROC is not offered

    EXPECT_EQ(77, SendMessageA(dialog, WM_USER, 5, 6));
    ASSERT_EQ(1u, g_hooked.size());
    EXPECT_EQ(77, g_hooked[0].lResult);
    EXPECT_EQ(static_cast<UINT>(WM_USER), g_hooked[0].message);
    EXPECT_EQ(5u, g_hooked[0].wParam);
    EXPECT_EQ(dialog, g_hooked[0].hwnd);
    EXPECT_EQ(1, g_hooked[0].lParam);  // sent
    EXPECT_EQ((std::vector<int>{2, 1}), g_hookOrder);

    SetTimer(dialog, 9, 10, nullptr);
    EXPECT_TRUE(PumpUntil([] { return !g_hooked.empty() && g_hooked.back().message == WM_TIMER; }));
    EXPECT_EQ(9u, g_hooked.back().wParam);
    EXPECT_EQ(0, g_hooked.back().lParam);  // dispatched from the queue
    KillTimer(dialog, 9);

    EXPECT_TRUE(UnhookWindowsHookEx(g_olderHook));
    EXPECT_FALSE(UnhookWindowsHookEx(g_olderHook));
    const size_t seen = g_hooked.size();
    SendMessageA(dialog, WM_USER, 0, 0);
    EXPECT_EQ(seen, g_hooked.size());
    EXPECT_TRUE(UnhookWindowsHookEx(g_newerHook));
}

TEST_F(DialogTest, QuitComesAfterPostedMessagesAndEndsGetMessage)
{
    PostMessageA(nullptr, WM_USER, 0, 0);
    PostQuitMessage(3);
    MSG message;
    ASSERT_TRUE(GetMessageA(&message, nullptr, 0, 0));
    EXPECT_EQ(static_cast<UINT>(WM_USER), message.message);
    EXPECT_FALSE(GetMessageA(&message, nullptr, 0, 0));
    EXPECT_EQ(static_cast<UINT>(WM_QUIT), message.message);
    EXPECT_EQ(3u, message.wParam);
    EXPECT_FALSE(PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
}

TEST_F(DialogTest, DestroyingEndsChildrenFirstAndLeavesStaleHandlesHarmless)
{
    const HWND dialog = Create();
    const HWND start = GetDlgItem(dialog, test_resources::kStart);
    PostMessageA(dialog, WM_USER, 0, 0);
    EXPECT_TRUE(DestroyWindow(dialog));
    const std::vector<Recorded> ends = Logged({WM_DESTROY, WM_NCDESTROY});
    ASSERT_EQ(2u, ends.size());
    EXPECT_EQ(static_cast<UINT>(WM_DESTROY), ends[0].message);
    EXPECT_EQ(static_cast<UINT>(WM_NCDESTROY), ends[1].message);
    EXPECT_FALSE(IsWindow(dialog));
    EXPECT_FALSE(IsWindow(start));

    EXPECT_FALSE(DestroyWindow(dialog));
    EXPECT_EQ(0, SendMessageA(dialog, WM_USER, 0, 0));
    EXPECT_FALSE(PostMessageA(start, WM_USER, 0, 0));
    EXPECT_FALSE(ShowWindow(dialog, SW_SHOW));
    EXPECT_EQ(nullptr, GetDC(dialog));
    MSG message;
    EXPECT_EQ(-1, GetMessageA(&message, dialog, 0, 0));
    PumpPending();  // the message posted before is dropped
    EXPECT_EQ(0u, Logged({WM_USER}).size());
}

}  // namespace
}  // namespace win32_test
