#include "platform/word_stop.h"

#include <cstdint>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// Every name of a command line is scanned for its end several times (measured, checked for
// quotes, split again in the child's words), so the scan looks at sixteen characters at once
// where the processor can. It reads only the characters it is given: the last block of a
// text overlaps the one before it instead of running past the end.

namespace {

// One character at a time: short texts, and processors without SSE2.
size_t scanEach(const char* text, size_t count, bool delimiters) {
    for (size_t i = 0; i < count; ++i) {
        if (isWordStop(text[i], delimiters))
            return i;
    }
    return count;
}

#if defined(__SSE2__)
// Bit i set when byte i of the block at `text` is a word stop; the stop characters as blocks
// of their own, made once a scan.
struct StopBlocks {
    __m128i zero, blank, quote, comma, plus;
};

template <bool delimiters> unsigned stopMask(const char* text, const StopBlocks& stops) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text));
    __m128i found = _mm_or_si128(
        _mm_cmpeq_epi8(bytes, stops.zero),
        _mm_or_si128(_mm_cmpeq_epi8(bytes, stops.blank), _mm_cmpeq_epi8(bytes, stops.quote)));
    if (delimiters)
        found = _mm_or_si128(found, _mm_or_si128(_mm_cmpeq_epi8(bytes, stops.comma),
                                                 _mm_cmpeq_epi8(bytes, stops.plus)));
    return static_cast<unsigned>(_mm_movemask_epi8(found));
}

unsigned lowestBit(unsigned mask) {
    return static_cast<unsigned>(__builtin_ctz(mask));
}

template <bool delimiters> inline size_t findStop(const char* text, size_t count) {
    const StopBlocks stops = {_mm_setzero_si128(), _mm_set1_epi8(' '), _mm_set1_epi8('"'),
                              _mm_set1_epi8(','), _mm_set1_epi8('+')};
    if (count >= 16) {
        size_t offset = 0;
        for (; offset + 16 <= count; offset += 16) {
            const unsigned mask = stopMask<delimiters>(text + offset, stops);
            if (mask != 0)
                return offset + lowestBit(mask);
        }
        if (offset == count)
            return count;
        // The rest, in the block that ends with the text; its first bytes were seen already.
        const unsigned mask =
            stopMask<delimiters>(text + count - 16, stops) >> (offset + 16 - count);
        return mask != 0 ? offset + lowestBit(mask) : count;
    }
    if (count >= 8) {
        // A name of a dozen characters: its first and its last eight, which overlap.
        char block[16];
        std::memcpy(block, text, 8);
        std::memcpy(block + 8, text + count - 8, 8);
        const unsigned mask = stopMask<delimiters>(block, stops);
        if (mask == 0)
            return count;
        return (mask & 0xFFu) != 0 ? lowestBit(mask) : count - 8 + lowestBit(mask >> 8);
    }
    return scanEach(text, count, delimiters);
}
#endif

} // namespace

size_t findWordStop(const char* text, size_t count, bool delimiters) {
#if defined(__SSE2__)
    if (delimiters)
        return findStop<true>(text, count);
    return findStop<false>(text, count);
#else
    return scanEach(text, count, delimiters);
#endif
}

void quoteWord(std::string& out, const char* text, size_t count) {
    if (needsNoQuotes(text, count)) {
        out.append(text, count);
        return;
    }
    out += '"';
    for (const char* end = text + count; text < end; ++text) {
        if (*text == '"')
            out += '"';
        out += *text;
    }
    out += '"';
}
