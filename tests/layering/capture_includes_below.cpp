// What the capture layer may include: itself, the platform's published names and our
// additions to them, the image model and what it rests on.
#include <dshow.h>
#include <qedit.h>
#include <windows.h>

#include "bitmap/bitmap_headers.h"
#include "capture/capture_system.h"
#include "fs/file_open.h"
#include "grabber_counters.h"
#include "image/dib_image.h"
#include "video_inputs.h"

int layering_capture_control()
{
    return static_cast<int>(sizeof(BITMAPINFOHEADER) + sizeof(DibImage));
}
