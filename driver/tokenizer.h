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

// The characters that separate the words of the command line and of a companion list: white
// space, "," and "+".
inline bool isWordSeparator(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r') || c == ',' || c == '+';
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

// The scan reads blocks of 16 bytes, a few of them beyond the characters it may examine,
// never across a page boundary that the characters themselves do not cross (an aligned
// block lies within one page); the address sanitizer would take those bytes for an overrun.
#if defined(__GNUC__) || defined(__clang__)
#define VELDRA_READS_WHOLE_BLOCKS __attribute__((no_sanitize_address))
#else
#define VELDRA_READS_WHOLE_BLOCKS
#endif

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

} // namespace tokenizerDetail
#endif

// Offset of the first of the `count` characters at `text` that can end a run of ordinary
// characters in a word: NUL, blank or double quote, with `delimiters` also "," and "+";
// `count` when none does. Safe on a text that is not terminated within `count`.
// Inline: it runs several times for every name of a command line.
VELDRA_READS_WHOLE_BLOCKS inline size_t findWordStop(const char* text, size_t count,
                                                     bool delimiters) {
    if (count == 0)
        return 0;
#if defined(__SSE2__)
    // The first 16 characters in one look where they do not run into the next page (most
    // names are shorter), else from the aligned block that holds the first; then aligned
    // blocks.
    const size_t misalignment = reinterpret_cast<uintptr_t>(text) & 15;
    unsigned mask;
    if ((reinterpret_cast<uintptr_t>(text) & 4095) <= 4096 - 16)
        mask = tokenizerDetail::stopMask(_mm_loadu_si128(reinterpret_cast<const __m128i*>(text)),
                                         delimiters);
    else
        mask = tokenizerDetail::stopMask(
                   _mm_load_si128(reinterpret_cast<const __m128i*>(text - misalignment)),
                   delimiters) >>
               misalignment;
    size_t offset = 0;
    if (mask == 0) {
        offset = 16 - misalignment;
        for (;;) {
            if (offset >= count)
                return count;
            mask = tokenizerDetail::stopMask(
                _mm_load_si128(reinterpret_cast<const __m128i*>(text + offset)), delimiters);
            if (mask != 0)
                break;
            offset += 16;
        }
    }
    offset += static_cast<size_t>(__builtin_ctz(mask));
    return offset < count ? offset : count;
#else
    for (size_t i = 0; i < count; ++i) {
        const char c = text[i];
        if (c == '\0' || c == ' ' || c == '"' || (delimiters && (c == ',' || c == '+')))
            return i;
    }
    return count;
#endif
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
