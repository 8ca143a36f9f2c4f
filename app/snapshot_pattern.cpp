#include "app/snapshot_pattern.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "image/file_open.h"

const char kDefaultSnapshotPattern[] = "snap%04d.bmp";

bool IsSafeSnapshotPattern(const char* pattern)
{
    int conversions = 0;
    for (const char* p = pattern; *p != '\0'; ++p) {
        if (*p != '%') continue;
        ++p;
        if (*p == '%') continue;
        while (*p != '\0' && std::strchr("-+ #0'", *p)) ++p;
        while (std::isdigit(static_cast<unsigned char>(*p))) ++p;
        if (*p == '.') {
            ++p;
            while (std::isdigit(static_cast<unsigned char>(*p))) ++p;
        }
        if (*p == 'h') {
            ++p;
            if (*p == 'h') ++p;
        }
        if (*p == '\0' || !std::strchr("diouxX", *p) || ++conversions > 1) return false;
    }
    return true;
}

void ReadSnapshotPattern(const char* path, char (&pattern)[kPatternBytes])
{
    std::strcpy(pattern, kDefaultSnapshotPattern);
    FILE* file = OpenFile(path, "r");
    if (file == nullptr) return;

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
                     "quenmire: the snapshot pattern '%s' in %s may hold one integer conversion such as %%04d "
                     "and no other; using %s\n",
                     token, path, kDefaultSnapshotPattern);
        return;
    }
    std::strcpy(pattern, token);
}
