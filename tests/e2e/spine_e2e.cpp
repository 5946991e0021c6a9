// The driver's spine end to end: usage paths, message 100, fatal errors 5 and 6, the option
// parser's warnings in order, and the banner. Every case compares the whole output and the exit
// status, and checks that no child program was started.

#include "e2e/harness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using e2e::kBanner;
using e2e::kUsageLine;

// English output, whatever the machine's locale.
const e2e::EnvOverrides kEnglish = {
    {"LANG", "C"}, {"LC_ALL", std::nullopt}, {"LC_MESSAGES", std::nullopt}};

const std::string kNoInput = "\nERROR: Object or source file name required\n";
const std::string kError5 = std::string("ERROR: (5) Illegal command line specified\n") + kUsageLine;
const std::string kError6 =
    std::string("ERROR: (6) Invalid command line option specified\n") + kUsageLine;

std::string warning(const char* ignored, const char* because, bool negated = false) {
    return std::string("\nWARNING: option -") + ignored + " ignored because option -" + because +
           (negated ? " not specified\n\n" : " specified\n\n");
}

std::string missingArgument(const char* what, char option) {
    return std::string("\nError: ") + what + " name required with -" + option + " option\n\n";
}

enum class Where { Both, NativeOnly, WineOnly };

struct Case {
    std::vector<std::string> args;
    std::string out;
    int status;
    Where where = Where::Both;
};

std::string describe(const std::vector<std::string>& args) {
    std::string text = "veldra";
    for (const std::string& arg : args)
        text += " [" + arg + "]";
    return text;
}

void runCases(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        SCOPED_TRACE(describe(c.args));
        if ((c.where == Where::NativeOnly && e2e::underWine()) ||
            (c.where == Where::WineOnly && !e2e::underWine()))
            continue;
        e2e::Sandbox box;
        e2e::RunResult result = box.run(c.args, kEnglish);
        EXPECT_EQ(result.out, c.out) << result.err;
        EXPECT_EQ(result.status, c.status) << result.err;
        EXPECT_TRUE(result.children.empty());
        EXPECT_TRUE(box.files().empty());
    }
}

TEST(SpineE2e, UsagePathsEndWithStatusZero) {
    const std::string usage = e2e::expectedUsage();
    runCases({
        {{}, kBanner + usage, 0},
        {{"-V"}, kBanner + kNoInput + usage, 0},
        {{"-vs", "--"}, kBanner + kNoInput + usage, 0},
        // Libraries and a module-definition file are no input to link.
        {{"a.lib", "b.lib"}, kBanner + kNoInput + usage, 0},
        {{"-D", "mod.def", "x.lib"}, kBanner + kNoInput + usage, 0},
        // The symbol-list warnings come after the whole scan and before message 100.
        {{"-Ifoo"}, kBanner + warning("I", "T", true) + kNoInput + usage, 0},
        {{"-Ifoo", "-T"}, kBanner + kNoInput + usage, 0},
        {{"-Ifoo", "-B"}, kBanner + kNoInput + usage, 0},
        {{"-Xbar"}, kBanner + warning("X", "D", true) + kNoInput + usage, 0},
        {{"-Xbar", "-D"}, kBanner + kNoInput + usage, 0},
        {{"-Xbar", "-Ifoo"},
         kBanner + warning("I", "T", true) + warning("X", "D", true) + kNoInput + usage,
         0},
    });
}

TEST(SpineE2e, CommandLineErrorsStopBeforeAnyChild) {
    runCases({
        {{"-"}, kBanner + kError5, 8},
        {{"a.obj", "-", "b.cbl"}, kBanner + kError5, 8},
        {{"-Y"}, kBanner + kError6, 8},
        {{"-A"}, kBanner + kError6, 8},
        {{"-3"}, kBanner + kError6, 8},
        {{"-P4"}, kBanner + kError6, 8},
        {{"-P12"}, kBanner + kError6, 8},
        {{"-Zsys2"}, kBanner + kError6, 8},
        {{"-VY"}, kBanner + kError6, 8},
        // The first pass ends the run before the source in front of the bad option is compiled.
        {{"prog.cbl", "util.c", "-Y"}, kBanner + kError6, 8},
        {{"-T", "-RX"}, kBanner + warning("B", "R") + kError6, 8},
        {{"-O"}, kBanner + missingArgument("Output file", 'O') + kError6, 8},
        {{"-O", "prog.obj"}, kBanner + missingArgument("Output file", 'O') + kError6, 8},
        {{"-M"}, kBanner + missingArgument("Main entry point", 'M') + kError6, 8},
        {{"-I"}, kBanner + missingArgument("Symbol", 'I') + kError6, 8},
        {{"-X"}, kBanner + missingArgument("Symbol", 'X') + kError6, 8},
        {{"-U"}, kBanner + kError6, 8},
        {{"-U", "prog.cbl"}, kBanner + kError6, 8},
        // Wine passes a double quote as \" and leaves it open in the command line; the POSIX
        // rebuild of the command line keeps every argument whole, so there it cannot be open.
        {{"prog.cbl", "\"a.obj"}, kBanner + kError5, 8, Where::WineOnly},
    });
}

