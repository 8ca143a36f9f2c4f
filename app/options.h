// The command line. Without options the program behaves as the desktop program it is:
// it asks about each device and runs until the user ends it.
#pragma once

#include <string>
#include <vector>

#include "output/scaled_frame.h"

// The dialog's buttons, and the system menu's entries beyond the design: Record, and the
// locator switch (LocateFaces, LocateSkin).
enum class Button { Start, Stop, Intercept, Snapshot, Exit, Version, Record, LocateFaces, LocateSkin };

struct ButtonPress {
    long tick;  // pressed once this many ticks have run
    Button button;
};

struct Options {
    bool answersGiven = false;
    std::vector<bool> answers;  // device questions in order: true for Yes
    std::vector<ButtonPress> presses;
    long ticks = 0;  // end after this many ticks; 0: run until ended
    bool headless = false;
    std::vector<std::string> sources;
    std::string snapshotDir;  // where snapshots go; empty: as the files found say
    bool testCamera = true;
    bool realCameras = true;
    bool listDevices = false;
    bool demo = false;
    bool help = false;
    bool version = false;
    std::vector<std::string> outputs;     // sink descriptions
    std::vector<std::string> recordings;  // files
    OutputSize outputSize;                // of outputs and recordings
    bool locateFaces = false;             // the logo on faces rather than by skin colour

    // Running with answers or presses given in advance, or without a window: nobody is
    // expected to be at the program.
    bool Unattended() const { return answersGiven || !presses.empty() || ticks > 0 || headless || demo; }
};

extern const char kUsage[];

// Parses argv[1..]; on a bad option returns false with a message for the user in *error.
bool ParseOptions(int argc, char** argv, Options* options, std::string* error);

// What --demo runs: the built-in test camera alone, accepted, with Intercepter on and a
// few snapshots, for about five seconds.
void ApplyDemo(Options* options);
