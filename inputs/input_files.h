// Classification of file names into the input lists of linkOptions.
#pragma once

#include <cstddef>

// Classifies the file name of `length` characters at `text` (quotes still in it, not
// necessarily terminated) by its extension: objects and "@" response files to objectFiles,
// ".lib" to libraries, ".def" as the definition file, COBOL and C sources compiled on the
// spot with their object recorded, anything else to otherInputs. A name that is too long is
// reported with error 3 and skipped. Overwrites scratchPath; a compile overwrites the command
// buffer and may end the run (fatal errors 7, 8, 9, 12). `plain`, as measureToken tells it:
// no double quote in the name, so that its characters are the name itself; otherwise the text
// carries scanSlack defined bytes after its `length` characters.
void addInputFile(const char* text, int length, bool plain = false);

// Where the name part of a path begins: after the last "\" or ":" (POSIX: also "/"),
// walked one multi-byte character at a time.
const char* findNamePart(const char* path);

// The length of a name part without its extension: up to its last ".", or all of it.
size_t stemLength(const char* namePart);
