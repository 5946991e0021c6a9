// The link end to end: the names tool's and the linker's command lines through the stand-ins,
// the search along LIB, LIB64 and ZELBIND64, and the files each kind of end leaves behind.

#include "e2e/harness.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using e2e::ends;
using e2e::ok;
using e2e::Words;

const std::string B = e2e::kBanner;
const bool wine = e2e::underWine();

std::string names(const std::string& words) {
    return "tessor /N /Ovdrlds%P " + words;
}
const std::string kMain = names("/FS /S /MMAIN main.obj");
const std::string kList = "tessor /LIST:RTS /Ovdrlst%P.obj main.obj";
const std::string kLink = "link -subsystem:console ";
const std::string kExe = kLink + "-base:0x400000 -nodefaultlib @vdrlds%P.lnk -out:main.exe "
                                 "zorun32.lib msvcrt.lib kernel32.lib";
const std::string kDll = kLink + "-dll -entry:LibMain@12 -nodefaultlib @vdrlds%P.lnk vdrlst%P.obj "
                                 "-out:main.dll zorun32.lib msvcrt.lib kernel32.lib -def:main.def";
const std::string kAmd64 = kLink + "-base:0x400000 -nodefaultlib -machine:amd64 @vdrlds%P.lnk "
                                   "-out:main.exe zorun32.lib msvcrt.lib bufferoverflowu.lib "
                                   "kernel32.lib";
const std::string kSystem = " kernel32.lib user32.lib gdi32.lib advapi32.lib";
const std::string kError11 = B + "ERROR: (11) Cannot find C runtime library\n";

// What -V prints for one child: the echo, an empty line, and a line break after the child.
std::string echo(const std::string& commandText) {
    return "Executing:" + commandText + "\n\n\n";
}

