#include "fuzz_support.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "driver/messages.h"
#include "driver/options.h"
#include "driver/tokenizer.h"
#include "link/link_steps.h"
#include "process/command_buffer.h"
#include "process/runner.h"

std::vector<std::string> fuzzChildren;

namespace {

void throwFatal(int id) {
    throw FuzzFatalExit{id};
}

unsigned recordChild(const char* program, const char* commandText) {
    fuzzChildren.push_back(std::string(program) + commandText);
    return 0;
}

bool terminatedWithin(const char* text, size_t size) {
    return std::memchr(text, '\0', size) != nullptr;
}

void checkNames(const NameList& list) {
    const NameNode* last = nullptr;
    for (const NameNode* node = list.head; node; node = node->next) {
        FUZZ_CHECK(node->text != nullptr);
        size_t length = std::strlen(node->text);
        FUZZ_CHECK(length > 0 && length <= tokenLimit);
        last = node;
    }
    FUZZ_CHECK(list.tail == last);
}

void checkSymbols(const SymbolList& list) {
    for (const SymbolNode* node = list.head; node; node = node->next)
        FUZZ_CHECK(std::strlen(node->text) <= tokenLimit);
}

} // namespace

void fuzzCheckFailed(const char* condition, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: invariant violated: %s\n", file, line, condition);
    std::fflush(stderr);
    std::abort();
}

void silenceStandardOutput() {
    if (!std::freopen("/dev/null", "w", stdout))
        fuzzCheckFailed("freopen(/dev/null)", __FILE__, __LINE__);
}

void resetFuzzRunState() {
    resetLinkOptions();
    resetGeneratedNames();
    resetMessages();
    resetCommandBuffer();
    fuzzChildren.clear();
    fatalErrorHook = throwFatal;
    childProgramHook = recordChild;
}

void checkLinkOptions() {
    const LinkOptions& o = linkOptions;
    FUZZ_CHECK(o.machine >= machineIx86 && o.machine <= machineAmd64);
    FUZZ_CHECK(!(o.staticRuntime && o.boundSharedRuntime));
    FUZZ_CHECK(terminatedWithin(o.outputName, sizeof o.outputName));
    FUZZ_CHECK(terminatedWithin(o.mainEntryName, sizeof o.mainEntryName));
    FUZZ_CHECK(terminatedWithin(o.compilerDirectives, sizeof o.compilerDirectives));
    FUZZ_CHECK(terminatedWithin(o.boundRuntimeMode, sizeof o.boundRuntimeMode));
    FUZZ_CHECK(o.staticRuntimeLetters[3] == '\0');
    FUZZ_CHECK(o.importedThreadLetter[1] == '\0');
    FUZZ_CHECK(std::strchr("BLF", o.staticRuntimeLetters[0]) != nullptr);
    FUZZ_CHECK(o.staticRuntimeLetters[1] == 'S' || o.staticRuntimeLetters[1] == 'M');
    FUZZ_CHECK(o.staticRuntimeLetters[2] == '\0' || o.staticRuntimeLetters[2] == 'D');
    FUZZ_CHECK((o.namesToolFlags & ~1u) == 0);
    FUZZ_CHECK(o.hasDefinitionFile == (o.definitionFile != nullptr));
    if (o.definitionFile)
        FUZZ_CHECK(std::strlen(o.definitionFile) <= tokenLimit);
    checkSymbols(o.includeSymbols);
    checkSymbols(o.excludeSymbols);
    checkNames(o.objectFiles);
    checkNames(o.libraries);
    checkNames(o.otherInputs);
}
