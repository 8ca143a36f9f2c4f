#include "image/file_open.h"

#include <algorithm>
#include <string>

FILE* OpenFile(const char* path, const char* mode)
{
    std::string name(path);
    std::replace(name.begin(), name.end(), '\\', '/');
    return std::fopen(name.c_str(), mode);
}
