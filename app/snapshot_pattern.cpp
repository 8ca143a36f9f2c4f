#include "app/snapshot_pattern.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "app/terminal_text.h"
#include "fs/file_open.h"

const char kDefaultSnapshotPattern[] = "snap%04d.bmp";

namespace {

// Reads the digits of a width or precision; false when there are more than the bound allows.
bool SkipFieldWidth(const char** p)
{
    int value = 0;
    for (; std::isdigit(static_cast<unsigned char>(**p)); ++*p) {
        value = value * 10 + (**p - '0');
        if (value > kMaxPatternFieldWidth) return false;
    }
    return true;
}

// The number of integer conversions in the pattern, or -1 when it is not safe.
int CountConversions(const char* pattern)
{
    if (HasControlCharacters(pattern)) return -1;
    int conversions = 0;
    for (const char* p = pattern; *p != '\0'; ++p) {
        if (*p != '%') continue;
        ++p;
        if (*p == '%') continue;
        while (*p != '\0' && std::strchr("-+ #0'", *p)) ++p;
        if (!SkipFieldWidth(&p)) return -1;
        if (*p == '.') {
            ++p;
            if (!SkipFieldWidth(&p)) return -1;
        }
        if (*p == 'h') {
            ++p;
            if (*p == 'h') ++p;
        }
        if (*p == '\0' || !std::strchr("diouxX", *p) || ++conversions > 1) return -1;
    }
    return conversions;
}

// Whether anything at all holds the name: a file, a link (even a broken one), a folder.
bool NameTaken(const char* name)
{
    std::error_code error;
    return std::filesystem::symlink_status(NativeFileName(name), error).type() != std::filesystem::file_type::not_found;
}

}  // namespace

bool IsSafeSnapshotPattern(const char* pattern)
{
    return CountConversions(pattern) >= 0;
}

bool SnapshotPatternHasNumber(const char* pattern)
{
    return CountConversions(pattern) == 1;
}

void ReadSnapshotPattern(const char* path, char (&pattern)[kPatternBytes])
{
    std::strcpy(pattern, kDefaultSnapshotPattern);
    FILE* file = OpenFile(path, "r");
    if (file == nullptr) {
        if (errno != ENOENT) {
            std::fprintf(stderr, "quenmire: cannot read %s: %s; snapshots are named %s\n", path,
                         FileErrorText(errno).c_str(), kDefaultSnapshotPattern);
        }
        return;
    }

    char token[kPatternBytes];
    const int read = std::fscanf(file, "%255s", token);
    const int next = std::fgetc(file);
    std::fclose(file);
    if (read != 1) return;
    if (next != EOF && !std::isspace(next)) {
        std::fprintf(stderr, "quenmire: the snapshot pattern in %s is longer than %zu characters; using %s\n", path,
                     kPatternBytes - 1, kDefaultSnapshotPattern);
        return;
    }
    if (!IsSafeSnapshotPattern(token)) {
        std::fprintf(stderr,
                     "quenmire: the snapshot pattern '%s' in %s may hold one integer conversion such as %%04d, "
                     "with a width of at most %d, no other conversion and no control character; using %s\n",
                     Printable(token).c_str(), path, kMaxPatternFieldWidth, kDefaultSnapshotPattern);
        return;
    }
    std::strcpy(pattern, token);
    if (!SnapshotPatternHasNumber(pattern)) {
        std::fprintf(stderr, "quenmire: the snapshot pattern '%s' has no number: each snapshot replaces the last\n",
                     pattern);
    }
}

SnapshotResult WriteSnapshot(const DibImage& image, const char* pattern, int32_t* counter, const std::string& folder)
{
    std::error_code folderError;
    if (!folder.empty() && !std::filesystem::is_directory(folder, folderError) &&
        !std::filesystem::create_directories(folder, folderError) && folderError) {
        // The write below fails too, and says with which name.
        std::fprintf(stderr, "quenmire: cannot create the snapshot folder %s: %s\n", Printable(folder).c_str(),
                     folderError.message().c_str());
    }
    const bool numbered = SnapshotPatternHasNumber(pattern);
    SnapshotResult result;
    std::string firstName;
    for (int tried = 0; tried < kMaxSnapshotNamesTried; ++tried) {
        if (*counter == INT32_MAX) {
            std::fprintf(stderr, "quenmire: snapshot not written: its numbers have run out\n");
            return SnapshotResult{-1, "", EOVERFLOW};
        }
        result.number = (*counter)++;
        char name[kPatternBytes];
        const int length = std::snprintf(name, sizeof name, pattern, result.number);
        if (length < 0 || static_cast<size_t>(length) >= sizeof name) {
            std::fprintf(stderr, "quenmire: snapshot %d not written: its name would be longer than %zu characters\n",
                         result.number, kPatternBytes - 1);
            result.error = ENAMETOOLONG;
            return result;
        }
        result.name = std::filesystem::path(folder) / name;
        if (firstName.empty()) firstName = result.name;
        if (numbered && NameTaken(result.name.c_str())) continue;
        result.error = image.SaveBmp(result.name.c_str(), numbered ? ExistingFile::Keep : ExistingFile::Replace);
        // Another program took the name meanwhile: on to the next number.
        if (numbered && result.error == EEXIST) continue;
        if (result.error == kErrorNotRegularFile) {
            std::fprintf(stderr, "quenmire: snapshot %d not written: %s is not a regular file; it is left as it is\n",
                         result.number, Printable(result.name).c_str());
        } else if (result.error != 0) {
            std::fprintf(stderr, "quenmire: snapshot %d not written: %s: %s\n", result.number,
                         Printable(result.name).c_str(), FileErrorText(result.error).c_str());
        }
        return result;
    }
    std::fprintf(stderr, "quenmire: snapshot not written: the %d names from %s to %s are all taken\n",
                 kMaxSnapshotNamesTried, Printable(firstName).c_str(), Printable(result.name).c_str());
    result.error = EEXIST;
    return result;
}
