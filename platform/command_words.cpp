#include "platform/command_words.h"

#include <cstdint>
#include <cstring>
#include <memory>
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

// A text without double quotes, copied from `source` to `destination` (which may be the same
// place): every blank becomes a terminator, and a word begins at each other character that
// follows a blank (or the start, `blankBefore` carrying the state across pieces). Sixteen
// characters are looked at together: most of a long line is names, with a word start every
// dozen characters. Returns the words it found.
size_t splitAtBlanks(const char* source, char* destination, size_t length, char** words,
                     bool& blankBefore) {
    size_t count = 0;
    size_t i = 0;
#if defined(__SSE2__)
    const __m128i blanks = _mm_set1_epi8(blank);
    for (; i + 16 <= length; i += 16) {
        __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + i));
        const __m128i isBlank = _mm_cmpeq_epi8(bytes, blanks);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(destination + i),
                         _mm_andnot_si128(isBlank, bytes));
        const unsigned blankMask = static_cast<unsigned>(_mm_movemask_epi8(isBlank));
        unsigned starts = ~blankMask & ((blankMask << 1) | (blankBefore ? 1u : 0u)) & 0xFFFFu;
        while (starts != 0) {
            words[count++] = destination + i + static_cast<size_t>(__builtin_ctz(starts));
            starts &= starts - 1;
        }
        blankBefore = (blankMask & 0x8000u) != 0;
    }
#endif
    for (; i < length; ++i) {
        const bool isBlank = source[i] == blank;
        destination[i] = isBlank ? '\0' : source[i];
        if (!isBlank && blankBefore)
            words[count++] = destination + i;
        blankBefore = isBlank;
    }
    return count;
}

// Doubles `line` to hold at least `needed` characters, keeping the `used` it holds.
void growLine(std::unique_ptr<char[]>& line, size_t& capacity, size_t used, size_t needed) {
    capacity = 2 * needed;
    std::unique_ptr<char[]> grown(new char[capacity]);
    std::memcpy(grown.get(), line.get(), used);
    line.swap(grown);
}

// The arguments as the system hands them to main: one block above the pointers, each string
// right behind the one before. When it holds nothing but plain words, the line is that block
// with a blank for each terminator between them; returns it (with its slack), else null.
// What is read lies between the pointers and the last argument's terminator: the block the
// checks have shown to be the arguments' own.
char* joinSystemArguments(int argc, char** argv, size_t* length) {
    if (argc < 1 || argv[0] == nullptr || argv[0] <= reinterpret_cast<char*>(argv + argc))
        return nullptr;
    for (int i = 1; i < argc; ++i) {
        // Each argument at least one character, its terminator just before the next one.
        if (argv[i] == nullptr || argv[i] - argv[i - 1] < 2 || argv[i][-1] != '\0')
            return nullptr;
    }
    const char* const start = argv[0];
    const size_t size = static_cast<size_t>(argv[argc - 1] - start) + std::strlen(argv[argc - 1]);
    if (argv[argc - 1][0] == '\0')
        return nullptr;
    std::unique_ptr<char[]> line(new char[size + 1 + scanSlack]);
    char* out = line.get();
    // The terminators become blanks; a blank or double quote anywhere, or a terminator more
    // than the ones between the arguments (an argument shorter than its place), means some
    // argument needs the general way.
    size_t terminators = 0;
    size_t i = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    __m128i counts = zero; // terminators, as two sums of 64 bits
    const __m128i blanks = _mm_set1_epi8(blank);
    const __m128i quotes = _mm_set1_epi8(quote);
    for (; i + 16 <= size; i += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(start + i));
        const __m128i ends = _mm_cmpeq_epi8(bytes, zero);
        const __m128i quoted =
            _mm_or_si128(_mm_cmpeq_epi8(bytes, blanks), _mm_cmpeq_epi8(bytes, quotes));
        if (_mm_movemask_epi8(quoted) != 0)
            return nullptr;
        counts = _mm_add_epi64(counts, _mm_sad_epu8(_mm_sub_epi8(zero, ends), zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i),
                         _mm_or_si128(bytes, _mm_and_si128(ends, blanks)));
    }
    terminators = static_cast<uint32_t>(_mm_cvtsi128_si32(counts)) +
                  static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_unpackhi_epi64(counts, counts)));
