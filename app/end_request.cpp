#include "app/end_request.h"

#include <atomic>
#include <climits>
#include <csignal>
#include <cstring>

#include <unistd.h>

#include "app/pipeline_settings.h"

namespace {

volatile std::sig_atomic_t g_requested = 0;
std::atomic<bool> g_dialogRunning{false};
HWND g_dialog = nullptr;
static_assert(std::atomic<bool>::is_always_lock_free, "read in a signal handler");

// Names copied whole before the count that the handler reads takes them in.
constexpr int kMaxStartUpFiles = 16;
char g_startUpFiles[kMaxStartUpFiles][PATH_MAX];
std::atomic<int> g_startUpFileCount{0};
static_assert(std::atomic<int>::is_always_lock_free, "read in a signal handler");

void Say(const char* text, size_t length)
{
    [[maybe_unused]] const ssize_t ignored = ::write(STDERR_FILENO, text, length);
}

void OnEndRequest(int signal)
{
    if (!g_dialogRunning.load() || g_requested != 0) {
        if (!g_dialogRunning.load()) {
            for (int i = 0; i < g_startUpFileCount.load(); ++i) ::unlink(g_startUpFiles[i]);
        }
        if (signal == SIGINT) {
            static const char text[] = "\nquenmire: interrupted\n";
            Say(text, sizeof text - 1);
        } else {
            static const char text[] = "quenmire: terminated\n";
            Say(text, sizeof text - 1);
        }
        std::signal(signal, SIG_DFL);
        std::raise(signal);
        return;
    }
    g_requested = signal;
}

void CALLBACK PollEndRequest(HWND, UINT, UINT_PTR timer, DWORD)
{
    if (g_requested == 0) return;
    KillTimer(nullptr, timer);
    if (IsWindow(g_dialog)) {
        PostMessageA(g_dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(g_dialog, IDCANCEL)));
    }
}

}  // namespace

void InstallEndRequestHandlers()
{
    struct sigaction action {};
    action.sa_handler = OnEndRequest;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

void RemoveIfEndedBeforeRunning(const char* path)
{
    const int count = g_startUpFileCount.load();
    if (count == kMaxStartUpFiles || std::strlen(path) >= PATH_MAX) return;
    std::strcpy(g_startUpFiles[count], path);
    g_startUpFileCount.store(count + 1);
}

void EndDialogOnRequest(HWND dialog)
{
    g_dialog = dialog;
    if (SetTimer(nullptr, 0, kTickPeriodMs, PollEndRequest) != 0) g_dialogRunning = true;
}

int EndRequestSignal()
{
    return g_requested;
}
