// The option parser: applies the option groups of the command line to linkOptions.
#pragma once

// Scans the option group that opens at *position ("-" or "/") and, unless secondPass, applies
// it with its conflict warnings. Leaves *position on the character that ended the group
// (NUL, white space, "," or "+"). Ends the run with fatal error 5 or 6 on a bad group. The
// first pass changes linkOptions and its symbol lists and prints warnings; the second pass only
// overwrites scratchPath.
void parseOptionGroup(const char** position, bool secondPass);
