// libFuzzer target: any bytes as vosk.cfg. The pattern read from it must format a file
// name from one int without reading anything else, as the snapshot does.
#include <cstdio>

#include "app/snapshot_pattern.h"
#include "fuzz/input_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string path = WriteInputFile(data, size, ".cfg");
    if (path.empty()) return 0;

    char pattern[kPatternBytes];
    ReadSnapshotPattern(path.c_str(), pattern);
    if (!IsSafeSnapshotPattern(pattern)) __builtin_trap();
    char name[kPatternBytes];
    std::snprintf(name, sizeof name, pattern, static_cast<int>(size) - 1000);
    std::remove(path.c_str());
    return 0;
}
