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
#include "driver/main_sequence.h"
#include "driver/message_ids.h"
#include "driver/options.h"
#include "driver/tokenizer.h"
#include "fuzz_support.h"

namespace {

// linkOptions as bytes, less what the second pass fills in: the input files.
std::string settings() {
    LinkOptions o;
    std::memcpy(&o, &linkOptions, sizeof o);
    o.objectFiles = o.libraries = o.otherInputs = NameList();
    o.hasDefinitionFile = 0;
    o.definitionFile = nullptr;
    return std::string(reinterpret_cast<const char*>(&o), sizeof o);
}

void scanGroup(const char* text) {
    const char *first = text, *second = text;
    try {
        parseOptionGroup(&first, false);
    } catch (const FakeExit&) {
        return;
    }
    const std::string before = settings();
    try {
        parseOptionGroup(&second, true);
    } catch (const FakeExit&) {
        FUZZ_CHECK(!"the second pass failed where the first did not");
    }
    FUZZ_CHECK(second == first);
    FUZZ_CHECK(settings() == before);
}

void scanWholeLine(const char* line) {
    const int nameLength = scanToken(scanCopy, line, nullptr, std::strlen(line), 0);
    if (nameLength == 0)
        return; // a fatal error in the main sequence
    try {
        scanCommandLine(line + nameLength, false);
    } catch (const FakeExit&) {
        return;
    }
    const std::string before = settings();
    try {
        scanCommandLine(line + nameLength, true);
    } catch (const FakeExit&) {
        // A compile may still fail (a word too long for a child's command line); errors 5 and
        // 6 alone end with the usage line.
        FUZZ_CHECK(fakePlatform.messages.back() != msgUsage);
    }
    FUZZ_CHECK(settings() == before);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    silenceStandardOutput();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data),
                           strnlen(reinterpret_cast<const char*>(data), size));
    resetFuzzRunState();
    if (text[0] == '-' || text[0] == '/')
        scanGroup(text.c_str());
    else
        scanWholeLine(text.c_str());
    return 0;
}
