// The POSIX side of veldra's command lines: the raw command line rebuilt from argv, and a
// child's command line split back into argv words. Both follow the tokenizer's quoting: only
// a blank separates words, double quotes group and are dropped, a doubled double quote inside
// quotes is one double quote, a backslash is ordinary.
#pragma once

#include <string>
#include <vector>

#include "driver/tokenizer.h"

// argv[0] and every argument, joined by one blank. An argument without blanks and double
// quotes is copied as it stands (so "a,b.obj" or "-VS" keep their meaning); otherwise each
// run of blanks and double quotes in it is put in double quotes, its double quotes doubled
// ("my file.obj" -> my" "file.obj, a"b -> a""""b). An empty argument becomes "". Each
// argument reads back as one word with its text intact.
std::string buildCommandLine(int argc, char** argv);

// Splits commandLine into words and appends them to `words`: a word ends at a blank outside
// double quotes; double quotes group and are dropped; inside quotes "" gives one double
// quote; "" outside quotes is an empty quoted section, so a word written "" is an empty word.
// A quote still open at the end ends the last word. No length limit.
void splitCommandWords(const char* commandLine, std::vector<std::string>& words);

// The same split without a string per word: copies commandLine into `storage` (room for
// strlen(commandLine) + 1 + scanSlack characters, the slack zeroed for the scan), turns it
// into the words, each NUL-terminated, and appends a pointer to each to `words`.
void splitCommandWords(const char* commandLine, char* storage, std::vector<char*>& words);
