// Runs one child program to its end.
#pragma once

// Locates program ("cobol", "cl", "tessor" or "link"; "link" along ZELBIND64 first for
// non-ix86 targets), prints the banner, echoes "Executing:" + name + commandText with -V,
// runs program + commandText with the driver's standard handles and waits without a limit.
// Returns the child's exit code unchanged. A program that cannot be found (error 7) or
// started (error 8) ends the run with status 8.
unsigned runChildProgram(const char* program, const char* commandText);

// Test seam: when set, replaces finding and starting the child. It gets the program name as
// it would start (after the linker lookup) and the command text, and returns the exit code.
extern unsigned (*childProgramHook)(const char* program, const char* commandText);
