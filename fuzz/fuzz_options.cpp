// Option groups and whole command lines through both passes of the main sequence.
//
// Input: a text up to its first NUL. When it opens with "-" or "/" it is one option group,
// scanned in the first and then in the second pass; otherwise it is a whole command line, the
// program's name first. Neither may crash; the second pass ends where the first did and
// changes no setting (it only classifies the input files).
#include <cstdint>
#include <cstring>
#include <string>

#include "driver/link_options.h"
#include "driver/message_ids.h"
#include "driver/options.h"
#include "driver/tokenizer.h"
#include "fuzz_support.h"

namespace {

// What a second pass that applied the options again would change: the symbol lists would
// grow. Every other setting would only be given the same value again.
std::string settings() {
    std::string text;
    for (const SymbolList* list : {&linkOptions.includeSymbols, &linkOptions.excludeSymbols})
        for (const SymbolNode* s = list->head; s; s = s->next)
            text += std::string(s->text) + '\n';
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data),
                     strnlen(reinterpret_cast<const char*>(data), size));
    resetFuzzRunState();
    const bool group = text[0] == '-' || text[0] == '/';
    // A whole line is scanned behind the program's name.
    const int nameLength = group ? 0 : scanToken(scanCopy, text.c_str(), nullptr, text.size(), 0);
    if (!group && nameLength == 0)
        return 0; // a fatal error in the main sequence
    const char* line = text.c_str() + nameLength;
    const char *first = line, *second = line;
    try {
        group ? parseOptionGroup(&first, false) : scanCommandLine(line, false);
    } catch (const FakeExit&) {
        return 0;
    }
    const std::string before = settings();
    try {
        group ? parseOptionGroup(&second, true) : scanCommandLine(line, true);
    } catch (const FakeExit&) {
        // Only a compile may still fail (a word too long for a child's command line): errors 5
        // and 6 alone end with the usage line.
        FUZZ_CHECK(!group && fakePlatform.messages.back() != msgUsage);
    }
    FUZZ_CHECK(second == first && settings() == before);
    return 0;
}
