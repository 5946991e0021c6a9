#include "platform/command_words.h"

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
    // "," between file names) reads exactly as the user typed it.
    const char* p = argument;
    while (*p != '\0') {
        if (!isQuotedCharacter(*p)) {
            line += *p++;
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
    std::string line;
    for (int i = 0; i < argc; ++i) {
        if (i > 0)
            line += blank;
        appendArgument(line, argv[i] != nullptr ? argv[i] : "");
    }
    return line;
}

void splitCommandWords(const char* commandLine, std::vector<std::string>& words) {
    const char* p = commandLine;
    for (;;) {
        while (*p == blank)
            ++p;
        if (*p == '\0')
            return;
        std::string word;
        bool inQuotes = false;
        for (; *p != '\0' && (inQuotes || *p != blank); ++p) {
            if (*p != quote) {
                word += *p;
            } else if (inQuotes && p[1] == quote) {
                word += quote;
                ++p;
            } else {
                inQuotes = !inQuotes;
            }
        }
        words.push_back(word);
    }
}
