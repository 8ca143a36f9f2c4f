// Painting as the other parts of the windowing layer use it (paint.cpp). Not for callers
// of the Windows API.
#pragma once

#include <functional>

#include "window_records.h"

class QPainter;

namespace win32::detail {

void InvalidateWhole(Window& window);
// Runs `draw` with a painter on the context's image, clipped to the context.
bool PaintOnDc(HDC hdc, const std::function<void(QPainter& painter)>& draw);
bool FillWithButtonFace(HDC hdc);
void ReleaseDcsOf(HWND hwnd);

}  // namespace win32::detail
