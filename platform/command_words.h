// The POSIX side of veldra's command lines: the raw command line rebuilt from argv, and a
// child's command line split back into argv words. Both follow the tokenizer's quoting: only
// a blank separates words, double quotes group and are dropped, a doubled double quote inside
// quotes is one double quote, a backslash is ordinary.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "driver/tokenizer.h"

// argv[0] and every argument, joined by one blank. An argument without blanks and double
// quotes is copied as it stands (so "a,b.obj" or "-VS" keep their meaning); otherwise each
// run of blanks and double quotes in it is put in double quotes, its double quotes doubled
// ("my file.obj" -> my" "file.obj, a"b -> a""""b). An empty argument becomes "". Each
// argument reads back as one word with its text intact.
std::string buildCommandLine(int argc, char** argv);
// The same line in storage of its own (new[]), followed by its terminator and scanSlack more NUL
// characters; *length tells its characters. `systemLayout`: argv is main's, as the system lays it
// out (the strings one after another above the array of pointers), so that a line of plain words is
// taken in one pass over them.
char* rebuildCommandLine(int argc, char** argv, size_t* length, bool systemLayout);

// Splits commandLine into words and appends them to `words`: a word ends at a blank outside
// double quotes; double quotes group and are dropped; inside quotes "" gives one double
// quote; "" outside quotes is an empty quoted section, so a word written "" is an empty word.
// A quote still open at the end ends the last word. No length limit.
void splitCommandWords(const char* commandLine, std::vector<std::string>& words);

// The same split where the line stands: the `length` characters at `line`, followed by a
// terminator and scanSlack more NUL characters, become the words, each NUL-terminated, and a
// pointer to each goes into `words`, which has room for maxCommandWords(length). Returns
// how many there are.
size_t splitCommandWordsInPlace(char* line, size_t length, char** words);
// The same split of the line made of the `firstLength` characters at `first` followed by the
// `secondLength` at `second`, which stay as they are: the words go into `storage` (room for
// both, a terminator and scanSlack) as they are taken.
size_t splitCommandWordsInto(const char* first, size_t firstLength, const char* second,
                             size_t secondLength, char* storage, char** words);
inline size_t maxCommandWords(size_t length) {
    return length / 2 + 2; // a word of one character and its blank, or the start
}
