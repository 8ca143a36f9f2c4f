#include "fs/atomic_file.h"

#include <cerrno>
#include <cstdio>
#include <random>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "fs/file_open.h"

namespace {

// The folder that holds `name`, and the name within it.
void SplitName(const std::string& name, std::string* folder, std::string* leaf)
{
    const size_t slash = name.rfind('/');
    *folder = slash == std::string::npos ? "." : slash == 0 ? "/" : name.substr(0, slash);
    *leaf = slash == std::string::npos ? name : name.substr(slash + 1);
}

// A hidden name beside the target that nothing holds yet.
std::string TemporaryName(const std::string& folder, const std::string& leaf)
{
    static std::minstd_rand generator(std::random_device{}());
    char suffix[24];
    std::snprintf(suffix, sizeof suffix, ".%d.%08x.tmp", static_cast<int>(::getpid()),
                  static_cast<unsigned>(generator()));
    return folder + "/." + leaf + suffix;
}

// The file being written: unnamed when the file system can do it, else under a
// temporary name that is removed again unless it is moved into place.
class PendingFile {
public:
    ~PendingFile()
    {
        if (fd_ >= 0) ::close(fd_);
        if (!temporary_.empty()) ::unlink(temporary_.c_str());
    }

    int Create(const std::string& folder, const std::string& leaf)
    {
        fd_ = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
        if (fd_ >= 0) return 0;
        if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return errno;
        for (int attempt = 0; attempt < 100; ++attempt) {
            const std::string name = TemporaryName(folder, leaf);
            fd_ = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
            if (fd_ >= 0) {
                temporary_ = name;
                return 0;
            }
            if (errno != EEXIST) return errno;
        }
        return EEXIST;
    }

    int fd() const { return fd_; }

    // Gives the written file its name. 0, or an errno value.
    int Place(const std::string& folder, const std::string& leaf, const std::string& name, ExistingFile existing)
    {
        if (::fdatasync(fd_) != 0) return errno;
        if (temporary_.empty()) {
            // An unnamed file is linked in; link never replaces anything that holds the name.
            const std::string self = "/proc/self/fd/" + std::to_string(fd_);
            if (existing == ExistingFile::Keep) {
                return ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0 ? 0 : errno;
            }
            for (int attempt = 0; temporary_.empty(); ++attempt) {
                const std::string temporary = TemporaryName(folder, leaf);
                if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, temporary.c_str(), AT_SYMLINK_FOLLOW) == 0) {
                    temporary_ = temporary;
                } else if (errno != EEXIST || attempt == 100) {
                    return errno;
                }
            }
        }
        int result = 0;
        if (existing == ExistingFile::Replace) {
            result = ::rename(temporary_.c_str(), name.c_str()) == 0 ? 0 : errno;
        } else if (::renameat2(AT_FDCWD, temporary_.c_str(), AT_FDCWD, name.c_str(), RENAME_NOREPLACE) != 0) {
            result = errno;
            // File systems without the no-replace rename still refuse to link over a name.
            if (result == EINVAL || result == ENOSYS) {
                result = ::link(temporary_.c_str(), name.c_str()) == 0 ? 0 : errno;
                if (result == 0) ::unlink(temporary_.c_str());
            }
        }
        if (result == 0) temporary_.clear();
        return result;
    }

private:
    int fd_ = -1;
    std::string temporary_;
};

}  // namespace

bool WriteAll(int fd, const void* bytes, size_t size)
{
    const auto* next = static_cast<const unsigned char*>(bytes);
    while (size > 0) {
        const ssize_t written = ::write(fd, next, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        next += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

int WriteFileAtomically(const char* path, ExistingFile existing, const std::function<bool(int fd)>& write)
{
    const std::string name = NativeFileName(path);
    std::string folder;
    std::string leaf;
    SplitName(name, &folder, &leaf);
    if (leaf.empty()) return EISDIR;
    struct stat seen;
    if (::lstat(name.c_str(), &seen) == 0) {
        if (existing == ExistingFile::Keep) return EEXIST;
        if (!S_ISREG(seen.st_mode)) return kErrorNotRegularFile;
    }

    PendingFile file;
    if (const int error = file.Create(folder, leaf); error != 0) return error;
    if (!write(file.fd())) return errno != 0 ? errno : EIO;
    return file.Place(folder, leaf, name, existing);
}
