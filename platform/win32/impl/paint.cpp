// Update regions, WM_PAINT, device contexts and the GDI calls. Every window that paints
// has a backing image; device contexts draw into it and the widget shows it, so painting
// is the same on a display and on Qt's offscreen platform.
#include <QPainter>

#include <immintrin.h>

#include <algorithm>
#include <cstring>

#include "icons.h"
#include "paint.h"
#include "window_records.h"

namespace win32::detail {
namespace {

struct DeviceContext {
    HWND window;
    QRect clip;  // client coordinates
    bool forPaint;
};

HandleTable<DeviceContext, HDC>& Contexts()
{
    static HandleTable<DeviceContext, HDC> table(0x20000);
    return table;
}

HDC MakeContext(HWND hwnd, const QRect& clip, bool forPaint)
{
    return Contexts().Add(std::make_unique<DeviceContext>(DeviceContext{hwnd, clip, forPaint}));
}

// Coordinates far outside any window are brought in, so that no arithmetic on them overflows.
int Bounded(int64_t value)
{
    return static_cast<int>(std::clamp<int64_t>(value, -(1 << 24), 1 << 24));
}

// The pixels from (left, top) up to but not including (right, bottom).
QRect PixelRect(int64_t left, int64_t top, int64_t right, int64_t bottom)
{
    if (right <= left || bottom <= top) return QRect();
    return QRect(QPoint(Bounded(left), Bounded(top)), QPoint(Bounded(right) - 1, Bounded(bottom) - 1));
}

QRect ToQRect(const RECT& rect)
{
    return PixelRect(rect.left, rect.top, rect.right, rect.bottom);
}

RECT ToRECT(const QRect& rect)
{
    if (rect.isEmpty()) return RECT{0, 0, 0, 0};
    return RECT{rect.left(), rect.top(), rect.right() + 1, rect.bottom() + 1};
}

// The window a context draws into and the part of its image it may touch.
Window* ContextTarget(HDC hdc, QRect* clip)
{
    const DeviceContext* context = OnGuiThread() ? Contexts().Find(hdc) : nullptr;
    Window* window = context ? FindWindowRecord(context->window) : nullptr;
    if (window == nullptr || window->backing.isNull()) return nullptr;
    *clip = context->clip & window->backing.rect();
    return window;
}

void ShowDrawn(const Window& window, const QRect& area)
{
    if (window.widget && !area.isEmpty()) window.widget->update(area);
}

// Pixels of a 24-bit DIB row as the backing image holds them, opaque. The three bytes
// blue, green, red read as a little-endian word are already 0x??RRGGBB, so four pixels
// come out of three words.
void CopyRowOpaque(const uint8_t* row, int64_t count, QRgb* line, int64_t x = 0)
{
    for (; x + 4 <= count; x += 4) {
        uint32_t words[3];
        std::memcpy(words, row + 3 * x, sizeof words);
        line[x] = 0xFF000000u | words[0];
        line[x + 1] = 0xFF000000u | words[0] >> 24 | words[1] << 8;
        line[x + 2] = 0xFF000000u | words[1] >> 16 | words[2] << 16;
        line[x + 3] = 0xFF000000u | words[2] >> 8;
    }
    for (; x < count; ++x) {
        const uint8_t* pixel = row + 3 * x;
        line[x] = qRgb(pixel[2], pixel[1], pixel[0]);
    }
}

// The same with AVX2, eight pixels at a time: bytes 0..15 of a run of eight pixels and
// bytes 12..27 (pixels 4..7 and the start of the ninth) fill the two halves of a
// register, and a byte shuffle spreads each half's four pixels over four lanes.
__attribute__((target("avx2"))) void CopyRowOpaqueAvx2(const uint8_t* row, int64_t count, QRgb* line)
{
    const __m256i spread = _mm256_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1,  //
                                            0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    const __m256i opaque = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
    int64_t x = 0;
    for (; x + 10 <= count; x += 8) {  // the loads reach 28 bytes into the run's 24
        const uint8_t* bytes = row + 3 * x;
        const __m256i pixels =
            _mm256_loadu2_m128i(reinterpret_cast<const __m128i*>(bytes + 12), reinterpret_cast<const __m128i*>(bytes));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(line + x),
                            _mm256_or_si256(_mm256_shuffle_epi8(pixels, spread), opaque));
    }
    CopyRowOpaque(row, count, line, x);
}

// One row of a 24-bit DIB, or null outside it. `rowFromTop` counts from the picture's top.
const uint8_t* DibRow(const uint8_t* bits, int64_t stride, int32_t height, int64_t rowFromTop)
{
    const int64_t rows = height < 0 ? -static_cast<int64_t>(height) : height;
    if (rowFromTop < 0 || rowFromTop >= rows) return nullptr;
    const int64_t stored = height < 0 ? rowFromTop : rows - 1 - rowFromTop;
    return bits + stored * stride;
}

}  // namespace

