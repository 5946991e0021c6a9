// Command lines near the system's limits.

#include "e2e/harness.h"

#include <gtest/gtest.h>

namespace {

using namespace e2e;

const std::string kProg = names("/FS /S /MPROG prog.obj");

// prog.eom naming other inputs so that the link command line is `length` characters long.
std::string fill(size_t length, std::string& link) {
    const std::string head = "link -subsystem:console -base:0x400000 -nodefaultlib  @vdrlds%P.lnk";
    const std::string tail = " -out:prog.exe  zorun32.lib msvcrt.lib kernel32.lib ";
    std::string names;
    const size_t rest = length - head.size() - tail.size() - 6; // "%P" is 8 characters
    for (int i = 10000; names.size() + 250 < rest; ++i)
        names += " r" + std::to_string(i) + ".res";
    names += " " + std::string(rest - names.size() - 5, 'z') + ".res";
    link = head + names + tail;
    return names;
}

TEST(FaultsE2e, LongCommandLines) {
    std::vector<Case> cases;
    // Windows takes at most 32,767 characters with the terminator: error 8, nothing lost.
    for (size_t length : {32766u, 32767u}) {
        std::string link;
        const std::string names = fill(length, link);
        const bool tooLong = wine && length == 32767;
        cases.push_back(
            {.args = {"-E", "prog.obj"},
             .out = tooLong ? error(8, "Cannot execute program :  link") : B,
             .status = tooLong ? 8 : 0,
             .children = tooLong ? Words{kProg} : Words{kProg, link},
             .made = tooLong ? Words{"vdrlds%P.obj", "vdrlds%P.lnk"} : Words{"prog.exe"},
             .have = {"prog.obj", "prog.eom=" + names}});
    }
    // Wine cannot hand a program a command line of more than 32,767 characters.
    Words args = {"-S"};
    std::string objects;
    for (int i = 10000; objects.size() < 100000; ++i)
        args.push_back("o" + std::to_string(i) + ".obj"), objects += " " + args.back();
    cases.push_back(
        {.args = args,
         .children = {names("/FS /MO10000" + objects), lnk("o10000.exe", "vdrlds%P.obj" + objects)},
         .made = {"o10000.exe"},
         .skip = wine});
    runCases(cases);
}

} // namespace
