#include "driver/tokenizer.h"

#include <cstdint>
#include <cstring>
#include <string>

namespace {

const char quoteChar = '"';
const char blankChar = ' ';

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
    bool inQuotes = false;
    int written = 0;
    int index = 0;
    for (; index < limit; ++index) {
        const char c = source[index];
        if (c == '\0' || (c == blankChar && !inQuotes))
            break;
        if (c == quoteChar) {
            if (!(inQuotes && index + 1 < limit && source[index + 1] == quoteChar)) {
                inQuotes = !inQuotes;
                continue;
            }
            ++index; // a doubled quote inside quotes is one ordinary quote
        } else if (measuring && !inQuotes &&
                   std::memchr(delimiters, c, static_cast<size_t>(delimiterCount)) != nullptr) {
            return index;
        }
        if (!measuring) {
            if (room <= 0) {
                destination[0] = '\0';
                return 0;
            }
            destination[written++] = source[index];
            --room;
        }
    }
    if (!measuring)
        destination[written] = '\0';
    return inQuotes ? 0 : index;
}

// Writes text as one command-line word; see scanToken.
int quoteToken(const char* source, char* destination, int sourceLength, int capacity) {
    // The text may be anyone's (a path, a name in a fixed field): only its own characters
    // are read.
    size_t length = 0;
    if (sourceLength == -1)
        length = std::strlen(source);
    else if (sourceLength > 0)
        length = strnlen(source, static_cast<size_t>(sourceLength));
    const bool defaultCapacity = capacity == -1 || capacity >= tokenScratchSize;
    if (defaultCapacity)
        capacity = tokenLimit;
    if (length == 0)
        return 0;
    std::string word;
    quoteWord(word, source, length);
    const int tokenLength = static_cast<int>(word.size());
    if (tokenLength > capacity) {
        if (capacity > 0)
            destination[0] = blankChar;
        return 0;
    }
    std::memcpy(destination, word.data(), word.size());
    if (defaultCapacity || tokenLength < capacity)
        destination[tokenLength] = blankChar;
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

int measureToken(const char* text, int limit) {
    static const char delimiters[] = {',', '+'};
    // Nearly every token is a plain name: its run of ordinary characters is the token.
    const int length = static_cast<int>(findWordStop(text, static_cast<size_t>(limit), true));
    if (length == limit || text[length] != '"')
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
