// The driver's spine as the console shows it: usage, message 100, fatal errors 5 and 6 with the
// usage line, warnings, and the banner once. No case starts a child or leaves a file.

#include "e2e/harness.h"

#include <gtest/gtest.h>

namespace {

using namespace e2e;

const std::string kNoInput = "\nERROR: Object or source file name required\n" + usage();
const std::string kError5 = "ERROR: (5) Illegal command line specified\n" + kUsageLine;
const std::string kError6 = "ERROR: (6) Invalid command line option specified\n" + kUsageLine;

// "-X ignored because -Y [not] specified".
std::string warn(const char* ignored, const char* because, const char* how = "") {
    return std::string("\nWARNING: option -") + ignored + " ignored because option -" + because +
           how + " specified\n\n";
}

TEST(SpineE2e, UsageErrorsAndWarnings) {
    runCases({
        {.args = {}, .out = B + usage()},
        {.args = {"-V"}, .out = B + kNoInput},
        // Libraries and a module-definition file are no input to link.
        {.args = {"-D", "mod.def", "x.lib"}, .out = B + kNoInput},
        // The symbol-list warnings come after the whole scan, -I before -X.
        {.args = {"-Xbar", "-Ifoo"},
         .out = B + warn("I", "T", " not") + warn("X", "D", " not") + kNoInput},
        {.args = {"-Ifoo", "-Xbar", "-T", "-D"}, .out = B + kNoInput},
        {.args = {"a.obj", "-", "b.cbl"}, .out = B + kError5, .status = 8},
        // The first pass ends the run before the sources in front of the bad option compile.
        {.args = {"prog.cbl", "util.c", "-Y"}, .out = B + kError6, .status = 8},
        {.args = {"-RS", "-T", "-FS", "-RM"},
         .out = B + warn("R", "T") + warn("B", "F") + warn("F", "R") + kNoInput},
        // -N first keeps the banner away; a warning before it has already brought it.
        {.args = {"-NY"}, .out = kError6, .status = 8},
        {.args = {"-N", "-T", "-RS"}, .out = warn("B", "R") + kNoInput},
        {.args = {"-T", "-RS", "-N", "-FS"}, .out = B + warn("B", "R") + warn("R", "F") + kNoInput},
        // Wine passes a lone double quote as it stands: the command line ends inside quotes.
        {.args = {},
         .out = B + kError5,
         .status = 8,
         .env = {{"VELDRA_STANDIN_LAUNCH", "%T/../veldra.exe prog.cbl \"a.obj"}},
         .skip = !wine},
    });
}

} // namespace
