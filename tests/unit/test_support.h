// A fresh run for the unit tests, in which fatal errors leave by a C++ exception instead of
// ending the process and children are never started (they answer 0).
#pragma once

// Resets the options and the banner, then runs both passes over a command line (program name
// first) as the main sequence does. Returns the id of the fatal error that ended it, or -1.
int scanLine(const char* commandLine);
