// The registered resource table: lookup of templates, strings and icons.
#include "resources.h"

#include <QImage>

#include <algorithm>
#include <cstring>

#include "icons.h"
#include "window_records.h"

namespace win32 {
namespace {

const ResourceTable* g_resources = nullptr;

detail::HandleTable<detail::Icon, HICON>& Icons()
{
    static detail::HandleTable<detail::Icon, HICON> table(0x50000);
    return table;
}

// Icons are shared: each resource is made into an icon once per registration.
std::map<const IconResource*, HICON>& LoadedIcons()
{
    static std::map<const IconResource*, HICON> loaded;
    return loaded;
}

const IconResource* FindIconResource(WORD id)
{
    if (g_resources == nullptr) return nullptr;
    for (const IconResource& icon : g_resources->icons) {
        if (icon.id == id) return &icon;
    }
    return nullptr;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

QImage DecodeIconImage(const IconImage& image)
{
    if (image.size < 1 || image.size > 256 || image.palette == nullptr || image.rows == nullptr) return QImage();
    QImage decoded(image.size, image.size, QImage::Format_ARGB32);
    decoded.fill(Qt::transparent);
    for (int y = 0; y < image.size; ++y) {
        const char* row = image.rows[y];
        if (row == nullptr) continue;
        const size_t length = strnlen(row, static_cast<size_t>(image.size));
        for (size_t x = 0; x < length; ++x) {
            const int index = HexDigit(row[x]);
            if (index < 0) continue;
            const RGBQUAD colour = image.palette[index];
            decoded.setPixel(static_cast<int>(x), y, qRgb(colour.rgbRed, colour.rgbGreen, colour.rgbBlue));
        }
    }
    return decoded;
}

// The image of the wanted size, else the largest one scaled to it.
QImage IconAtSize(const IconResource& resource, int size)
{
    QImage largest;
    for (const IconImage& image : resource.images) {
        QImage decoded = DecodeIconImage(image);
        if (decoded.isNull()) continue;
        if (decoded.width() == size) return decoded;
        if (decoded.width() > largest.width()) largest = decoded;
    }
    return largest.isNull() ? largest : largest.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

}  // namespace

ModuleResources::ModuleResources(const ResourceTable& table) : previous_(g_resources)
{
    g_resources = &table;
    LoadedIcons().clear();
}

ModuleResources::~ModuleResources()
{
    g_resources = previous_;
    LoadedIcons().clear();
}

const DialogTemplate* FindDialogTemplate(LPCSTR name)
{
    if (g_resources == nullptr || name == nullptr || !IS_INTRESOURCE(name)) return nullptr;
    const auto id = static_cast<WORD>(reinterpret_cast<ULONG_PTR>(name));
    for (const DialogTemplate& dialog : g_resources->dialogs) {
        if (dialog.id == id) return &dialog;
    }
    return nullptr;
}

const char* FindVersionString(const char* key)
{
    if (g_resources == nullptr || g_resources->version == nullptr || key == nullptr) return nullptr;
    for (const VersionString& entry : g_resources->version->strings) {
        if (entry.key && std::strcmp(entry.key, key) == 0) return entry.value;
    }
    return nullptr;
}

namespace detail {

const Icon* FindIcon(HICON icon)
{
    return OnGuiThread() ? Icons().Find(icon) : nullptr;
}

}  // namespace detail
}  // namespace win32

HICON LoadIconA(HINSTANCE hInstance, LPCSTR lpIconName)
{
    using namespace win32;
    const IconResource* resource = nullptr;
    if (detail::OnGuiThread() && hInstance == GetModuleHandleA(nullptr) && lpIconName && IS_INTRESOURCE(lpIconName)) {
        resource = FindIconResource(static_cast<WORD>(reinterpret_cast<ULONG_PTR>(lpIconName)));
    }
    if (resource == nullptr) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    if (const auto loaded = LoadedIcons().find(resource); loaded != LoadedIcons().end()) return loaded->second;
    auto icon = std::make_unique<detail::Icon>();
    icon->large = IconAtSize(*resource, GetSystemMetrics(SM_CXICON));
    icon->small = IconAtSize(*resource, GetSystemMetrics(SM_CXSMICON));
    if (icon->large.isNull()) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    const HICON handle = Icons().Add(std::move(icon));
    LoadedIcons()[resource] = handle;
    return handle;
}

int LoadStringA(HINSTANCE hInstance, UINT uID, LPSTR lpBuffer, int cchBufferMax)
{
    using namespace win32;
    if (lpBuffer == nullptr || cchBufferMax <= 0) return 0;
    lpBuffer[0] = '\0';
    if (g_resources == nullptr || hInstance != GetModuleHandleA(nullptr)) return 0;
    for (const StringResource& entry : g_resources->strings) {
        if (entry.id != uID || entry.text == nullptr) continue;
        return detail::CopyWholeCharacters(entry.text, lpBuffer, cchBufferMax);
    }
    return 0;
}

// The icon sizes that the icons are drawn at.
int GetSystemMetrics(int nIndex)
{
    switch (nIndex) {
    case SM_CXICON:
    case SM_CYICON: return 32;
    case SM_CXSMICON:
    case SM_CYSMICON: return 16;
    }
    return 0;
}
