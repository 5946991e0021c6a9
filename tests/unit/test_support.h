// Runs of veldra inside the test program, over the fake platform layer.
#pragma once

#include <string>
#include <vector>

#include "platform/platform_fake.h"

// How a run ended: its status (8 after a fatal error; -1 for a scan that went through) and
// everything it printed.
struct RunResult {
    int status;
    std::string out;
};

// A fake with the four tools on the program path, msvcrt.lib in "lib", LIB naming "lib" and
// process id 12A3F.
FakePlatform standardPlatform();

// Runs the whole main sequence over `commandLine` (program name first) on fakePlatform, with
// an empty registry store.
RunResult runLine(const std::string& commandLine, int argumentCount = 2);

// Only both passes over the command line, after a reset of the run state.
RunResult scanLine(const std::string& commandLine);

std::string joined(const std::vector<std::string>& lines);

// Inline, so that they are set before the tables of any file that uses them.
inline const std::string kBanner = "Quenlow Orvanta - VELDRA utility\nVersion 5.004.0014 Copyright "
                                   "(C) 2026 Quenlow. All rights reserved.\n\n";
inline const std::string kUsage =
    "usage: veldra [-V] [-S] [-D] [-G] [-L] [-K] [-Boptions] [-Foption]\n"
    "\t\t[-Roption[V]] [-Mname] [-Oname] [-Uname] file1 [file2,...]\n\n";
// The banner, then "ERROR: (id) text".
std::string error(int id, const std::string& text);
