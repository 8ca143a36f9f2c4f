// What the image layer may include: itself and the leaves beneath it.
#include "bitmap/bitmap_headers.h"
#include "fs/atomic_file.h"
#include "fs/file_open.h"
#include "image/dib_image.h"
#include "image/skin_overlay.h"

int layering_image_control()
{
    return static_cast<int>(sizeof(BITMAPINFOHEADER) + sizeof(DibImage));
}
