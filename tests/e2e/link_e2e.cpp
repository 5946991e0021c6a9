// The link as real processes see it: the echo of -V, statuses passed through, the files each
// kind of end leaves, and the search along ZELBIND64 in real folders.

#include "e2e/harness.h"

#include <gtest/gtest.h>

namespace {

using namespace e2e;

const std::string kExe = lnk("main.exe");
const std::string kSystem = " kernel32.lib user32.lib gdi32.lib advapi32.lib";
const std::string kFailed = "link finished with errors\n";

TEST(LinkE2e, EndsAndTheFilesTheyLeave) {
    const std::string gui = "link -subsystem:windows -base:0x400000 -nodefaultlib ";
    const std::string verbose = names("/FS /V /S /MMAIN main.obj");
    const Env failing = {{"VELDRA_STANDIN_NOFILES_TESSOR", "1"},
                         {"VELDRA_STANDIN_NOFILES_LINK", "1"},
                         {"VELDRA_STANDIN_EXIT_LINK", "5"}};
    runCases({
        {.args = {"-K", "-V", "-G", "main.obj"},
         .out = B + echo("tessor /N /FS /V /S /G /MMAIN main.obj") +
                echo(gui + " @vdrlds.lnk -out:main.exe  zorun32.lib msvcrt.lib" + kSystem + " ") +
                "VELDRA completed\n",
         .children = {"tessor /N /FS /V /S /G /MMAIN main.obj",
                      gui + "@vdrlds.lnk -out:main.exe zorun32.lib msvcrt.lib" + kSystem},
         .made = {"main.exe", "vdrlds.obj", "vdrlds.lnk"}},
        // The clean-up removes what the run names whether it was made or not, nothing else.
        {.args = {"-V", "main.obj"},
         .out = B + echo(verbose) +
                echo("link -subsystem:console -base:0x400000 -nodefaultlib  @vdrlds%P.lnk "
                     "-out:main.exe  zorun32.lib msvcrt.lib kernel32.lib ") +
                kFailed,
         .status = 5,
         .children = {verbose, kExe},
         .have = {"main.obj", "main.def", "vdrlds.obj", "vdrlds.lnk", "vdrlst.obj",
                  "vdrldsFFFFFFF1.obj", "vdrlds0FFFFFFD.obj", "vdrlstFFFFFFF1.obj"},
         .env = failing},
    });
}

// The linker of a target other than ix86 along ZELBIND64, under its full path.
TEST(LinkE2e, SearchPaths) {
    const std::string linker = "\"%D" + S + "my tools" + S + "link" + (wine ? ".exe\"" : "\"");
    const std::string v3 = names("/P3 /FS /V /S /MMAIN main.obj");
    const std::string text = " -subsystem:console -base:0x400000 -nodefaultlib -machine:amd64  "
                             "@vdrlds%P.lnk -out:main.exe  zorun32.lib msvcrt.lib "
                             "bufferoverflowu.lib kernel32.lib ";
    runCases({
        {.args = {"-V", "-P3", "main.obj"},
         .out = B + echo(v3) + echo(linker + text) + "VELDRA completed\n",
         .children = {v3, linker + text},
         .made = {"main.exe"},
         .have = {"my tools/link*"},
         .env = {{"ZELBIND64", "%D/nowhere;%D/my tools"}}},
    });
}

} // namespace
