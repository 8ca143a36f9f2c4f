// The capture layer knows nothing of the program above it.
#include "capture/capture_system.h"

#include "app/options.h"