TEST(SpineE2e, ConflictWarningsInCommandLineOrder) {
    const std::string tail = kNoInput + e2e::expectedUsage();
    runCases({
        {{"-FM", "-RS"}, kBanner + warning("F", "R") + warning("J", "R") + tail, 0},
        {{"-FS", "-T", "-RS"}, kBanner + warning("B", "R") + warning("F", "R") + tail, 0},
        {{"-T", "-RS"}, kBanner + warning("B", "R") + tail, 0},
        {{"-RS", "-T"}, kBanner + warning("R", "T") + tail, 0},
        {{"-BM", "-FS"}, kBanner + warning("B", "F") + tail, 0},
        {{"-FS", "-B"}, kBanner + warning("F", "B") + tail, 0},
        {{"-RE", "-B"}, kBanner + warning("R", "B") + tail, 0},
        {{"-RM", "-FM"}, kBanner + warning("R", "F") + tail, 0},
        {{"-RS", "-J"}, kBanner + warning("R", "J") + tail, 0},
        {{"-BM", "-RS"}, kBanner + warning("B", "R") + warning("J", "R") + tail, 0},
        {{"-J", "-RSV,5.4"}, kBanner + warning("J", "R") + tail, 0},
        // Each option sees only what the options before it left.
        {{"-RS", "-T", "-FS", "-RM"},
         kBanner + warning("R", "T") + warning("B", "F") + warning("F", "R") + tail,
         0},
        {{"-FS", "-T"}, kBanner + tail, 0},
        {{"-TRS"}, kBanner + warning("B", "R") + tail, 0},
    });
}

TEST(SpineE2e, BannerOnceAndNeverAfterLeadingN) {
    const std::string usage = e2e::expectedUsage();
    runCases({
        {{"-N"}, kNoInput + usage, 0},
        {{"-N", "-Y"}, kError6, 8},
        {{"-NY"}, kError6, 8},
        {{"-N", "-T", "-RS"}, warning("B", "R") + kNoInput + usage, 0},
        {{"-N", "-Ifoo"}, warning("I", "T", true) + kNoInput + usage, 0},
        // A warning raised before -N has already brought the banner.
        {{"-T", "-RS", "-N"}, kBanner + warning("B", "R") + kNoInput + usage, 0},
        {{"-T", "-RS", "-N", "-FS"},
         kBanner + warning("B", "R") + warning("R", "F") + kNoInput + usage,
         0},
    });
}

// The output name as the linker is told it: derived from the first input unless -O gives it.
TEST(SpineE2e, OutputNameReachesTheLinker) {
    struct OutputCase {
        std::vector<std::string> args;
        std::string outWord;
    };
    const std::string nested = e2e::underWine() ? "dir\\sub\\prog.obj" : "dir/sub/prog.obj";
    std::vector<OutputCase> cases = {
        {{"prog.obj"}, "-out:prog.exe"},
        {{"-D", "mod.obj"}, "-out:mod.dll"},
        {{nested}, "-out:prog.exe"},
        {{"app.res", "prog.obj"}, "-out:prog.exe"},
        {{"a.lib", "app.res"}, "-out:app.exe"},
        {{"-Oout", "prog.obj"}, "-out:out.exe"},
        {{"-Oout.bin", "prog.obj"}, "-out:out.bin"},
    };
    // Wine hands an argument with a blank over in double quotes, which makes it a file name.
    if (!e2e::underWine())
        cases.push_back({{"-Omy app", "prog.obj"}, "-out:my app.exe"});
    for (const OutputCase& c : cases) {
        SCOPED_TRACE(describe(c.args));
        e2e::Sandbox box;
        box.writeFile("lib/msvcrt.lib");
        e2e::EnvOverrides env = kEnglish;
        env.push_back({"LIB", e2e::programPath(box.dir() + "/lib")});
        e2e::RunResult result = box.run(c.args, env);
        EXPECT_EQ(result.out, kBanner) << result.err;
        EXPECT_EQ(result.status, 0);
        ASSERT_FALSE(result.children.empty());
        const std::vector<std::string>& link = result.children.back();
        EXPECT_EQ(link.front(), "link");
        EXPECT_EQ(std::count(link.begin(), link.end(), c.outWord), 1);
    }
}

} // namespace
