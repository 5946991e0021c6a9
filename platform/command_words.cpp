#include "platform/command_words.h"

#include <cstring>
#include <utility>

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
    // One allocation for the usual case, where no argument needs quotes: a line of thousands
    // of names would otherwise be copied again at every doubling.
    size_t length = 0;
    for (int i = 0; i < argc; ++i)
        length += (argv[i] != nullptr ? std::strlen(argv[i]) : 0) + 1;
    std::string line;
    line.reserve(length);
    for (int i = 0; i < argc; ++i) {
        if (i > 0)
            line += blank;
        appendArgument(line, argv[i] != nullptr ? argv[i] : "");
    }
    return line;
}

void splitCommandWords(const char* commandLine, std::vector<std::string>& words) {
    // Room for every word at once: a word begins at each non-blank after a blank, so this
    // count is an upper bound.
    size_t count = 0;
    for (const char* q = commandLine; *q != '\0'; ++q) {
        if (*q != blank && (q == commandLine || q[-1] == blank))
            ++count;
    }
    words.reserve(words.size() + count);
    const char* p = commandLine;
    for (;;) {
        while (*p == blank)
            ++p;
        if (*p == '\0')
            return;
        std::string word;
        bool inQuotes = false;
        while (*p != '\0' && (inQuotes || *p != blank)) {
            // A run up to the next double quote or word end goes in whole.
            const char* run = p;
            while (*p != '\0' && *p != quote && (inQuotes || *p != blank))
                ++p;
            word.append(run, static_cast<size_t>(p - run));
            if (*p != quote)
                break;
            if (inQuotes && p[1] == quote) {
                word += quote;
                p += 2;
            } else {
                inQuotes = !inQuotes;
                ++p;
            }
        }
        words.push_back(std::move(word));
    }
}
