// The characters that a command-line word cannot hold as they stand, shared by the tokenizer
// that reads veldra's own command line and the platform code that writes and splits the
// command lines of processes.
#pragma once

#include <cstddef>
#include <string>

// True for the characters that end a run of ordinary characters in a word: NUL, blank or
// double quote; with `delimiters` also "," and "+", which separate file names.
inline bool isWordStop(char c, bool delimiters) {
    return c == '\0' || c == ' ' || c == '"' || (delimiters && (c == ',' || c == '+'));
}

// Offset of the first of the `count` characters at `text` that isWordStop, `count` when none
// is. Reads those characters and no others.
size_t findWordStop(const char* text, size_t count, bool delimiters);

// True when the `count` characters at `text` are a word that needs no quotes on a command
// line: at least one, and none of them a NUL, blank or double quote.
inline bool needsNoQuotes(const char* text, size_t count) {
    return count > 0 && findWordStop(text, count, false) == count;
}

// Appends the `count` characters at `text` to `out` as one command-line word: as they stand
// when they need no quotes, else in double quotes with each double quote written twice
// (my file.obj -> "my file.obj", say "hi" -> "say ""hi"""; an empty text -> ""). No length
// limit: a caller that has one checks the length of what was appended.
void quoteWord(std::string& out, const char* text, size_t count);
