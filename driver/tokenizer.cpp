#include "driver/tokenizer.h"

#include <cstdint>
#include <cstring>

namespace {

const char quoteChar = '"';
const char blankChar = ' ';

// Character classes of the scanners: a name is mostly ordinary characters, which are passed
// over (or copied) in runs with one table look-up each.
enum : unsigned char {
    ordinaryClass = 0,
    runEndClass = 1, // NUL, blank or double quote: ends a run in every scanner
    commaClass = 2,  // "," and "+", the delimiters every caller measures against
    plusClass = 4,
    otherDelimiter = 8, // any other delimiter, marked in a table of the call's own
};

struct ClassTable {
    unsigned char of[256];
};

constexpr ClassTable makeClassTable() {
    ClassTable table{};
    table.of[0] = runEndClass;
    table.of[static_cast<unsigned char>(blankChar)] = runEndClass;
    table.of[static_cast<unsigned char>(quoteChar)] = runEndClass;
    table.of[static_cast<unsigned char>(',')] = commaClass;
    table.of[static_cast<unsigned char>('+')] = plusClass;
    return table;
}

constexpr ClassTable classTable = makeClassTable();

inline unsigned char classOf(const ClassTable& table, char c) {
    return table.of[static_cast<unsigned char>(c)];
}

// Copies (or, with delimiters, measures) one token. Returns the source characters it spans,
// 0 on an open quote or when the copy does not fit.
int copyToken(const char* source, char* destination, int sourceLength, int capacity,
              const char* delimiters, int delimiterCount) {
    const bool measuring = delimiters != nullptr;
    const int limit =
        sourceLength == -1 ? static_cast<int>(strnlen(source, tokenLimit)) : sourceLength;
    int room = 0;
    if (!measuring)
        room = capacity == -1 ? tokenLimit : capacity - 1;

    // The delimiters as class bits; one outside "," and "+" needs a table of its own.
    const ClassTable* table = &classTable;
    ClassTable ownTable;
    unsigned char delimiterMask = 0;
    int firstUnusual = 0; // the delimiters before it are "," and "+" as every caller has them
    if (measuring && delimiterCount >= 2 && delimiters[0] == ',' && delimiters[1] == '+') {
        delimiterMask = commaClass | plusClass;
        firstUnusual = 2;
    }
    for (int d = firstUnusual; measuring && d < delimiterCount; ++d) {
        unsigned char k = classOf(classTable, delimiters[d]);
        if (k == commaClass || k == plusClass) {
            delimiterMask |= k;
        } else if (k == ordinaryClass) {
            if (table == &classTable) {
                ownTable = classTable;
                table = &ownTable;
            }
            ownTable.of[static_cast<unsigned char>(delimiters[d])] |= otherDelimiter;
            delimiterMask |= otherDelimiter;
        }
        // NUL, blank and double quote never reach the delimiter test.
    }

    // Nearly every token is a plain name: one scan finds its end, and it is taken whole.
    if (table == &classTable && limit > 0) {
        const int end =
            static_cast<int>(findWordStop(source, static_cast<size_t>(limit), delimiterMask != 0));
        const char c = end < limit ? source[end] : '\0';
        const bool endsToken =
            c == '\0' || c == blankChar || (classOf(classTable, c) & delimiterMask) != 0;
        if (endsToken && (measuring || (end > 0 && end <= room))) {
            if (!measuring) {
                std::memcpy(destination, source, static_cast<size_t>(end));
                destination[end] = '\0';
            }
            return end;
        }
    }

    bool inQuotes = false;
    int index = 0;
    int written = 0;
    while (index < limit) {
        // A run of characters that neither end, quote nor (outside quotes) delimit.
        const unsigned char stop = runEndClass | (inQuotes ? 0 : delimiterMask);
        const int runStart = index;
        if (table == &classTable) {
            // "," and "+" stop the fast scan as a pair; one that is no delimiter here goes on.
            const bool withDelimiters = (stop & (commaClass | plusClass)) != 0;
            for (;;) {
                index += static_cast<int>(findWordStop(
                    source + index, static_cast<size_t>(limit - index), withDelimiters));
                if (index >= limit || (classOf(classTable, source[index]) & stop) != 0)
                    break;
                ++index;
            }
        } else {
            while (index < limit && (classOf(*table, source[index]) & stop) == 0)
                ++index;
        }
        if (!measuring) {
            const int run = index - runStart;
            const int fits = run < room ? run : room;
            if (fits > 0)
                std::memcpy(destination + written, source + runStart, static_cast<size_t>(fits));
            if (run > 0 && run > room) {
                destination[0] = '\0';
                return 0;
            }
            written += run;
            room -= run;
        }
        if (index >= limit)
            break;
        const char c = source[index];
        if (c == '\0' || (c == blankChar && !inQuotes))
            break;
        if (c == quoteChar) {
            if (!(inQuotes && index + 1 < limit && source[index + 1] == quoteChar)) {
                inQuotes = !inQuotes;
                ++index;
                continue;
            }
            ++index; // a doubled quote inside quotes is one ordinary quote
        } else if (measuring && !inQuotes) {
            return index; // a delimiter
        }
        // An ordinary character that ended the run: a quote or blank inside quotes.
        if (!measuring) {
            if (room <= 0) {
                destination[0] = '\0';
                return 0;
            }
            destination[written++] = source[index];
            --room;
        }
        ++index;
    }
    if (!measuring)
        destination[written] = '\0';
    return inQuotes ? 0 : index;
}

// Writes text as one command-line word; see scanToken.
int quoteToken(const char* source, char* destination, int sourceLength, int capacity) {
    // One pass for the length, the quotes and whether quoting is needed at all.
    // The text may be anyone's (a path, a name in a fixed field): only its own characters
    // are read.
    const int bound = sourceLength == -1 ? static_cast<int>(std::strlen(source)) : sourceLength;
    int length = 0;
    int quotes = 0;
    bool needsQuotes = false;
    if (bound > 0)
        length = static_cast<int>(findWordStop(source, static_cast<size_t>(bound), false));
    for (; length < bound; ++length) {
        const char c = source[length];
        if (classOf(classTable, c) & runEndClass) {
            if (c == '\0')
                break;
            needsQuotes = true;
            quotes += c == quoteChar;
        }
    }
    const bool defaultCapacity = capacity == -1 || capacity >= tokenScratchSize;
    if (defaultCapacity)
        capacity = tokenLimit;
    if (length == 0)
        return 0;
    const int tokenLength = length + quotes + (needsQuotes ? 2 : 0);
    if (tokenLength > capacity) {
        if (capacity > 0)
            destination[0] = blankChar;
        return 0;
    }
    int out = 0;
    if (!needsQuotes) {
        std::memcpy(destination, source, static_cast<size_t>(length));
        out = length;
    } else {
        destination[out++] = quoteChar;
        for (int i = 0; i < length; ++i) {
            if (source[i] == quoteChar)
                destination[out++] = quoteChar;
            destination[out++] = source[i];
        }
        destination[out++] = quoteChar;
    }
    if (defaultCapacity || tokenLength < capacity)
        destination[out] = blankChar;
    return tokenLength;
}

} // namespace

