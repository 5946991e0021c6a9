// The one quoting convention of veldra's command lines: only a blank separates words, a
// double quote switches quoting (a doubled one inside quotes is one quote), a backslash is
// ordinary, and a token holds at most 259 characters.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

enum { tokenLimit = 259, tokenScratchSize = 260 };

namespace tokenizerDetail {
struct CharacterSet {
    bool has[256];
};
constexpr CharacterSet makeWordSeparators() {
    CharacterSet set{};
    const char separators[] = " \t\n\v\f\r,+";
    for (const char* c = separators; *c != '\0'; ++c)
        set.has[static_cast<unsigned char>(*c)] = true;
    return set;
}
inline constexpr CharacterSet wordSeparators = makeWordSeparators();
} // namespace tokenizerDetail

// The characters that separate the words of the command line and of a companion list: white
// space, "," and "+". A look-up: it runs between any two names.
inline bool isWordSeparator(char c) {
    return tokenizerDetail::wordSeparators.has[static_cast<unsigned char>(c)];
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
// sourceLength -1 examines at most 259 characters (scanQuote: the whole terminated text).
// scanCopy and scanMeasure read the source as findWordStop does: it carries scanSlack defined
// bytes after the characters they examine. scanQuote reads only the source's characters.
// With no destination or capacity 0 the work goes to a scratch area (measure acts as copy).
int scanToken(int flags, const char* source, char* destination, int sourceLength, int capacity);

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

// Defined bytes that a text scanned with findWordStop (and scanCopy, scanMeasure) carries
// beyond the characters the scan may examine, its terminator or its `count`: the scan reads
// whole blocks of 16 characters. Buffers the program fills itself carry them, zeroed.
enum { scanSlack = 16 };

#if defined(__SSE2__)
namespace tokenizerDetail {

// Bit i set when byte i of `bytes` ends a run.
inline unsigned stopMask(__m128i bytes, bool delimiters) {
    __m128i stops = _mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_setzero_si128()),
                                 _mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(' ')),
                                              _mm_cmpeq_epi8(bytes, _mm_set1_epi8('"'))));
    if (delimiters)
        stops = _mm_or_si128(stops, _mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(',')),
                                                 _mm_cmpeq_epi8(bytes, _mm_set1_epi8('+'))));
    return static_cast<unsigned>(_mm_movemask_epi8(stops));
}

inline __m128i loadBlock(const char* text) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(text));
}

} // namespace tokenizerDetail
#endif

// True for the characters that end a run of ordinary characters in a word: NUL, blank or
// double quote, with `delimiters` also "," and "+".
inline bool isWordStop(char c, bool delimiters) {
    return c == '\0' || c == ' ' || c == '"' || (delimiters && (c == ',' || c == '+'));
}

// Offset of the first of the `count` characters at `text` that isWordStop, `count` when none
// is. The text carries scanSlack defined bytes after its terminator or its `count` characters,
// whichever comes first. Inline: it runs several times for every name of a command line.
inline size_t findWordStop(const char* text, size_t count, bool delimiters) {
#if defined(__SSE2__)
    for (size_t offset = 0; offset < count; offset += 16) {
        const unsigned mask =
            tokenizerDetail::stopMask(tokenizerDetail::loadBlock(text + offset), delimiters);
        if (mask != 0) {
            offset += static_cast<size_t>(__builtin_ctz(mask));
            return offset < count ? offset : count;
        }
    }
    return count;
#else
    for (size_t i = 0; i < count; ++i) {
        if (isWordStop(text[i], delimiters))
            return i;
    }
    return count;
#endif
}

// The same for a text the program does not own (an argument, a variable's value) or that
// carries no slack: reads only its `count` characters.
inline size_t findWordStopWithin(const char* text, size_t count, bool delimiters) {
#if defined(__SSE2__)
    using tokenizerDetail::loadBlock;
    using tokenizerDetail::stopMask;
    if (count >= 16) {
        size_t offset = 0;
        for (; offset + 16 <= count; offset += 16) {
            const unsigned mask = stopMask(loadBlock(text + offset), delimiters);
            if (mask != 0)
                return offset + static_cast<size_t>(__builtin_ctz(mask));
        }
        if (offset == count)
            return count;
        // The rest in the block that ends with the text.
        const unsigned mask =
            stopMask(loadBlock(text + count - 16), delimiters) >> (offset + 16 - count);
        return mask != 0 ? offset + static_cast<size_t>(__builtin_ctz(mask)) : count;
    }
    if (count >= 8) {
        // A short name as its first and its last eight characters, which overlap.
        int64_t head, tail;
        std::memcpy(&head, text, 8);
        std::memcpy(&tail, text + count - 8, 8);
        const unsigned mask = stopMask(_mm_set_epi64x(tail, head), delimiters);
        if (mask == 0)
            return count;
        return (mask & 0xFFu) != 0 ? static_cast<size_t>(__builtin_ctz(mask))
                                   : count - 8 + static_cast<size_t>(__builtin_ctz(mask >> 8));
    }
#endif
    for (size_t i = 0; i < count; ++i) {
        if (isWordStop(text[i], delimiters))
            return i;
    }
    return count;
}

// The one shortcut of a word rule: a token without double quotes is the run findWordStop
// finds, and is its own copy. Measures the token at `text` as scanMeasure does with the
// delimiters "," and "+", examining at most `limit` characters (text carries scanSlack):
// its length, 0 on an open quote. *plain tells that it holds no double quote, so that its
// characters are the name itself. Inline: it runs for every name of a command line.
inline int measureToken(const char* text, int limit, bool* plain) {
    static const char delimiters[] = {',', '+'};
    const int length = static_cast<int>(findWordStop(text, static_cast<size_t>(limit), true));
    *plain = length == limit || text[length] != '"';
    return *plain ? length : scanToken(scanMeasure, text, const_cast<char*>(delimiters), limit, 2);
}

// True when the `count` characters at `text` (not necessarily terminated, no slack needed)
// are a word that needs no quotes on a command line: at least one, no blank, double quote or
// NUL among them.
inline bool needsNoQuotes(const char* text, size_t count) {
    return count > 0 && findWordStopWithin(text, count, false) == count;
}

// Copies `count` characters: a name of a dozen characters in two moves, without a call.
inline void copyCharacters(char* destination, const char* source, size_t count) {
    if (count >= 8 && count <= 16) {
        std::memcpy(destination, source, 8);
        std::memcpy(destination + count - 8, source + count - 8, 8);
    } else if (count >= 4 && count < 8) {
        std::memcpy(destination, source, 4);
        std::memcpy(destination + count - 4, source + count - 4, 4);
    } else {
        std::memcpy(destination, source, count);
    }
}
