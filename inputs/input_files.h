// Classification of file names into the input lists of linkOptions.
#pragma once

#include <cstddef>

#include "platform/file_names.h"

struct NameNode;

// Classifies the file name of `length` characters at `text` (quotes still in it, not
// necessarily terminated) by its extension: objects and "@" response files to objectFiles,
// ".lib" to libraries, ".def" as the definition file, COBOL and C sources compiled on the
// spot with their object recorded, anything else to otherInputs. A name that is too long is
// reported with error 3 and skipped. Overwrites scratchPath; a compile overwrites the command
// buffer and may end the run (fatal errors 7, 8, 9, 12). `plain`, as measureToken tells it:
// no double quote in the name, so that its characters are the name itself; otherwise the text
// carries scanSlack defined bytes after its `length` characters.
void addInputFile(const char* text, int length, bool plain = false);

// The same for a name that a node in no list points at (newKeptNameNode: terminated, living
// to the end of the run, isWord as measureToken's plain): a plain object file goes to
// objectFiles as that very node, any other name is classified as by addInputFile.
void addInputNode(NameNode* node);
