#include "app/automation.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "app/capture_dialog.h"
#include "app/end_request.h"
#include "app/pipeline_settings.h"
#include "app/terminal_text.h"
#include "grabber_counters.h"
#include "fs/file_open.h"

namespace {

// The one automation of the process, for the hook and timer callbacks.
Automation* g_active = nullptr;

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
    case Button::Record: return "Record";
    case Button::LocateFaces: return "Logo on every face";
    case Button::LocateSkin: return "Logo by skin colour";
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
    case Button::Version:
    case Button::Record:
    case Button::LocateFaces:
    case Button::LocateSkin: return 0;
    }
    return 0;
}

// The system menu's command for a button that stands for one of its entries, else 0.
UINT SystemCommandOf(Button button)
{
    switch (button) {
    case Button::Version: return IDM_VERSION;
    case Button::Record: return IDM_RECORD;
    case Button::LocateFaces: return IDM_LOCATE_FACE;
    case Button::LocateSkin: return IDM_LOCATE_SKIN;
    default: return 0;
    }
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
        previousHandler_ =
            win32::SetMessageBoxHandler([this](const std::string& text, const std::string& caption, UINT type) {
                const int answer = answers_->Answer(text, caption, type);
                const std::string shownText = WithTranslation(Printable(text));
                const std::string shownCaption = WithTranslation(Printable(caption));
                if ((type & MB_TYPEMASK) == MB_YESNO) {
                    std::fprintf(stderr, "quenmire: %s %s: %s\n", shownCaption.c_str(), shownText.c_str(),
                                 answer == IDYES ? "yes" : "no");
                } else {
                    std::fprintf(stderr, "quenmire: [%s] %s\n", shownCaption.c_str(), shownText.c_str());
                }
                return answer;
            });
    }
    g_active = this;
    hook_ = SetWindowsHookExA(WH_CALLWNDPROCRET, AfterWindowProc, nullptr, GetCurrentThreadId());
}

Automation::~Automation()
{
    if (hook_ != nullptr) UnhookWindowsHookEx(hook_);
    if (paceTimer_ != 0) KillTimer(nullptr, paceTimer_);
    for (const auto& [timer, window] : closeTimers_) KillTimer(nullptr, timer);
    if (answers_) win32::SetMessageBoxHandler(previousHandler_);
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
    } else if (message.message == WM_COMMAND && LOWORD(message.wParam) == IDCANCEL && !exitPressed_) {
        // Ended from outside the automation: by the user, or by Ctrl+C or a termination request.
        exitPressed_ = true;
        std::printf("quenmire: tick %ld: Exit%s\n", ticks_, EndRequestSignal() != 0 ? " (end requested)" : "");
        std::fflush(stdout);
        CloseOpenDialogs();
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

void Automation::CloseOpenDialogs()
{
    // A dialog open over the main one would keep the program running until it closed.
    for (const auto& [timer, window] : closeTimers_) {
        KillTimer(nullptr, timer);
        if (IsWindow(window)) PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    }
    closeTimers_.clear();
}

void Automation::CountTick()
{
    // The run is over once Exit is pressed, even while a dialog still has to close.
    if (exitPressed_) return;
    ++ticks_;
    while (nextPress_ < presses_.size() && presses_[nextPress_].tick <= ticks_) Press(presses_[nextPress_++].button);
    if (endTick_ > 0 && ticks_ >= endTick_ && !exitPressed_) Press(Button::Exit);
}

void Automation::Press(Button button)
{
    if (button == Button::Exit) exitPressed_ = true;
    std::printf("quenmire: tick %ld: %s\n", ticks_, ButtonName(button));
    std::fflush(stdout);
    if (const UINT command = SystemCommandOf(button)) {
        PostMessageA(dialog_, WM_SYSCOMMAND, command, 0);
        return;
    }
    if (button == Button::Exit) CloseOpenDialogs();
    const int id = ButtonId(button);
    PostMessageA(dialog_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog_, id)));
}

void Automation::NoteSnapshot()
{
    // The snapshot just handled counts as written when its file holds the picture shown;
    // the dialog has told why when it could not be written.
    const CCaptureDialog* dialog = MainDialog();
    const SnapshotResult& snapshot = dialog->LastSnapshot();
    ++snapshots_;
    if (snapshot.error == 0 && HoldsPicture(snapshot.name.c_str(), dialog->DisplayImage())) {
        ++snapshotsWritten_;
        std::error_code ignored;
        std::printf(
            "quenmire: snapshot %d written: %s\n", snapshot.number,
            Printable(std::filesystem::absolute(NativeFileName(snapshot.name.c_str()), ignored).string()).c_str());
        std::fflush(stdout);
    } else if (firstFailure_.empty()) {
        firstFailure_ = snapshot.name.empty() ? "no name was left for it"
                        : snapshot.error == 0 ? Printable(snapshot.name) + " does not hold the picture shown"
                                              : Printable(snapshot.name) + ": " + FileErrorText(snapshot.error);
    }
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

int Automation::Report(FILE* out) const
{
    if (!started_) {
        std::fprintf(out, "quenmire: no device in use; the program ended without a picture\n");
        return 1;
    }
    // A tick fetches the newest frame, which is the previous one again when the device
    // has sent nothing new.
    std::fprintf(out,
                 "quenmire: %ld ticks in %.1f s from \"%s\": %llu frames received, %llu fetched, %d of %d snapshots "
                 "written",
                 ticks_, Now() - startedAt_, Printable(deviceName_).c_str(), framesReceived_, framesFetched_,
                 snapshotsWritten_, snapshots_);
    if (streamErrors_ > 0) std::fprintf(out, ", %llu stream errors", streamErrors_);
    if (!firstFailure_.empty()) std::fprintf(out, "; the first that failed: %s", firstFailure_.c_str());
    std::fprintf(out, "\n");
    return snapshotsWritten_ < snapshots_ ? 1 : 0;
}
