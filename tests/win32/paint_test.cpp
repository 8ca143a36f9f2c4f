// Painting: update regions and WM_PAINT, device contexts, StretchDIBits with the
// rectangles the program uses and with hostile ones, DrawIcon, the default painting.
#include <QApplication>
#include <QPalette>

#include <climits>
#include <cstring>

#include "dialog_fixture.h"

namespace win32_test {
namespace {

using test_support::PumpPending;
using namespace test_resources;

// A 24-bit DIB whose pixel at column x and row y (counted from the top) has blue x,
// green y and red 0x80; the buffer is exactly as large as the header says.
struct TestDib {
    TestDib(int width, int height, bool topDown = false)
    {
        std::memset(&info, 0, sizeof info);
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = topDown ? -height : height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 24;
        const int stride = (width * 3 + 3) / 4 * 4;
        info.bmiHeader.biSizeImage = static_cast<uint32_t>(stride * height);
        bits.resize(info.bmiHeader.biSizeImage);
        for (int y = 0; y < height; ++y) {
            uint8_t* row = bits.data() + (topDown ? y : height - 1 - y) * stride;
            for (int x = 0; x < width; ++x) {
                row[3 * x] = static_cast<uint8_t>(x);
                row[3 * x + 1] = static_cast<uint8_t>(y);
                row[3 * x + 2] = 0x80;
            }
        }
    }
    BITMAPINFO info;
    std::vector<uint8_t> bits;
};

QRgb Expected(int x, int y)
{
    return qRgb(0x80, y & 0xFF, x & 0xFF);
}

class PaintTest : public DialogTest {
protected:
    void SetUp() override
    {
        dialog_ = Create();
        display_ = GetDlgItem(dialog_, kDisplay);
        PumpPending();                                   // first paints: background and frame
        buttonFace_ = Picture(dialog_).pixel(100, 241);  // between the display and the buttons
    }

    // The display control resized, then the image copied one to one as the program does.
    QImage CopyOneToOne(const TestDib& dib, int controlWidth, int controlHeight)
    {
        MoveWindow(display_, 0, 0, controlWidth, controlHeight, TRUE);
        PumpPending();
        RECT client;
        GetClientRect(display_, &client);
        const int width = dib.info.bmiHeader.biWidth;
        const int height = dib.info.bmiHeader.biHeight;
        const int w = client.right <= width ? client.right : width;
        const int h = client.bottom > height ? height : client.bottom;
        const int sourceY = client.bottom > height ? 0 : height - client.bottom;
        const HDC dc = GetDC(display_);
        EXPECT_EQ(h,
                  StretchDIBits(dc, 0, 0, w, h, 0, sourceY, w, h, dib.bits.data(), &dib.info, DIB_RGB_COLORS, SRCCOPY));
        EXPECT_EQ(1, ReleaseDC(display_, dc));
        return Picture(display_);
    }

