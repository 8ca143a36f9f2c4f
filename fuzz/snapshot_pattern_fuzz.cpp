// libFuzzer target: any bytes as vosk.cfg. The pattern read from it must format a file
// name from one int without reading anything else, as the snapshot does.
#include <cstdint>
#include <cstdio>
#include <string>

#include <unistd.h>

#include "app/snapshot_pattern.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::string path = "/tmp/quenmire-fuzz-" + std::to_string(getpid()) + ".cfg";
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);

    char pattern[kPatternBytes];
    ReadSnapshotPattern(path.c_str(), pattern);
    if (!IsSafeSnapshotPattern(pattern)) __builtin_trap();
    char name[kPatternBytes];
    std::snprintf(name, sizeof name, pattern, static_cast<int>(size) - 1000);
    std::remove(path.c_str());
    return 0;
}
