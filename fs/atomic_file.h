// Writing files that appear whole or not at all. The bytes go first to a file without a
// name in the target's folder (or, where the file system cannot make one, to a hidden
// temporary name there); only when every byte is written and on disk does that file take
// the target's name. A failed write, a full disk or a killed program leaves nothing
// under the name, and nothing else behind.
#pragma once

#include <functional>

// What may happen to an entry that already holds the name.
enum class ExistingFile {
    Keep,     // nothing there is touched: the write fails with EEXIST
    Replace,  // a regular file is replaced in one step; anything else (a symbolic link,
              // a folder, a FIFO) is left as it is and the write fails
};

// Writes a file through `write`, which gets the new file's descriptor and returns false
// with errno set when it could not write everything. Names may use '\' as a folder
// separator. Returns 0, or why not: an errno value or kErrorNotRegularFile.
int WriteFileAtomically(const char* path, ExistingFile existing, const std::function<bool(int fd)>& write);

// Writes all `size` bytes to `fd`, going on after interruptions and short writes.
bool WriteAll(int fd, const void* bytes, size_t size);
