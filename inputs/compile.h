// Compilation of COBOL and C sources met among the inputs.
#pragma once

// Both overwrite the command buffer and start a child through the runner.

// Runs "cobol" on source (with " use(directives)" when -U was given); an exit code above 8
// as a signed value ends the run with fatal error 9.
void compileCobolSource(const char* source);

// Runs "cl" with the flags of the target machine; its exit code is not examined.
void compileCSource(const char* source);
