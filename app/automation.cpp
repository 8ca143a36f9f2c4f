#include "app/automation.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "app/capture_dialog.h"
#include "app/pipeline_settings.h"
#include "grabber_counters.h"

namespace {

// The one automation of the process, for the hook and timer callbacks.
Automation* g_active = nullptr;

// Set by Ctrl+C or a termination request: the run ends as Exit ends it.
volatile std::sig_atomic_t g_endRequested = 0;
void RequestEnd(int) { g_endRequested = 1; }

// A dialog that a press opened closes after this long.
constexpr UINT kCloseAfterMs = 1500;

double Now()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

CCaptureDialog* MainDialog()
{
    return dynamic_cast<CCaptureDialog*>(AfxGetMainWnd());
}

const char* ButtonName(Button button)
{
    switch (button) {
    case Button::Start: return "Start";
    case Button::Stop: return "Stop";
    case Button::Intercept: return "Intercepter";
    case Button::Snapshot: return "Snapshot";
    case Button::Exit: return "Exit";
    case Button::Version: return "version";
    }
    return "?";
}

int ButtonId(Button button)
{
    switch (button) {
    case Button::Start: return IDC_START;
    case Button::Stop: return IDC_STOP;
    case Button::Intercept: return IDC_INTERCEPT;
    case Button::Snapshot: return IDC_SNAPSHOT;
    case Button::Exit: return IDCANCEL;
    case Button::Version: return 0;
    }
    return 0;
}

// Whether the BMP file at `name` holds exactly this picture.
bool HoldsPicture(const char* name, const DibImage& picture)
{
    DibImage file;
    return picture.ImageSize() > 0 && file.ReadBmp(name) == 0 && file.Width() == picture.Width() &&
           file.Height() == picture.Height() && file.ImageSize() == picture.ImageSize() &&
           std::memcmp(file.Bits(), picture.Bits(), static_cast<size_t>(picture.ImageSize())) == 0;
}

}  // namespace

Automation::Automation(const Options& options) : presses_(options.presses), endTick_(options.ticks)
{
    std::stable_sort(presses_.begin(), presses_.end(),
                     [](const ButtonPress& a, const ButtonPress& b) { return a.tick < b.tick; });
    if (options.answersGiven) {
        std::vector<int> answers;
        for (bool yes : options.answers) answers.push_back(yes ? IDYES : IDNO);
        answers_ = std::make_unique<win32::ScriptedAnswers>(answers);
        previousHandler_ = win32::SetMessageBoxHandler(
            [this](const std::string& text, const std::string& caption, UINT type) {
                const int answer = answers_->Answer(text, caption, type);
                if ((type & MB_TYPEMASK) == MB_YESNO) {
                    std::printf("quenmire: %s %s: %s\n", caption.c_str(), text.c_str(), answer == IDYES ? "yes" : "no");
                } else {
                    std::printf("quenmire: [%s] %s\n", caption.c_str(), text.c_str());
                }
                std::fflush(stdout);
                return answer;
            });
    }
    g_active = this;
    std::signal(SIGINT, RequestEnd);
    std::signal(SIGTERM, RequestEnd);
    hook_ = SetWindowsHookExA(WH_CALLWNDPROCRET, AfterWindowProc, nullptr, GetCurrentThreadId());
}

Automation::~Automation()
{
    if (hook_ != nullptr) UnhookWindowsHookEx(hook_);
    if (paceTimer_ != 0) KillTimer(nullptr, paceTimer_);
    for (const auto& [timer, window] : closeTimers_) KillTimer(nullptr, timer);
    if (answers_) win32::SetMessageBoxHandler(previousHandler_);
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    g_active = nullptr;
}

