// The link: the names tool's and the linker's command lines, the search along LIB, LIB64 and
// ZELBIND64, and the files each kind of end leaves behind.

#include "e2e/harness.h"

#include <gtest/gtest.h>

namespace {

using namespace e2e;

const std::string kMain = names("/FS /S /MMAIN main.obj");
const std::string kExe = lnk("main.exe");
const std::string kList = "tessor /LIST:RTS /Ovdrlst%P.obj main.obj";
const std::string kLink = "link -subsystem:console ";
const std::string kDll = kLink + "-dll -entry:LibMain@12 -nodefaultlib @vdrlds%P.lnk vdrlst%P.obj "
                                 "-out:main.dll zorun32.lib msvcrt.lib kernel32.lib -def:main.def";
const std::string kAmd64 = kLink + "-base:0x400000 -nodefaultlib -machine:amd64 @vdrlds%P.lnk "
                                   "-out:main.exe zorun32.lib msvcrt.lib bufferoverflowu.lib "
                                   "kernel32.lib";
const std::string kSystem = " kernel32.lib user32.lib gdi32.lib advapi32.lib";
const std::string kFailed = "link finished with errors\n";
const Words kLeft = {"vdrlds%P.obj", "vdrlds%P.lnk"};
const std::string kError11 = error(11, "Cannot find C runtime library");

// A successful run leaves the output and what the user had; -K keeps the temporaries too.
TEST(LinkE2e, WorkedCommandLines) {
    const Words both = {"main.obj", "sub.obj"};
    const std::string gui = "link -subsystem:windows -base:0x400000 -nodefaultlib ";
    runCases({
        ok(both, {names("/FS /S /MMAIN main.obj sub.obj"), kExe}, {"main.exe"}, both),
        ok({"-S", "main.obj", "sub.obj"},
           {names("/FS /MMAIN main.obj sub.obj"), lnk("main.exe", "vdrlds%P.obj main.obj sub.obj")},
           {"main.exe"}, both),
        ok({"-D", "main.obj", "sub.obj"},
           {names("/FS /S /Dmain.def main.obj sub.obj"), kList + " sub.obj", kDll}, {"main.dll"},
           both),
        ok({"-T", "-IMYSYM", "main.obj"},
           {names("/S /BBS /IMYSYM /MMAIN main.obj"),
            kLink +
                "-base:0x400000 -nodefaultlib @vdrlds%P.lnk -out:main.exe zorun32s.lib msvcrt.lib"
                " kernel32.lib user32.lib gdi32.lib advapi32.lib"},
           {"main.exe"}),
        ends({"-K", "-V", "-G", "main.obj"},
             B + echo("tessor /N /FS /V /S /G /MMAIN main.obj") +
                 echo(gui + " @vdrlds.lnk -out:main.exe  zorun32.lib msvcrt.lib" + kSystem + " ") +
                 "VELDRA completed\n",
             0,
             {"tessor /N /FS /V /S /G /MMAIN main.obj",
              gui + "@vdrlds.lnk -out:main.exe zorun32.lib msvcrt.lib" + kSystem},
             {"main.exe", "vdrlds.obj", "vdrlds.lnk"}),
        ends({"-N", "-G", "-L", "main.obj"}, "", 0,
             {names("/FS /S /G /MMAIN main.obj"),
              "link /nologo -subsystem:windows -base:0x400000 -nodefaultlib @vdrlds%P.lnk "
              "-out:main.exe -map:main.map zorun32.lib msvcrt.lib" +
                  kSystem},
             {"main.exe"}),
        ok({"-K", "-D", "main.obj"},
           {"tessor /N /FS /S /Dmain.def main.obj", "tessor /LIST:RTS /Ovdrlst.obj main.obj",
            kLink + "-dll -entry:LibMain@12 -nodefaultlib @vdrlds.lnk vdrlst.obj -out:main.dll "
                    "zorun32.lib msvcrt.lib kernel32.lib -def:main.def"},
           {"main.dll", "main.lib", "main.exp", "main.def", "vdrlds.obj", "vdrlds.lnk",
            "vdrlst.obj"}),
        // The user's module-definition file is no temporary.
        ok({"-D", "main.obj", "main.def"}, {names("/FS /S main.def main.obj"), kList, kDll},
           {"main.dll"}, {"main.obj", "main.def"}),
    });
}

// A failing tool's status is passed through after the clean-up, which removes what the run
// names whether it was made or not, and nothing else.
TEST(LinkE2e, NamesStepAndLinkerFail) {
    const std::string verbose = names("/FS /V /S /MMAIN main.obj");
    const std::string dll = names("/FS /V /S /Dmain.def main.obj");
    const Words bystanders = {"main.obj", "main.def", "vdrlds.obj", "vdrlds.lnk", "vdrlst.obj"};
    const Env failing = {{"VELDRA_STANDIN_NOFILES_TESSOR", "1"},
                         {"VELDRA_STANDIN_NOFILES_LINK", "1"},
                         {"VELDRA_STANDIN_EXIT_LINK", "5"}};
    runCases({
        ok({"main.obj"},
           {kMain, kLink + "-base:0x400000 -nodefaultlib @vdrlds%P.lnk -out:main.exe "
                           "zolrunsi.lib oopss.lib msvcrt.lib kernel32.lib"},
           {"main.exe"}, {}, {{"VELDRA_STANDIN_EXIT_TESSOR", "200"}}),
        // The runtime list still runs; the link does not.
        ends({"-V", "-D", "main.obj"}, B + echo(dll) + echo(kList) + kFailed, 3, {dll, kList}, {},
             {}, {{"VELDRA_STANDIN_EXIT_TESSOR", "3"}}),
        ends({"-V", "main.obj"},
             B + echo(verbose) +
                 echo(kLink + "-base:0x400000 -nodefaultlib  @vdrlds%P.lnk -out:main.exe  "
                              "zorun32.lib msvcrt.lib kernel32.lib ") +
                 kFailed,
             5, {verbose, kExe}, {}, bystanders, failing),
        // A DLL's generated .def is removed whether the names tool made it or not.
        ends({"-D", "main.obj"}, B, 5, {names("/FS /S /Dmain.def main.obj"), kList, kDll},
             {"-main.def"}, {"main.obj", "main.def"}, failing),
    });
}

// msvcrt.lib is looked for in the current directory, then along LIB (LIB64 for 64-bit targets);
// the linker of a target other than ix86 along ZELBIND64.
TEST(LinkE2e, SearchPaths) {
    auto found = [](Env env, Words have = {}) {
        return ok({"main.obj"}, {kMain, kExe}, {"main.exe"}, have, env);
    };
    auto lost = [](Env env, Words have = {}) {
        return ends({"main.obj"}, kError11, 8, {kMain}, kLeft, have, env);
    };
    const std::string x300(300, 'x'), p3 = names("/P3 /FS /S /MMAIN main.obj");
    std::string many;
    for (int i = 0; i < 1000; ++i)
        many += "m" + std::to_string(i) + ";";
    const Env lib64 = {{"LIB", "%D/nowhere"}, {"LIB64", "%D/lib"}};
    const std::string linker = "\"%D" + S + "my tools" + S + "link" + (wine ? ".exe\"" : "\"");
    const std::string v3 = names("/P3 /FS /V /S /MMAIN main.obj");
    const std::string text = " -subsystem:console -base:0x400000 -nodefaultlib -machine:amd64  "
                             "@vdrlds%P.lnk -out:main.exe  zorun32.lib msvcrt.lib "
                             "bufferoverflowu.lib kernel32.lib ";
    const Env zelbind = {{"ZELBIND64", "%D/nowhere;%D/my tools"}};
    const std::string done = "VELDRA completed\n";
    runCases({
        // Without LIB not even the current directory is searched.
        lost({{"LIB", std::nullopt}}, {"msvcrt.lib"}),
        lost({{"LIB", ""}}, {"msvcrt.lib"}),
        found({{"LIB", "%D/nowhere"}}, {"msvcrt.lib"}),
        // An item too long comes out empty, ";" ends an item inside quotes too, and quotes
        // left open run to the end.
        found({{"LIB", x300 + ";%D/lib"}}),
        found({{"LIB", many + "%D/lib"}}),
        found({{"LIB", "\"missing;%D/lib"}}),
        found({{"LIB", "%D/l\"\"ib\""}}),
        lost({{"LIB", "\"" + x300}}),
        // LIB64 replaces LIB for 64-bit targets only, when it is not empty.
        ok({"-P3", "main.c"}, {"cl -c -D_AMD64_=1 -DWIN32 -DWIN64 -MD main.c", p3, kAmd64},
           {"main.obj", "main.exe"}, {}, lib64),
        ok({"-P3", "main.obj"}, {p3, kAmd64}, {"main.exe"}, {}, {{"LIB64", ""}}),
        ends({"-P3", "main.obj"}, kError11, 8, {p3}, kLeft, {}, {{"LIB64", "%D/nowhere"}}),
        ends({"-P1", "main.obj"}, kError11, 8, {names("/P1 /FS /S /MMAIN main.obj")}, kLeft, {},
             lib64),
        // The product-information object, looked for along LIB before the switch to LIB64.
        ok({"main.obj"}, {kMain + " zoprinfo.obj", kExe}, {"main.exe"}, {"lib/zoprinfo.obj"}),
        ok({"-D", "-Xfoo", "main.obj"},
           {names("/FS /S /Dmain.def /X_zOprdata /Xfoo main.obj zoprinfo.obj"),
            kList + " zoprinfo.obj", kDll},
           {"main.dll"}, {"lib/zoprinfo.obj"}),
        ok({"-P3", "main.obj"}, {p3 + " zoprinfo.obj", kAmd64}, {"main.exe"}, {"info/zoprinfo.obj"},
           {{"LIB", "%D/info"}, {"LIB64", "%D/lib"}}),
        // A linker found along ZELBIND64 runs under its full path, quoted when it holds a blank.
        ends({"-V", "-P3", "main.obj"}, B + echo(v3) + echo(linker + text) + done, 0,
             {v3, linker + text}, {"main.exe"}, {"my tools/link*"}, zelbind),
        ok({"main.obj"}, {kMain, kExe}, {"main.exe"}, {"my tools/link*"}, zelbind),
        ends({"-V", "-P3", "main.obj"}, B + echo(v3) + echo("link" + text) + done, 0,
             {v3, "link" + text}, {"main.exe"}, {}, {{"ZELBIND64", "%D/nowhere"}}),
    });
}

} // namespace
