// The POSIX side of veldra's command lines: the raw command line rebuilt from argv, and a
// child's command line split back into argv words. Both follow the tokenizer's quoting: only
// a blank separates words, double quotes group and are dropped, a doubled double quote inside
// quotes is one double quote, a backslash is ordinary.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// argv[0] and every argument, joined by one blank. An argument without blanks and double
// quotes is copied as it stands (so "a,b.obj" or "-VS" keep their meaning); otherwise each
// run of blanks and double quotes in it is put in double quotes, its double quotes doubled
// ("my file.obj" -> my" "file.obj, a"b -> a""""b). An empty argument becomes "". Each
// argument reads back as one word with its text intact.
std::string buildCommandLine(int argc, char** argv);

// Splits the terminated `line` into words where it stands: a word ends at a blank outside
// double quotes; double quotes group and are dropped; inside quotes "" gives one double
// quote; "" outside quotes is an empty quoted section, so a word written "" is an empty word.
// A quote still open at the end ends the last word. Each word is terminated in the line,
// which is rewritten, and a pointer to it goes into `words`, which has room for
// maxCommandWords(the line's length). Returns how many words there are.
size_t splitCommandWords(char* line, char** words);
inline size_t maxCommandWords(size_t length) {
    return length / 2 + 2; // a word of one character and its blank, or the start
}

// The same split of a copy of `line`, as strings: for the tools and tests that read a line.
std::vector<std::string> commandWords(const std::string& line);
