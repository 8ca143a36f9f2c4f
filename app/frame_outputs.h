// The outputs and recordings that the command line asks for.
#pragma once

#include "app/options.h"

// Opens them before the window opens; false after saying on standard error which one
// cannot be opened and GStreamer's reason.
bool OpenFrameOutputs(const Options& options);
