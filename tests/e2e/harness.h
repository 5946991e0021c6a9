// End-to-end harness: runs the built veldra (natively, or the Windows build under Wine) in a
// fresh directory with the stand-in tools first in the program search path, and checks tables of
// cases: the whole output, the exit status, each child's command line and the files left.
//
// Environment of the test program (ctest sets it):
//   VELDRA_PROGRAM    the veldra binary (veldra or veldra.exe)
//   VELDRA_TOOLCHAIN  the directory of the stand-ins cobol, cl, tessor and link
//   VELDRA_LAUNCHER   empty, or the script that runs a Windows program under Wine
//   VELDRA_VALGRIND   empty, or valgrind, to run the native program under its memcheck
#pragma once

#include "e2e/process.h"
#include "expected.h"

namespace e2e {

using Env = std::vector<std::pair<std::string, std::string>>; // set in this order

// Inline, so that they are set before the tables of any file that uses them.
inline const bool wine = !setting("VELDRA_LAUNCHER").empty();
inline const std::string& B = expected::banner;
using expected::error;
using expected::usage;
// The names tool's main run and the linker's command line for a console EXE.
inline const auto names = [](const std::string& words) { return "tessor /N /Ovdrlds%P " + words; };
inline std::string lnk(const std::string& out, const std::string& objects = "@vdrlds%P.lnk") {
    return "link -subsystem:console -base:0x400000 -nodefaultlib " + objects + " -out:" + out +
           " zorun32.lib msvcrt.lib kernel32.lib";
}

// One run of veldra with `args`, each reaching its command line as one word, text intact.
// In `out`, `children` and `made`, "%P" is the process id as the first temporary name shows it
// (8 upper-case hex digits; natively also checked against veldra's own). In `out`, `children`
// and the values of `env`, "%D" (the working directory) and "%T" (the stand-ins' directory) are
// paths as veldra sees them, "/" separating directories on both platforms in a text that names
// one of them (under Wine every "/" of such a text becomes "\"). In `env` the name
// "TOOLS" stands for PATH (natively) or WINEPATH (Wine), given as a list separated by ";", and
// the name "STDOUT" (any value) gives veldra a pipe whose reading end is closed as its output.
// The environment is English, with LIB naming lib/ (which holds msvcrt.lib), LIB64, ZELBIND64
// and VEZIDU_PARSED unset and the registry store of the working directory (natively
// c/quenlow/registry.reg, which `have` may make), then `env`.
struct Case {
    Words args;
    std::string out = B; // the whole standard output
    int status = 0;
    Words children = {}; // each child's command line, compared word by word
    // The files left in the working directory: those of `have` outside subdirectories, and these.
    Words made = {};
    // Files made before the run: "name" or "name=content". A name ending in "*" is a program
    // (".exe" added under Wine): a link to the stand-in of that name or, with a content, an
    // executable file that holds it (a directory when the content is "/"). A name ending in
    // "!" is a file that nobody may read.
    Words have = {};
    Env env = {};
    bool skip = false; // for what one platform cannot express
};

// Runs each case in a fresh directory, with `common` added to every case's environment. Under
// LANG=ja_JP.UTF-8 and Wine the expected output and command lines are turned into code page
// 932, as the Windows build writes them there; file names stay UTF-8.
void runCases(const std::vector<Case>& cases, const Env& common = {});

} // namespace e2e
