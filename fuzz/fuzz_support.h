// Shared by the fuzz targets: invariant checks that stop the fuzzer with a report, and a fresh
// run state per input in which fatal errors and child programs never leave the process.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// Prints the failed condition and aborts, so that libFuzzer keeps the input as a crash.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition))                                                                          \
            fuzzCheckFailed(#condition, __FILE__, __LINE__);                                       \
    } while (0)

[[noreturn]] void fuzzCheckFailed(const char* condition, const char* file, int line);

// Thrown by the fatal-error seam instead of ending the process.
struct FuzzFatalExit {
    int id;
};

// Sends standard output (the banner, messages, usage) to /dev/null once.
void silenceStandardOutput();

// The options, lists, generated names, banner and command buffer back at their start-up
// values; fatal errors throw FuzzFatalExit, child programs are recorded in fuzzChildren and
// answer 0.
void resetFuzzRunState();
extern std::vector<std::string> fuzzChildren;

// Checks what must hold of linkOptions after any scan: machine in range, texts terminated in
// their fields, runtime flags not both set, list names terminated and at most 259 characters.
void checkLinkOptions();