void InvalidateWhole(Window& window)
{
    if (window.backing.isNull()) return;
    window.updateRect = window.backing.rect();
    window.eraseNeeded = true;
}

bool PaintOnDc(HDC hdc, const std::function<void(QPainter& painter)>& draw)
{
    QRect clip;
    Window* window = ContextTarget(hdc, &clip);
    if (window == nullptr) return false;
    {
        QPainter painter(&window->backing);
        painter.setClipRect(clip);
        draw(painter);
    }
    ShowDrawn(*window, clip);
    return true;
}

bool FillWithButtonFace(HDC hdc)
{
    return PaintOnDc(hdc, [](QPainter& painter) { painter.fillRect(painter.clipBoundingRect(), ButtonFaceColour()); });
}

void ReleaseDcsOf(HWND hwnd)
{
    for (HDC hdc : Contexts().Handles()) {
        if (Contexts().Find(hdc)->window == hwnd) Contexts().Remove(hdc);
    }
}

}  // namespace win32::detail

using namespace win32::detail;

BOOL InvalidateRect(HWND hWnd, const RECT* lpRect, BOOL bErase)
{
    Window* window = FindWindowRecord(hWnd);
    if (window == nullptr) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (window->backing.isNull()) {
        if (window->widget) window->widget->update();
        return TRUE;
    }
    const QRect area = (lpRect ? ToQRect(*lpRect) : window->backing.rect()) & window->backing.rect();
    if (area.isEmpty()) return TRUE;
    window->updateRect |= area;
    if (bErase) window->eraseNeeded = true;
    return TRUE;
}

HDC BeginPaint(HWND hWnd, LPPAINTSTRUCT lpPaint)
{
    Window* window = FindWindowRecord(hWnd);
    if (window == nullptr || lpPaint == nullptr || window->backing.isNull()) return nullptr;
    const QRect area = window->updateRect;
    const bool erase = window->eraseNeeded;
    window->updateRect = QRect();
    window->eraseNeeded = false;
    const HDC hdc = MakeContext(hWnd, area, true);
    *lpPaint = PAINTSTRUCT{};
    lpPaint->hdc = hdc;
    lpPaint->rcPaint = ToRECT(area);
    if (erase) lpPaint->fErase = SendMessageA(hWnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(hdc), 0) == 0;
    return hdc;
}

BOOL EndPaint(HWND hWnd, const PAINTSTRUCT* lpPaint)
{
    if (lpPaint == nullptr || !OnGuiThread()) return FALSE;
    const DeviceContext* context = Contexts().Find(lpPaint->hdc);
    if (context && context->window == hWnd && context->forPaint) Contexts().Remove(lpPaint->hdc);
    return TRUE;
}

HDC GetDC(HWND hWnd)
{
    const Window* window = FindWindowRecord(hWnd);
    if (window == nullptr || window->backing.isNull()) return nullptr;
    return MakeContext(hWnd, window->backing.rect(), false);
}

int ReleaseDC(HWND hWnd, HDC hDC)
{
    if (!OnGuiThread()) return 0;
    const DeviceContext* context = Contexts().Find(hDC);
    if (context == nullptr || context->window != hWnd || context->forPaint) return 0;
    Contexts().Remove(hDC);
    return 1;
}

