#include "fuzz_support.h"

#include <cstdio>
#include <cstdlib>

#include "driver/main_sequence.h"
#include "platform/platform_fake.h"

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
    resetRunState();
    fakePlatform = FakePlatform();
    fakePlatform.files = {"bin/cobol", "bin/cl", "bin/tessor", "bin/link"};
}
