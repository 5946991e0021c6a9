// Runs one child program to its end.
#pragma once

// Locates program ("cobol", "cl", "tessor" or "link"; "link" along ZELBIND64 first for
// non-ix86 targets), prints the banner, echoes "Executing:" + name + commandText with -V,
// runs program + commandText with the driver's standard handles and waits without a limit.
// Returns the child's exit code unchanged. A program that cannot be found (error 7) or
// started (error 8) ends the run with status 8.
unsigned runChildProgram(const char* program, const char* commandText);
