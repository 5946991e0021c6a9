// Classification of file names into the input lists of linkOptions.
#pragma once

// Classifies the file name of `length` characters at `text` (a token as measureToken gives
// it: quotes still in it, not necessarily terminated) by its extension: objects and "@"
// response files to objectFiles, ".lib" to libraries, ".def" as the definition file, COBOL
// and C sources compiled on the spot with their object recorded, anything else to otherInputs.
// A name that is too long is reported with error 3 and skipped. Overwrites scratchPath; a
// compile overwrites the command buffer and may end the run (fatal errors 7, 8, 9, 12).
void addInputFile(const char* text, int length);
