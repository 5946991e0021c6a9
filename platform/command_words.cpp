#include "platform/command_words.h"

#include <cstdint>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "driver/tokenizer.h"

namespace {

const char quote = '"';
const char blank = ' ';

bool isQuotedCharacter(char c) {
    return c == blank || c == quote;
}

void appendArgument(std::string& line, const char* argument) {
    if (*argument == '\0') {
        line += "\"\"";
        return;
    }
    // Only the runs that need it are quoted, so that the rest of the word (a leading "-", a
    // "," between file names) reads exactly as the user typed it. Runs of other characters go
    // in whole: a long command line is mostly plain names.
    const char* p = argument;
    while (*p != '\0') {
        if (!isQuotedCharacter(*p)) {
            const char* run = p;
            while (*p != '\0' && !isQuotedCharacter(*p))
                ++p;
            line.append(run, static_cast<size_t>(p - run));
            continue;
        }
        line += quote;
        for (; isQuotedCharacter(*p); ++p) {
            line += *p;
            if (*p == quote)
                line += quote;
        }
        line += quote;
    }
}

// A line without double quotes: every blank becomes a terminator, and a word begins at
// each other character that follows a blank (or the start). Sixteen characters are looked
// at together: most of a long line is names, with a word start every dozen characters.
void splitAtBlanks(char* text, size_t length, std::vector<char*>& words) {
    size_t i = 0;
    bool blankBefore = true;
#if defined(__SSE2__)
    const __m128i blanks = _mm_set1_epi8(blank);
    // Room for every word at once: thousands of them would otherwise be copied at every
    // doubling, into fresh pages each time. A word follows each blank, or starts the line.
    __m128i counts = _mm_setzero_si128(); // two sums of 64 bits
    for (; i + 16 <= length; i += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i));
        const __m128i ones = _mm_sub_epi8(_mm_setzero_si128(), _mm_cmpeq_epi8(bytes, blanks));
        counts = _mm_add_epi64(counts, _mm_sad_epu8(ones, _mm_setzero_si128()));
    }
    // Each sum stays far below 2^32: a command line is never gigabytes long.
    size_t count = 1 + static_cast<uint32_t>(_mm_cvtsi128_si32(counts)) +
                   static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_unpackhi_epi64(counts, counts)));
    for (; i < length; ++i)
        count += text[i] == blank;
    words.reserve(words.size() + count + 1); // and the terminator of an argv
    i = 0;
    for (; i + 16 <= length; i += 16) {
        __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i));
        const __m128i isBlank = _mm_cmpeq_epi8(bytes, blanks);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(text + i), _mm_andnot_si128(isBlank, bytes));
        const unsigned blankMask = static_cast<unsigned>(_mm_movemask_epi8(isBlank));
        unsigned starts = ~blankMask & ((blankMask << 1) | (blankBefore ? 1u : 0u)) & 0xFFFFu;
        while (starts != 0) {
            words.push_back(text + i + static_cast<size_t>(__builtin_ctz(starts)));
            starts &= starts - 1;
        }
        blankBefore = (blankMask & 0x8000u) != 0;
    }
#endif
    for (; i < length; ++i) {
        const bool isBlank = text[i] == blank;
        if (isBlank)
            text[i] = '\0';
        else if (blankBefore)
            words.push_back(text + i);
        blankBefore = isBlank;
    }
}

} // namespace

std::string buildCommandLine(int argc, char** argv) {
    // Arguments without blanks and double quotes, as nearly all are, go in whole, each with
    // the one scan that also finds its end; the line grows by doubling, so a line of
    // thousands of names is copied a few times at most. From the first argument that needs
    // quotes on, the line grows as it must.
    std::string line(static_cast<size_t>(argc > 0 ? argc : 0) * 16 + 64, '\0');
    size_t used = 0;
    bool plainSoFar = true;
    for (int i = 0; i < argc; ++i) {
        // The argument is the system's: read no further than its terminator.
        const char* argument = argv[i] != nullptr ? argv[i] : "";
        const size_t plain = std::strlen(argument);
        if (plainSoFar && needsNoQuotes(argument, plain)) {
            if (used + plain + 1 > line.size())
                line.resize(2 * (used + plain + 1));
            if (i > 0)
                line[used++] = blank;
            copyCharacters(&line[used], argument, plain);
            used += plain;
            continue;
        }
        if (plainSoFar) {
            line.resize(used);
            plainSoFar = false;
        }
        if (i > 0)
            line += blank;
        appendArgument(line, argument);
    }
    if (plainSoFar)
        line.resize(used);
    return line;
}

void splitCommandWords(const char* commandLine, char* storage, std::vector<char*>& words) {
    // The line goes over in one copy; a word without double quotes then stays where it is
    // and only gets its terminator, while one with quotes is moved together.
    const size_t lineLength = std::strlen(commandLine);
    std::memcpy(storage, commandLine, lineLength + 1);
    std::memset(storage + lineLength + 1, 0, scanSlack);
    if (std::memchr(storage, quote, lineLength) == nullptr) {
        splitAtBlanks(storage, lineLength, words);
        return;
    }
    char* out = storage;
    const char* p = storage;
    for (;;) {
        while (*p == blank)
            ++p;
        if (*p == '\0')
            return;
        out = storage + (p - storage);
        words.push_back(out);
        bool inQuotes = false;
        for (;;) {
            // A run up to the next double quote or word end goes in whole.
            size_t run = findWordStop(p, SIZE_MAX, false);
            while (inQuotes && p[run] == blank)
                run += 1 + findWordStop(p + run + 1, SIZE_MAX, false);
            if (out != p)
                std::memmove(out, p, run);
            out += run;
            p += run;
            if (*p != quote)
                break;
            if (inQuotes && p[1] == quote) {
                *out++ = quote;
                p += 2;
            } else {
                inQuotes = !inQuotes;
                ++p;
            }
        }
        // The terminator takes the place of the blank (or NUL) that ended the word, or lies
        // before it when quotes were dropped.
        const bool atEnd = *p == '\0';
        *out = '\0';
        if (atEnd)
            return;
        if (out == p)
            ++p;
        ++out;
    }
}

void splitCommandWords(const char* commandLine, std::vector<std::string>& words) {
    std::vector<char> storage(std::strlen(commandLine) + 1 + scanSlack);
    std::vector<char*> split;
    splitCommandWords(commandLine, storage.data(), split);
    words.insert(words.end(), split.begin(), split.end());
}
