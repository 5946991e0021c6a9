#include "fuzz_support.h"

#include <cstdio>
#include <cstdlib>

#include "driver/generated_names.h"
#include "driver/link_options.h"
#include "driver/messages.h"
#include "link/link_steps.h"
#include "process/command_buffer.h"
#include "process/runner.h"

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
    fatalErrorHook = [](int id) { throw id; };
    childProgramHook = [](const char*, const char*) { return 0u; };
}
