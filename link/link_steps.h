// The link subsystem: the names step, the linker step and the runtime libraries.
#pragma once

// Switches LIB to LIB64 for 64-bit targets, runs the names step and, unless it failed, the
// linker. Returns the run's exit status.
int runLinkSteps();

// Runs tessor on the objects. Returns 0 or 200 (link with the zorun32 or the per-flavour
// runtime libraries), or the tool's failing exit code.
int runNamesStep();

// Finds the C runtime along LIB (fatal error 11 when neither is there), runs the linker and
// returns its exit code.
int runLinker(int namesResult);

// Searches "." and then each item of LIB for name (default extension ".lib"); returns the
// length of the full path found (left in scratchPath), 0 when not found or LIB is unset.
unsigned findLibraryOnPath(const char* name);

// Adds "zoprinfo.obj" as the last object, and "_zOprdata" as an exclude symbol, when it lies
// along LIB.
void addProductInfoObject();

// Appends the COBOL runtime, C runtime and system library words of the link command.
void appendRuntimeLibraryWords(int namesResult, int msvcrtFound, int crtdllFound);
