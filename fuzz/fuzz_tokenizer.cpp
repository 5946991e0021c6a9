// The tokenizer family on random sources, source lengths and capacities, and the POSIX
// command-line words that follow its quoting.
//
// Input: two bytes of source length (little-endian; 0xFFFF means -1, a terminated source,
// otherwise taken modulo the source size + 1), two bytes of capacity (0xFFFF means -1,
// otherwise modulo 1100), then the source. Every buffer is a heap block of exactly the size
// the call may touch, so AddressSanitizer sees any read or write beyond it. The whole source,
// its NUL bytes separating the arguments, is also an argv (the program's name first).
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "driver/tokenizer.h"
#include "fuzz_support.h"
#include "platform/command_words.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4)
        return 0;
    const unsigned lengthCode = data[0] | data[1] << 8, capacityCode = data[2] | data[3] << 8;
    const int capacity = capacityCode == 0xFFFF ? -1 : static_cast<int>(capacityCode % 1100);
    const bool terminated = lengthCode == 0xFFFF;
    const int sourceLength = terminated ? -1 : static_cast<int>(lengthCode % (size - 3));
    // Exactly the source's characters, and the terminator of a terminated one: a scan that
    // reads past them is caught by the address sanitizer.
    std::vector<char> source(terminated ? size - 3 : sourceLength);
    std::copy(data + 4, data + 4 + source.size() - terminated, source.begin());
    const char* text = source.data();
    // The text as quoting sees it: up to the length given or the terminator.
    const std::string whole(text, std::find(text, text + source.size(), '\0'));

    // A copy ends within its destination and, in a field of 260 or less, holds at most 259
    // characters; measuring (no delimiters) spans exactly what a copy that fits spans.
    const size_t room = capacity == -1 ? tokenScratchSize : capacity == 0 ? 1 : capacity;
    std::vector<char> field(room, 'Z');
    const int copied = scanToken(scanCopy, text, field.data(), sourceLength, capacity);
    if (capacity != 0) {
        const size_t length = strnlen(field.data(), room);
        FUZZ_CHECK(length < room);
        FUZZ_CHECK(length <= tokenLimit || capacity > tokenScratchSize);
    }
    const char none[] = {'\0'};
    const int measured = scanToken(scanMeasure, text, const_cast<char*>(none), sourceLength, 1);
    if (copied > 0)
        FUZZ_CHECK(measured == copied);

    // What quotes reads back through the copy rules as the text, spanning the whole word; a
    // child's command line split on POSIX gives the text back as one argument.
    std::vector<char> word(room, 'Z');
    const int quoted = scanToken(scanQuote, text, word.data(), sourceLength, capacity);
    if (quoted > 0 && capacity != 0) {
        FUZZ_CHECK(quoted <= tokenLimit);
        std::vector<char> back(tokenScratchSize);
        FUZZ_CHECK(scanToken(scanCopy, word.data(), back.data(), quoted, -1) == quoted);
        FUZZ_CHECK(whole == back.data());
        FUZZ_CHECK(commandWords(std::string(word.data(), quoted)) ==
                   std::vector<std::string>{whole});
    }

    // A walk through the text as a ";" list ends, every item within its room.
    const char* position = whole.c_str();
    uint32_t state = 0;
    for (size_t calls = 0; !(state & listDone); ++calls) {
        FUZZ_CHECK(calls <= whole.size() + 3);
        nextListItem(&state, &position, field.data(), static_cast<int>(room));
        FUZZ_CHECK(strnlen(field.data(), room) < room);
    }

    // The argv rebuilt into one line splits back into itself; the driver reads it back word
    // by word through the copy rules as far as the arguments have at most 259 characters.
    std::vector<std::string> arguments(1);
    for (size_t i = 4; i < size; ++i)
        if (data[i] == 0)
            arguments.emplace_back();
        else
            arguments.back() += static_cast<char>(data[i]);
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(&argument[0]);
    const std::string line = buildCommandLine(static_cast<int>(argv.size()), argv.data());
    FUZZ_CHECK(commandWords(line) == arguments);
    position = line.c_str();
    for (size_t i = 0; i < arguments.size() && arguments[i].size() <= tokenLimit; ++i) {
        while (*position == ' ')
            ++position;
        char copy[tokenScratchSize];
        const int span = scanToken(scanCopy, position, copy, line.c_str() + line.size() - position,
                                   tokenScratchSize);
        FUZZ_CHECK(span > 0 && arguments[i] == copy);
        position += span;
    }
    return 0;
}
