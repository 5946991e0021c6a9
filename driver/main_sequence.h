// The one place that knows the order of a whole run.
#pragma once

// Runs veldra: start-up, both passes over the raw command line, checks, output name and the
// link steps. Returns 0 on the usage paths; every other path ends the process inside.
int runMainSequence(int argc, char** argv);

// Settles outputName (from -O or the first input) and outputBaseName.
void settleOutputName();
