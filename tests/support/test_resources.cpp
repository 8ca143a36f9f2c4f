// Resources for the windowing and framework tests: copies of the program's two dialog
// templates, a test icon, strings and version information.
#include "test_resources.h"

#include <windows.h>

namespace test_resources {
namespace {

constexpr DWORD kButton = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
constexpr win32::DialogFont kFont = {9, "ＭＳ Ｐゴシック", 0, false, 1};

const win32::DialogControl kMainControls[] = {
    {"button", "Start", kStart, 3, 161, 32, 14, kButton},
    {"button", "Stop", kStop, 36, 161, 32, 14, kButton},
    {"button", "Intercepter", kIntercept, 69, 161, 41, 14, kButton},
    {"button", "Snapshot", kSnapshot, 111, 161, 41, 14, kButton},
    {"button", "Exit", IDCANCEL, 153, 161, 28, 14, kButton},
    {"static", "", kDisplay, 0, 0, 183, 160, WS_CHILD | WS_VISIBLE | SS_BLACKFRAME},
};

const win32::DialogControl kVersionControls[] = {
    {"static", MAKEINTRESOURCEA(kIcon), -1, 11, 17, 20, 20, WS_CHILD | WS_VISIBLE | SS_ICON},
    {"static", "Quenmire  Version 1.0", -1, 40, 10, 119, 8, WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX | WS_GROUP},
    {"button", "OK", IDOK, 178, 7, 50, 14, WS_CHILD | WS_VISIBLE | BS_DEFPUSHBUTTON | WS_GROUP | WS_TABSTOP},
};

// A dialog with a control class the desktop does not offer.
const win32::DialogControl kBrokenControls[] = {
    {"button", "OK", IDOK, 0, 0, 50, 14, WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON},
    {"listbox", "", 10, 0, 20, 50, 50, WS_CHILD | WS_VISIBLE},
};

const win32::DialogTemplate kDialogs[] = {
    {kVersionDialog, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT, 0, 0, 0, 235, 55,
     "voskのﾊﾞｰｼﾞｮﾝ情報", kFont, kVersionControls},
    {kMainDialog, WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT, WS_EX_APPWINDOW, 0, 0,
     183, 175, "Quenmire", kFont, kMainControls},
    {kBrokenDialog, WS_POPUP | WS_VISIBLE | WS_CAPTION | DS_SETFONT, 0, 0, 0, 100, 100, "Broken", kFont,
     kBrokenControls},
};

const win32::StringResource kStrings[] = {
    {kVersionMenuString, "vosk のﾊﾞｰｼﾞｮﾝ情報(&A)..."},
    {kEmptyString, ""},
};

// The 16 colours of the classic palette, as blue, green, red; 0 black, b yellow.
// clang-format off
const RGBQUAD kPalette[16] = {
    {0, 0, 0, 0}, {0, 0, 128, 0}, {0, 128, 0, 0}, {0, 128, 128, 0},
    {128, 0, 0, 0}, {128, 0, 128, 0}, {128, 128, 0, 0}, {192, 192, 192, 0},
    {128, 128, 128, 0}, {0, 0, 255, 0}, {0, 255, 0, 0}, {0, 255, 255, 0},
    {255, 0, 0, 0}, {255, 0, 255, 0}, {255, 255, 0, 0}, {255, 255, 255, 0},
};

const char* const kIcon32[] = {
    "................................",
    "...........0000000000...........",
    "........0000bbbbbbbb0000........",
    ".......000bbbbbbbbbbbb000.......",
    "......00bbbbbbbbbbbbbbbb00......",
    ".....00bbbbbbbbbbbbbbbbbb00.....",
    "....00bbbbbbbbbbbbbbbbbbbb00....",
    "...00bbbbbbbbbbbbbbbbbbbbbb00...",
    "..00bbbbbbbbbbbbbbbbbbbbbbbb00..",
    "..00bbbbbbbbbbbbbbbbbbbbbbbb00..",
    "..0bbbbbbbbbbbbbbbbbbbbbbbbbb0..",
    ".00bbbbbbbbbbbbbbbbbbbbbbbbbb00.",
    ".0bbbbbbbbbbbbbbbbbbbbbbbbbbbb0.",
    ".0bbbbbbbbbbbbbbbbbbbbbbbbbbbb0.",
    ".0bbbbbbbbbbbbbbbbbbbbbbbbbbbb0.",
    ".0bbbbbbbbbbbbbbbbbbbbbbbbbbbb0.",
    ".0bbbbbbbbbbbbbbbbbbbbbbbbbbbb0.",
    ".0bbbbbbbbbbbbbbbbbbbbbbbbbbbb0.",
    ".0bbbbbbbbbbbbbbbbbbbbbbbbbbbb0.",
    ".0bbbbbbbbbbbbbbbbbbbbbbbbbbbb0.",
    ".00bbbbbbbbbbbbbbbbbbbbbbbbbb00.",
    "..0bbbbbbbbbbbbbbbbbbbbbbbbbb0..",
    "..00bbbbbbbbbbbbbbbbbbbbbbbb00..",
    "..00bbbbbbbbbbbbbbbbbbbbbbbb00..",
    "...00bbbbbbbbbbbbbbbbbbbbbb00...",
    "....00bbbbbbbbbbbbbbbbbbbb00....",
    ".....00bbbbbbbbbbbbbbbbbb00.....",
    "......00bbbbbbbbbbbbbbbb00......",
    ".......000bbbbbbbbbbbb000.......",
    "........0000bbbbbbbb0000........",
    "...........0000000000...........",
    "................................",
};

const char* const kIcon16[] = {
    "................",
    "....00000000....",
    "...000bbbb000...",
    "..00bbbbbbbb00..",
    ".00bbbbbbbbbb00.",
    ".00bbbbbbbbbb00.",
    ".0bbbbbbbbbbbb0.",
    ".0bbbbbbbbbbbb0.",
    ".0bbbbbbbbbbbb0.",
    ".0bbbbbbbbbbbb0.",
    ".00bbbbbbbbbb00.",
    ".00bbbbbbbbbb00.",
    "..00bbbbbbbb00..",
    "...000bbbb000...",
    "....00000000....",
    "................",
};
// clang-format on

const win32::IconImage kIconImages[] = {{32, kPalette, kIcon32}, {16, kPalette, kIcon16}};
const win32::IconResource kIcons[] = {{kIcon, kIconImages}};

const win32::VersionString kVersionStrings[] = {{"InternalName", "vosk"}, {"ProductVersion", "1, 0, 0, 1"}};
const win32::VersionResource kVersion = {{1, 0, 0, 1}, {1, 0, 0, 1}, VOS__WINDOWS32, VFT_APP,
                                         0x0411,       1200,         kVersionStrings};

const win32::ResourceTable kTable = {0x0411, kDialogs, kStrings, kIcons, &kVersion};
const win32::ModuleResources kRegistration(kTable);

}  // namespace
}  // namespace test_resources
