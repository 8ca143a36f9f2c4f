// Dialogs made from templates, the dialog window procedure and dialog keyboard handling.
#include <QFontDatabase>

#include "controls.h"
#include "resources.h"
#include "window.h"
#include "window_records.h"

namespace win32::detail {
namespace {

// Base units of the template font at 96 dots per inch: a dialog unit is a quarter of
// the average character width across and an eighth of its height down.
constexpr int kBaseUnitX = 6;
constexpr int kBaseUnitY = 12;

QRect PixelsFromDialogUnits(short x, short y, short cx, short cy)
{
    return QRect(MulDiv(x, kBaseUnitX, 4), MulDiv(y, kBaseUnitY, 8), std::max(0, MulDiv(cx, kBaseUnitX, 4)),
                 std::max(0, MulDiv(cy, kBaseUnitY, 8)));
}

bool IsJapaneseGothic(const QString& face)
{
    static const char* const kFaces[] = {"ＭＳ Ｐゴシック", "ＭＳ ゴシック", "MS PGothic", "MS Gothic", "MS UI Gothic"};
    for (const char* known : kFaces) {
        if (face.compare(QString::fromUtf8(known), Qt::CaseInsensitive) == 0) return true;
    }
    return false;
}

HWND CreateControl(HWND dialog, const DialogControl& control)
{
    if (control.windowClass == nullptr) return nullptr;
    const QString windowClass = QString::fromUtf8(control.windowClass).toLower();
    auto window = std::make_unique<Window>();
    window->parent = dialog;
    window->style = control.style | WS_CHILD;
    window->exStyle = control.exStyle;
    window->id = control.id;
    if (control.text && !IS_INTRESOURCE(control.text)) window->text = control.text;
    QRect geometry = PixelsFromDialogUnits(control.x, control.y, control.cx, control.cy);
    if (windowClass == "button") {
        if ((control.style & BS_TYPEMASK) > BS_DEFPUSHBUTTON) return nullptr;
        window->kind = WindowKind::Button;
        window->proc = ButtonWindowProc;
    } else if (windowClass == "static") {
        const DWORD type = control.style & SS_TYPEMASK;
        if (type != SS_LEFT && type != SS_ICON && type != SS_BLACKFRAME) return nullptr;
        window->kind = WindowKind::Static;
        window->proc = StaticWindowProc;
        if (type == SS_ICON) {
            // The text names the icon; the control takes the icon's size.
            window->staticIcon = LoadIconA(GetModuleHandleA(nullptr), control.text);
            if (window->staticIcon) geometry.setSize(QSize(GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON)));
        }
    } else {
        return nullptr;
    }
    return AddWindow(std::move(window), geometry, nullptr);
}

HWND FirstTabStop(HWND dialog)
{
    for (HWND child : ChildrenOf(dialog)) {
        const Window* window = FindWindowRecord(child);
        if ((window->style & WS_TABSTOP) && !(window->style & WS_DISABLED) && (window->style & WS_VISIBLE)) {
            return child;
        }
    }
    return nullptr;
}

// The push button that Enter presses: the focused one, else the default one.
HWND EnterButton(HWND dialog, HWND focus)
{
    const Window* focused = FindWindowRecord(focus);
    if (focused && focused->kind == WindowKind::Button && focused->parent == dialog && IsWindowEnabled(focus)) {
        return focus;
    }
    for (HWND child : ChildrenOf(dialog)) {
        const Window* window = FindWindowRecord(child);
        if (window->kind == WindowKind::Button && (window->style & BS_TYPEMASK) == BS_DEFPUSHBUTTON &&
            IsWindowEnabled(child)) {
            return child;
        }
    }
    return nullptr;
}

void SendCommand(HWND dialog, int id, HWND control)
{
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(control));
}

QFont DialogFontFor(const char* face, int pointSize, int weight, bool italic)
{
    QString family = QString::fromUtf8(face ? face : "");
    if (IsJapaneseGothic(family)) family = QStringLiteral("IPAPGothic");
    QFont font;
    if (!family.isEmpty() && QFontDatabase::hasFamily(family)) {
        font.setFamily(family);
    } else {
        font.setStyleHint(QFont::SansSerif);
    }
    font.setPixelSize(pointSize > 0 ? MulDiv(pointSize, 96, 72) : kBaseUnitY);
    font.setWeight(weight >= 600 ? QFont::Bold : QFont::Normal);
    font.setItalic(italic);
    return font;
}

}  // namespace
}  // namespace win32::detail

