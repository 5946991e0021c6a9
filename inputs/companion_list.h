// The companion list: baseName + ".eom" in the current directory, naming further inputs.
#pragma once

// Hands every name in the list to addInputFile, in file order, so a source named there is
// compiled at once. A missing, empty or unreadable list is silently skipped.
void readCompanionList(const char* baseName);
