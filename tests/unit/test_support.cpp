#include "test_support.h"

#include <gtest/gtest.h>

#include "driver/main_sequence.h"
#include "driver/tokenizer.h"
#ifndef _WIN32
#include "platform/registry/registry_posix.h"
#endif

FakePlatform standardPlatform() {
    FakePlatform fake;
    for (const char* tool : {"cobol", "cl", "tessor", "link"})
        fake.files.insert(std::string("bin/") + tool);
    fake.files.insert("lib/msvcrt.lib");
    fake.environment["LIB"] = "lib";
    return fake;
}

namespace {

template <typename Run> RunResult captured(Run run) {
    testing::internal::CaptureStdout();
    int status = -1;
    try {
        status = run();
    } catch (const FakeExit& end) {
        status = end.status;
    }
    return {status, testing::internal::GetCapturedStdout()};
}

} // namespace

RunResult runLine(const std::string& commandLine, int argumentCount) {
#ifndef _WIN32
    registrySetStoreFiles("", "");
#endif
    return captured([&] { return runMainSequence(argumentCount, commandLine.c_str()); });
}

RunResult scanLine(const std::string& commandLine) {
    resetRunState();
    return captured([&] {
        int nameLength = scanToken(scanCopy, commandLine.c_str(), nullptr, -1, 0);
        scanCommandLine(commandLine.c_str() + nameLength, false);
        scanCommandLine(commandLine.c_str() + nameLength, true);
        return -1;
    });
}

std::string error(int id, const std::string& text) {
    return kBanner + "ERROR: (" + std::to_string(id) + ") " + text + "\n";
}

std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines)
        text += (text.empty() ? "" : "\n") + line;
    return text;
}
