#include "platform/command_words.h"

#include <cstdint>
#include <cstring>

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

} // namespace

std::string buildCommandLine(int argc, char** argv) {
    // One allocation for the usual case, where no argument needs quotes, each argument copied
    // in whole: a line of thousands of names would otherwise be copied again at every
    // doubling. From the first argument that needs quotes on, the line grows as it must.
    size_t length = 0;
    for (int i = 0; i < argc; ++i)
        length += (argv[i] != nullptr ? std::strlen(argv[i]) : 0) + 1;
    std::string line(length, '\0');
    size_t used = 0;
    bool plainSoFar = true;
    for (int i = 0; i < argc; ++i) {
        const char* argument = argv[i] != nullptr ? argv[i] : "";
        size_t plain = findWordStop(argument, SIZE_MAX, false);
        if (plainSoFar && plain > 0 && argument[plain] == '\0') {
            if (i > 0)
                line[used++] = blank;
            std::memcpy(&line[used], argument, plain);
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
    std::vector<char> storage(std::strlen(commandLine) + 1);
    std::vector<char*> split;
    splitCommandWords(commandLine, storage.data(), split);
    words.insert(words.end(), split.begin(), split.end());
}
