#include "program_run.h"

#include <gtest/gtest.h>

#include <QWidget>

#include <algorithm>

#include "app/capture_app.h"
#include "app/res/resource.h"
#include "desktop.h"
#include "tests/support/message_pump.h"
#include "video_inputs.h"

namespace app_test {
namespace {

RunningProgram* g_program = nullptr;
int g_runs = 0;

// A run that has not ended by then has hung: it is failed and ended with WM_QUIT, again
// every moment in case a nested loop took the first.
constexpr UINT kGiveUpAfterMs = 30000;
constexpr UINT kQuitAgainMs = 200;

std::string Caption(HWND hwnd)
{
    char text[256] = "";
    GetWindowTextA(hwnd, text, sizeof text);
    return text;
}

}  // namespace

int ProgramRunsInThisProcess()
{
    return g_runs;
}

std::string StillCamera(const std::string& pngPath)
{
    return "filesrc location=\"" + pngPath + "\" ! pngdec ! imagefreeze";
}

ProgramRun RunProgram(const ProgramSetup& setup, const Scenario& scenario)
{
    ++g_runs;
    dshow::VideoInputSettings inputs;
    inputs.realCameras = false;
    inputs.testCamera = setup.testCamera;
    inputs.sources = setup.sources;
    dshow::SetVideoInputSettings(inputs);
    win32::ScriptedAnswers answers(setup.answers);
    const win32::MessageBoxHandler previousBoxes = win32::SetMessageBoxHandler(answers.Handler());

    ProgramRun run;
    RunningProgram program(&run, scenario);
    g_program = &program;
    const HHOOK hook =
        SetWindowsHookExA(WH_CALLWNDPROCRET, &RunningProgram::AfterWindowProc, nullptr, GetCurrentThreadId());
    // Thread timers run in whichever loop is running: the first one is the dialog's.
    const UINT_PTR start = SetTimer(nullptr, 0, 1, &RunningProgram::StartScenario);
    const UINT_PTR giveUp = SetTimer(nullptr, 0, kGiveUpAfterMs, &RunningProgram::GiveUp);
    {
        CCaptureApp app;
        char name[] = "quenmire";
        char* argv[] = {name, nullptr};
        run.exitCode = AfxWinMain(1, argv);
    }
    KillTimer(nullptr, start);
    KillTimer(nullptr, giveUp);
    for (const auto& [timer, hwnd] : program.dialogsToActOn_) KillTimer(nullptr, timer);
    UnhookWindowsHookEx(hook);
    g_program = nullptr;
    test_support::PumpPending();  // nothing of this run reaches the next one
    win32::SetMessageBoxHandler(previousBoxes);
    run.boxes = answers.shown();
    return run;
}

LRESULT CALLBACK RunningProgram::AfterWindowProc(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HC_ACTION && g_program != nullptr) g_program->Follow(*reinterpret_cast<const CWPRETSTRUCT*>(lParam));
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void RunningProgram::Follow(const CWPRETSTRUCT& message)
{
    if (message.message == WM_INITDIALOG) {
        const CWnd* main = AfxGetMainWnd();
        if (dialog_ == nullptr && main != nullptr && main->m_hWnd == message.hwnd) {
            dialog_ = message.hwnd;
            Note("main dialog");
        } else {
            Note("dialog " + Caption(message.hwnd));
            if (whenDialogShown_) dialogsToActOn_.emplace_back(SetTimer(nullptr, 0, 1, &ActOnDialog), message.hwnd);
        }
        return;
    }
    if (dialog_ == nullptr || message.hwnd != dialog_) return;
    switch (message.message) {
    case WM_TIMER: ++run_->ticks; break;
    case WM_COMMAND: Note("command " + std::to_string(LOWORD(message.wParam))); break;
    case WM_SYSCOMMAND: Note("system command " + std::to_string(message.wParam)); break;
    case WM_NCDESTROY:
        Note("window gone");
        if (whenWindowGone_) whenWindowGone_();
        break;
    }
}

void CALLBACK RunningProgram::StartScenario(HWND, UINT, UINT_PTR timer, DWORD)
{
    RunningProgram* program = g_program;
    if (program == nullptr || program->dialog_ == nullptr || !IsWindowVisible(program->dialog_)) return;
    KillTimer(nullptr, timer);
    program->run_->scenarioRan = true;
    program->scenario_(*program);
    // A scenario stopped by a failed assertion leaves the program running: Exit ends it.
    if (testing::Test::HasFatalFailure() && IsWindow(program->dialog_)) program->Command(IDCANCEL);
}

void CALLBACK RunningProgram::ActOnDialog(HWND, UINT, UINT_PTR timer, DWORD)
{
    RunningProgram* program = g_program;
    if (program == nullptr) return;
    auto& pending = program->dialogsToActOn_;
    const auto found =
        std::find_if(pending.begin(), pending.end(), [timer](const auto& entry) { return entry.first == timer; });
    if (found == pending.end() || !IsWindowVisible(found->second)) return;  // shown once its loop runs
    const HWND dialog = found->second;
    KillTimer(nullptr, timer);
    pending.erase(found);
    program->whenDialogShown_(dialog);
}

void CALLBACK RunningProgram::GiveUp(HWND, UINT, UINT_PTR timer, DWORD)
{
    RunningProgram* program = g_program;
    if (program == nullptr) return;
    if (!program->gaveUp_) {
        program->gaveUp_ = true;
        ADD_FAILURE() << "the program did not end; ended with WM_QUIT";
        SetTimer(nullptr, timer, kQuitAgainMs, &GiveUp);
    }
    PostQuitMessage(99);
}

HWND RunningProgram::Dialog() const
{
    return dialog_;
}

HWND RunningProgram::Control(int id) const
{
    return GetDlgItem(dialog_, id);
}

long RunningProgram::Ticks() const
{
    return run_->ticks;
}

bool RunningProgram::Enabled(int id) const
{
    return IsWindowEnabled(Control(id)) != FALSE;
}

void RunningProgram::Click(int id) const
{
    SendMessageA(Control(id), BM_CLICK, 0, 0);
    HandlePending();  // the button posts its command
}

void RunningProgram::Command(int id) const
{
    SendMessageA(dialog_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(Control(id)));
}

void RunningProgram::Tick() const
{
    SendMessageA(dialog_, WM_TIMER, 0, 0);
    HandlePending();
}

QImage RunningProgram::Display() const
{
    QWidget* display = win32::WindowWidget(Control(IDC_DISPLAY));
    return display ? display->grab().toImage().convertToFormat(QImage::Format_RGB32) : QImage();
}

bool RunningProgram::RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) const
{
    return test_support::PumpUntil(done, timeout);
}

void RunningProgram::RunFor(std::chrono::milliseconds duration) const
{
    test_support::PumpUntil([] { return false; }, duration);
}

void RunningProgram::WhenDialogShown(std::function<void(HWND)> action)
{
    whenDialogShown_ = std::move(action);
}

void RunningProgram::WhenWindowGone(std::function<void()> action)
{
    whenWindowGone_ = std::move(action);
}

void RunningProgram::HandlePending() const
{
    test_support::PumpPending();
}

const std::vector<std::string>& RunningProgram::Events() const
{
    return run_->events;
}

void RunningProgram::Note(const std::string& event)
{
    run_->events.push_back(event);
}

}  // namespace app_test
