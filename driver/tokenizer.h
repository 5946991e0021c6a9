// The one quoting convention of veldra's command lines: only a blank separates words, a
// double quote switches quoting (a doubled one inside quotes is one quote), a backslash is
// ordinary, and a token holds at most 259 characters.
#pragma once

#include <cstdint>

#include "platform/word_stop.h"

enum { tokenLimit = 259, tokenScratchSize = 260 };

// The characters that separate the words of the command line and of a companion list: white
// space, "," and "+".
inline bool isWordSeparator(char c) {
    return c == ' ' || c == ',' || c == '+' || (c >= '\t' && c <= '\r');
}

enum ScanFlags { scanCopy = 0, scanQuote = 1, scanMeasure = 8 };

// flags scanCopy: copies one token without its quotes into destination (capacity chars with
//   terminator, -1 for 260); returns the source characters it spans, 0 on an open quote or
//   when it does not fit (destination then empty).
// flags scanMeasure: destination holds `capacity` delimiter characters; returns the length of
//   the token up to a blank, NUL or delimiter outside quotes, 0 on an open quote.
// flags scanQuote: writes text as one command-line word (token form) and a blank after it
//   when there is room; returns its length, 0 when empty or longer than the capacity (any
//   capacity of 260 or more, or -1, counts as 259). The word is not terminated.
// sourceLength -1: the terminated text, at most 259 characters of it (scanQuote: all of it).
// Only the source's characters are read. With no destination or capacity 0 the work goes to
// a scratch area (measure acts as copy).
int scanToken(int flags, const char* source, char* destination, int sourceLength, int capacity);

// The length of the token at `text` as scanMeasure gives it with the delimiters "," and "+",
// looking at no more than `limit` characters (a command-line word's is 259): 0 on an open
// quote.
int measureToken(const char* text, int limit);

// listState bits of nextListItem.
enum : uint32_t {
    listDone = 1,
    listLastEmpty = 2,
    listTruncated = 4,
    listAtEnd = 0x100,
    listInQuotes = 0x200,
};

// Takes the next item of a ";"-separated list at *position into destination (capacity at
// most 260 used), moving *position on. listState starts at 0; listDone says no item came.
void nextListItem(uint32_t* listState, const char** position, char* destination, int capacity);
