// The one place that knows the order of a whole run.
#pragma once

// Runs veldra: start-up, both passes over the raw command line, checks, output name and the
// link steps. Returns 0 on the usage paths; every other path ends the process inside.
int runMainSequence(int argc, char** argv);

// Walks the command line behind the program's name: option groups go to the option parser,
// file-name tokens (measured with their quotes) to addInputFile in the second pass. An open
// double quote in a file name is fatal error 5.
void scanCommandLine(const char* position, bool secondPass);

// Settles outputName (from -O or the first input) and outputBaseName.
void settleOutputName();
