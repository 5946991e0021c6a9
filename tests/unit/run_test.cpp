// Whole runs over the fake platform: every child's command line byte for byte, what is looked
// up, what is removed afterwards, the environment changes, the output and the exit status.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "test_support.h"

namespace {

typedef std::vector<std::string> Lines;

const std::string kMain = "tessor /N /Ovdrlds00012A3F /FS /S /MMAIN main.obj";
const std::string kLnk = "@vdrlds00012A3F.lnk";

// The linker's line for a console program.
std::string link(const std::string& inputs, const std::string& out,
                 const std::string& libraries = "zorun32.lib msvcrt.lib kernel32.lib ") {
    return "link -subsystem:console -base:0x400000 -nodefaultlib  " + inputs + " -out:" + out +
           "  " + libraries;
}

const std::string kExe = link(kLnk, "main.exe");
const std::string kDllLink = "link -subsystem:console -dll -entry:LibMain@12 -nodefaultlib  ";
const std::string kList = "tessor /LIST:RTS /Ovdrlst00012A3F.obj main.obj";
const std::string kDll = kDllLink + "@vdrlds00012A3F.lnk vdrlst00012A3F.obj -out:main.dll  "
                                    "zorun32.lib msvcrt.lib kernel32.lib  -def:main.def";
const std::string kSystem = "kernel32.lib user32.lib gdi32.lib advapi32.lib ";
const Lines kDllRemoved = {"vdrlds00012A3F.obj", "vdrlds00012A3F.lnk", "main.def",
                           "main.lib",           "main.exp",           "vdrlst00012A3F.obj"};
const std::string x300(300, 'x');

// The clean-up after a names step: its object, its response file (not with -S), and the import
// library and export file named after the output's stem.
Lines gone(const std::string& stem, bool response = true) {
    Lines names = {"vdrlds00012A3F.obj", stem + ".lib", stem + ".exp"};
    if (response)
        names.insert(names.begin() + 1, "vdrlds00012A3F.lnk");
    return names;
}

struct RunCase {
    std::string args;                  // behind the program's name
    Lines children = {};               // each child's whole command line
    std::optional<Lines> removed = {}; // unset: none after a fatal error (8), else gone("main")
    int status = 0;
    std::string out = kBanner;
    std::vector<std::pair<std::string, const char*>> environment = {}; // nullptr: unset
    Lines files = {};                                                  // "dir/name"
    std::map<std::string, unsigned> exitCodes = {};
    Lines missing = {}; // taken away from the standard platform
    Lines unstartable = {};
    Lines settings = {}; // the environment changes the run makes
    Lines lookups = {};  // the program lookups, checked when given
};

void expectRuns(const std::vector<RunCase>& cases) {
    for (const RunCase& c : cases) {
        SCOPED_TRACE(c.args + (c.environment.empty() ? "" : " with " + c.environment[0].first));
        fakePlatform = standardPlatform();
        for (const auto& [name, value] : c.environment) {
            if (value)
                fakePlatform.environment[name] = value;
            else
                fakePlatform.environment.erase(name);
        }
        fakePlatform.files.insert(c.files.begin(), c.files.end());
        for (const std::string& file : c.missing)
            fakePlatform.files.erase(file);
        fakePlatform.exitCodes = c.exitCodes;
        fakePlatform.unstartable.insert(c.unstartable.begin(), c.unstartable.end());
        const RunResult result = runLine("veldra " + c.args);
        EXPECT_EQ(c.status, result.status);
        EXPECT_EQ(c.out, result.out);
        EXPECT_EQ(joined(c.children), joined(fakePlatform.children));
        const Lines removed = c.status == 8 ? Lines{} : gone("main");
        EXPECT_EQ(joined(c.removed.value_or(removed)), joined(fakePlatform.removals));
        EXPECT_EQ(joined(c.settings), joined(fakePlatform.settings));
        if (!c.lookups.empty()) {
            EXPECT_EQ(joined(c.lookups), joined(fakePlatform.lookups));
        }
    }
}

TEST(Run, WorkedCommandLines) {
    expectRuns({
        {.args = "main.obj,sub.obj",
         .children = {kMain + " sub.obj", kExe},
         .lookups = {"tessor", "link"}},
        {.args = "-S main.obj sub.obj",
         .children = {"tessor /N /Ovdrlds00012A3F /FS /MMAIN main.obj sub.obj",
                      link("vdrlds00012A3F.obj main.obj sub.obj", "main.exe")},
         .removed = gone("main", false)},
        {.args = "-D main.obj+sub.obj",
         .children = {"tessor /N /Ovdrlds00012A3F /FS /S /Dmain.def main.obj sub.obj",
                      kList + " sub.obj", kDll},
         .removed = kDllRemoved},
        {.args = "-T -IMYSYM -Ib main.obj",
         .children = {"tessor /N /Ovdrlds00012A3F /S /BBS /IMYSYM /Ib /MMAIN main.obj",
                      link(kLnk, "main.exe", "zorun32s.lib msvcrt.lib " + kSystem)}},
        {.args = "-N -G -L main.obj",
         .children = {"tessor /N /Ovdrlds00012A3F /FS /S /G /MMAIN main.obj",
                      "link /nologo -subsystem:windows -base:0x400000 -nodefaultlib  "
                      "@vdrlds00012A3F.lnk -out:main.exe -map:main.map zorun32.lib msvcrt.lib " +
                          kSystem},
         .out = ""},
        {.args = "-K -D main.obj",
         .children = {"tessor /N /FS /S /Dmain.def main.obj",
                      "tessor /LIST:RTS /Ovdrlst.obj main.obj",
                      kDllLink + "@vdrlds.lnk vdrlst.obj -out:main.dll  zorun32.lib msvcrt.lib "
                                 "kernel32.lib  -def:main.def"},
         .removed = Lines{}},
        // The user's module-definition file is no temporary.
        {.args = "-D main.obj main.def",
         .children = {"tessor /N /Ovdrlds00012A3F /FS /S  main.def main.obj", kList, kDll},
         .removed = Lines{"vdrlds00012A3F.obj", "vdrlds00012A3F.lnk", "main.lib", "main.exp",
                          "vdrlst00012A3F.obj"}},
    });
}

// Option letters in lower case, and the combinations of options and inputs met less often.
TEST(Run, RarerCombinations) {
    const std::string gui = "link -subsystem:windows -base:0x400000 -nodefaultlib  ";
    expectRuns({
        {.args = "-dgl -p3 -xa main.obj",
         .children = {"tessor /N /Ovdrlds00012A3F /P3 /FS /S /Dmain.def /Xa  main.obj",
                      "tessor /P3  /LIST:RTS /Ovdrlst00012A3F.obj main.obj",
                      "link -subsystem:windows -dll -entry:LibMain -nodefaultlib -machine:amd64  "
                      "@vdrlds00012A3F.lnk vdrlst00012A3F.obj -out:main.dll -map:main.map "
                      "zorun32.lib msvcrt.lib bufferoverflowu.lib " +
                          kSystem + " -def:main.def"},
         .removed = kDllRemoved},
        {.args = "-s -k -e -n -zsys -mmy -ofinal main.obj",
         .children = {"tessor /N /FS /Mmy /Z1 main.obj",
                      "link /nologo -subsystem:console -base:0x400000 -nodefaultlib  vdrlds.obj "
                      "main.obj -out:final.exe  zorun32.lib msvcrt.lib kernel32.lib "},
         .removed = Lines{},
         .out = ""},
        {.args = "-bfmd -t -ifoo -ubar main.obj a.cbl",
         .children = {"cobol a.cbl use(bar);",
                      "tessor /N /Ovdrlds00012A3F /S /BFMD /Ifoo /MMAIN main.obj a.obj",
                      link(kLnk, "main.exe", "zorun32s.lib msvcrt.lib " + kSystem)}},
        {.args = "-rmv,5.1 -j main.obj",
         .children = {"tessor /N /Ovdrlds00012A3F /FM /S /MMAIN main.obj", kExe},
         .out = kBanner + "\nWARNING: option -R ignored because option -J specified\n\n"},
        {.args = "-fm -G main.obj",
         .children = {"tessor /N /Ovdrlds00012A3F /FM /S /G /MMAIN main.obj",
                      gui.substr(0, gui.size() - 1) +
                          " @vdrlds00012A3F.lnk -out:main.exe  "
                          "zorun32.lib msvcrt.lib " +
                          kSystem}},
        // Without objects the names step does not run: no entry point, no .def, the
        // machine named, the runtime of answer 200, and the fixed names removed.
        {.args = "-D app.res x.lib",
         .children = {"link -subsystem:console -dll -nodefaultlib -machine:ix86   app.res "
                      "-out:app.dll  x.lib zolrunsi.lib oopss.lib msvcrt.lib kernel32.lib "},
         .removed = Lines{"vdrlds.obj", "vdrlds.lnk", "app.def", "app.lib", "app.exp"}},
        {.args = "-T -D -P1 @resp app.res",
         .children = {"tessor /N /Ovdrlds00012A3F /P1 /S /BBS /Dresp.def @resp.lnk",
                      "link -subsystem:console -dll -entry:LibMain -nodefaultlib -machine:alpha "
                      " @vdrlds00012A3F.lnk app.res -out:resp.dll  zorun32s.lib msvcrt.lib " +
                          kSystem + " -def:resp.def"},
         .removed =
             Lines{"vdrlds00012A3F.obj", "vdrlds00012A3F.lnk", "resp.def", "resp.lib", "resp.exp"}},
        {.args = "-S -P2 -B dir\\x.y\\@first.obj x.lib",
         .children = {"tessor /N /Ovdrlds00012A3F /P2 /BBS /MFIRST dir\\x.y\\@first.obj",
                      "link -subsystem:console -base:0x400000 -nodefaultlib -machine:ia64  "
                      "vdrlds00012A3F.obj dir\\x.y\\@first.obj -out:first.exe  x.lib "
                      "zorun32s.lib msvcrt.lib bufferoverflowu.lib " +
                          kSystem},
         .removed = gone("first", false)},
    });
}

// A failing tool's status is passed through after the clean-up, which removes what the run
// names whether it was made or not. A fatal error removes nothing.
TEST(Run, FailuresAndCleanUp) {
    const std::string verbose = "tessor /N /Ovdrlds00012A3F /FS /V /S /Dmain.def main.obj";
    expectRuns({
        {.args = "main.obj",
         .children = {kMain,
                      link(kLnk, "main.exe", "zolrunsi.lib oopss.lib msvcrt.lib kernel32.lib ")},
         .exitCodes = {{"tessor", 200}}},
        {.args = "-V -D main.obj",
         .children = {verbose, kList},
         .removed = kDllRemoved,
         .status = 3,
         .out = kBanner + "Executing:" + verbose + "\n\n\nExecuting:" + kList +
                "\n\n\nlink finished with errors\n",
         .exitCodes = {{"tessor", 3}}},
        {.args = "main.obj", .children = {kMain, kExe}, .status = 5, .exitCodes = {{"link", 5}}},
        {.args = "-Oout.bin main.obj",
         .children = {kMain, link(kLnk, "out.bin")},
         .removed = gone("out")},
        // The export file keeps a "." that begins the output name; the import library not.
        {.args = "-O. main.obj",
         .children = {kMain, link(kLnk, ".")},
         .removed = Lines{"vdrlds00012A3F.obj", "vdrlds00012A3F.lnk", ".lib", "..exp"}},
        {.args = "-O..\\bin\\out main.obj",
         .children = {kMain, link(kLnk, "..\\bin\\out")},
         .removed = Lines{"vdrlds00012A3F.obj", "vdrlds00012A3F.lnk", "..lib", "..exp"}},
        // Looked up before the echo: nothing printed or started.
        {.args = "-V a.cbl b.obj",
         .status = 8,
         .out = error(7, "Cannot find program :  cobol"),
         .missing = {"bin/cobol"},
         .lookups = {"cobol"}},
        {.args = "a.cbl b.obj",
         .children = {"cobol a.cbl;"},
         .status = 8,
         .out = error(8, "Cannot execute program :  tessor"),
         .unstartable = {"tessor"}},
        {.args = "a.cbl b.c c.cbl -Umy\" \"dir",
         .children = {"cobol a.cbl use(\"my dir\");"},
         .status = 8,
         .out = error(9, "Program indicated failure"),
         .exitCodes = {{"cobol", 9}}},
        {.args = "-S a.cbl",
         .children = {"cobol a.cbl;", "tessor /N /Ovdrlds00012A3F /FS /MA a.obj",
                      link("vdrlds00012A3F.obj a.obj", "a.exe")},
         .removed = gone("a", false),
         .exitCodes = {{"cobol", 8}}},
        // Up to 8 a warning; with the top bit set a success; the C compiler's code unread.
        {.args = "-S a.cbl b.cob -P3 c.c d.int",
         .children = {"cobol a.cbl;", "cobol b.cob;", "cl -c -D_AMD64_=1 -DWIN32 -DWIN64 -MD c.c",
                      "cobol d.int;",
                      "tessor /N /Ovdrlds00012A3F /P3 /FS /MA a.obj b.obj c.obj d.obj",
                      "link -subsystem:console -base:0x400000 -nodefaultlib -machine:amd64  "
                      "vdrlds00012A3F.obj a.obj b.obj c.obj d.obj -out:a.exe  zorun32.lib "
                      "msvcrt.lib bufferoverflowu.lib kernel32.lib "},
         .removed = gone("a", false),
         .exitCodes = {{"cobol", 0x80000008u}, {"cl", 2}}},
        {.args = "-P1 x\\a.c -P2 b.c -P0 c.C",
         .children = {"cl -c -D_X86_=1 -DWIN32 -MD -Gd x\\a.c",
                      "cl -c -D_X86_=1 -DWIN32 -MD -Gd b.c", "cl -c -D_X86_=1 -DWIN32 -MD -Gd c.C",
                      "tessor /N /Ovdrlds00012A3F /FS /S /MA a.obj b.obj c.obj",
                      link(kLnk, "a.exe")},
         .removed = gone("a")},
    });
}

// msvcrt.lib in the current directory, then along LIB (LIB64 for 64-bit targets); the linker
// of a target other than ix86 along ZELBIND64.
TEST(Run, SearchPaths) {
    const RunCase found = {.args = "main.obj", .children = {kMain, kExe}};
    RunCase lost = {.args = "main.obj",
                    .children = {kMain},
                    .status = 8,
                    .out = error(11, "Cannot find C runtime library")};
    auto with = [](RunCase c, std::vector<std::pair<std::string, const char*>> environment,
                   Lines files = {}) {
        c.environment = environment;
        c.files = files;
        return c;
    };
    // A full path of 259 characters fits the search's result, one of 260 does not.
    const std::string d248(248, 'd'), d249(249, 'd');
    const std::string amd64 = "link -subsystem:console -base:0x400000 -nodefaultlib "
                              "-machine:amd64  @vdrlds00012A3F.lnk -out:main.exe  zorun32.lib "
                              "msvcrt.lib bufferoverflowu.lib kernel32.lib ";
    const std::string p3 = "tessor /N /Ovdrlds00012A3F /P3 /FS /S /MMAIN main.obj";
    expectRuns({
        with(lost, {{"LIB", nullptr}}, {"./msvcrt.lib"}),
        with(lost, {{"LIB", ""}}, {"./msvcrt.lib"}),
        with(found, {{"LIB", "nowhere"}}, {"./msvcrt.lib"}),
        with(found, {{"LIB", (x300 + ";lib").c_str()}}),
        with(found, {{"LIB", (d248 + ";x").c_str()}}, {d248 + "/msvcrt.lib"}),
        with(lost, {{"LIB", (d249 + ";x").c_str()}}, {d249 + "/msvcrt.lib"}),
        with(found, {{"LIB", "\"missing;lib"}}),
        with(found, {{"LIB", "l\"\"ib\""}}),
        with(lost, {{"LIB", ("\"" + x300).c_str()}}),
        {.args = "main.obj",
         .children = {kMain, link(kLnk, "main.exe", "zorun32.lib crtdll.lib ")},
         .files = {"lib/crtdll.lib"},
         .missing = {"lib/msvcrt.lib"}},
        {.args = "-P3 main.obj",
         .children = {p3, amd64},
         .environment = {{"LIB", "nowhere"}, {"LIB64", "lib"}},
         .settings = {"LIB=lib"}},
        {.args = "-P3 main.obj", .children = {p3, amd64}, .environment = {{"LIB64", ""}}},
        {.args = "-P1 main.obj",
         .children = {"tessor /N /Ovdrlds00012A3F /P1 /FS /S /MMAIN main.obj"},
         .status = 8,
         .out = error(11, "Cannot find C runtime library"),
         .environment = {{"LIB", "nowhere"}, {"LIB64", "lib"}}},
        // The product-information object, looked for along LIB before the switch to LIB64.
        {.args = "-D -Xfoo main.obj",
         .children = {"tessor /N /Ovdrlds00012A3F /FS /S /Dmain.def /X_zOprdata /Xfoo  main.obj "
                      "zoprinfo.obj",
                      kList + " zoprinfo.obj", kDll},
         .removed = kDllRemoved,
         .files = {"lib/zoprinfo.obj"}},
        {.args = "-P3 main.obj",
         .children = {p3 + " zoprinfo.obj", amd64},
         .environment = {{"LIB", "info"}, {"LIB64", "lib"}},
         .files = {"info/zoprinfo.obj"},
         .settings = {"LIB=lib"}},
        // A linker found along ZELBIND64 runs under its path, quoted when it holds a blank.
        {.args = "-P3 main.obj",
         .children = {p3, "\"my tools/link\"" + amd64.substr(4)},
         .environment = {{"ZELBIND64", "nowhere;;my tools"}},
         .files = {"my tools/link"},
         .lookups = {"tessor", "link in nowhere;;my tools"}},
        {.args = "-P3 main.obj",
         .children = {p3, amd64},
         .environment = {{"ZELBIND64", "nowhere"}},
         .lookups = {"tessor", "link in nowhere", "link"}},
        {.args = "main.obj",
         .children = {kMain, kExe},
         .environment = {{"ZELBIND64", "my tools"}},
         .files = {"my tools/link"},
         .lookups = {"tessor", "link"}},
    });
}

// Names at the length limits of a command-line word (259), a name (259 with ".exe") and a
// name without extension (255 before ".obj").
TEST(Run, NameLimits) {
    const std::string a255(255, 'a'), a256(256, 'a');
    const std::string prog = "tessor /N /Ovdrlds00012A3F /FS /S /MPROG prog.obj";
    expectRuns({
        {.args = a255 + ".obj",
         .children = {"tessor /N /Ovdrlds00012A3F /FS /S /M" + std::string(255, 'A') + " " + a255 +
                          ".obj",
                      link(kLnk, a255 + ".exe")},
         .removed = gone(a255)},
        {.args = "-O" + a255 + ".bin prog.obj",
         .children = {prog, link(kLnk, a255 + ".bin")},
         .removed = gone(a255)},
        {.args = a256 + ".x", .status = 8, .out = error(3, "Invalid file name :  " + a256)},
        {.args = "-O" + a256 + " prog.obj",
         .status = 8,
         .out = error(3, "Invalid file name :  " + a256)},
        // A command-line word ends after 259 characters: the rest is the next name.
        {.args = a256 + ".obj",
         .children = {"tessor /N /Ovdrlds00012A3F /FS /S /MJ j.obj",
                      link("@vdrlds00012A3F.lnk " + a256 + ".ob", "j.exe")},
         .removed = gone("j")},
        // "." has no extension: "..obj", whose stem and main entry name are ".".
        {.args = ".",
         .children = {"tessor /N /Ovdrlds00012A3F /FS /S /M. ..obj", link(kLnk, "..exe")},
         .removed = gone(".")},
    });
}

// main.eom read with -E: its names go after main.obj, with the command line's quoting; a name
// in a list is not cut at 259 characters as a command-line word is.
TEST(Run, CompanionLists) {
    using namespace std::string_literals;
    const std::string a255(255, 'a'), a256(256, 'a');
    const struct {
        std::string list;
        std::string objects; // what the names tool gets behind main.obj
        std::string out = kBanner;
        Lines compiled = {};
    } cases[] = {
        {.list = "", .objects = ""},
        {.list = " \r\n\t\n", .objects = ""},
        {.list = "a.obj\r\nb.obj\nc.obj,d.obj+e.obj", .objects = " a.obj b.obj c.obj d.obj e.obj"},
        // Any byte but a separator belongs to a name; escapes turn to blanks only before the
        // first NUL; a NUL ends a name.
        {.list = "\x01\x7f a.obj\033b.obj\tc.obj\0d\033e.obj\0\0f"s,
         .objects = " \x01\x7f.obj a.obj b.obj\tc.obj d\033e.obj f.obj"},
        // An unbalanced double quote is dropped with what precedes it in its name.
        {.list = "x.obj \"abc b.obj", .objects = " x.obj abc.obj b.obj"},
        {.list = "ab\"c d.obj", .objects = " c.obj d.obj"},
        // Names, never options, whatever they begin with.
        {.list = "-V @resp /abs.obj \"my obj.obj\" @",
         .objects = " -V.obj @resp.lnk /abs.obj \"my obj.obj\" @.lnk"},
        {.list = "\"" + std::string(251, 'a') + " b.cbl\"",
         .objects = " \"" + std::string(251, 'a') + " b.obj\"",
         .compiled = {"cobol \"" + std::string(251, 'a') + " b.cbl\";"}},
        {.list = a255 + " " + a255 + ".cbl",
         .objects = " " + a255 + ".obj " + a255 + ".obj",
         .compiled = {"cobol " + a255 + ".cbl;"}},
        {.list = a256 + " " + a256 + ".cbl b.obj",
         .objects = " b.obj",
         .out = error(3, "Invalid file name :  " + a256) +
                "ERROR: (3) Invalid file name :  " + a256 + ".cbl\n"},
    };
    for (const auto& c : cases) {
        std::ofstream("main.eom", std::ios::binary) << c.list;
        fakePlatform = standardPlatform();
        const RunResult result = runLine("veldra -E main.obj");
        Lines expected = c.compiled;
        expected.push_back("tessor /N /Ovdrlds00012A3F /FS /S /MMAIN main.obj" + c.objects);
        expected.push_back(kExe);
        EXPECT_EQ(joined(expected), joined(fakePlatform.children)) << c.list;
        EXPECT_EQ(c.out, result.out) << c.list;
    }
    std::remove("main.eom");
}

} // namespace
