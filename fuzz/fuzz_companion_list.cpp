// The companion-list reader on random bytes: the input becomes "fuzz.eom" in a scratch
// directory of its own, read as the list of the output "fuzz". It must neither crash nor leak.
// The directory is named in the base name rather than made current, so that libFuzzer's
// relative paths keep working.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <sanitizer/lsan_interface.h>

#include "fuzz_support.h"
#include "inputs/companion_list.h"

namespace {

std::string directory, baseName, listName;

void removeScratch() {
    std::remove(listName.c_str());
    std::remove(directory.c_str());
}

// Reads the list into a fresh run state; true when it ended in a fatal error.
bool readList() {
    resetFuzzRunState();
    try {
        readCompanionList(baseName.c_str());
    } catch (const FakeExit&) {
        return true;
    }
    return false;
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
    // A fatal error that leaves through the seam skips the release of the list's buffer; in a
    // real run the process ends there. So each input is first read with leak detection off, and
    // read once more with it on when it ended normally, where a buffer not released is a leak.
    __lsan_disable();
    const bool fatal = readList();
    __lsan_enable();
    if (!fatal)
        readList();
    return 0;
}
