#include "inputs/companion_list.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "driver/tokenizer.h"
#include "inputs/input_files.h"
#include "platform/platform.h"

namespace {

// The list's text; the names classified from it are copies, so it goes when the next list
// is read (a fatal error in between keeps it to the end, as it keeps everything else).
char* listText = nullptr;

} // namespace

void readCompanionList(const char* baseName) {
    std::free(listText);
    size_t size = 0;
    listText = platformReadFile((std::string(baseName) + ".eom").c_str(), &size);
    if (listText != nullptr)
        addCompanionListNames(listText, size);
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
        const int length =
            measureToken(p, static_cast<int>(end - p < 0x7fffffff ? end - p : 0x7fffffff));
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
        addInputFile(p, length);
        p += length;
    }
}
