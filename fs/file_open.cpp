#include "fs/file_open.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

std::string NativeFileName(const char* path)
{
    std::string name(path);
    std::replace(name.begin(), name.end(), '\\', '/');
    return name;
}

FILE* OpenFile(const char* path, const char* mode)
{
    if (mode[0] != 'r' || std::strchr(mode, '+') != nullptr) {
        errno = EINVAL;
        return nullptr;
    }
    const std::string name = NativeFileName(path);
    // Looked at before it is opened, so that no device is ever opened; opened without
    // waiting and looked at again, in case the name changed in between.
    struct stat seen;
    if (::stat(name.c_str(), &seen) != 0) return nullptr;
    if (!S_ISREG(seen.st_mode)) {
        errno = kErrorNotRegularFile;
        return nullptr;
    }
    const int fd = ::open(name.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return nullptr;
    if (::fstat(fd, &seen) != 0 || !S_ISREG(seen.st_mode) ||
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
        const int error = S_ISREG(seen.st_mode) ? errno : kErrorNotRegularFile;
        ::close(fd);
        errno = error;
        return nullptr;
    }
    FILE* file = ::fdopen(fd, mode);
    if (file == nullptr) {
        const int error = errno;
        ::close(fd);
        errno = error;
    }
    return file;
}

std::string FileErrorText(int error)
{
    switch (error) {
    case kErrorNotRegularFile: return "not a regular file";
    case kErrorFileTooShort: return "the file ends early";
    default: return std::strerror(error);
    }
}
