// Running with nobody at the program: the device questions are answered in advance,
// buttons are pressed at given ticks through the same handlers as a click, the program
// ends after a number of ticks as Exit ends it, dialogs that a press opens close by
// themselves, and what the run did is reported on standard output; the device questions
// and their answers go to standard error.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <windows.h>

#include "app/options.h"
#include "message_box.h"

class Automation {
public:
    explicit Automation(const Options& options);
    ~Automation();
    Automation(const Automation&) = delete;
    Automation& operator=(const Automation&) = delete;

    // The summary of the run: ticks, frames received from the device and fetched by the
    // ticks, snapshots written. Returns the exit status: 0 when the run did its work, 1
    // when it used no device or a snapshot asked for was not written.
    int Report(FILE* out) const;

private:
    static LRESULT CALLBACK AfterWindowProc(int code, WPARAM wParam, LPARAM lParam);
    static void CALLBACK OnPaceTimer(HWND, UINT, UINT_PTR, DWORD);
    static void CALLBACK OnCloseTimer(HWND, UINT, UINT_PTR timer, DWORD);

    void Follow(const CWPRETSTRUCT& message);
    void StartRun(HWND dialog);
    void CountTick();
    void Press(Button button);
    void NoteSnapshot();
    void NoteFrames();
    void CloseOpenDialogs();

    std::vector<ButtonPress> presses_;  // in tick order
    size_t nextPress_ = 0;
    long endTick_;
    std::unique_ptr<win32::ScriptedAnswers> answers_;
    win32::MessageBoxHandler previousHandler_;
    HHOOK hook_ = nullptr;
    UINT_PTR paceTimer_ = 0;
    HWND dialog_ = nullptr;
    bool started_ = false;
    long ticks_ = 0;
    bool exitPressed_ = false;
    int snapshots_ = 0;
    int snapshotsWritten_ = 0;
    std::string firstFailure_;  // why the first snapshot that failed did
    unsigned long long framesReceived_ = 0;
    unsigned long long framesFetched_ = 0;
    unsigned long long streamErrors_ = 0;
    std::string deviceName_;
    std::vector<std::pair<UINT_PTR, HWND>> closeTimers_;
    double startedAt_ = 0;
};