using namespace win32::detail;

HWND CreateDialogParamA(HINSTANCE hInstance, LPCSTR lpTemplateName, HWND hWndParent, DLGPROC lpDialogFunc,
                        LPARAM dwInitParam)
{
    const win32::DialogTemplate* dialogTemplate = win32::FindDialogTemplate(lpTemplateName);
    if (!OnGuiThread() || hInstance != GetModuleHandleA(nullptr) || dialogTemplate == nullptr) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    if (hWndParent && !IsWindow(hWndParent)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    auto window = std::make_unique<Window>();
    window->kind = WindowKind::Dialog;
    window->parent = hWndParent;
    // Shown at the end, once initialised.
    window->style = dialogTemplate->style & ~WS_VISIBLE;
    window->exStyle = dialogTemplate->exStyle;
    window->text = dialogTemplate->caption ? dialogTemplate->caption : "";
    window->proc = DefDlgProcA;
    window->dialogProc = lpDialogFunc;
    const win32::DialogFont& font = dialogTemplate->font;
    const QFont qfont = dialogTemplate->style & DS_SETFONT
                            ? DialogFontFor(font.face, font.pointSize, font.weight, font.italic)
                            : DialogFontFor(nullptr, 0, 0, false);
    const QRect geometry =
        PixelsFromDialogUnits(dialogTemplate->x, dialogTemplate->y, dialogTemplate->cx, dialogTemplate->cy);
    const HWND dialog = AddWindow(std::move(window), geometry, &qfont);
    if (dialog == nullptr) return nullptr;
    for (const win32::DialogControl& control : dialogTemplate->controls) {
        if (CreateControl(dialog, control) == nullptr) {
            DestroyWindow(dialog);
            SetLastError(ERROR_NOT_SUPPORTED);
            return nullptr;
        }
    }
    const HWND firstTabStop = FirstTabStop(dialog);
    const LRESULT setFocus = SendMessageA(dialog, WM_INITDIALOG, reinterpret_cast<WPARAM>(firstTabStop), dwInitParam);
    const Window* created = FindWindowRecord(dialog);
    if (created == nullptr) return nullptr;
    if (setFocus && firstTabStop) SetFocus(firstTabStop);
    if ((dialogTemplate->style & WS_VISIBLE) && !created->dialogEnded) ShowWindow(dialog, SW_SHOWNORMAL);
    return dialog;
}

LRESULT DefDlgProcA(HWND hDlg, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    const Window* window = FindWindowRecord(hDlg);
    if (window == nullptr) return 0;
    if (window->dialogProc) {
        const INT_PTR handled = window->dialogProc(hDlg, Msg, wParam, lParam);
        if (handled || Msg == WM_INITDIALOG) return handled;
    }
    if (Msg == WM_CLOSE) {
        SendCommand(hDlg, IDCANCEL, GetDlgItem(hDlg, IDCANCEL));
        return 0;
    }
    return DefWindowProcA(hDlg, Msg, wParam, lParam);
}

BOOL EndDialog(HWND hDlg, INT_PTR)
{
    Window* window = FindWindowRecord(hDlg);
    if (window == nullptr || window->kind != WindowKind::Dialog) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    window->dialogEnded = true;
    ShowWindow(hDlg, SW_HIDE);
    return TRUE;
}

BOOL IsDialogMessageA(HWND hDlg, LPMSG lpMsg)
{
    if (lpMsg == nullptr || !IsWindow(hDlg) || (lpMsg->hwnd != hDlg && !IsDescendant(hDlg, lpMsg->hwnd))) {
        return FALSE;
    }
    if (lpMsg->message == WM_KEYDOWN && lpMsg->wParam == VK_ESCAPE) {
        SendCommand(hDlg, IDCANCEL, GetDlgItem(hDlg, IDCANCEL));
        return TRUE;
    }
    if (lpMsg->message == WM_KEYDOWN && lpMsg->wParam == VK_RETURN) {
        const HWND button = EnterButton(hDlg, lpMsg->hwnd);
        SendCommand(hDlg, button ? GetDlgCtrlID(button) : IDOK, button);
        return TRUE;
    }
    DispatchMessageA(lpMsg);
    return TRUE;
}
