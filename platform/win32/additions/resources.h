// The program's resources: dialog templates, strings, icons and version information,
// written as C++ data instead of a compiled resource script.
//
// How a program provides them: define one ResourceTable and register it with a
// ModuleResources object of static storage duration, in a source file that is compiled
// into the executable itself (or into an OBJECT library), so that the linker keeps it:
//
//   namespace {
//   const win32::DialogControl kMainControls[] = {
//       {"button", "Start", IDC_START, 3, 161, 32, 14, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON},
//       {"static", "", IDC_DISPLAY, 0, 0, 183, 160, WS_CHILD | WS_VISIBLE | SS_BLACKFRAME},
//   };
//   const win32::DialogTemplate kDialogs[] = {
//       {IDD_MAIN, WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT,
//        WS_EX_APPWINDOW, 0, 0, 183, 175, "Caption", {9, "ＭＳ Ｐゴシック", 0, false, 1}, kMainControls},
//   };
//   const win32::StringResource kStrings[] = {{IDS_MENU_TEXT, "Text(&A)..."}};
//   const win32::ResourceTable kResources = {0x0411, kDialogs, kStrings, kIcons, &kVersion};
//   const win32::ModuleResources kRegistration(kResources);
//   }  // namespace
//
// Texts are UTF-8. A ModuleResources object replaces the registered table for its
// lifetime and restores the previous one when it ends, so a test can register its own.
// LoadIconA, LoadStringA and CreateDialogParamA look names up in the registered table.
#pragma once

#include <span>

#include "windef.h"

namespace win32 {

// The template font. Faces the desktop does not have map to a close equivalent
// (Japanese Gothic faces to IPAPGothic), else to the default sans; the size is in
// points at 96 dots per inch.
struct DialogFont {
    int pointSize;
    const char* face;
    int weight;  // 0 or 400 normal, 700 bold
    bool italic;
    int charset;
};

// One control of a dialog template. Positions and sizes are in dialog units. The
// classes are "button" (BS_PUSHBUTTON, BS_DEFPUSHBUTTON) and "static" (SS_LEFT text,
// SS_BLACKFRAME, SS_ICON). For SS_ICON the text names the icon: MAKEINTRESOURCEA(id).
// Styles include WS_CHILD and WS_VISIBLE as in a resource script's output.
struct DialogControl {
    const char* windowClass;
    const char* text;
    int id;
    short x, y, cx, cy;
    DWORD style;
    DWORD exStyle = 0;
};

// A dialog template: position and client size in dialog units, styles, caption.
struct DialogTemplate {
    WORD id;
    DWORD style;
    DWORD exStyle;
    short x, y, cx, cy;
    const char* caption;
    DialogFont font;  // used with DS_SETFONT
    std::span<const DialogControl> controls;
};

struct StringResource {
    UINT id;
    const char* text;
};

// One image of an icon, 16 colours: `size` rows from the top of `size` characters each.
// A hexadecimal digit picks a palette colour, '.' is transparent (the icon's mask).
// Rows that are missing or short, and other characters, are transparent.
struct IconImage {
    int size;                // width and height in pixels: 32 or 16
    const RGBQUAD* palette;  // 16 colours
    const char* const* rows;
};

struct IconResource {
    WORD id;
    std::span<const IconImage> images;
};

struct VersionString {
    const char* key;  // "CompanyName", "FileDescription", "ProductVersion", ...
    const char* value;
};

struct VersionResource {
    WORD fileVersion[4];
    WORD productVersion[4];
    DWORD fileOS;    // VOS__WINDOWS32
    DWORD fileType;  // VFT_APP
    WORD language;
    WORD codePage;
    std::span<const VersionString> strings;
};

#define VOS__WINDOWS32 0x00000004L
#define VFT_APP 0x00000001L

struct ResourceTable {
    LANGID language;
    std::span<const DialogTemplate> dialogs;
    std::span<const StringResource> strings;
    std::span<const IconResource> icons;
    const VersionResource* version;
};

class ModuleResources {
public:
    explicit ModuleResources(const ResourceTable& table);
    ~ModuleResources();
    ModuleResources(const ModuleResources&) = delete;
    ModuleResources& operator=(const ModuleResources&) = delete;

private:
    const ResourceTable* previous_;
};

const DialogTemplate* FindDialogTemplate(LPCSTR name);
// A value of the version information's string block, or null.
const char* FindVersionString(const char* key);

}  // namespace win32
