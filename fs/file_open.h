// Opening files by the names the program uses. Names may separate folders with '\',
// as on the desktop the program was designed for ("images\laugh0000.bmp"); here such a
// name opens images/laugh0000.bmp.
//
// Only regular files are read. A FIFO, a device, a folder or a socket under the name is
// refused at once instead of being waited on or read from.
#pragma once

#include <cstdio>
#include <string>

// Failures of our own, beside the system's errno values, in errno after a failed call.
constexpr int kErrorNotRegularFile = 0x10000;  // the name is there but is no regular file
constexpr int kErrorFileTooShort = 0x10001;    // the file ends before what it claims to hold

// The name as this system spells it: every '\' becomes '/'.
std::string NativeFileName(const char* path);

// Opens a regular file for reading ("r" or "rb"). Null on failure, with errno telling why.
FILE* OpenFile(const char* path, const char* mode);

// Why a file operation failed, for a message: the system's reason for an errno value
// ("No such file or directory"), or ours for the values above.
std::string FileErrorText(int error);
