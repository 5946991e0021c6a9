#include "platform/command_words.h"

#include <cstring>

#include "platform/word_stop.h"

namespace {

const char quote = '"';
const char blank = ' ';

void appendArgument(std::string& line, const char* argument, size_t length) {
    if (length == 0) {
        quoteWord(line, argument, 0); // ""
        return;
    }
    // Only the runs of blanks and double quotes are quoted, so that the rest of the word (a
    // leading "-", a "," between file names) reads exactly as the user typed it.
    const char* p = argument;
    const char* const end = argument + length;
    while (p < end) {
        const size_t run = findWordStop(p, static_cast<size_t>(end - p), false);
        line.append(p, run);
        p += run;
        const char* const quoted = p;
        while (p < end && (*p == blank || *p == quote))
            ++p;
        if (p > quoted)
            quoteWord(line, quoted, static_cast<size_t>(p - quoted));
    }
}

} // namespace

std::string buildCommandLine(int argc, char** argv) {
    std::string line;
    for (int i = 0; i < argc; ++i) {
        // The argument is the system's: read no further than its terminator.
        const char* argument = argv[i] != nullptr ? argv[i] : "";
        if (i > 0)
            line += blank;
        appendArgument(line, argument, std::strlen(argument));
    }
    return line;
}

size_t splitCommandWords(char* line, char** words) {
    size_t count = 0;
    char* out = line;
    const char* p = line;
    size_t left = std::strlen(line); // characters from p to the terminator
    for (;;) {
        while (*p == blank)
            ++p, --left;
        if (*p == '\0')
            return count;
        out = line + (p - line);
        words[count++] = out;
        bool inQuotes = false;
        for (;;) {
            // A run up to the next double quote or word end goes in whole; inside quotes a
            // blank is part of it.
            size_t run = findWordStop(p, left, false);
            while (inQuotes && p[run] == blank)
                run += 1 + findWordStop(p + run + 1, left - run - 1, false);
            if (out != p)
                std::memmove(out, p, run);
            out += run;
            p += run;
            left -= run;
            if (*p != quote)
                break;
            if (inQuotes && p[1] == quote) {
                *out++ = quote;
                p += 2;
                left -= 2;
            } else {
                inQuotes = !inQuotes;
                ++p;
                --left;
            }
        }
        // The terminator takes the place of the blank (or NUL) that ended the word, or lies
        // before it when quotes were dropped.
        const bool atEnd = *p == '\0';
        *out = '\0';
        if (atEnd)
            return count;
        if (out == p)
            ++p, --left;
        ++out;
    }
}

std::vector<std::string> commandWords(const std::string& line) {
    std::string copy = line;
    std::vector<char*> words(maxCommandWords(copy.size()));
    words.resize(splitCommandWords(&copy[0], words.data()));
    return std::vector<std::string>(words.begin(), words.end());
}
