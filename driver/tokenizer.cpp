#include "driver/tokenizer.h"

namespace {

const char quoteChar = '"';
const char blankChar = ' ';

// Copies (or, with delimiters, measures) one token. Returns the source characters it spans,
// 0 on an open quote or when the copy does not fit.
int copyToken(const char* source, char* destination, int sourceLength, int capacity,
              const char* delimiters, int delimiterCount) {
    const bool measuring = delimiters != nullptr;
    int limit = sourceLength == -1 ? tokenLimit : sourceLength;
    int room = 0;
    if (!measuring)
        room = capacity == -1 ? tokenLimit : capacity - 1;
    bool inQuotes = false;
    int index = 0;
    int written = 0;
    while (index < limit) {
        char c = source[index];
        if (c == '\0' || (c == blankChar && !inQuotes))
            break;
        if (c == quoteChar) {
            if (inQuotes && index + 1 < limit && source[index + 1] == quoteChar) {
                ++index; // a doubled quote inside quotes is one ordinary quote
            } else {
                inQuotes = !inQuotes;
                ++index;
                continue;
            }
        }
        c = source[index];
        if (measuring) {
            if (!inQuotes) {
                bool isDelimiter = false;
                for (int d = 0; d < delimiterCount; ++d)
                    if (delimiters[d] == c)
                        isDelimiter = true;
                if (isDelimiter)
                    return index;
            }
        } else {
            if (room <= 0) {
                destination[0] = '\0';
                return 0;
            }
            destination[written++] = c;
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
    int length = 0;
    if (sourceLength == -1) {
        while (source[length] != '\0')
            ++length;
    } else {
        while (length < sourceLength && source[length] != '\0')
            ++length;
    }
    const bool defaultCapacity = capacity == -1 || capacity >= tokenScratchSize;
    if (defaultCapacity)
        capacity = tokenLimit;
    if (length == 0)
        return 0;
    bool needsQuotes = false;
    int tokenLength = length;
    for (int i = 0; i < length; ++i) {
        if (source[i] == blankChar)
            needsQuotes = true;
        if (source[i] == quoteChar) {
            needsQuotes = true;
            ++tokenLength;
        }
    }
    if (needsQuotes)
        tokenLength += 2;
    if (tokenLength > capacity) {
        if (capacity > 0)
            destination[0] = blankChar;
        return 0;
    }
    int out = 0;
    if (needsQuotes)
        destination[out++] = quoteChar;
    for (int i = 0; i < length; ++i) {
        if (source[i] == quoteChar)
            destination[out++] = quoteChar;
        destination[out++] = source[i];
    }
    if (needsQuotes)
        destination[out++] = quoteChar;
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
