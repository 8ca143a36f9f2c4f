// Ctrl+C and termination requests (SIGINT, SIGTERM). While the dialog runs, a request
// ends it as its Exit button does, within a tick. Before that, during start-up, and on a
// second request, the program ends at once, wherever it waits: a device question on the
// terminal, a source that is slow to start.
#pragma once

#include <windows.h>

// Installs the handlers; the first thing the program does.
void InstallEndRequestHandlers();

// A file made at start-up that holds nothing yet (a recording before its first frame):
// removed when a request ends the program before the dialog runs.
void RemoveIfEndedBeforeRunning(const char* path);

// From now on a request presses the dialog's Exit button, from a timer of the thread.
void EndDialogOnRequest(HWND dialog);

// The signal that asked the program to end, or 0.
int EndRequestSignal();
