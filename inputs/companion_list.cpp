#include "inputs/companion_list.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
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
    // Owned, so that a run over the test platform, whose fatal errors unwind, leaks nothing.
    std::unique_ptr<char, void (*)(void*)> text(
        static_cast<char*>(std::malloc(static_cast<size_t>(size) + 1 + scanSlack)), std::free);
    if (!text) {
        std::fclose(file);
        return;
    }
    size_t count = std::fread(text.get(), 1, static_cast<size_t>(size), file);
    std::fclose(file);
    if (count < static_cast<size_t>(size))
        return;
    std::memset(text.get() + count, 0, 1 + scanSlack);
    addCompanionListNames(text.get(), count);
}

// The list is plain text: names separated by white space, "," or "+", each name read with
// the command line's quoting rules. Line ends and escape characters count as blanks.
void addCompanionListNames(char* text, size_t count) {
    for (char* p = text; *p != '\0'; ++p) {
        if (*p == '\r' || *p == '\n' || *p == 27)
            *p = ' ';
    }
    const char* end = text + count;
    for (const char* p = text; p < end;) {
        if (isWordSeparator(*p)) {
            ++p;
            continue;
        }
        bool plain;
        const int length =
            measureToken(p, static_cast<int>(end - p < 0x7fffffff ? end - p : 0x7fffffff), &plain);
        if (length == 0) {
            // An open double quote: a scan from any character up to the first double quote
            // reaches it in the same state and fails the same way, so skipping them one at a
            // time comes to skipping them all at once. Without this a long list would be
            // scanned to its end once per character.
            const char* quote =
                *p == '\0' ? nullptr : static_cast<const char*>(std::memchr(p, '"', end - p));
            p = quote ? quote + 1 : p + 1;
            continue;
        }
        addInputFile(p, length, plain);
        p += length;
    }
}
