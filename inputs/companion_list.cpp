#include "inputs/companion_list.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "driver/tokenizer.h"
#include "inputs/input_files.h"

void readCompanionList(const char* baseName) {
    std::string fileName = std::string(baseName) + ".eom";
    std::FILE* file = std::fopen(fileName.c_str(), "rb");
    if (!file)
        return;
    long size = -1;
    if (std::fseek(file, 0, SEEK_END) == 0)
        size = std::ftell(file);
    if (size <= 0 || std::fseek(file, 0, SEEK_SET) != 0) {
        std::fclose(file);
        return;
    }
    char* text = static_cast<char*>(std::malloc(static_cast<size_t>(size) + 1));
    if (!text) {
        std::fclose(file);
        return;
    }
    size_t count = std::fread(text, 1, static_cast<size_t>(size), file);
    std::fclose(file);
    if (count < static_cast<size_t>(size)) {
        std::free(text);
        return;
    }
    text[count] = '\0';
    addCompanionListNames(text, count);
    std::free(text);
}

// The list is plain text: names separated by white space, "," or "+", each name read with
// the command line's quoting rules. Line ends and escape characters count as blanks.
void addCompanionListNames(char* text, size_t count) {
    for (char* p = text; *p != '\0'; ++p) {
        if (*p == '\r' || *p == '\n' || *p == 27)
            *p = ' ';
    }
    static const char delimiters[] = {',', '+'};
    const char* end = text + count;
    for (const char* p = text; p < end;) {
        if (isWordSeparator(*p)) {
            ++p;
            continue;
        }
        int length = scanToken(scanMeasure, p, const_cast<char*>(delimiters),
                               static_cast<int>(end - p < 0x7fffffff ? end - p : 0x7fffffff), 2);
        if (length == 0) {
            ++p;
            continue;
        }
        addInputFile(p, length);
        p += length;
    }
}
