// The platform takes the bitmap structures from bitmap/, not from the image model.
#include <windows.h>

#include "image/dib_image.h"
