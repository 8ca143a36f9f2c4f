#include "app/terminal_text.h"

#include <cstdio>

namespace {

// The length of the control character that starts at text[i], or 0 when there is none.
size_t ControlLength(const std::string& text, size_t i)
{
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte < 0x20 || byte == 0x7F) return 1;
    if (byte == 0xC2 && i + 1 < text.size()) {
        const auto next = static_cast<unsigned char>(text[i + 1]);
        if (next >= 0x80 && next <= 0x9F) return 2;
    }
    return 0;
}

const struct {
    const char* text;
    const char* english;
} kTranslations[] = {
    {"このデバイスを使用しますか？", "Use this device?"},
    {"ビデオキャプチャデバイスが存在しません", "there is no video capture device"},
    {"バインド失敗", "could not bind the device"},
};

}  // namespace

bool HasControlCharacters(const std::string& text)
{
    for (size_t i = 0; i < text.size(); ++i) {
        if (ControlLength(text, i) > 0) return true;
    }
    return false;
}

std::string Printable(const std::string& text)
{
    std::string shown;
    for (size_t i = 0; i < text.size(); ++i) {
        const size_t length = ControlLength(text, i);
        if (length == 0) {
            shown += text[i];
            continue;
        }
        for (size_t k = 0; k < length; ++k) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", static_cast<unsigned char>(text[i + k]));
            shown += escaped;
        }
        i += length - 1;
    }
    return shown;
}

std::string WithTranslation(const std::string& text)
{
    for (const auto& known : kTranslations) {
        if (text == known.text) return text + " (" + known.english + ")";
    }
    return text;
}
