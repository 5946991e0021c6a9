// The rules of file names shared by every platform layer, the fake one included, and the code
// above them: where a name part begins, where its extension begins.
#pragma once

#include <cstddef>
#include <string>

// Where the name part of a path begins: after the last "\" or ":" (POSIX: also "/"),
// walked one multi-byte character at a time.
const char* findNamePart(const char* path);

// The length of a name part without its extension: up to its last ".", or all of it. Given a
// whole path it cuts at the path's last ".", wherever that stands.
size_t stemLength(const char* namePart);

// `name` with `extension` (".lib") added when its name part has no "." (SearchPathA's default
// extension); a "." in a directory part does not count.
std::string withDefaultExtension(const char* name, const char* extension);
