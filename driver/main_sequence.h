// The one place that knows the order of a whole run.
#pragma once

// Runs veldra over commandLine (program name first, as platformCommandLine gives it;
// argumentCount tells only whether there were arguments at all): start-up (locale, registry
// import into the environment, run state reset), both passes over the line (compiling sources
// as they come), checks, output name, the link steps and, unless -K, the removal of the
// generated files. Returns the exit status: 0 on the usage paths, else the link steps' status.
// A fatal error ends the process inside, through platformExit(8), and removes nothing.
int runMainSequence(int argumentCount, const char* commandLine);

// Puts every process-wide record of a run back to its start-up values: linkOptions and its
// lists (released), the generated names, the banner flag and the command buffer's length.
void resetRunState();

// Walks the terminated command line behind the program's name: option groups go to the
// option parser, file-name tokens (measured with their quotes) to addInputFile in the second
// pass. An open double quote in a file name is fatal error 5. A second pass right after a
// first over the same line takes the names the first one measured, and the line must not
// change in between.
void scanCommandLine(const char* line, bool secondPass);

// Settles outputName (from -O or the first input) and outputBaseName.
void settleOutputName();
