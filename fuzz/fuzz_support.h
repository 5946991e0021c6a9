// Shared by the fuzz targets: invariant checks that stop the fuzzer with a report, and a fresh
// run state per input in which fatal errors and child programs never leave the process.
#pragma once

#include <cstdio>
#include <cstdlib>

#include "driver/main_sequence.h"
#include "platform/platform_fake.h"

// Aborts, so that libFuzzer keeps the input as a crash; its stack trace names the check.
#define FUZZ_CHECK(condition) ((condition) ? void() : std::abort())

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
