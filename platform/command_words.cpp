#include "platform/command_words.h"

#include <cstring>
#include <memory>

#include "platform/word_stop.h"

namespace {

const char quote = '"';
const char blank = ' ';

bool isQuotedCharacter(char c) {
    return c == blank || c == quote;
}

void appendArgument(std::string& line, const char* argument, size_t length) {
    if (length == 0) {
        line += "\"\"";
        return;
    }
    // Only the runs that need it are quoted, so that the rest of the word (a leading "-", a
    // "," between file names) reads exactly as the user typed it.
    const char* p = argument;
    const char* const end = argument + length;
    while (p < end) {
        const size_t run = findWordStop(p, static_cast<size_t>(end - p), false);
        line.append(p, run);
        p += run;
        if (p == end)
            break;
        line += quote;
        for (; p < end && isQuotedCharacter(*p); ++p) {
            line += *p;
            if (*p == quote)
                line += quote;
        }
        line += quote;
    }
}

} // namespace

std::unique_ptr<char[]> buildCommandLine(int argc, char** argv) {
    // Nearly every argument is a plain word. Each is copied with its terminator, and two
    // searches over the whole copy tell whether any holds a blank or a double quote; when none
    // does and none is empty, the terminators between them become the blanks. The arguments
    // are the system's: read no further than their terminators.
    const size_t count = static_cast<size_t>(argc > 0 ? argc : 0);
    std::unique_ptr<size_t[]> lengths(new size_t[count]);
    size_t total = 0;
    bool plain = true;
    for (size_t i = 0; i < count; ++i) {
        lengths[i] = argv[i] != nullptr ? std::strlen(argv[i]) : 0;
        plain = plain && lengths[i] > 0;
        total += lengths[i] + 1;
    }
    std::unique_ptr<char[]> line(new char[total > 0 ? total : 1]);
    line[0] = '\0';
    char* p = line.get();
    for (size_t i = 0; plain && i < count; ++i) {
        std::memcpy(p, argv[i], lengths[i] + 1);
        p += lengths[i] + 1;
    }
    if (plain && std::memchr(line.get(), blank, total) == nullptr &&
        std::memchr(line.get(), quote, total) == nullptr) {
        p = line.get();
        for (size_t i = 0; i + 1 < count; ++i) {
            p += lengths[i];
            *p++ = blank;
        }
        return line;
    }
    std::string quoted;
    for (size_t i = 0; i < count; ++i) {
        if (i > 0)
            quoted += blank;
        appendArgument(quoted, argv[i] != nullptr ? argv[i] : "", lengths[i]);
    }
    line.reset(new char[quoted.size() + 1]);
    std::memcpy(line.get(), quoted.c_str(), quoted.size() + 1);
    return line;
}

size_t splitCommandWords(char* line, char** words) {
    size_t count = 0;
    size_t left = std::strlen(line); // characters from p to the terminator
    // A line without double quotes, as a long one of file names is: each word ends at the
    // next blank, where its terminator goes.
    if (std::memchr(line, quote, left) == nullptr) {
        char* p = line;
        for (;;) {
            while (*p == blank)
                ++p, --left;
            if (*p == '\0')
                return count;
            words[count++] = p;
            char* const wordEnd = static_cast<char*>(std::memchr(p, blank, left));
            if (wordEnd == nullptr)
                return count;
            *wordEnd = '\0';
            left -= static_cast<size_t>(wordEnd + 1 - p);
            p = wordEnd + 1;
        }
    }
    char* out = line;
    const char* p = line;
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
