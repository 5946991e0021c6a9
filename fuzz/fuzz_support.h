// Shared by the fuzz targets: invariant checks that stop the fuzzer with a report, and a fresh
// run state per input in which fatal errors and child programs never leave the process.
#pragma once

#include <cstdio>
#include <cstdlib>

#include "driver/main_sequence.h"
#include "platform/platform_fake.h"

// Prints the failed condition and aborts, so that libFuzzer keeps the input as a crash.
#define FUZZ_CHECK(condition)                                                                      \
    ((condition) ? void() : fuzzCheckFailed(#condition, __FILE__, __LINE__))

[[noreturn]] inline void fuzzCheckFailed(const char* condition, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: invariant violated: %s\n", file, line, condition);
    std::abort();
}

// The options, lists, generated names, banner and command buffer back at their start-up
// values over the fake platform layer: a fatal error throws FakeExit, child programs are not
// started and answer 0. Standard output (the banner, messages, usage) goes to /dev/null.
inline void resetFuzzRunState() {
    static const bool silenced = std::freopen("/dev/null", "w", stdout) != nullptr;
    FUZZ_CHECK(silenced);
    resetRunState();
    fakePlatform = FakePlatform();
    fakePlatform.files = {"bin/cobol", "bin/cl", "bin/tessor", "bin/link"};
}
