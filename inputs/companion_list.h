// The companion list: baseName + ".eom" in the current directory, naming further inputs.
#pragma once

#include <cstddef>

// Hands every name in the list to addInputFile, in file order, so a source named there is
// compiled at once. A missing, empty or unreadable list is silently skipped.
void readCompanionList(const char* baseName);

// The same for a list already in memory: `count` bytes at `text`, with text[count] == '\0'.
// Overwrites line ends and escape characters with blanks.
void addCompanionListNames(char* text, size_t count);
