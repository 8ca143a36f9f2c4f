// Fuzz targets read their input through the program's own file reading: the bytes are
// written to a file of this process first.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include <unistd.h>

// Writes the input to a private temporary file; returns its name, empty on failure. The
// file lives in memory where it can (/dev/shm), since the program flushes what it writes
// to disk, which would make every run wait for the disk.
inline std::string WriteInputFile(const uint8_t* data, size_t size, const char* suffix)
{
    const std::string folder = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    const std::string path = folder + "/quenmire-fuzz-" + std::to_string(getpid()) + suffix;
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return std::string();
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    return path;
}
