// Runs the program in the test's process as its entry does: the application object's
// InitInstance through the framework's entry, on Qt's offscreen platform, with the devices
// and the answers to the device questions that a test chooses. A scenario acts on the
// running main dialog as a user would, and sees what a user could see.
#pragma once

#include <windows.h>

#include <QImage>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "message_box.h"

namespace app_test {

struct ProgramSetup {
    bool testCamera = false;           // offer the built-in test camera
    std::vector<std::string> sources;  // then these GStreamer descriptions, as devices
    std::vector<int> answers{IDYES};   // the device questions' answers, in order
};

class RunningProgram;
using Scenario = std::function<void(RunningProgram&)>;

struct ProgramRun {
    int exitCode = -1;         // what the framework's entry returned
    bool scenarioRan = false;  // the main dialog came up and the scenario ran on it
    long ticks = 0;            // WM_TIMER messages the main dialog handled
    // In order: "main dialog", "command ID", "system command ID" and "window gone" for the
    // main dialog, "dialog CAPTION" for any other, and the scenario's notes.
    std::vector<std::string> events;
    std::vector<win32::ScriptedAnswers::Shown> boxes;  // message boxes, in order
};

// Runs the program in the current folder once the scenario ends it, or gives up after a
// while (a failure). The scenario runs inside the dialog's message loop.
ProgramRun RunProgram(const ProgramSetup& setup, const Scenario& scenario);

// How many programs this process has run: the frame pipeline keeps its counters and the
// logo's half size for the whole process, from its first tick and first snapshot on.
int ProgramRunsInThisProcess();

// The GStreamer description of a camera that shows one PNG picture for ever.
std::string StillCamera(const std::string& pngPath);

// The program's main dialog while a scenario runs.
class RunningProgram {
public:
    HWND Dialog() const;
    HWND Control(int id) const;
    long Ticks() const;
    bool Enabled(int id) const;
    // A click with the mouse, and the program's handling of it: a disabled button ignores it.
    void Click(int id) const;
    // The button's command sent to the dialog, as another program could.
    void Command(int id) const;
    // One tick sent to the dialog as its timer sends them, and the paint it asks for.
    void Tick() const;
    // What the display control shows.
    QImage Display() const;
    // Lets the program run until `done` holds (true) or `timeout` has passed (false).
    bool RunUntil(const std::function<bool()>& done,
                  std::chrono::milliseconds timeout = std::chrono::milliseconds(5000)) const;
    // Lets the program run for this long.
    void RunFor(std::chrono::milliseconds duration) const;
    // Acts on each dialog the program opens over the main dialog, inside that dialog's
    // own loop; the action ends it.
    void WhenDialogShown(std::function<void(HWND)> action);
    // Runs when the main dialog's window is destroyed.
    void WhenWindowGone(std::function<void()> action);
    // Lets the program handle what is pending now: posted messages, paints, due timers.
    void HandlePending() const;
    // The run's events so far, and adds one.
    const std::vector<std::string>& Events() const;
    void Note(const std::string& event);

private:
    friend ProgramRun RunProgram(const ProgramSetup& setup, const Scenario& scenario);
    RunningProgram(ProgramRun* run, Scenario scenario) : run_(run), scenario_(std::move(scenario)) {}

    static LRESULT CALLBACK AfterWindowProc(int code, WPARAM wParam, LPARAM lParam);
    static void CALLBACK StartScenario(HWND, UINT, UINT_PTR timer, DWORD);
    static void CALLBACK ActOnDialog(HWND, UINT, UINT_PTR timer, DWORD);
    static void CALLBACK GiveUp(HWND, UINT, UINT_PTR, DWORD);
    void Follow(const CWPRETSTRUCT& message);

    ProgramRun* run_;
    Scenario scenario_;
    HWND dialog_ = nullptr;
    std::function<void(HWND)> whenDialogShown_;
    std::function<void()> whenWindowGone_;
    std::vector<std::pair<UINT_PTR, HWND>> dialogsToActOn_;
    bool gaveUp_ = false;
};

}  // namespace app_test
