// Text that goes to the terminal: outside text made harmless, and the dialog's own
// Japanese texts with their English meaning beside them.
#pragma once

#include <string>

// True when the text holds a control character (C0, DEL or a UTF-8 encoded C1): bytes
// that could move the cursor, change colours or start an escape sequence on a terminal.
bool HasControlCharacters(const std::string& text);

// The text with each control character written as \xNN, so that it shows instead of
// acting: for names and patterns that come from files, devices and the command line.
std::string Printable(const std::string& text);

// The program's own message texts followed by their English meaning in parentheses
// ("バインド失敗 (could not bind the device)"); any other text as it is.
std::string WithTranslation(const std::string& text);
