// The driver's spine: usage, message 100, fatal errors 5 and 6 with the usage line, the option
// parser's warnings in order, and the banner once. No case starts a child or leaves a file.

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
Case none(Words args, std::string out, int status = 0) {
    return ends(args, out, status, {}, {});
}

TEST(SpineE2e, UsageErrorsAndWarnings) {
    const std::string missingName = "\nError: Output file name required with -O option\n\n";
    runCases({
        none({}, B + usage()),
        none({"-V"}, B + kNoInput),
        // Libraries and a module-definition file are no input to link.
        none({"-D", "mod.def", "x.lib"}, B + kNoInput),
        // The symbol-list warnings come after the whole scan, -I before -X.
        none({"-Xbar", "-Ifoo"}, B + warn("I", "T", " not") + warn("X", "D", " not") + kNoInput),
        none({"-Ifoo", "-Xbar", "-T", "-D"}, B + kNoInput),
        none({"-"}, B + kError5, 8),
        none({"a.obj", "-", "b.cbl"}, B + kError5, 8),
        none({"-P12"}, B + kError6, 8),
        // The first pass ends the run before the sources in front of the bad option compile.
        none({"prog.cbl", "util.c", "-Y"}, B + kError6, 8),
        none({"-T", "-RX"}, B + warn("B", "R") + kError6, 8),
        none({"-O", "prog.obj"}, B + missingName + kError6, 8),
        none({"-U", "prog.cbl"}, B + kError6, 8),
        // Conflicts, in command-line order: each option sees what the options before it left.
        none({"-FM", "-RS"}, B + warn("F", "R") + warn("J", "R") + kNoInput),
        none({"-RS", "-T", "-FS", "-RM"},
             B + warn("R", "T") + warn("B", "F") + warn("F", "R") + kNoInput),
        none({"-FS", "-T"}, B + kNoInput),
        none({"-TRS"}, B + warn("B", "R") + kNoInput),
        // -N first keeps the banner away; a warning before it has already brought it.
        none({"-N"}, kNoInput),
        none({"-NY"}, kError6, 8),
        none({"-N", "-T", "-RS"}, warn("B", "R") + kNoInput),
        none({"-T", "-RS", "-N", "-FS"}, B + warn("B", "R") + warn("R", "F") + kNoInput),
        // Wine passes a lone double quote as it stands: the command line ends inside quotes.
        only(wine, ends({}, B + kError5, 8, {}, {}, {},
                        {{"VELDRA_STANDIN_LAUNCH", "%T/../veldra.exe prog.cbl \"a.obj"}})),
    });
}

} // namespace