LRESULT CALLBACK Automation::AfterWindowProc(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HC_ACTION && g_active != nullptr) {
        g_active->Follow(*reinterpret_cast<const CWPRETSTRUCT*>(lParam));
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void Automation::Follow(const CWPRETSTRUCT& message)
{
    if (message.message == WM_INITDIALOG) {
        CCaptureDialog* main = MainDialog();
        if (main != nullptr && message.hwnd == main->m_hWnd) {
            StartRun(message.hwnd);
        } else {
            // Nobody is there to press OK: the dialog closes by itself after a moment.
            char caption[256] = "";
            GetWindowTextA(message.hwnd, caption, sizeof caption);
            std::printf("quenmire: dialog \"%s\" shown; it closes by itself\n", caption);
            const UINT_PTR timer = SetTimer(nullptr, 0, kCloseAfterMs, OnCloseTimer);
            if (timer != 0) closeTimers_.emplace_back(timer, message.hwnd);
        }
        return;
    }
    if (message.hwnd != dialog_ || dialog_ == nullptr) return;
    if (message.message == WM_TIMER) {
        NoteFrames();
        CountTick();
    } else if (message.message == WM_COMMAND && LOWORD(message.wParam) == IDC_SNAPSHOT &&
               HIWORD(message.wParam) == BN_CLICKED) {
        NoteSnapshot();
    }
}

void Automation::StartRun(HWND dialog)
{
    const CaptureSystem& capture = MainDialog()->Capture();
    if (capture.DeviceCount() < 1) return;  // the dialog has ended without a device
    dialog_ = dialog;
    started_ = true;
    startedAt_ = Now();
    deviceName_ = capture.Device(kCaptureDevice).name;
    paceTimer_ = SetTimer(nullptr, 0, kTickPeriodMs, OnPaceTimer);
    while (nextPress_ < presses_.size() && presses_[nextPress_].tick <= 0) Press(presses_[nextPress_++].button);
}

void CALLBACK Automation::OnPaceTimer(HWND, UINT, UINT_PTR, DWORD)
{
    Automation* self = g_active;
    if (self == nullptr || self->dialog_ == nullptr || !IsWindow(self->dialog_)) return;
    if (g_endRequested != 0 && !self->exitPressed_) {
        self->Press(Button::Exit);
        return;
    }
    // While the dialog's timer is stopped (Start enabled) ticks are counted at its pace,
    // so that presses and the end still come.
    if (IsWindowEnabled(GetDlgItem(self->dialog_, IDC_START))) self->CountTick();
}

void CALLBACK Automation::OnCloseTimer(HWND, UINT, UINT_PTR timer, DWORD)
{
    Automation* self = g_active;
    if (self == nullptr) return;
    KillTimer(nullptr, timer);
    auto& timers = self->closeTimers_;
    const auto found =
        std::find_if(timers.begin(), timers.end(), [timer](const auto& entry) { return entry.first == timer; });
    if (found == timers.end()) return;
    if (IsWindow(found->second)) PostMessageA(found->second, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    timers.erase(found);
}

void Automation::CountTick()
{
    ++ticks_;
    while (nextPress_ < presses_.size() && presses_[nextPress_].tick <= ticks_) Press(presses_[nextPress_++].button);
    if (endTick_ > 0 && ticks_ >= endTick_ && !exitPressed_) Press(Button::Exit);
}

void Automation::Press(Button button)
{
    if (button == Button::Exit) exitPressed_ = true;
    std::printf("quenmire: tick %ld: %s\n", ticks_, ButtonName(button));
    std::fflush(stdout);
    if (button == Button::Version) {
        PostMessageA(dialog_, WM_SYSCOMMAND, IDM_VERSION, 0);
        return;
    }
    const int id = ButtonId(button);
    PostMessageA(dialog_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog_, id)));
}

void Automation::NoteSnapshot()
{
    // The snapshot just handled went to this name; it counts as written when the file
    // there holds the picture shown.
    const CCaptureDialog* dialog = MainDialog();
    const int number = snapshots_++;
    char name[kPatternBytes];
    const int length = std::snprintf(name, sizeof name, dialog->SnapshotPattern(), number);
    std::string note = "snapshot " + std::to_string(number);
    if (length < 0 || static_cast<size_t>(length) >= sizeof name) {
        note += " could not be written (its name is too long)";
    } else if (HoldsPicture(name, dialog->DisplayImage())) {
        std::error_code ignored;
        note += " written: " + std::filesystem::absolute(name, ignored).string();
        ++snapshotsWritten_;
    } else {
        note += std::string(" could not be written (") + name + ")";
    }
    std::printf("quenmire: %s\n", note.c_str());
    std::fflush(stdout);
}

void Automation::NoteFrames()
{
    const CaptureSystem& capture = MainDialog()->Capture();
    dshow::GrabberCounters counters;
    if (dshow::ReadGrabberCounters(capture.Device(kCaptureDevice).grabber, &counters) == S_OK) {
        framesReceived_ = counters.samplesReceived;
        framesFetched_ = counters.buffersCopied;
        streamErrors_ = counters.streamErrors;
    }
}

void Automation::Report(FILE* out) const
{
    if (!started_) {
        std::fprintf(out, "quenmire: no device in use; the program ended without a picture\n");
        return;
    }
    // A tick fetches the newest frame, which is the previous one again when the device
    // has sent nothing new.
    std::fprintf(out,
                 "quenmire: %ld ticks in %.1f s from \"%s\": %llu frames received, %llu fetched, %d of %d snapshots "
                 "written",
                 ticks_, Now() - startedAt_, deviceName_.c_str(), framesReceived_, framesFetched_, snapshotsWritten_, snapshots_);
    if (streamErrors_ > 0) std::fprintf(out, ", %llu stream errors", streamErrors_);
    std::fprintf(out, "\n");
}
