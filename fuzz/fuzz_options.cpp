// Option groups and whole command lines through both passes of the main sequence.
//
// Input: a text up to its first NUL. When it opens with "-" or "/" it is one option group,
// scanned in the first and then in the second pass; otherwise it is a whole command line, the
// program's name first. Fatal errors leave through the seam as an exception.
#include <cstdint>
#include <cstring>
#include <string>

#include "driver/main_sequence.h"
#include "driver/message_ids.h"
#include "driver/options.h"
#include "driver/tokenizer.h"
#include "fuzz_support.h"
#include "link/link_steps.h"

namespace {

size_t countSymbols(const SymbolList& list) {
    size_t count = 0;
    for (const SymbolNode* node = list.head; node; node = node->next)
        ++count;
    return count;
}

template <typename T> void appendBytes(std::string& out, const T& value) {
    out.append(reinterpret_cast<const char*>(&value), sizeof value);
}

// The parts of linkOptions that only the options set, as bytes; the second pass must leave
// them alone.
std::string settingsOf(const LinkOptions& o) {
    std::string s;
    for (int flag :
         {o.verbose, o.linkSystemPrograms, o.singleThreaded, o.useGeneratedDefinitionFile,
          o.buildDll, o.generateMap, o.guiApplication, o.staticRuntime, o.importedSharedRuntime,
          o.boundSharedRuntime, o.keepTemporaries, o.useCompanionList, o.noBanner})
        appendBytes(s, flag);
    appendBytes(s, o.staticRuntimeLetters);
    appendBytes(s, o.importedThreadLetter);
    appendBytes(s, o.outputName);
    appendBytes(s, o.mainEntryName);
    appendBytes(s, o.compilerDirectives);
    appendBytes(s, o.boundRuntimeMode);
    appendBytes(s, o.machine);
    appendBytes(s, o.namesToolFlags);
    appendBytes(s, countSymbols(o.includeSymbols));
    appendBytes(s, countSymbols(o.excludeSymbols));
    return s;
}

bool isCommandLineError(int id) {
    return id == msgIllegalCommandLine || id == msgInvalidOption;
}

void scanGroup(const char* text) {
    const char* first = text;
    try {
        parseOptionGroup(&first, false);
    } catch (const FuzzFatalExit&) {
        return;
    }
    FUZZ_CHECK(first > text && first <= text + std::strlen(text));
    const char c = *first;
    FUZZ_CHECK(c == '\0' || c == ' ' || (c >= '\t' && c <= '\r') || c == ',' || c == '+');
    const std::string before = settingsOf(linkOptions);
    const char* second = text;
    try {
        parseOptionGroup(&second, true);
    } catch (const FuzzFatalExit&) {
        FUZZ_CHECK(!"the second pass failed where the first did not");
    }
    FUZZ_CHECK(second == first);
    const std::string after = settingsOf(linkOptions);
    FUZZ_CHECK(before == after);
}

void scanWholeLine(const char* line) {
    int nameLength = scanToken(scanCopy, line, nullptr, static_cast<int>(std::strlen(line)), 0);
    if (nameLength == 0)
        return;
    try {
        scanCommandLine(line + nameLength, false);
    } catch (const FuzzFatalExit&) {
        FUZZ_CHECK(fuzzChildren.empty());
        return;
    }
    // Nothing is classified or compiled in the first pass.
    FUZZ_CHECK(fuzzChildren.empty());
    FUZZ_CHECK(!linkOptions.objectFiles.head && !linkOptions.libraries.head &&
               !linkOptions.otherInputs.head && !linkOptions.hasDefinitionFile);
    const std::string before = settingsOf(linkOptions);
    try {
        scanCommandLine(line + nameLength, true);
    } catch (const FuzzFatalExit& fatal) {
        // A compile may still fail (a word too long for a child's command line).
        FUZZ_CHECK(!isCommandLineError(fatal.id));
        return;
    }
    const std::string after = settingsOf(linkOptions);
    FUZZ_CHECK(before == after);
    checkLinkOptions();
    if (!linkOptions.objectFiles.head && !linkOptions.otherInputs.head)
        return;
    try {
        settleOutputName();
    } catch (const FuzzFatalExit& fatal) {
        FUZZ_CHECK(fatal.id == msgInvalidFileName);
        return;
    }
    const size_t outputLength = std::strlen(linkOptions.outputName);
    FUZZ_CHECK(outputLength > 0 && outputLength <= tokenLimit);
    FUZZ_CHECK(std::memchr(outputBaseName, '\0', textCapacity) != nullptr);
    FUZZ_CHECK(std::strlen(outputBaseName) <= outputLength);
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
    if (!text.empty() && (text[0] == '-' || text[0] == '/'))
        scanGroup(text.c_str());
    else
        scanWholeLine(text.c_str());
    checkLinkOptions();
    return 0;
}
