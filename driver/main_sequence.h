// The one place that knows the order of a whole run.
#pragma once

// Runs veldra over commandLine (program name first, followed by scanSlack defined bytes as
// platformCommandLine leaves it, and kept to the end of the run; see scanCommandLine; argumentCount
// tells only whether there were arguments at all): start-up (locale, registry import into the
// environment, run state reset), both passes over the line (compiling sources as they come),
// checks, output name, the link steps and, unless -K, the removal of the generated files. Returns
// the exit status: 0 on the usage paths, else the link steps' status. A fatal error ends the
// process inside, through platformExit(8), and removes nothing.
int runMainSequence(int argumentCount, char* commandLine);

// Puts every process-wide record of a run back to its start-up values: linkOptions and its
// lists (released), the generated names, the banner flag and the command buffer's length.
void resetRunState();

// Walks the command line behind the program's name: option groups go to the option parser,
// file-name tokens (measured with their quotes) to addInputFile in the second pass. An open
// double quote in a file name is fatal error 5. The line carries scanSlack defined bytes. It
// must live to the end of the run: the second pass after a first over the same line
// terminates plain names in it and puts them in the input lists where they stand.
void scanCommandLine(char* position, bool secondPass);

// Settles outputName (from -O or the first input) and outputBaseName.
void settleOutputName();
