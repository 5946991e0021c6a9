// Faults: names at the length limits or made only of dots, command lines near the system's
// limits, and files of the user's that look like another run's temporaries.

#include "e2e/harness.h"

#include <gtest/gtest.h>

namespace {

using namespace e2e;

const std::string kProg = names("/FS /S /MPROG prog.obj");

TEST(FaultsE2e, NamesAtTheLimitsAndOnlyDots) {
    const std::string a255(255, 'a'), a256(256, 'a');
    const Words prog = {"prog.obj"};
    runCases({
        // 255 + ".exe" is 259 characters: accepted (no file system here takes the file).
        ok({a255 + ".obj"},
           {names("/FS /S /M" + std::string(255, 'A') + " " + a255 + ".obj"), lnk(a255 + ".exe")},
           {}),
        ok({"-O" + a255 + ".bin", "prog.obj"}, {kProg, lnk(a255 + ".bin")}, {}, prog),
        // The extension would make it 260: refused before anything runs.
        ends({a256 + ".x"}, error(3, "Invalid file name :  " + a256), 8, {}, {}),
        ends({"-O" + a256, "prog.obj"}, error(3, "Invalid file name :  " + a256), 8, {}, {}, prog),
        // A command-line word ends after 259 characters: the rest is the next name.
        ok({a256 + ".obj"},
           {names("/FS /S /MJ j.obj"), lnk("j.exe", "@vdrlds%P.lnk " + a256 + ".ob")}, {"j.exe"}),
        // "." has no extension: "..obj", whose stem and main entry name are ".".
        ok({"."}, {names("/FS /S /M. ..obj"), lnk("..exe")}, {"..exe"}),
        // Output "." has the empty base name: the import library is ".lib", the export file
        // "..exp" as a leading "." is not cut.
        ok({"-O.", "prog.obj"}, {kProg, lnk(".")}, {"-.lib", "-..exp"},
           {"prog.obj", ".lib", "..exp", ".exp"}),
    });
}

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
        const Words have = {"prog.obj", "prog.eom=" + names};
        cases.push_back(tooLong
                            ? ends({"-E", "prog.obj"}, error(8, "Cannot execute program :  link"),
                                   8, {kProg}, {"vdrlds%P.obj", "vdrlds%P.lnk"}, have)
                            : ok({"-E", "prog.obj"}, {kProg, link}, {"prog.exe"}, have));
    }
    // Wine cannot hand a program a command line of more than 32,767 characters.
    Words args = {"-S"};
    std::string objects;
    for (int i = 10000; objects.size() < 100000; ++i)
        args.push_back("o" + std::to_string(i) + ".obj"), objects += " " + args.back();
    cases.push_back(only(
        !wine,
        ok(args, {names("/FS /MO10000" + objects), lnk("o10000.exe", "vdrlds%P.obj" + objects)},
           {"o10000.exe"})));
    runCases(cases);
}

// Files named like the temporaries of other runs (other process ids, or the fixed names of -K)
// are the user's: a run removes only its own.
TEST(FaultsE2e, ForeignTemporaryNamesSurvive) {
    const Words foreign = {"vdrldsFFFFFFF1.obj", "vdrldsFFFFFFF1.lnk", "@vdrldsFFFFFFF1.lnk",
                           "vdrlstFFFFFFF1.obj", "vdrlds0FFFFFFD.obj", "vdrlst.obj",
                           "vdrlds.obj",         "vdrlds.lnk",         "mod.obj"};
    runCases({
        ok({"-D", "mod.obj"},
           {names("/FS /S /Dmod.def mod.obj"), "tessor /LIST:RTS /Ovdrlst%P.obj mod.obj",
            "link -subsystem:console -dll -entry:LibMain@12 -nodefaultlib @vdrlds%P.lnk "
            "vdrlst%P.obj -out:mod.dll zorun32.lib msvcrt.lib kernel32.lib -def:mod.def"},
           {"mod.dll"}, foreign),
        // Without objects the names step never runs, and the removal takes the fixed names.
        ok({"app.res"},
           {"link -subsystem:console -base:0x400000 -nodefaultlib -machine:ix86 app.res "
            "-out:app.exe zolrunsi.lib oopss.lib msvcrt.lib kernel32.lib"},
           {"app.exe", "-vdrlds.obj", "-vdrlds.lnk"}, foreign),
    });
}

} // namespace
