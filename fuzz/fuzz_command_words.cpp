// Round trips of the POSIX command-line words.
//
// Input: an argv, its arguments separated by NUL bytes (the first one is the program's name).
// 1. buildCommandLine, then the driver's own reading (the copy rules, word by word, with the
//    rest of the line as source length) gives every argument back, each spanning up to a blank
//    or the end, as long as the argument holds at most 259 characters; splitCommandWords gives
//    the whole argv back, whatever the lengths.
// 2. Every argument that has a token form (not empty, at most 259 characters written), quoted
//    and joined with blanks, splits back into the same texts.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "driver/tokenizer.h"
#include "fuzz_support.h"
#include "platform/command_words.h"

namespace {

std::vector<std::string> splitAtNul(const uint8_t* data, size_t size) {
    std::vector<std::string> arguments(1);
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0)
            arguments.emplace_back();
        else
            arguments.back() += static_cast<char>(data[i]);
    }
    return arguments;
}

void checkRebuild(const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    const std::string line = buildCommandLine(static_cast<int>(arguments.size()), argv.data());
    FUZZ_CHECK(line.find('\0') == std::string::npos);

    std::vector<std::string> words;
    splitCommandWords(line.c_str(), words);
    FUZZ_CHECK(words == arguments);

    // The program's name as the main sequence steps over it: into the scratch area.
    if (arguments[0].size() <= tokenLimit) {
        const int nameLength =
            scanToken(scanCopy, line.c_str(), nullptr, static_cast<int>(line.size()), 0);
        FUZZ_CHECK(nameLength > 0);
        FUZZ_CHECK(line[nameLength] == ' ' || line[nameLength] == '\0');
    }

    const char* position = line.c_str();
    const char* end = position + line.size();
    for (const std::string& argument : arguments) {
        if (argument.size() > tokenLimit)
            return; // no 260-character field holds it; the rest is not read this way
        while (*position == ' ')
            ++position;
        std::vector<char> field(tokenScratchSize);
        const int span = scanToken(scanCopy, position, field.data(),
                                   static_cast<int>(end - position), tokenScratchSize);
        FUZZ_CHECK(span > 0);
        FUZZ_CHECK(std::string(field.data()) == argument);
        position += span;
        FUZZ_CHECK(*position == ' ' || *position == '\0');
    }
    FUZZ_CHECK(position == end);
}

// The length of text written as one word: its quotes doubled, in quotes when it holds a blank
// or a quote.
size_t tokenFormLength(const std::string& text) {
    size_t length = text.size();
    for (char c : text)
        length += c == '"';
    return length + (text.find_first_of(" \"") == std::string::npos ? 0 : 2);
}

void checkQuoteAndSplit(const std::vector<std::string>& texts) {
    std::string commandText;
    std::vector<std::string> quoted;
    for (const std::string& text : texts) {
        char word[tokenScratchSize + 1];
        const int length = scanToken(scanQuote, text.c_str(), word, -1, -1);
        if (length == 0) {
            FUZZ_CHECK(text.empty() || tokenFormLength(text) > tokenLimit);
            continue;
        }
        FUZZ_CHECK(static_cast<size_t>(length) == tokenFormLength(text));
        commandText += ' ';
        commandText.append(word, length);
        quoted.push_back(text);
    }
    std::vector<std::string> words;
    splitCommandWords(commandText.c_str(), words);
    FUZZ_CHECK(words == quoted);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<std::string> arguments = splitAtNul(data, size);
    checkRebuild(arguments);
    checkQuoteAndSplit(arguments);
    return 0;
}
