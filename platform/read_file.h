// Reading a whole file with the C library, as the POSIX and the Windows platform layers both
// do.
#pragma once

#include <cstddef>

// As platformReadFile: the file's bytes in storage of std::malloc, terminated after *size of
// them; nullptr when it is missing or unreadable, or does not fit in memory.
char* readWholeFile(const char* name, size_t* size);