    HWND dialog_ = nullptr;
    HWND display_ = nullptr;
    QRgb buttonFace_ = 0;
};

TEST_F(PaintTest, ControlOf275x240ShowsTheLeftColumnsOfAllRows)
{
    const QImage shown = CopyOneToOne(TestDib(320, 240), 275, 240);
    ASSERT_EQ(QSize(275, 240), shown.size());
    for (int y : {0, 1, 120, 239}) {
        for (int x : {0, 1, 200, 274}) EXPECT_EQ(Expected(x, y), shown.pixel(x, y)) << x << "," << y;
    }
}

TEST_F(PaintTest, ControlOf320x200ShowsTheTopRows)
{
    const QImage shown = CopyOneToOne(TestDib(320, 240), 320, 200);
    ASSERT_EQ(QSize(320, 200), shown.size());
    for (int y : {0, 100, 199}) {
        for (int x : {0, 319}) EXPECT_EQ(Expected(x, y), shown.pixel(x, y)) << x << "," << y;
    }
}

TEST_F(PaintTest, ControlOf400x300ShowsTheWholeImageAtItsTopLeft)
{
    const QImage shown = CopyOneToOne(TestDib(320, 240), 400, 300);
    EXPECT_EQ(Expected(0, 0), shown.pixel(0, 0));
    EXPECT_EQ(Expected(319, 239), shown.pixel(319, 239));
    // The rest is as the default painting left it: button face inside a black frame.
    EXPECT_EQ(buttonFace_, shown.pixel(320, 100));
    EXPECT_EQ(buttonFace_, shown.pixel(100, 240));
    EXPECT_EQ(qRgb(0, 0, 0), shown.pixel(399, 299));
}

TEST_F(PaintTest, SourceRectanglesOutsideTheImageAreClipped)
{
    // The buffer is exactly the image: reading past it would be caught by the sanitizer.
    const TestDib dib(5, 3);
    const HDC dc = GetDC(display_);
    EXPECT_EQ(10, StretchDIBits(dc, 0, 0, 10, 10, -2, -4, 10, 10, dib.bits.data(), &dib.info, DIB_RGB_COLORS, SRCCOPY));
    const QImage shown = Picture(display_);
    // Destination x shows source column x - 2. The rectangle's top row is ySrc + 9 = 5
    // counted from the bottom, two rows above the 3-row image, so the image's rows
    // appear at destination rows 3 to 5.
    EXPECT_EQ(qRgb(0, 0, 0), shown.pixel(0, 0));  // the frame, untouched
    EXPECT_EQ(buttonFace_, shown.pixel(1, 3));    // column -1: untouched
    EXPECT_EQ(buttonFace_, shown.pixel(4, 2));    // above the image: untouched
    EXPECT_EQ(Expected(0, 0), shown.pixel(2, 3));
    EXPECT_EQ(Expected(4, 2), shown.pixel(6, 5));
    EXPECT_EQ(buttonFace_, shown.pixel(7, 5));  // column 5: past the image
    EXPECT_EQ(buttonFace_, shown.pixel(4, 6));  // below the image

    // Destinations far outside the window, and huge sizes, draw nothing and read nothing.
    EXPECT_EQ(3, StretchDIBits(dc, INT_MAX - 2, INT_MIN + 1, 5, 3, 0, 0, 5, 3, dib.bits.data(), &dib.info,
                               DIB_RGB_COLORS, SRCCOPY));
    EXPECT_EQ(INT_MAX, StretchDIBits(dc, 0, 0, INT_MAX, 2, INT_MAX - 1, 0, INT_MAX, INT_MAX, dib.bits.data(), &dib.info,
                                     DIB_RGB_COLORS, SRCCOPY));
    ReleaseDC(display_, dc);
}

// One-to-one copies are converted a run of pixels at a time: every pixel of runs of many
// widths and offsets, each image in a buffer of exactly its size, and nothing beside them.
TEST_F(PaintTest, OneToOneCopiesAreExactAtEveryWidthAndOffset)
{
    const HDC dc = GetDC(display_);
    for (const int width : {1, 3, 4, 7, 8, 9, 10, 11, 17, 31, 33, 64, 100, 263}) {
        for (const int xSrc : {0, 1, 5}) {
            const bool topDown = xSrc == 1;
            SCOPED_TRACE(::testing::Message()
                         << "width " << width << ", source x " << xSrc << (topDown ? ", top-down" : ""));
            InvalidateRect(display_, nullptr, TRUE);
            PumpPending();
            const TestDib dib(width, 6, topDown);
            const int xDest = 4 + xSrc % 3, yDest = 7;
            // Source rows 1 to 5 counted from the top: y 0 for a bottom-up image, 1 for a top-down one.
            ASSERT_EQ(5, StretchDIBits(dc, xDest, yDest, width, 5, xSrc, topDown ? 1 : 0, width, 5, dib.bits.data(),
                                       &dib.info, DIB_RGB_COLORS, SRCCOPY));
            const QImage shown = Picture(display_);
            for (int y = yDest - 1; y <= yDest + 5; ++y) {
                for (int x = xDest - 1; x <= std::min(xDest + width, shown.width() - 2); ++x) {
                    const int column = x - xDest + xSrc, row = y - yDest + 1;  // the top row is not drawn
                    const bool drawn = y >= yDest && y < yDest + 5 && x >= xDest && x < xDest + width && column < width;
                    ASSERT_EQ(drawn ? Expected(column, row) : buttonFace_, shown.pixel(x, y)) << x << "," << y;
                }
            }
        }
    }
    // A run that starts left of the control: its first columns fall outside.
    InvalidateRect(display_, nullptr, TRUE);
    PumpPending();
    const TestDib wide(40, 2);
    ASSERT_EQ(2, StretchDIBits(dc, -5, 3, 40, 2, 0, 0, 40, 2, wide.bits.data(), &wide.info, DIB_RGB_COLORS, SRCCOPY));
    const QImage shown = Picture(display_);
    for (int x = 0; x < 35; ++x) ASSERT_EQ(Expected(x + 5, 1), shown.pixel(x, 4)) << x;
    EXPECT_EQ(buttonFace_, shown.pixel(35, 4));
    ReleaseDC(display_, dc);
}

TEST_F(PaintTest, TopDownImagesAndScaling)
{
    const HDC dc = GetDC(display_);
    const TestDib topDown(4, 4, true);
    // For a top-down image the source y counts from the top.
    StretchDIBits(dc, 10, 10, 2, 2, 1, 1, 2, 2, topDown.bits.data(), &topDown.info, DIB_RGB_COLORS, SRCCOPY);
    const TestDib small(2, 2);
    StretchDIBits(dc, 20, 20, 4, 4, 0, 0, 2, 2, small.bits.data(), &small.info, DIB_RGB_COLORS, SRCCOPY);
    ReleaseDC(display_, dc);
    const QImage shown = Picture(display_);
    EXPECT_EQ(Expected(1, 1), shown.pixel(10, 10));
    EXPECT_EQ(Expected(2, 2), shown.pixel(11, 11));
    // Nearest neighbour: each source pixel becomes a 2 x 2 block.
    EXPECT_EQ(Expected(0, 0), shown.pixel(21, 21));
    EXPECT_EQ(Expected(1, 0), shown.pixel(22, 20));
    EXPECT_EQ(Expected(1, 1), shown.pixel(23, 23));
}

TEST_F(PaintTest, NullOrInconsistentHeadersDrawNothing)
{
    const TestDib dib(8, 8);
    const HDC dc = GetDC(display_);
    const auto draw = [&](const BITMAPINFO* info, const void* bits, UINT usage = DIB_RGB_COLORS, DWORD rop = SRCCOPY) {
        return StretchDIBits(dc, 0, 0, 8, 8, 0, 0, 8, 8, bits, info, usage, rop);
    };
    EXPECT_EQ(0, draw(nullptr, dib.bits.data()));
    EXPECT_EQ(0, draw(&dib.info, nullptr));
    EXPECT_EQ(0, draw(&dib.info, dib.bits.data(), 1));
    EXPECT_EQ(0, draw(&dib.info, dib.bits.data(), DIB_RGB_COLORS, 0x00EE0086));
    const auto broken = [&](auto change) {
        BITMAPINFO info = dib.info;
        change(info.bmiHeader);
        return draw(&info, dib.bits.data());
    };
    EXPECT_EQ(0, broken([](BITMAPINFOHEADER& h) { h.biBitCount = 32; }));
    EXPECT_EQ(0, broken([](BITMAPINFOHEADER& h) { h.biCompression = 1; }));
    EXPECT_EQ(0, broken([](BITMAPINFOHEADER& h) { h.biSize = 12; }));
    EXPECT_EQ(0, broken([](BITMAPINFOHEADER& h) { h.biWidth = 0; }));
    EXPECT_EQ(0, broken([](BITMAPINFOHEADER& h) { h.biWidth = -8; }));
    EXPECT_EQ(0, broken([](BITMAPINFOHEADER& h) { h.biHeight = 0; }));
    EXPECT_EQ(0, broken([](BITMAPINFOHEADER& h) { h.biHeight = INT32_MIN; }));
    EXPECT_EQ(0, broken([](BITMAPINFOHEADER& h) { h.biHeight = 9; }));  // more rows than the stated size
    EXPECT_EQ(0, broken([](BITMAPINFOHEADER& h) { h.biWidth = INT32_MAX; }));
    EXPECT_EQ(0, StretchDIBits(dc, 0, 0, 0, 8, 0, 0, 8, 8, dib.bits.data(), &dib.info, DIB_RGB_COLORS, SRCCOPY));
    EXPECT_EQ(0, StretchDIBits(dc, 0, 0, 8, 8, 0, 0, -8, 8, dib.bits.data(), &dib.info, DIB_RGB_COLORS, SRCCOPY));
    EXPECT_EQ(buttonFace_, Picture(display_).pixel(4, 4));
    ReleaseDC(display_, dc);
    EXPECT_EQ(0, draw(&dib.info, dib.bits.data()));  // a released context is gone
    EXPECT_EQ(0, StretchDIBits(nullptr, 0, 0, 8, 8, 0, 0, 8, 8, dib.bits.data(), &dib.info, DIB_RGB_COLORS, SRCCOPY));
}

TEST_F(PaintTest, PaintingFollowsTheUpdateRegion)
{
    MSG message;
    EXPECT_FALSE(PeekMessageA(&message, nullptr, WM_PAINT, WM_PAINT, PM_NOREMOVE));  // all painted
    const RECT area = {10, 20, 30, 40};
    EXPECT_TRUE(InvalidateRect(dialog_, &area, FALSE));
    ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(static_cast<UINT>(WM_PAINT), message.message);
    EXPECT_EQ(dialog_, message.hwnd);

    // BeginPaint takes the region (no erase asked for) and validates it.
    InvalidateRect(display_, &area, FALSE);
    PAINTSTRUCT paint;
    const HDC dc = BeginPaint(display_, &paint);
    ASSERT_NE(nullptr, dc);
    EXPECT_FALSE(paint.fErase);
    EXPECT_EQ(10, paint.rcPaint.left);
    EXPECT_EQ(40, paint.rcPaint.bottom);
    // Drawing is clipped to the region.
    const TestDib dib(64, 64);
    StretchDIBits(dc, 0, 0, 64, 64, 0, 0, 64, 64, dib.bits.data(), &dib.info, DIB_RGB_COLORS, SRCCOPY);
    EXPECT_TRUE(EndPaint(display_, &paint));
    EXPECT_EQ(0, ReleaseDC(display_, dc));  // already ended
    const QImage shown = Picture(display_);
    EXPECT_EQ(Expected(10, 20), shown.pixel(10, 20));
    EXPECT_EQ(Expected(29, 39), shown.pixel(29, 39));
    EXPECT_EQ(buttonFace_, shown.pixel(30, 39));
    EXPECT_EQ(buttonFace_, shown.pixel(9, 20));
    EXPECT_FALSE(PeekMessageA(&message, display_, WM_PAINT, WM_PAINT, PM_NOREMOVE));

    // With erasing, the default erase paints the button face over the region.
    InvalidateRect(display_, &area, TRUE);
    PumpPending();
    EXPECT_EQ(buttonFace_, Picture(display_).pixel(15, 25));
    EXPECT_FALSE(InvalidateRect(nullptr, &area, TRUE));
}

TEST_F(PaintTest, DefaultPaintingAndIcons)
{
    const QImage dialogPicture = Picture(dialog_);
    const QImage displayPicture = Picture(display_);
    EXPECT_EQ(qRgb(0, 0, 0), displayPicture.pixel(0, 0));  // SS_BLACKFRAME
    EXPECT_EQ(qRgb(0, 0, 0), displayPicture.pixel(274, 239));
    EXPECT_EQ(buttonFace_, displayPicture.pixel(1, 1));
    EXPECT_EQ(QApplication::palette().color(QPalette::Button).rgb(), buttonFace_);  // the desktop's button face
    EXPECT_EQ(32, GetSystemMetrics(SM_CXICON));
    EXPECT_EQ(16, GetSystemMetrics(SM_CYSMICON));

    const HICON icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(kIcon));
    ASSERT_NE(nullptr, icon);
    const HDC dc = GetDC(display_);
    EXPECT_TRUE(DrawIcon(dc, 100, 100, icon));
    EXPECT_FALSE(DrawIcon(dc, 100, 100, nullptr));
    ReleaseDC(display_, dc);
    const QImage shown = Picture(display_);
    EXPECT_EQ(qRgb(255, 255, 0), shown.pixel(116, 116));  // the disc
    EXPECT_EQ(qRgb(0, 0, 0), shown.pixel(116, 101));      // its rim
    EXPECT_EQ(buttonFace_, shown.pixel(100, 100));        // transparent corner

    // A button draws itself: no device context.
    EXPECT_EQ(nullptr, GetDC(GetDlgItem(dialog_, kStart)));
    EXPECT_EQ(nullptr, GetDC(nullptr));
}

}  // namespace
}  // namespace win32_test