#endif
    for (; i < size; ++i) {
        const char c = start[i];
        if (isQuotedCharacter(c))
            return nullptr;
        terminators += c == '\0';
        out[i] = c == '\0' ? blank : c;
    }
    if (terminators != static_cast<size_t>(argc - 1))
        return nullptr;
    std::memset(out + size, 0, 1 + scanSlack);
    *length = size;
    return line.release();
}

} // namespace

char* rebuildCommandLine(int argc, char** argv, size_t* length, bool systemLayout) {
    if (systemLayout) {
        if (char* joined = joinSystemArguments(argc, argv, length))
            return joined;
    }
    // Arguments without blanks and double quotes, as nearly all are, go in whole, measured
    // once and copied once; the storage doubles when it must, and only what is written of it
    // is ever touched. From the first argument that needs quotes on, the rest is assembled
    // as it must be and put behind.
    size_t capacity = static_cast<size_t>(argc > 0 ? argc : 0) * 16 + 64 + 1 + scanSlack;
    std::unique_ptr<char[]> line(new char[capacity]);
    size_t used = 0;
    auto makeRoom = [&](size_t more) {
        if (used + more + 1 + scanSlack > capacity)
            growLine(line, capacity, used, used + more + 1 + scanSlack);
    };
    int i = 0;
    for (; i < argc; ++i) {
        // The argument is the system's: read no further than its terminator.
        const char* argument = argv[i] != nullptr ? argv[i] : "";
        const size_t plain = std::strlen(argument);
        if (!needsNoQuotes(argument, plain))
            break;
        makeRoom(plain + 1);
        if (i > 0)
            line[used++] = blank;
        copyCharacters(&line[used], argument, plain);
        used += plain;
    }
    if (i < argc) {
        std::string rest;
        for (; i < argc; ++i) {
            if (i > 0)
                rest += blank;
            appendArgument(rest, argv[i] != nullptr ? argv[i] : "");
        }
        makeRoom(rest.size());
        std::memcpy(&line[used], rest.data(), rest.size());
        used += rest.size();
    }
    std::memset(&line[used], 0, 1 + scanSlack);
    *length = used;
    return line.release();
}

std::string buildCommandLine(int argc, char** argv) {
    size_t length;
    std::unique_ptr<char[]> line(rebuildCommandLine(argc, argv, &length, false));
    return std::string(line.get(), length);
}

size_t splitCommandWordsInPlace(char* line, size_t length, char** words) {
    // A word without double quotes stays where it is and only gets its terminator, while one
    // with quotes is moved together.
    if (std::memchr(line, quote, length) == nullptr) {
        bool blankBefore = true;
        return splitAtBlanks(line, line, length, words, blankBefore);
    }
    size_t count = 0;
    char* out = line;
    const char* p = line;
    for (;;) {
        while (*p == blank)
            ++p;
        if (*p == '\0')
            return count;
        out = line + (p - line);
        words[count++] = out;
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
            return count;
        if (out == p)
            ++p;
        ++out;
    }
}

size_t splitCommandWordsInto(const char* first, size_t firstLength, const char* second,
                             size_t secondLength, char* storage, char** words) {
    const size_t length = firstLength + secondLength;
    if (std::memchr(first, quote, firstLength) != nullptr ||
        std::memchr(second, quote, secondLength) != nullptr) {
        std::memcpy(storage, first, firstLength);
        std::memcpy(storage + firstLength, second, secondLength);
        std::memset(storage + length, 0, 1 + scanSlack);
        return splitCommandWordsInPlace(storage, length, words);
    }
    // Without double quotes the copy and the split are one pass.
    bool blankBefore = true;
    size_t count = splitAtBlanks(first, storage, firstLength, words, blankBefore);
    count += splitAtBlanks(second, storage + firstLength, secondLength, words + count, blankBefore);
    storage[length] = '\0';
    return count;
}

void splitCommandWords(const char* commandLine, std::vector<std::string>& words) {
    const size_t length = std::strlen(commandLine);
    std::vector<char> storage(length + 1 + scanSlack);
    std::memcpy(storage.data(), commandLine, length);
    std::vector<char*> split(maxCommandWords(length));
    split.resize(splitCommandWordsInPlace(storage.data(), length, split.data()));
    words.insert(words.end(), split.begin(), split.end());
}
