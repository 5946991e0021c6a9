// Child programs as real processes: the lookup along the search path, tools that cannot be
// started, fail, crash or are killed, and companion lists read from the working directory.

#include "e2e/harness.h"

#include <gtest/gtest.h>

namespace {

using namespace e2e;

const std::string kFailed = error(9, "Program indicated failure");
const std::string kNoTessor = error(8, "Cannot execute program :  tessor");

TEST(RunnerE2e, ToolsThatCannotBeFoundOrStarted) {
    const std::string missing = "Cannot find program :  ";
    const Env bin = {{"TOOLS", "%D/bin"}}, bad = {{"TOOLS", "%D/bad;%T"}};
    const Words linked = {names("/FS /S /MB b.obj"), lnk("b.exe")};
    const std::string part(200, 'p'),
        deep = part + "/" + part + "/" + part + "/" + part + "/" + part,
        far(250, 'f'); // relative: the library's path has more than 259 characters
    runCases({
        // A fatal error removes nothing: the compiled object stays.
        {.args = {"a.cbl", "b.obj"},
         .out = error(7, missing + "tessor"),
         .status = 8,
         .children = {"cobol a.cbl;"},
         .made = {"a.obj"},
         .have = {"bin/cobol*", "bin/link*"},
         .env = bin},
        // The first tessor along the path is no program.
        {.args = {"a.cbl", "b.obj"},
         .out = kNoTessor,
         .status = 8,
         .children = {"cobol a.cbl;"},
         .made = {"a.obj"},
         .have = {"bad/tessor*=garbage\n"},
         .env = bad},
        // Without execute permission (POSIX) or ".exe" (Windows) a file is no candidate.
        {.args = {"b.obj"},
         .children = linked,
         .made = {"b.exe"},
         .have = {"bad/tessor=garbage\n"},
         .env = bad},
        // A directory is no candidate on POSIX; Windows takes it and cannot start it.
        {.args = {"b.obj"},
         .out = wine ? kNoTessor : B,
         .status = wine ? 8 : 0,
         .children = wine ? Words{} : linked,
         .made = wine ? Words{} : Words{"b.exe"},
         .have = {"bad/tessor*=/"},
         .env = bad},
        // Found, then not startable (its interpreter is gone): no second search, no shell.
        {.args = {"b.obj"},
         .out = kNoTessor,
         .status = 8,
         .have = {"bad/tessor*=#!%D/gone/sh\n"},
         .env = bad,
         .skip = wine},
        // POSIX finds a tool and a library whatever the length of their full paths.
        {.args = {"b.obj"},
         .children = linked,
         .made = {"b.exe"},
         .have = {deep + "/tessor*", far + "/msvcrt.lib"},
         .env = {{"TOOLS", "%D/" + deep + ";%T"}, {"LIB", far}},
         .skip = wine},
    });
}

TEST(RunnerE2e, ToolsThatFailCrashOrAreKilled) {
    const Env crashCobol = {{"VELDRA_STANDIN_CRASH_COBOL", "1"}};
    const std::string killed = names("/FS /V /S /MA a.obj");
    runCases({
        // A crashed linker: SIGSEGV gives 128 + 11 on POSIX; under Windows the access
        // violation's code 0xC0000005 is the status, of which Wine's exit keeps the low byte.
        {.args = {"a.obj"},
         .status = wine ? 5 : 139,
         .children = {names("/FS /S /MA a.obj"), lnk("a.exe")},
         .env = {{"VELDRA_STANDIN_CRASH_LINK", "1"}}},
        // A crashed COBOL compiler: 139 is above 8, while the Windows exception code has its
        // top bit set, which counts as success.
        {.args = {"a.cbl"},
         .out = wine ? B : kFailed,
         .status = wine ? 0 : 8,
         .children = wine ? Words{"cobol a.cbl;", names("/FS /S /MA a.obj"), lnk("a.exe")}
                          : Words{"cobol a.cbl;"},
         .made = wine ? Words{"a.exe"} : Words{},
         .env = crashCobol},
        // Killed from outside: by signal n on POSIX, with exit code n on Windows.
        {.args = {"a.cbl"},
         .out = kFailed,
         .status = 8,
         .children = {"cobol a.cbl;"},
         .env = {{"VELDRA_STANDIN_KILL_COBOL", "9"}}},
        {.args = {"-V", "a.obj"},
         .out = B + echo(killed) + "link finished with errors\n",
         .status = wine ? 15 : 143,
         .children = {killed},
         .env = {{"VELDRA_STANDIN_KILL_TESSOR", "15"}}},
        // Output into a pipe that is closed is lost; the link, the clean-up and the status stay.
        {.args = {"-V", "a.obj"},
         .out = "",
         .children = {killed, lnk("a.exe")},
         .made = {"a.exe"},
         .env = {{"STDOUT", "-"}}},
    });
}

TEST(RunnerE2e, CompanionLists) {
    // A name in a list is not cut at 259 characters as a command-line word is: its token form
    // may reach 260, and the compile ends the run with error 12.
    runCases({
        {.args = {"-E", "main.obj"},
         .out = error(12, "Generated command line too long"),
         .status = 8,
         .have = {"main.obj", "main.eom=\"" + std::string(252, 'a') + " b.cbl\""}},
    });
}

// Hundreds of thousands of names are read and classified in order (the source at the end is
// compiled), and make a command line that no system starts. Slow under the sanitizers.
TEST(SlowE2e, HugeCompanionList) {
    std::string huge;
    for (int i = 0; i < (wine ? 200000 : 900000); ++i)
        huge += "n" + std::to_string(100000 + i) + ".obj\n";
    runCases({{.args = {"-E", "main.obj"},
               .out = kNoTessor,
               .status = 8,
               .children = {"cobol last.cbl;"},
               .made = {"last.obj"},
               .have = {"main.eom=" + huge + "last.cbl"}}});
}

} // namespace
