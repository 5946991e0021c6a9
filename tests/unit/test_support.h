// Shared helpers of the unit tests: a fresh run state, and fatal errors turned into a C++
// exception so that a test can see them without the process ending.
#pragma once

#include <string>
#include <vector>

struct FatalExit {
    int id;
};

// Resets the options, lists, generated names, banner and command buffer, and installs the
// seams: fatal errors throw FatalExit, children are recorded instead of started.
void resetRunState();

// Command lines (program + command text) that the run would have started, in order.
extern std::vector<std::string> childCommands;
// Exit codes the recorded children answer, by program name ("tessor" etc.); default 0.
void setChildExitCode(const std::string& program, unsigned code);

// Runs both passes over a command line as the main sequence does (program name included).
// Returns the id of the fatal error that ended it, or -1.
int scanLine(const char* commandLine);
