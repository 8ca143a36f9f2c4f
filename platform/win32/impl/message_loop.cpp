// The thread's message queue: posted messages, the quit request, generated WM_PAINT
// and WM_TIMER, window procedure calls and WH_CALLWNDPROCRET hooks.
#include <QCoreApplication>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <deque>

#include <unistd.h>

#include "message_loop.h"
#include "window_records.h"

namespace win32::detail {
namespace {

using Clock = std::chrono::steady_clock;

struct Timer {
    HWND hwnd;
    UINT_PTR id;
    std::chrono::milliseconds period;
    TIMERPROC proc;
    Clock::time_point due;
};

struct Hook {
    HHOOK handle;
    HOOKPROC proc;
};

struct MessageQueue {
    std::deque<MSG> posted;
    std::vector<Timer> timers;
    UINT_PTR lastThreadTimerId = 0;
    bool quitPosted = false;
    int quitCode = 0;
    std::vector<Hook> hooks;  // oldest first
    uintptr_t nextHook = 0x30000;
    QTimer* wake = nullptr;  // ends a wait when the next timer is due
};

MessageQueue& Queue()
{
    static MessageQueue queue;
    return queue;
}

bool InRange(UINT message, UINT first, UINT last)
{
    return (first == 0 && last == 0) || (message >= first && message <= last);
}

bool ForWindow(HWND hwnd, HWND filter)
{
    return filter == nullptr || hwnd == filter || IsDescendant(filter, hwnd);
}

MSG MakeMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    return MSG{hwnd, message, wParam, lParam, GetTickCount(), POINT{0, 0}};
}

// Lets Qt deliver what the desktop sent; its handlers only post messages.
void PumpDesktop()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

bool NextMessage(MSG* out, HWND filter, UINT first, UINT last, bool remove)
{
    MessageQueue& queue = Queue();
    for (auto it = queue.posted.begin(); it != queue.posted.end(); ++it) {
        if (ForWindow(it->hwnd, filter) && InRange(it->message, first, last)) {
            *out = *it;
            if (remove) queue.posted.erase(it);
            return true;
        }
    }
    if (queue.quitPosted) {
        *out = MakeMessage(nullptr, WM_QUIT, static_cast<WPARAM>(queue.quitCode), 0);
        if (remove) queue.quitPosted = false;
        return true;
    }
    if (InRange(WM_PAINT, first, last)) {
        if (const HWND hwnd = NextWindowToPaint(filter)) {
            *out = MakeMessage(hwnd, WM_PAINT, 0, 0);
            return true;
        }
    }
    if (InRange(WM_TIMER, first, last)) {
        const Clock::time_point now = Clock::now();
        Timer* earliest = nullptr;
        for (Timer& timer : queue.timers) {
            if (timer.due <= now && ForWindow(timer.hwnd, filter) && (!earliest || timer.due < earliest->due)) {
                earliest = &timer;
            }
        }
        if (earliest) {
            *out = MakeMessage(earliest->hwnd, WM_TIMER, earliest->id, reinterpret_cast<LPARAM>(earliest->proc));
            if (remove) {
                // One message per expiry, never a burst after a long handler.
                earliest->due += earliest->period;
                if (earliest->due <= now) earliest->due = now + earliest->period;
            }
            return true;
        }
    }
    return false;
}

// Waits for desktop input, or until the next timer is due.
void WaitForInput()
{
    MessageQueue& queue = Queue();
    if (!queue.wake) {
        queue.wake = new QTimer();
        queue.wake->setSingleShot(true);
        queue.wake->setTimerType(Qt::PreciseTimer);
    }
    if (!queue.timers.empty()) {
        Clock::time_point due = queue.timers.front().due;
        for (const Timer& timer : queue.timers) due = std::min(due, timer.due);
        const auto remaining = std::chrono::ceil<std::chrono::milliseconds>(due - Clock::now());
        queue.wake->start(static_cast<int>(std::max<int64_t>(0, remaining.count())));
    }
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    queue.wake->stop();
}

Timer* FindTimer(HWND hwnd, UINT_PTR id)
{
    for (Timer& timer : Queue().timers) {
        if (timer.hwnd == hwnd && timer.id == id) return &timer;
    }
    return nullptr;
}

// Hooks belong to the desktop's thread, which is the process's main thread; they may be
// set before the desktop starts and removed after it ends.
bool OnHookThread()
{
    return OnGuiThread() || (QCoreApplication::instance() == nullptr && gettid() == getpid());
}

LRESULT RunHook(size_t index, int code, WPARAM wParam, LPARAM lParam)
{
    const std::vector<Hook>& hooks = Queue().hooks;
    return index < hooks.size() ? hooks[index].proc(code, wParam, lParam) : 0;
}

}  // namespace

LRESULT CallWindow(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, bool sent)
{
    const Window* window = FindWindowRecord(hwnd);
    if (window == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    const LRESULT result = window->proc(hwnd, message, wParam, lParam);
    if (!Queue().hooks.empty()) {
        CWPRETSTRUCT returned{result, lParam, wParam, message, hwnd};
        RunHook(Queue().hooks.size() - 1, HC_ACTION, sent ? 1 : 0, reinterpret_cast<LPARAM>(&returned));
    }
    return result;
}

void KillTimersOf(HWND hwnd)
{
    std::erase_if(Queue().timers, [hwnd](const Timer& timer) { return timer.hwnd == hwnd; });
}

void ResetMessageQueue()
{
    MessageQueue& queue = Queue();
    delete queue.wake;
    queue = MessageQueue();
}

}  // namespace win32::detail