// A successful run leaves the output and what the user had; -K keeps the temporaries too.
TEST(LinkE2e, WorkedCommandLines) {
    const Words both = {"main.obj", "sub.obj"};
    const std::string gui = "link -subsystem:windows -base:0x400000 -nodefaultlib ";
    e2e::runCases({
        ok(both, {names("/FS /S /MMAIN main.obj sub.obj"), kExe}, {"main.exe"}, both),
        ok({"-S", "main.obj", "sub.obj"},
           {names("/FS /MMAIN main.obj sub.obj"),
            kLink + "-base:0x400000 -nodefaultlib vdrlds%P.obj main.obj sub.obj -out:main.exe "
                    "zorun32.lib msvcrt.lib kernel32.lib"},
           {"main.exe"}, both),
        ok({"-D", "main.obj", "sub.obj"},
           {names("/FS /S /Dmain.def main.obj sub.obj"), kList + " sub.obj", kDll}, {"main.dll"},
           both),
        ok({"-T", "-IMYSYM", "main.obj"},
           {names("/S /BBS /IMYSYM /MMAIN main.obj"),
            kLink +
                "-base:0x400000 -nodefaultlib @vdrlds%P.lnk -out:main.exe zorun32s.lib "
                "msvcrt.lib" +
                kSystem},
           {"main.exe"}),
        ok({"-P3", "main.obj"}, {names("/P3 /FS /S /MMAIN main.obj"), kAmd64}, {"main.exe"}),
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
        ok({"app.res"},
           {kLink + "-base:0x400000 -nodefaultlib -machine:ix86 app.res -out:app.exe "
                    "zolrunsi.lib oopss.lib msvcrt.lib kernel32.lib"},
           {"app.exe"}, {"app.res"}),
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

// A failing tool's status is passed through after the clean-up; fatal errors remove nothing.
TEST(LinkE2e, NamesStepLinkerAndRuntimeSearch) {
    const std::string verbose = names("/FS /V /S /MMAIN main.obj");
    const std::string dll = names("/FS /V /S /Dmain.def main.obj");
    const std::string failed = "link finished with errors\n";
    const Words left = {"vdrlds%P.obj", "vdrlds%P.lnk"};
    const std::string amd64 = names("/P3 /FS /S /MMAIN main.obj");
    e2e::runCases({
        ok({"main.obj"},
           {kMain, kLink + "-base:0x400000 -nodefaultlib @vdrlds%P.lnk -out:main.exe "
                           "zolrunsi.lib oopss.lib msvcrt.lib kernel32.lib"},
           {"main.exe"}, {}, {{"VELDRA_STANDIN_EXIT_TESSOR", "200"}}),
        ends({"-V", "-D", "main.obj"}, B + echo(dll) + echo(kList) + failed, 3, {dll, kList}, {},
             {}, {{"VELDRA_STANDIN_EXIT_TESSOR", "3"}}),
        ends({"-V", "main.obj"},
             B + echo(verbose) +
                 echo(kLink + "-base:0x400000 -nodefaultlib  @vdrlds%P.lnk -out:main.exe  "
                              "zorun32.lib msvcrt.lib kernel32.lib ") +
                 failed,
             5, {verbose, kExe}, {}, {},
             {{"VELDRA_STANDIN_EXIT_LINK", "5"}, {"VELDRA_STANDIN_NOFILES_LINK", "1"}}),
        // Without LIB not even the current directory is searched.
        ends({"main.obj"}, kError11, 8, {kMain}, left, {"msvcrt.lib"}, {{"LIB", std::nullopt}}),
        ends({"main.obj"}, kError11, 8, {kMain}, left, {"msvcrt.lib"}, {{"LIB", ""}}),
        ok({"main.obj"}, {kMain, kExe}, {"main.exe"}, {"msvcrt.lib"}, {{"LIB", "%D/nowhere"}}),
        // LIB64 takes over for 64-bit targets only.
        ok({"-P3", "main.obj"}, {amd64, kAmd64}, {"main.exe"}, {},
           {{"LIB", "%D/nowhere"}, {"LIB64", "%D/lib"}}),
        ends({"-P3", "main.obj"}, kError11, 8, {amd64}, left, {}, {{"LIB64", "%D/nowhere"}}),
        ends({"-P1", "main.obj"}, kError11, 8, {names("/P1 /FS /S /MMAIN main.obj")}, left, {},
             {{"LIB", "%D/nowhere"}, {"LIB64", "%D/lib"}}),
        // The product-information object, looked for along LIB before the switch to LIB64.
        ok({"main.obj"}, {kMain + " zoprinfo.obj", kExe}, {"main.exe"}, {"lib/zoprinfo.obj"}),
        ok({"-D", "-Xfoo", "main.obj"},
           {names("/FS /S /Dmain.def /X_zOprdata /Xfoo main.obj zoprinfo.obj"),
            kList + " zoprinfo.obj", kDll},
           {"main.dll"}, {"lib/zoprinfo.obj"}),
        ok({"-P3", "-S", "main.obj"},
           {names("/P3 /FS /MMAIN main.obj zoprinfo.obj"),
            kLink + "-base:0x400000 -nodefaultlib -machine:amd64 vdrlds%P.obj main.obj "
                    "zoprinfo.obj -out:main.exe zorun32.lib msvcrt.lib bufferoverflowu.lib "
                    "kernel32.lib"},
           {"main.exe"}, {"info/zoprinfo.obj"}, {{"LIB", "%D/info"}, {"LIB64", "%D/lib"}}),
    });
}

// For a target other than ix86 the linker is taken from ZELBIND64 when it lies there.
TEST(LinkE2e, LinkerAlongZelbind64) {
    const std::string s = wine ? "\\" : "/";
    const std::string linker = "\"%D" + s + "my tools" + s + "link" + (wine ? ".exe\"" : "\"");
    const std::string main = names("/P3 /FS /V /S /MMAIN main.obj");
    const std::string text = " -subsystem:console -base:0x400000 -nodefaultlib -machine:amd64  "
                             "@vdrlds%P.lnk -out:main.exe  zorun32.lib msvcrt.lib "
                             "bufferoverflowu.lib kernel32.lib ";
    const e2e::EnvOverrides zelbind = {{"ZELBIND64", "%D/nowhere;%D/my tools"}};
    const std::string done = "VELDRA completed\n";
    e2e::runCases({
        ends({"-V", "-P3", "main.obj"}, B + echo(main) + echo(linker + text) + done, 0,
             {main, linker + text}, {"main.exe"}, {"my tools/link*"}, zelbind),
        ok({"main.obj"}, {kMain, kExe}, {"main.exe"}, {"my tools/link*"}, zelbind),
        ends({"-V", "-P3", "main.obj"}, B + echo(main) + echo("link" + text) + done, 0,
             {main, "link" + text}, {"main.exe"}, {}, {{"ZELBIND64", "%D/nowhere"}}),
    });
}

} // namespace
