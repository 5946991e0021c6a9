#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver/messages.h"
#include "driver/options.h"
#include "test_support.h"

namespace {

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

std::string banner() {
    resetMessages();
    CaptureStdout();
    printBanner();
    std::string text = GetCapturedStdout();
    resetMessages();
    return text;
}

// What the run prints for these message ids, in order, after the banner.
std::string messagesOf(const std::vector<int>& ids) {
    if (ids.empty())
        return "";
    std::string text = banner();
    for (int id : ids)
        text += loadMessage(id);
    return text;
}

struct Outcome {
    int fatal;
    std::string output;
};

Outcome parse(const std::string& options) {
    resetRunState();
    CaptureStdout();
    int fatal = scanLine(("veldra " + options).c_str());
    return {fatal, GetCapturedStdout()};
}

std::vector<std::string> symbols(const SymbolList& list) {
    std::vector<std::string> result;
    for (SymbolNode* node = list.head; node; node = node->next)
        result.push_back(node->text);
    return result;
}

TEST(Options, FlagsAndLetters) {
    struct Case {
        const char* line;
        const char* letters; // staticRuntimeLetters
        const char* thread;  // importedThreadLetter
        int singleThreaded, staticRuntime, importedShared, boundShared;
    };
    const Case cases[] = {
        {"-BLMD", "LMD", "S", 0, 1, 0, 0},
        {"-BD", "BSD", "S", 1, 1, 0, 0},
        {"-B", "BS", "S", 1, 1, 0, 0},
        {"-bsmf", "FM", "S", 0, 1, 0, 0},
        {"-J -B", "BM", "M", 0, 1, 0, 0},
        {"-FM", "BS", "M", 0, 0, 1, 0},
        {"-Fs", "BS", "S", 1, 0, 1, 0},
        {"-Fx", "BS", "X", 1, 0, 1, 0},
        {"-FS -T", "BS", "S", 1, 1, 1, 0},
        {"-FM -RS", "BS", "M", 1, 0, 0, 1},
        {"-BM -FS", "BM", "S", 1, 0, 1, 0},
        {"-T -RS", "BS", "S", 1, 0, 0, 1},
        {"-RS -T", "BS", "S", 1, 1, 0, 0},
        {"-F V", "BS", " ", 1, 0, 1, 0}, // the blank is -F's letter; V follows in the group
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        Outcome outcome = parse(c.line);
        ASSERT_EQ(-1, outcome.fatal);
        EXPECT_STREQ(c.letters, linkOptions.staticRuntimeLetters);
        EXPECT_STREQ(c.thread, linkOptions.importedThreadLetter);
        EXPECT_EQ(c.singleThreaded, linkOptions.singleThreaded);
        EXPECT_EQ(c.staticRuntime, linkOptions.staticRuntime);
        EXPECT_EQ(c.importedShared, linkOptions.importedSharedRuntime);
        EXPECT_EQ(c.boundShared, linkOptions.boundSharedRuntime);
    }
    parse("-F V");
    EXPECT_EQ(1, linkOptions.verbose);
}

TEST(Options, ConflictWarningsInOrder) {
    struct Case {
        const char* line;
        std::vector<int> warnings;
    };
    const Case cases[] = {
        {"-T -RS", {113}},          {"-RS -T", {101}},       {"-FM -RS", {109, 104}},
        {"-FS -T -RS", {113, 109}}, {"-BM -FS", {112}},      {"-FS -B", {108}},
        {"-RS -B", {110}},          {"-RS -FS", {111}},      {"-RS -J", {103}},
        {"-J -RM", {104}},          {"-BM -RE", {113, 104}}, {"-D -E -G -K -L -S -V -Zsys", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        Outcome outcome = parse(c.line);
        EXPECT_EQ(-1, outcome.fatal);
        EXPECT_EQ(messagesOf(c.warnings), outcome.output);
    }
}

TEST(Options, Arguments) {
    parse("-Oout,b.obj -M\"my main\" -Ua+b.obj");
    EXPECT_STREQ("out", linkOptions.outputName);
    EXPECT_STREQ("my main", linkOptions.mainEntryName);
    EXPECT_STREQ("a", linkOptions.compilerDirectives);
    ASSERT_TRUE(linkOptions.objectFiles.head);
    EXPECT_STREQ("b.obj", linkOptions.objectFiles.head->text);
    parse("-Ofirst -Osecond -Ia -Ib -Xc -Xd");
    EXPECT_STREQ("second", linkOptions.outputName);
    EXPECT_EQ((std::vector<std::string>{"a", "b"}), symbols(linkOptions.includeSymbols));
    EXPECT_EQ((std::vector<std::string>{"d", "c"}), symbols(linkOptions.excludeSymbols));
    parse("-O\"my app.exe\"");
    EXPECT_STREQ("my app.exe", linkOptions.outputName);
    parse("-O" + std::string(259, 'n'));
    EXPECT_EQ(std::string(259, 'n'), linkOptions.outputName);
}

TEST(Options, BoundRuntimeMode) {
    const std::pair<const char*, const char*> cases[] = {
        {"-RS", "S"},
        {"-Rmv", "MV"},
        {"-REV,+5.4", "EV,+05.04"},
        {"-RS,6", "S,06.00"},
        {"-RM,-12.3", "M,-12.03"},
        {"-RS,123.4", "S,123.04"},
        {"-RSV,123456789.1", "SV,123456789.01"},
        {"-RSVK", "SV"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first);
        ASSERT_EQ(-1, parse(c.first).fatal);
        EXPECT_STREQ(c.second, linkOptions.boundRuntimeMode);
    }
    EXPECT_EQ(1, linkOptions.keepTemporaries);
}

TEST(Options, MachineAndNamesToolFlags) {
    EXPECT_EQ(-1, parse("-P3").fatal);
    EXPECT_EQ(machineAmd64, linkOptions.machine);
    EXPECT_EQ(-1, parse("-P1").fatal);
    EXPECT_EQ(machineAlpha, linkOptions.machine);
    EXPECT_EQ(-1, parse("-Px").fatal);
    EXPECT_EQ(detectNativeMachine(), linkOptions.machine);
    EXPECT_EQ(-1, parse("-ZSYS").fatal);
    EXPECT_EQ(1u, linkOptions.namesToolFlags);
    EXPECT_EQ(-1, parse("-vs").fatal);
    EXPECT_EQ(1, linkOptions.verbose);
    EXPECT_EQ(0, linkOptions.linkSystemPrograms);
    EXPECT_EQ(-1, parse("--").fatal);
}

TEST(Options, Failures) {
    struct Case {
        std::string line;
        int fatal;
        std::vector<int> before; // messages printed ahead of the fatal error
    };
    const Case cases[] = {
        {"-", 5, {}},
        {"- x.obj", 5, {}},
        {"-Y", 6, {}},
        {"-A", 6, {}},
        {"-3", 6, {}},
        {"-P4", 6, {}},
        {"-P12", 6, {}},
        {"-P01", 6, {}},
        {"-P", 6, {}},
        {"-F", 6, {}},
        {"-Zsys2", 6, {}},
        {"-ZsysV", 6, {}},
        {"-Z", 6, {}},
        {"-O", 6, {151}},
        {"-O x.obj", 6, {151}},
        {"-M", 6, {150}},
        {"-I,", 6, {152}},
        {"-X\"open", 6, {153}},
        {"-U", 6, {}},
        {"-O" + std::string(260, 'n'), 6, {151}},
        {"-RX", 6, {}},
        {"-RS,", 6, {}},
        {"-RS,5.", 6, {}},
        {"-RS,x", 6, {}},
        {"-REV,1234567890.1", 6, {}},
        {"-RS,99999999999", 6, {}},
        {"-T -RX", 6, {113}},
        {"-V a\"b", 5, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        Outcome outcome = parse(c.line);
        EXPECT_EQ(c.fatal, outcome.fatal);
        std::string expected = messagesOf(c.before);
        EXPECT_EQ(expected, outcome.output.substr(0, expected.size()));
        EXPECT_EQ(nullptr, linkOptions.objectFiles.head) << "nothing is classified";
    }
}

} // namespace
