// The image layer builds on the standard library and bitmap/ and fs/ only: a platform
// header is not to be found from here.
#include <windows.h>

#include "image/dib_image.h"
