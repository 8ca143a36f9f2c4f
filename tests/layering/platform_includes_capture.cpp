// The platform knows nothing of the capture layer above it.
#include <dshow.h>

#include "capture/capture_system.h"
