// Opening files by the names the program uses. Names may separate folders with '\',
// as on the desktop the program was designed for ("images\laugh0000.bmp"); here such a
// name opens images/laugh0000.bmp.
#pragma once

#include <cstdio>

FILE* OpenFile(const char* path, const char* mode);
