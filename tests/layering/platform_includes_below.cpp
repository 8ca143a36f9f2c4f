// What the platform may include: its published names, our additions to them and the
// bitmap structures.
#include <afxwin.h>
#include <dshow.h>
#include <objbase.h>
#include <qedit.h>
#include <windows.h>

#include "bitmap/bitmap_headers.h"
#include "com_server.h"
#include "desktop.h"
#include "grabber_counters.h"
#include "message_box.h"
#include "video_inputs.h"

int layering_platform_control()
{
    return static_cast<int>(sizeof(BITMAPINFOHEADER) + sizeof(RECT));
}
