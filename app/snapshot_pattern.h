// The snapshot file-name pattern: the first whitespace-delimited token of vosk.cfg, a
// printf-style format that receives one 32-bit signed integer, the snapshot number.
#pragma once

#include <cstddef>

constexpr size_t kPatternBytes = 256;
extern const char kDefaultSnapshotPattern[];

// True when formatting the pattern with one int reads that int at most: every conversion
// but one "%%" is refused, and the one allowed conversion is an integer conversion
// (d, i, o, u, x, X) with flags, a width and a precision given as digits, and at most an
// h or hh length.
bool IsSafeSnapshotPattern(const char* pattern);

// Reads the pattern from the configuration file into pattern[kPatternBytes]. A file that
// is missing, unreadable or empty, a token over 255 characters, or an unsafe pattern gives
// the default pattern, with a note on standard error for the last two.
void ReadSnapshotPattern(const char* path, char (&pattern)[kPatternBytes]);
