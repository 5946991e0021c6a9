// The expansion of %NAME% references where the system has none of its own (the POSIX build and
// the unit tests' fake platform), over the variables platformGetEnvironment reads.
#pragma once

// platformExpandEnvironment's contract: %NAME% of a set variable is replaced; an unset one, a
// lone "%" and an unclosed reference stay as written. Returns the size of the result with its
// terminator; writes it to `out` only when it fits in `size` bytes.
unsigned expandEnvironmentReferences(const char* text, char* out, unsigned size);
