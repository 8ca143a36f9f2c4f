// The program's resources: the two dialog templates, the version menu string, the icon
// and the version information. Japanese resources (0x0411); texts in UTF-8.
#include <windows.h>

#include "app/res/resource.h"
#include "app/res/version.h"
#include "resources.h"

const char kVersionText[] = "Quenmire  Version 1.0";

namespace {

constexpr DWORD kPushButton = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
constexpr win32::DialogFont kTemplateFont{9, "ＭＳ Ｐゴシック", 0, false, 1};

const win32::DialogControl kCaptureControls[] = {
    {"button", "Start", IDC_START, 3, 161, 32, 14, kPushButton},
    {"button", "Stop", IDC_STOP, 36, 161, 32, 14, kPushButton},
    {"button", "Intercepter", IDC_INTERCEPT, 69, 161, 41, 14, kPushButton},
    {"button", "Snapshot", IDC_SNAPSHOT, 111, 161, 41, 14, kPushButton},
    {"button", "Exit", IDCANCEL, 153, 161, 28, 14, kPushButton},
    {"static", "", IDC_DISPLAY, 0, 0, 183, 160, WS_CHILD | WS_VISIBLE | SS_BLACKFRAME},
};

const win32::DialogControl kVersionControls[] = {
    {"static", MAKEINTRESOURCEA(IDI_APP_ICON), -1, 11, 17, 20, 20, WS_CHILD | WS_VISIBLE | SS_ICON},
    {"static", kVersionText, -1, 40, 10, 119, 8, WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX | WS_GROUP},
    {"button", "OK", IDOK, 178, 7, 50, 14, WS_CHILD | WS_VISIBLE | BS_DEFPUSHBUTTON | WS_GROUP | WS_TABSTOP},
};

const win32::DialogTemplate kDialogs[] = {
    {IDD_CAPTURE_DIALOG, WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT, WS_EX_APPWINDOW,
     0, 0, 183, 175, "Quenmire", kTemplateFont, kCaptureControls},
    {IDD_VERSION_DIALOG, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT, 0, 0, 0, 235, 55,
     "voskのﾊﾞｰｼﾞｮﾝ情報", kTemplateFont, kVersionControls},
};

const win32::StringResource kStrings[] = {
    {IDS_VERSION_MENU, "vosk のﾊﾞｰｼﾞｮﾝ情報(&A)..."},
    {IDS_RECORD_MENU, "Record"},
    {IDS_LOCATE_SKIN_MENU, "Logo by skin colour"},
    {IDS_LOCATE_FACE_MENU, "Logo on every face"},
};

// A webcam whose lens is a laughing face. Palette indices: 0 black, 1 dark grey, 2 grey,
// 3 light grey, 4 white, 5 yellow, 6 brown, 7 dark red, 8 pink, 9 blue; '.' transparent.
// clang-format off
const RGBQUAD kIconPalette[16] = {
    {0, 0, 0, 0},       {64, 64, 64, 0},   {128, 128, 128, 0}, {192, 192, 192, 0},
    {255, 255, 255, 0}, {40, 210, 255, 0}, {20, 70, 110, 0},   {30, 20, 140, 0},
    {140, 120, 240, 0}, {255, 120, 60, 0}, {0, 0, 0, 0},       {0, 0, 0, 0},
    {0, 0, 0, 0},       {0, 0, 0, 0},      {0, 0, 0, 0},       {0, 0, 0, 0},
};

const char* const kIcon32[] = {
    "............11111111............",
    "..........112222222211..........",
    "........1122222222222211.99.....",
    ".......122233000000002221999....",
    "......1222333666666000222999....",
    ".....1223333555555556000229.....",
    "....122333355555555556600221....",
    "....122335555555555555560221....",
    "...12233355555555555555660221...",
    "...12333555555555555555560021...",
    "..1223355556665555666555560221..",
    "..1220655566566556656655560221..",
    "..1220655555555555555555560221..",
    "..1200655555555555555555560021..",
    "..1200655555555555555555560021..",
    "..1220655544444444444455560221..",
    "..1220655577777777777755560221..",
    "..1220655557777777777555560221..",
    "...12006555577888877555560021...",
    "...12206555558888885555560221...",
    "...11200655555555555555600211...",
    "....122006555555555555600221....",
    ".....1220066555555556600221.....",
    "......12200066666666000221......",
    ".......122200000000002221.......",
    "........1122220000222211........",
    ".........11122222222111.........",
    ".......111111111111111111.......",
    ".......111111111111111111.......",
    ".......111111111111111111.......",
    ".......111111111111111111.......",
    "................................",
};

const char* const kIcon16[] = {
    "....11111111....",
    "..112222222211..",
    ".12200000000221.",
    ".12066666666021.",
    "1206555555556021",
    "1206566556656021",
    "1206655665566021",
    "1206555555556021",
    "1206477777746021",
    "1206577777756021",
    ".12065788756021.",
    ".12066555566021.",
    "..120066660021..",
    "...1122222211...",
    "....11111111....",
    "...1111111111...",
};
// clang-format on

const win32::IconImage kIconImages[] = {{32, kIconPalette, kIcon32}, {16, kIconPalette, kIcon16}};

const win32::IconResource kIcons[] = {{IDI_APP_ICON, kIconImages}};

const win32::VersionString kVersionStrings[] = {
    {"CompanyName", ""},
    {"FileDescription", "vosk MFC ｱﾌﾟﾘｹｰｼｮﾝ"},
    {"FileVersion", "1, 0, 0, 1"},
    {"InternalName", "vosk"},
    {"LegalTrademarks", ""},
    {"OriginalFilename", "vosk.EXE"},
    {"ProductName", "vosk ｱﾌﾟﾘｹｰｼｮﾝ"},
    {"ProductVersion", "1, 0, 0, 1"},
};

const win32::VersionResource kVersion = {
    {1, 0, 0, 1}, {1, 0, 0, 1}, VOS__WINDOWS32, VFT_APP, 0x0411, 1200, kVersionStrings,
};

const win32::ResourceTable kResources = {0x0411, kDialogs, kStrings, kIcons, &kVersion};

const win32::ModuleResources kRegistration(kResources);

}  // namespace
