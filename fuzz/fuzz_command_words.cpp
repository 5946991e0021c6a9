// Round trips of the POSIX command-line words.
//
// Input: an argv, its arguments separated by NUL bytes (the first one is the program's name).
// buildCommandLine then splitCommandWords gives the argv back; so does the driver's own
// reading (the copy rules, word by word) for arguments of at most 259 characters. Every
// argument that has a token form (not empty, at most 259 characters written), quoted and
// joined with blanks, splits back into the same texts.
#include <cstdint>
#include <string>
#include <vector>

#include "driver/tokenizer.h"
#include "fuzz_support.h"
#include "platform/command_words.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> arguments(1);
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0)
            arguments.emplace_back();
        else
            arguments.back() += static_cast<char>(data[i]);
    }
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(&argument[0]);
    const std::string line = buildCommandLine(static_cast<int>(argv.size()), argv.data());
    std::vector<std::string> words;
    splitCommandWords(line.c_str(), words);
    FUZZ_CHECK(words == arguments);

    const char* position = line.c_str();
    for (size_t i = 0; i < arguments.size() && arguments[i].size() <= tokenLimit; ++i) {
        while (*position == ' ')
            ++position;
        char field[tokenScratchSize];
        const int span = scanToken(scanCopy, position, field, line.c_str() + line.size() - position,
                                   tokenScratchSize);
        FUZZ_CHECK(span > 0 && arguments[i] == field);
        position += span;
    }

    std::string commandText;
    std::vector<std::string> quoted;
    for (const std::string& text : arguments) {
        char word[tokenScratchSize + 1];
        const int length = scanToken(scanQuote, text.c_str(), word, -1, -1);
        if (length > 0) {
            commandText.append(" ").append(word, length);
            quoted.push_back(text);
        }
    }
    words.clear();
    splitCommandWords(commandText.c_str(), words);
    FUZZ_CHECK(words == quoted);
    return 0;
}
