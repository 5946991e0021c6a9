// The companion-list reader on random bytes: the input becomes "fuzz.eom" in a scratch
// directory of its own, read as the list of the output "fuzz". The directory is named in the
// base name rather than made current, so that libFuzzer's relative paths keep working.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "driver/message_ids.h"
#include "driver/options.h"
#include "fuzz_support.h"
#include "inputs/companion_list.h"

namespace {

std::string directory;
std::string baseName;
std::string listName;

void removeScratch() {
    std::remove(listName.c_str());
    std::remove(directory.c_str());
}

size_t countNames() {
    size_t count = 0;
    for (const NameList* list :
         {&linkOptions.objectFiles, &linkOptions.libraries, &linkOptions.otherInputs})
        for (const NameNode* node = list->head; node; node = node->next)
            ++count;
    return count + (linkOptions.hasDefinitionFile ? 1 : 0);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    silenceStandardOutput();
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/veldra-fuzz-XXXXXX";
    if (!mkdtemp(&pattern[0]))
        fuzzCheckFailed("a scratch directory to work in", __FILE__, __LINE__);
    directory = pattern;
    baseName = directory + "/fuzz";
    listName = baseName + ".eom";
    std::atexit(removeScratch);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::FILE* file = std::fopen(listName.c_str(), "wb");
    FUZZ_CHECK(file != nullptr);
    FUZZ_CHECK(std::fwrite(data, 1, size, file) == size);
    FUZZ_CHECK(std::fclose(file) == 0);

    resetFuzzRunState();
    try {
        readCompanionList(baseName.c_str());
    } catch (const FuzzFatalExit& fatal) {
        // Only a compile can end the run here: a source name whose compile command does not
        // fit, or a compiler that fails.
        FUZZ_CHECK(fatal.id != msgIllegalCommandLine && fatal.id != msgInvalidOption);
        FUZZ_CHECK(!fuzzChildren.empty() || fatal.id == msgCommandTooLong);
    }
    checkLinkOptions();
    // Names are separated, so there are never more of them than characters.
    FUZZ_CHECK(countNames() <= size);
    return 0;
}