using namespace win32::detail;

BOOL GetMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax)
{
    if (lpMsg == nullptr || !OnGuiThread() || (hWnd && !IsWindow(hWnd))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    PumpDesktop();
    while (!NextMessage(lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax, true)) {
        WaitForInput();
        PumpDesktop();
    }
    return lpMsg->message != WM_QUIT;
}

BOOL PeekMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax, UINT wRemoveMsg)
{
    if (lpMsg == nullptr || !OnGuiThread()) return FALSE;
    PumpDesktop();
    return NextMessage(lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax, (wRemoveMsg & PM_REMOVE) != 0);
}

LRESULT DispatchMessageA(const MSG* lpMsg)
{
    if (lpMsg == nullptr || !OnGuiThread()) return 0;
    if (lpMsg->message == WM_TIMER && lpMsg->lParam != 0) {
        // Only the procedure of a timer that still exists is called.
        const Timer* timer = FindTimer(lpMsg->hwnd, lpMsg->wParam);
        const auto proc = reinterpret_cast<TIMERPROC>(lpMsg->lParam);
        if (timer && timer->proc == proc) proc(lpMsg->hwnd, WM_TIMER, lpMsg->wParam, GetTickCount());
        return 0;
    }
    if (lpMsg->hwnd == nullptr) return 0;
    return CallWindow(lpMsg->hwnd, lpMsg->message, lpMsg->wParam, lpMsg->lParam, false);
}

LRESULT SendMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    return CallWindow(hWnd, Msg, wParam, lParam, true);
}

BOOL PostMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    if (!OnGuiThread() || (hWnd && !IsWindow(hWnd))) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    Queue().posted.push_back(MakeMessage(hWnd, Msg, wParam, lParam));
    return TRUE;
}

void PostQuitMessage(int nExitCode)
{
    if (!OnGuiThread()) return;
    Queue().quitPosted = true;
    Queue().quitCode = nExitCode;
}

UINT_PTR SetTimer(HWND hWnd, UINT_PTR nIDEvent, UINT uElapse, TIMERPROC lpTimerFunc)
{
    if (!OnGuiThread() || (hWnd && !IsWindow(hWnd))) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    const std::chrono::milliseconds period(std::clamp<UINT>(uElapse, USER_TIMER_MINIMUM, USER_TIMER_MAXIMUM));
    MessageQueue& queue = Queue();
    UINT_PTR id = nIDEvent;
    Timer* timer = FindTimer(hWnd, id);
    if (hWnd == nullptr && timer == nullptr) {
        // A new thread timer gets an identifier of its own.
        do {
            id = ++queue.lastThreadTimerId;
        } while (id == 0 || FindTimer(nullptr, id));
    }
    if (timer == nullptr) {
        queue.timers.push_back(Timer{hWnd, id, period, lpTimerFunc, {}});
        timer = &queue.timers.back();
    }
    timer->period = period;
    timer->proc = lpTimerFunc;
    timer->due = std::chrono::steady_clock::now() + period;
    if (hWnd == nullptr) return id;
    return id != 0 ? id : 1;
}

BOOL KillTimer(HWND hWnd, UINT_PTR uIDEvent)
{
    if (!OnGuiThread()) return FALSE;
    std::vector<Timer>& timers = Queue().timers;
    const size_t before = timers.size();
    std::erase_if(timers, [&](const Timer& timer) { return timer.hwnd == hWnd && timer.id == uIDEvent; });
    return timers.size() != before;
}

HHOOK SetWindowsHookExA(int idHook, HOOKPROC lpfn, HINSTANCE, DWORD dwThreadId)
{
    if (!OnHookThread() || idHook != WH_CALLWNDPROCRET || lpfn == nullptr ||
        (dwThreadId != 0 && dwThreadId != GetCurrentThreadId())) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return nullptr;
    }
    MessageQueue& queue = Queue();
    const HHOOK handle = reinterpret_cast<HHOOK>(queue.nextHook);
    queue.nextHook += 4;
    queue.hooks.push_back(Hook{handle, lpfn});
    return handle;
}

LRESULT CallNextHookEx(HHOOK hhk, int nCode, WPARAM wParam, LPARAM lParam)
{
    if (!OnHookThread()) return 0;
    const std::vector<Hook>& hooks = Queue().hooks;
    for (size_t i = hooks.size(); i-- > 1;) {
        if (hooks[i].handle == hhk) return RunHook(i - 1, nCode, wParam, lParam);
    }
    return 0;
}

BOOL UnhookWindowsHookEx(HHOOK hhk)
{
    if (!OnHookThread()) return FALSE;
    std::vector<Hook>& hooks = Queue().hooks;
    const size_t before = hooks.size();
    std::erase_if(hooks, [hhk](const Hook& hook) { return hook.handle == hhk; });
    if (hooks.size() == before) SetLastError(ERROR_INVALID_HOOK_HANDLE);
    return hooks.size() != before;
}
