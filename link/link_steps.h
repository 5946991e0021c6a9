// The link subsystem: the names step, the linker step and the runtime libraries. Every step
// assembles its command in the one command buffer and starts its child through the runner.
#pragma once

// The names tool's answer that asks for the per-flavour runtime libraries instead of zorun32.
enum { namesAnswerPerFlavour = 200 };

// For 64-bit targets sets LIB to a non-empty LIB64 (for good: every later search and child
// sees it), runs the names step and, unless it failed, the linker. Returns the run's exit
// status.
int runLinkSteps();

// Runs tessor on the objects, and for a DLL without a static runtime once more for the
// runtime-list object. Rewrites the generated names (process id names unless -K), consumes
// both symbol lists (they are empty afterwards), and without objects runs nothing, clears
// useGeneratedDefinitionFile for a DLL and answers namesAnswerPerFlavour. Returns 0,
// namesAnswerPerFlavour, or the tool's failing exit code.
int runNamesStep();

// Finds the C runtime along LIB (fatal error 11 when neither is there), runs the linker and
// returns its exit code. Overwrites scratchPath.
int runLinker(int namesResult);

// Searches "." and then each item of LIB for name (default extension ".lib"); returns the
// length of the full path found (left in scratchPath), 0 when not found or LIB is unset.
unsigned findLibraryOnPath(const char* name);

// When "zoprinfo.obj" lies along LIB: adds it as the last object file and "_zOprdata" at the
// front of excludeSymbols. Overwrites scratchPath.
void addProductInfoObject();

// Appends the COBOL runtime, C runtime and system library words of the link command.
void appendRuntimeLibraryWords(int namesResult, int msvcrtFound, int crtdllFound);
