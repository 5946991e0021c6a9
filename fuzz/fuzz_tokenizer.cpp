// The tokenizer family on random sources, source lengths and capacities.
//
// Input: two bytes of source length (little-endian; 0xFFFF means -1, otherwise taken modulo the
// source size + 1), two bytes of capacity (0xFFFF means -1, otherwise modulo 1100), then the
// source. Every buffer is a heap block of exactly the size the call is allowed to touch, so
// AddressSanitizer sees any read or write beyond it.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "driver/tokenizer.h"
#include "fuzz_support.h"

namespace {

const char sentinel = '\x5a';

// A source of exactly `size` bytes, with a terminator after them only when `terminate`.
std::vector<char> makeSource(const uint8_t* data, size_t size, bool terminate) {
    std::vector<char> source(data, data + size);
    if (terminate)
        source.push_back('\0');
    source.shrink_to_fit();
    return source;
}

// Reads the copied text back the simple way: the rules of a quoted word, one by one. Returns
// the characters spanned (as copyToken counts them) and the text, or -1 on an open quote.
int referenceCopy(const char* source, int limit, std::string& text) {
    bool inQuotes = false;
    int index = 0;
    text.clear();
    while (index < limit && source[index] != '\0' && (inQuotes || source[index] != ' ')) {
        if (source[index] == '"') {
            if (inQuotes && index + 1 < limit && source[index + 1] == '"') {
                text += '"';
                index += 2;
                continue;
            }
            inQuotes = !inQuotes;
            ++index;
            continue;
        }
        text += source[index++];
    }
    return inQuotes ? -1 : index;
}

void checkCopyAndMeasure(const char* source, int sourceLength, int capacity) {
    const int limit = sourceLength == -1 ? tokenLimit : sourceLength;
    std::string expected;
    const int span = referenceCopy(source, limit, expected);

    // Copy into a destination of exactly its capacity (-1: 260, 0: none of ours is touched).
    const size_t size = capacity == -1 ? tokenScratchSize : capacity == 0 ? 1 : capacity;
    std::vector<char> destination(size, sentinel);
    const int copied = scanToken(scanCopy, source, destination.data(), sourceLength, capacity);
    const size_t room = capacity == -1 ? tokenLimit : capacity == 0 ? tokenLimit : capacity - 1;
    FUZZ_CHECK(copied >= 0 && copied <= limit);
    if (capacity == 0) {
        FUZZ_CHECK(destination[0] == sentinel); // the scratch area took the copy
    } else {
        const char* end = static_cast<const char*>(std::memchr(destination.data(), '\0', size));
        FUZZ_CHECK(end != nullptr);
        const size_t length = static_cast<size_t>(end - destination.data());
        FUZZ_CHECK(length <= room);
        // Every caller gives 260 at most; a larger field is the caller's own to fill.
        if (capacity <= tokenScratchSize)
            FUZZ_CHECK(length <= tokenLimit);
        if (copied > 0)
            FUZZ_CHECK(std::string(destination.data(), length) == expected);
        else if (span >= 0 && expected.size() > room)
            FUZZ_CHECK(length == 0); // did not fit: made empty
    }
    if (span < 0)
        FUZZ_CHECK(copied == 0);
    else if (expected.size() <= room)
        FUZZ_CHECK(copied == span);
    else
        FUZZ_CHECK(copied == 0);

    // Measuring with a delimiter that never ends a token spans exactly what copying spans.
    const char none[] = {'\0'};
    const int measured = scanToken(scanMeasure, source, const_cast<char*>(none), sourceLength, 1);
    FUZZ_CHECK(measured == (span < 0 ? 0 : span));

    // The file-name measure stops at "," and "+" outside quotes, and what it measured copies
    // into a 260-character field with exactly that length.
    const char commaPlus[] = {',', '+'};
    const int token = scanToken(scanMeasure, source, const_cast<char*>(commaPlus), sourceLength, 2);
    FUZZ_CHECK(token >= 0 && token <= limit);
    if (token > 0) {
        if (measured > 0)
            FUZZ_CHECK(token <= measured);
        if (token < limit && source[token] != '\0' && source[token] != ' ')
            FUZZ_CHECK(source[token] == ',' || source[token] == '+');
        std::string prefix;
        FUZZ_CHECK(referenceCopy(source, token, prefix) == token);
        std::vector<char> field(tokenScratchSize, sentinel);
        const int again = scanToken(scanCopy, source, field.data(), token, tokenScratchSize);
        if (prefix.size() <= tokenLimit) {
            FUZZ_CHECK(again == token);
            FUZZ_CHECK(prefix == field.data());
        } else {
            FUZZ_CHECK(again == 0 && field[0] == '\0');
        }
    }
}

void checkQuote(const char* source, int sourceLength, int capacity) {
    size_t length = 0;
    while ((sourceLength == -1 || length < static_cast<size_t>(sourceLength)) &&
           source[length] != '\0')
        ++length;
    const std::string text(source, length);
    size_t quotes = 0;
    bool needsQuotes = false;
    for (char c : text) {
        quotes += c == '"';
        needsQuotes = needsQuotes || c == '"' || c == ' ';
    }
    const size_t tokenLength = length + quotes + (needsQuotes ? 2 : 0);
    const bool defaultCapacity = capacity == -1 || capacity >= tokenScratchSize;
    const size_t effective = defaultCapacity ? tokenLimit : capacity;

    // The word is not terminated; the call may write one blank after it.
    const size_t size = capacity == -1 ? tokenScratchSize : capacity == 0 ? 1 : capacity;
    std::vector<char> destination(size, sentinel);
    const int written = scanToken(scanQuote, source, destination.data(), sourceLength, capacity);
    if (capacity == 0) {
        FUZZ_CHECK(destination[0] == sentinel);
        return;
    }
    if (length == 0 || tokenLength > effective) {
        FUZZ_CHECK(written == 0);
        return;
    }
    FUZZ_CHECK(written > 0 && static_cast<size_t>(written) == tokenLength);
    FUZZ_CHECK(written <= tokenLimit);

    // Read back by the copy rules, the word gives the text and spans the whole word.
    std::vector<char> word(destination.begin(), destination.begin() + written);
    std::vector<char> copy(tokenScratchSize, sentinel);
    FUZZ_CHECK(scanToken(scanCopy, word.data(), copy.data(), written, tokenScratchSize) == written);
    FUZZ_CHECK(std::string(copy.data()) == text);
    if (defaultCapacity || static_cast<size_t>(written) < effective)
        FUZZ_CHECK(destination[written] == ' ');
}

// A walk through a ";" list ends: listDone comes within length + 3 calls, every item fits its
// room, and the position never leaves the text.
void checkListWalk(const uint8_t* data, size_t size, int capacity) {
    if (capacity < 1)
        capacity = tokenScratchSize;
    std::vector<char> text = makeSource(data, size, true);
    const size_t length = std::strlen(text.data());
    const char* position = text.data();
    uint32_t state = 0;
    const size_t room = (capacity < tokenScratchSize ? capacity : tokenScratchSize) - 1;
    size_t calls = 0;
    while (!(state & listDone)) {
        FUZZ_CHECK(++calls <= length + 3);
        std::vector<char> item(capacity, sentinel);
        const char* before = position;
        nextListItem(&state, &position, item.data(), capacity);
        FUZZ_CHECK(position >= before && position <= text.data() + length);
        if (state & listDone)
            break;
        const char* end = static_cast<const char*>(std::memchr(item.data(), '\0', item.size()));
        FUZZ_CHECK(end != nullptr);
        const size_t itemLength = static_cast<size_t>(end - item.data());
        FUZZ_CHECK(itemLength <= room);
        if (state & listTruncated)
            FUZZ_CHECK(itemLength == 0);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4)
        return 0;
    const unsigned lengthCode = data[0] | data[1] << 8;
    const unsigned capacityCode = data[2] | data[3] << 8;
    data += 4;
    size -= 4;
    const int capacity = capacityCode == 0xFFFF ? -1 : static_cast<int>(capacityCode % 1100);

    if (lengthCode == 0xFFFF) {
        // -1: the source is a terminated text; copying and measuring look at 259 at most.
        std::vector<char> source = makeSource(data, size, true);
        checkCopyAndMeasure(source.data(), -1, capacity);
        checkQuote(source.data(), -1, capacity);
    } else {
        const int sourceLength = static_cast<int>(lengthCode % (size + 1));
        std::vector<char> source = makeSource(data, sourceLength, false);
        checkCopyAndMeasure(source.data(), sourceLength, capacity);
        checkQuote(source.data(), sourceLength, capacity);
    }
    checkListWalk(data, size, capacity);
    return 0;
}
