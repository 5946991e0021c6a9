// Shared by the fuzz targets: invariant checks that stop the fuzzer with a report, and a fresh
// run state per input in which fatal errors and child programs never leave the process.
#include "platform/platform_fake.h"

#pragma once

// Prints the failed condition and aborts, so that libFuzzer keeps the input as a crash.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition))                                                                          \
            fuzzCheckFailed(#condition, __FILE__, __LINE__);                                       \
    } while (0)

[[noreturn]] void fuzzCheckFailed(const char* condition, const char* file, int line);

// Sends standard output (the banner, messages, usage) to /dev/null once.
void silenceStandardOutput();

// The options, lists, generated names, banner and command buffer back at their start-up
// values over the fake platform layer: a fatal error throws FakeExit, child programs are not
// started and answer 0.
void resetFuzzRunState();