BOOL DrawIcon(HDC hDC, int X, int Y, HICON hIcon)
{
    const Icon* icon = FindIcon(hIcon);
    if (icon == nullptr) return FALSE;
    return PaintOnDc(hDC, [&](QPainter& painter) { painter.drawImage(X, Y, icon->large); });
}

int StretchDIBits(HDC hdc, int xDest, int yDest, int DestWidth, int DestHeight, int xSrc, int ySrc, int SrcWidth,
                  int SrcHeight, const void* lpBits, const BITMAPINFO* lpbmi, UINT iUsage, DWORD rop)
{
    QRect clip;
    Window* window = ContextTarget(hdc, &clip);
    if (window == nullptr || lpBits == nullptr || lpbmi == nullptr || iUsage != DIB_RGB_COLORS || rop != SRCCOPY ||
        DestWidth <= 0 || DestHeight <= 0 || SrcWidth <= 0 || SrcHeight <= 0) {
        return 0;
    }
    const BITMAPINFOHEADER& header = lpbmi->bmiHeader;
    if (header.biSize < sizeof(BITMAPINFOHEADER) || header.biPlanes != 1 || header.biBitCount != 24 ||
        header.biCompression != BI_RGB || header.biWidth <= 0 || header.biHeight == 0 || header.biHeight == INT32_MIN) {
        return 0;
    }
    const int64_t width = header.biWidth;
    const int64_t rows = header.biHeight < 0 ? -static_cast<int64_t>(header.biHeight) : header.biHeight;
    const int64_t stride = DibStride(header.biWidth);
    // A stated buffer size smaller than the rows it must hold is inconsistent.
    if (header.biSizeImage != 0 && static_cast<int64_t>(header.biSizeImage) < stride * rows) return 0;
    const auto* bits = static_cast<const uint8_t*>(lpBits);
    // For a bottom-up DIB the source rectangle's top row is ySrc + SrcHeight - 1 counted
    // from the bottom; for a top-down one it is ySrc counted from the top.
    const int64_t topRowFromTop = header.biHeight > 0 ? rows - (static_cast<int64_t>(ySrc) + SrcHeight) : ySrc;

    const QRect target = PixelRect(xDest, yDest, int64_t{xDest} + DestWidth, int64_t{yDest} + DestHeight) & clip;
    const bool oneToOne = SrcWidth == DestWidth && SrcHeight == DestHeight;
    for (int y = target.top(); y <= target.bottom(); ++y) {
        const int64_t sourceRow = topRowFromTop + static_cast<int64_t>(y - yDest) * SrcHeight / DestHeight;
        const uint8_t* row = DibRow(bits, stride, header.biHeight, sourceRow);
        if (row == nullptr) continue;
        auto* line = reinterpret_cast<QRgb*>(window->backing.scanLine(y));
        if (oneToOne) {
            // Unscaled, as a program paints its picture: the source columns that exist, in a run.
            const int64_t first = std::max<int64_t>(target.left(), int64_t{xDest} - xSrc);
            const int64_t end = std::min<int64_t>(int64_t{target.right()} + 1, int64_t{xDest} - xSrc + width);
            if (first < end) {
                static const bool avx2 = __builtin_cpu_supports("avx2");
                const uint8_t* start = row + (first - xDest + xSrc) * 3;
                if (avx2) {
                    CopyRowOpaqueAvx2(start, end - first, line + first);
                } else {
                    CopyRowOpaque(start, end - first, line + first);
                }
            }
            continue;
        }
        for (int x = target.left(); x <= target.right(); ++x) {
            const int64_t sourceColumn = xSrc + static_cast<int64_t>(x - xDest) * SrcWidth / DestWidth;
            if (sourceColumn < 0 || sourceColumn >= width) continue;
            const uint8_t* pixel = row + sourceColumn * 3;
            line[x] = qRgb(pixel[2], pixel[1], pixel[0]);
        }
    }
    ShowDrawn(*window, target);
    return SrcHeight;
}
