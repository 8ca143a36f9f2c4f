// Snapshots: the file-name pattern, the first whitespace-delimited token of vosk.cfg, a
// printf-style format that receives one 32-bit signed integer, the snapshot number; and
// writing a snapshot under it without ever losing a file that is already there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "image/dib_image.h"

constexpr size_t kPatternBytes = 256;
// The largest width or precision a pattern's conversion may give.
constexpr int kMaxPatternFieldWidth = 32;
// How many names one snapshot looks at before it gives up finding a free one.
constexpr int kMaxSnapshotNamesTried = 100000;
extern const char kDefaultSnapshotPattern[];

// True when formatting the pattern with one int reads that int at most, and the name
// stays short and printable: every conversion but "%%" is refused except one integer
// conversion (d, i, o, u, x, X) with flags, a width and a precision of at most
// kMaxPatternFieldWidth given as digits, and at most an h or hh length; so is any
// control character.
bool IsSafeSnapshotPattern(const char* pattern);

// True when a safe pattern holds the number's conversion, so that each snapshot gets a
// name of its own; false when every snapshot has the one name.
bool SnapshotPatternHasNumber(const char* pattern);

// Reads the pattern from the configuration file into pattern[kPatternBytes]. A file that
// is missing, unreadable or empty, a token over 255 characters, or an unsafe pattern gives
// the default pattern, with a note on standard error for all but a missing file. A
// pattern without a number is noted there too: each snapshot replaces the last.
void ReadSnapshotPattern(const char* path, char (&pattern)[kPatternBytes]);

// What became of one snapshot.
struct SnapshotResult {
    int32_t number = -1;  // the number it used up; -1 when none was left
    std::string name;     // the name formatted from it, in the snapshot folder
    int error = 0;        // 0 when written, else why not (see fs/file_open.h)
};

// Writes the image as a snapshot, numbered from *counter on, and moves the counter past
// the number used. With a numbered pattern a name that exists is skipped, so nothing
// there is ever replaced, up to kMaxSnapshotNamesTried names; a number whose write failed
// is used up all the same. Without a number the one file is replaced, when it is a
// regular file. A failure is told on standard error, with the name and the reason.
// Relative names are made in `folder`, created when missing; "" is the working folder.
SnapshotResult WriteSnapshot(const DibImage& image, const char* pattern, int32_t* counter,
                             const std::string& folder = "");