int scanToken(int flags, const char* source, char* destination, int sourceLength, int capacity) {
    char scratch[tokenScratchSize + 2];
    if (destination == nullptr || capacity == 0) {
        destination = scratch;
        capacity = -1;
        if (flags == scanMeasure)
            flags = scanCopy;
    }
    if (flags == scanQuote)
        return quoteToken(source, destination, sourceLength, capacity);
    if (flags == scanMeasure)
        return copyToken(source, nullptr, sourceLength, 0, destination, capacity);
    return copyToken(source, destination, sourceLength, capacity, nullptr, 0);
}

int measureToken(const char* text, int limit, bool* quoted) {
    static const char delimiters[] = {',', '+'};
    // Nearly every token is a plain name: its run of ordinary characters is the token.
    const int length = static_cast<int>(findWordStop(text, static_cast<size_t>(limit), true));
    const bool plain = length == limit || text[length] != '"';
    if (quoted != nullptr)
        *quoted = !plain;
    if (plain)
        return length;
    return copyToken(text, nullptr, limit, 0, delimiters, 2);
}

void nextListItem(uint32_t* listState, const char** position, char* destination, int capacity) {
    if (*listState & listDone)
        return;
    if (*listState & (listAtEnd | listLastEmpty)) {
        *listState |= listDone;
        return;
    }
    int room = (capacity < tokenScratchSize ? capacity : tokenScratchSize) - 1;
    bool inQuotes = (*listState & listInQuotes) != 0;
    *listState &= ~(listInQuotes | listTruncated);
    const char* p = *position;
    int taken = 0;
    bool anything = false; // characters met for this item, even when dropped
    for (;;) {
        char c = *p;
        if (c == '\0') {
            *listState |= listAtEnd;
            if (!anything)
                *listState |= listLastEmpty;
            break;
        }
        if (c == ' ' && !inQuotes && !anything) {
            ++p;
            continue;
        }
        if (c == '"') {
            if (inQuotes && p[1] == '"') {
                ++p; // the second quote is taken as an ordinary character
            } else {
                inQuotes = !inQuotes;
                ++p;
                continue;
            }
        }
        c = *p;
        if (c == ';') {
            ++p;
            break;
        }
        anything = true;
        if (*listState & listTruncated) {
            // an over-long item stays empty up to its end
        } else if (taken >= room) {
            *listState |= listTruncated;
            taken = 0;
        } else {
            destination[taken++] = c;
        }
        ++p;
    }
    if (inQuotes)
        *listState |= listInQuotes;
    *position = p;
    destination[taken] = '\0';
}
