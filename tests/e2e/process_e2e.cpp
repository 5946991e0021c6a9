// Child programs as real processes: the lookup along the search path and ZELBIND64, tools that
// cannot be started, fail, crash or are killed, the files a run leaves, and the registry
// settings the children see.

#include "e2e/harness.h"

#include <gtest/gtest.h>

namespace {

using namespace e2e;

const std::string kNoTessor = error(8, "Cannot execute program :  tessor");

TEST(RunnerE2e, LookupAndStart) {
    const Words linked = {names("/FS /S /MB b.obj"), lnk("b.exe")};
    const std::string part(200, 'p'),
        deep = part + "/" + part + "/" + part + "/" + part + "/" + part,
        far(250, 'f'); // relative: the library's path has more than 259 characters
    const std::string linker = "\"%D" + S + "my tools" + S + "link" + (wine ? ".exe\"" : "\"");
    const std::string amd64 = " -subsystem:console -base:0x400000 -nodefaultlib -machine:amd64 "
                              "@vdrlds%P.lnk -out:main.exe zorun32.lib msvcrt.lib "
                              "bufferoverflowu.lib kernel32.lib";
    const std::vector<Case> cases = {
        // Nothing along the path.
        {.args = {"b.obj"},
         .out = error(7, "Cannot find program :  tessor"),
         .status = 8,
         .env = {{"TOOLS", "%D/bin"}}},
        // The first tessor along the path is no program.
        {.args = {"b.obj"}, .out = kNoTessor, .status = 8, .have = {"bad/tessor*=x"}},
        // Without execute permission (POSIX) or ".exe" (Windows) a file is no candidate.
        {.args = {"b.obj"}, .children = linked, .made = {"b.exe"}, .have = {"bad/tessor=x"}},
        // A directory is no candidate on POSIX; Windows takes it and cannot start it.
        {.args = {"b.obj"},
         .out = wine ? kNoTessor : B,
         .status = wine ? 8 : 0,
         .children = wine ? Words{} : linked,
         .made = wine ? Words{} : Words{"b.exe"},
         .have = {"bad/tessor*=/"}},
        // Found, then not startable (its interpreter is gone): no second search, no shell.
        {.args = {"b.obj"},
         .out = kNoTessor,
         .status = 8,
         .have = {"bad/tessor*=#!/gone\n"},
         .skip = wine},
        // POSIX finds a tool and a library whatever the length of their full paths.
        {.args = {"b.obj"},
         .children = linked,
         .made = {"b.exe"},
         .have = {deep + "/tessor*", far + "/msvcrt.lib"},
         .env = {{"TOOLS", "%D/" + deep + ";%T"}, {"LIB", far}},
         .skip = wine},
        // The linker of a target other than ix86 along ZELBIND64, under its full path.
        {.args = {"-P3", "main.obj"},
         .children = {names("/P3 /FS /S /MMAIN main.obj"), linker + amd64},
         .made = {"main.exe"},
         .have = {"my tools/link*"},
         .env = {{"ZELBIND64", "%D/nowhere;%D/my tools"}}},
    };
    runCases(cases, {{"TOOLS", "%D/bad;%T"}});
}

TEST(RunnerE2e, EndsAndTheFilesTheyLeave) {
    const std::string verbose = names("/FS /V /S /MA a.obj");
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
         .out = wine ? B : error(9, "Program indicated failure"),
         .status = wine ? 0 : 8,
         .children = wine ? Words{"cobol a.cbl;", names("/FS /S /MA a.obj"), lnk("a.exe")}
                          : Words{"cobol a.cbl;"},
         .made = wine ? Words{"a.exe"} : Words{},
         .env = {{"VELDRA_STANDIN_CRASH_COBOL", "1"}}},
        // Killed from outside: by signal n on POSIX, with exit code n on Windows.
        {.args = {"-V", "a.obj"},
         .out = B + "Executing:" + verbose + "\n\n\nlink finished with errors\n",
         .status = wine ? 15 : 143,
         .children = {verbose},
         .env = {{"VELDRA_STANDIN_KILL_TESSOR", "15"}}},
        // Output into a pipe that is closed is lost; the link, the clean-up and the status stay.
        {.args = {"-V", "a.obj"},
         .out = "",
         .children = {verbose, lnk("a.exe")},
         .made = {"a.exe"},
         .env = {{"STDOUT", "-"}}},
        // A failing linker's status passes through. The clean-up removes what the run names
        // whether it was made or not, nothing else.
        {.args = {"a.obj"},
         .status = 5,
         .children = {names("/FS /S /MA a.obj"), lnk("a.exe")},
         .made = {"a.exe"},
         .have = {"a.def", "vdrlds.obj", "vdrlds.lnk", "vdrlst.obj", "vdrldsFFFFFFF1.obj"},
         .env = {{"VELDRA_STANDIN_NOFILES_TESSOR", "1"}, {"VELDRA_STANDIN_EXIT_LINK", "5"}}},
    });
}

// A registry setting replaces a variable set before the start, and VEZIDU_PARSED=True reaches
// the children. Natively the keys are the .reg store of HKEY_CURRENT_USER under
// XDG_CONFIG_HOME. Under Wine they are added to the prefix's HKEY_LOCAL_MACHINE, which both
// builds read in the 32-bit view, where the 32-bit installer writes: the 64-bit view's QV is
// not imported.
TEST(RegistryE2e, SettingsReachTheChildren) {
    const std::string key = "Software\\Quenlow\\Orvanta\\5.0\\COBOL\\Environment";
    auto reg = [](const std::string& words) {
        const std::string launcher = std::getenv("VELDRA_LAUNCHER");
        std::system((launcher + " reg " + words + " >/dev/null 2>&1").c_str());
    };
    // LIB relative: lib/ of the working directory.
    for (const char* value : {"32 /v LIB /d lib", "32 /v QV /d 32", "64 /v QV /d 64"})
        if (wine)
            reg("add 'HKLM\\" + key + "' /f /reg:" + value);
    const std::string seen = std::string(" VEZIDU_PARSED=True") + (wine ? " QV=32" : "");
    runCases({{.args = {"main.obj"},
               .children = {names("/FS /S /MMAIN main.obj") + seen, lnk("main.exe") + seen},
               .made = {"main.exe"},
               .have = {"c/quenlow/registry.reg=Windows Registry Editor Version 5.00\r\n\r\n"
                        "[HKEY_CURRENT_USER\\" +
                        key + "]\r\n\"LIB\"=\"lib\"\r\n"},
               .env = {{"LIB", "%D/nowhere"}, {"VELDRA_STANDIN_ENV", "VEZIDU_PARSED,QV"}}}});
    for (const char* view : {"32", "64"})
        if (wine)
            reg("delete 'HKLM\\Software\\Quenlow' /f /reg:" + std::string(view));
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
