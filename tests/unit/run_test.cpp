// Whole runs over the fake platform layer: every child's command line byte for byte, what is
// looked up, what is removed afterwards, the environment changes, the output and the exit status;
// and the option scan alone, with its warnings and refusals.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "driver/main_sequence.h"
#include "driver/tokenizer.h"
#include "platform/platform.h"
#include "platform/platform_fake.h"
#include "process/command_buffer.h"
#include "tests/expected.h"

namespace {

// "/" separates directories on POSIX only.
const bool kPosix = platformIsNameSeparator('/');
typedef std::vector<std::string> Lines;
typedef std::vector<std::pair<std::string, const char*>> Env; // nullptr: unset

const std::string& kBanner = expected::banner;
const std::string kError5 = "ERROR: (5) Illegal command line specified\n" + expected::usage(false);
const std::string kError6 =
    "ERROR: (6) Invalid command line option specified\n" + expected::usage(false);
using expected::error;

std::string warn(const char* ignored, const char* because) {
    return std::string("\nWARNING: option -") + ignored + " ignored because option -" + because +
           " specified\n\n";
}
std::string needs(const char* what, const char* letter) {
    return std::string("\nError: ") + what + " name required with -" + letter + " option\n\n";
}
// The four tools on the program path, msvcrt.lib in "lib", LIB naming "lib", process id 12A3F.
FakePlatform standardPlatform() {
    FakePlatform fake;
    fake.files = {"bin/cobol", "bin/cl", "bin/tessor", "bin/link", "lib/msvcrt.lib"};
    fake.environment["LIB"] = "lib";
    return fake;
}

// How a run ended (8 after a fatal error, -1 for a scan that went through) and what it printed.
struct RunResult {
    int status;
    std::string out;
};
// The whole main sequence over `args` on fakePlatform with an empty registry store, or with
// `scanOnly` just its two passes over the command line.
RunResult runLine(const std::string& args, bool scanOnly = false) {
    const std::string line = "veldra " + args;
    testing::internal::CaptureStdout();
    int status = -1;
    try {
        if (scanOnly) {
            resetRunState();
            scanCommandLine(args.c_str(), false);
            scanCommandLine(args.c_str(), true);
        } else {
            status = runMainSequence(2, line.c_str());
        }
    } catch (const FakeExit& end) {
        status = end.status;
    }
    return {status, testing::internal::GetCapturedStdout()};
}

// The names tool's main run.
std::string names(const std::string& words) {
    return "tessor /N /Ovdrlds00012A3F " + words;
}
const std::string kMain = names("/FS /S /MMAIN main.obj");
const std::string kLnk = "@vdrlds00012A3F.lnk";
const std::string kSystem = "kernel32.lib user32.lib gdi32.lib advapi32.lib ";

// The linker's line for a console program.
const std::string kConsole = "link -subsystem:console -base:0x400000 -nodefaultlib";
std::string link(const std::string& inputs, const std::string& out,
                 const std::string& libraries = "zorun32.lib msvcrt.lib kernel32.lib ") {
    return kConsole + "  " + inputs + " -out:" + out + "  " + libraries;
}
const std::string kExe = link(kLnk, "main.exe");
const std::string kDllLink = "link -subsystem:console -dll -entry:LibMain@12 -nodefaultlib  ";
const std::string kList = "tessor /LIST:RTS /Ovdrlst00012A3F.obj main.obj";
const std::string kDll = kDllLink + kLnk + " vdrlst00012A3F.obj -out:main.dll  zorun32.lib " +
                         "msvcrt.lib kernel32.lib  -def:main.def";
const Lines kDllRemoved = {"vdrlds00012A3F.obj", "vdrlds00012A3F.lnk", "main.def",
                           "main.lib",           "main.exp",           "vdrlst00012A3F.obj"};

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
    Env env = {};
    Lines files = {}; // "dir/name"
    std::map<std::string, unsigned> codes = {};
    Lines missing = {}; // taken away from the standard platform
    Lines unstartable = {};
    Lines settings = {}; // the environment changes the run makes
    Lines lookups = {};  // the program lookups, checked when given
};

void expectRuns(const std::vector<RunCase>& cases) {
    for (const RunCase& c : cases) {
        SCOPED_TRACE(c.args + (c.env.empty() ? "" : " with " + c.env[0].first));
        fakePlatform = standardPlatform();
        for (const auto& [name, value] : c.env)
            value ? void(fakePlatform.environment[name] = value)
                  : void(fakePlatform.environment.erase(name));
        fakePlatform.files.insert(c.files.begin(), c.files.end());
        for (const std::string& file : c.missing)
            fakePlatform.files.erase(file);
        fakePlatform.exitCodes = c.codes;
        fakePlatform.unstartable.insert(c.unstartable.begin(), c.unstartable.end());
        const RunResult result = runLine(c.args);
        EXPECT_EQ(c.status, result.status);
        EXPECT_EQ(c.out, result.out);
        EXPECT_EQ(c.children, fakePlatform.children);
        const Lines removed = c.status == 8 ? Lines{} : gone("main");
        EXPECT_EQ(c.removed.value_or(removed), fakePlatform.removals);
        EXPECT_EQ(c.settings, fakePlatform.settings);
        EXPECT_TRUE(c.lookups.empty() || c.lookups == fakePlatform.lookups);
    }
}

// Each table below: a run a row or two; its strings are whole command lines, so they run on.
// clang-format off
TEST(Run, WorkedCommandLines) {
    expectRuns({
        {.args = "main.obj,sub.obj", .children = {kMain + " sub.obj", kExe}, .lookups = {"tessor", "link"}},
        {.args = "-S main.obj sub.obj", .children = {names("/FS /MMAIN main.obj sub.obj"),
         link("vdrlds00012A3F.obj main.obj sub.obj", "main.exe")}, .removed = gone("main", false)},
        {.args = "-D main.obj+sub.obj", .children = {names("/FS /S /Dmain.def main.obj sub.obj"),
         kList + " sub.obj", kDll}, .removed = kDllRemoved},
        {.args = "-T -IMYSYM -Ib main.obj", .children = {names("/S /BBS /IMYSYM /Ib /MMAIN main.obj"),
         link(kLnk, "main.exe", "zorun32s.lib msvcrt.lib " + kSystem)}},
        {.args = "-N -G -L main.obj", .children = {names("/FS /S /G /MMAIN main.obj"),
         "link /nologo -subsystem:windows -base:0x400000 -nodefaultlib  " + kLnk +
         " -out:main.exe -map:main.map zorun32.lib msvcrt.lib " + kSystem}, .out = ""},
        {.args = "-K -D main.obj", .children = {"tessor /N /FS /S /Dmain.def main.obj",
         "tessor /LIST:RTS /Ovdrlst.obj main.obj", kDllLink + "@vdrlds.lnk vdrlst.obj -out:main.dll  "
         "zorun32.lib msvcrt.lib kernel32.lib  -def:main.def"}, .removed = Lines{}},
        // The user's module-definition file is no temporary.
        {.args = "-D first.def main.obj main.def", .children = {names("/FS /S  main.def main.obj"),
         kList, kDll}, .removed = Lines{"vdrlds00012A3F.obj", "vdrlds00012A3F.lnk", "main.lib", "main.exp",
                                        "vdrlst00012A3F.obj"}},
    });
}

// Option letters in lower case, and the combinations of options and inputs met less often.
TEST(Run, RarerCombinations) {
    expectRuns({
        // File names, quoted or plain, through both passes.
        {.args = "\"my a.obj\",b\"\"c.obj+x.OBJ",
         .children = {names("/FS /S /M\"MY A\" \"my a.obj\" bc.obj x.OBJ"), link(kLnk, "\"my a.exe\"")},
         .removed = gone("my a")},
        {.args = "-dgl -p3 -xa main.obj", .children = {names("/P3 /FS /S /Dmain.def /Xa  main.obj"),
         "tessor /P3  /LIST:RTS /Ovdrlst00012A3F.obj main.obj",
         "link -subsystem:windows -dll -entry:LibMain -nodefaultlib -machine:amd64  " + kLnk +
         " vdrlst00012A3F.obj -out:main.dll -map:main.map zorun32.lib msvcrt.lib bufferoverflowu.lib " +
         kSystem + " -def:main.def"}, .removed = kDllRemoved},
        {.args = "-ofirst -s -k -e -n -zsys -mmy -ofinal main.obj",
         .children = {"tessor /N /FS /Mmy /Z1 main.obj", "link /nologo -subsystem:console -base:0x400000 "
         "-nodefaultlib  vdrlds.obj main.obj -out:final.exe  zorun32.lib msvcrt.lib kernel32.lib "},
         .removed = Lines{}, .out = ""},
        {.args = "-ufirst -bfmd -t -ifoo -ubar main.obj a.cbl", .children = {"cobol a.cbl use(bar);",
         names("/S /BFMD /Ifoo /MMAIN main.obj a.obj"), link(kLnk, "main.exe", "zorun32s.lib msvcrt.lib " +
         kSystem)}},
        // The symbol-list warnings come after the whole scan, -I before -X.
        {.args = "-Xbar -Ifoo main.obj", .children = {kMain, kExe},
         .out = kBanner + "\nWARNING: option -I ignored because option -T not specified\n\n"
                          "\nWARNING: option -X ignored because option -D not specified\n\n"},
        // Without objects the names step does not run: no entry point, no .def, the
        // machine named, the runtime of answer 200, and the fixed names removed.
        {.args = "-D app.res x.lib", .children = {"link -subsystem:console -dll -nodefaultlib "
         "-machine:ix86   app.res -out:app.dll  x.lib zolrunsi.lib oopss.lib msvcrt.lib kernel32.lib "},
         .removed = Lines{"vdrlds.obj", "vdrlds.lnk", "app.def", "app.lib", "app.exp"}},
        {.args = "-T -D -P1 @resp app.res a.c", .children = {"cl -c -D_ALPHA_=1 -DWIN32 -MD a.c",
         names("/P1 /S /BBS /Dresp.def @resp.lnk a.obj"), "link -subsystem:console -dll -entry:LibMain "
         "-nodefaultlib -machine:alpha  " + kLnk +
         " app.res -out:resp.dll  zorun32s.lib msvcrt.lib " + kSystem + " -def:resp.def"},
         .removed = Lines{"vdrlds00012A3F.obj", "vdrlds00012A3F.lnk", "resp.def", "resp.lib", "resp.exp"}},
        // "@" and any extension: a response file for the names tool, the output named
        // without the "@".
        {.args = "@resp.txt", .children = {names("/FS /S /MRESP @resp.txt"), link(kLnk, "resp.exe")},
         .removed = gone("resp")},
        // The map is named after the output's base name, in the current directory.
        {.args = "-L -Oout\\prog.exe main.obj", .children = {kMain, kConsole + "  " + kLnk +
         " -out:out\\prog.exe -map:prog.map zorun32.lib msvcrt.lib kernel32.lib "},
         .removed = gone("out\\prog")},
        // A drive prefix ends at ":", as a directory at "\\"; "/" separates directories on
        // POSIX only.
        {.args = "-L C:main.obj d:util.c", .children = {"cl -c -D_X86_=1 -DWIN32 -MD -Gd d:util.c",
         names("/FS /S /MMAIN C:main.obj util.obj"), kConsole + "  " + kLnk + " -out:main.exe -map:main.map "
         "zorun32.lib msvcrt.lib kernel32.lib "}},
        {.args = "sub/a.obj",
         .children = {names(kPosix ? "/FS /S /MA sub/a.obj" : "/FS /S /MSUB/A sub/a.obj"),
                      link(kLnk, kPosix ? "a.exe" : "sub/a.exe")},
         .removed = kPosix ? gone("a") : gone("sub/a")},
        // An EXE takes the user's module-definition file too.
        {.args = "main.obj app.def", .children = {kMain, kExe + " -def:app.def"}},
        // ia64: its C compiler words, LIB64 for LIB.
        {.args = "-S -P2 -B dir\\x.y\\@first.obj x.lib a.c",
         .children = {"cl -c -D_IA64_=1 -DWIN32 -DWIN64 -MD a.c",
         names("/P2 /BBS /MFIRST dir\\x.y\\@first.obj a.obj"),
         kConsole + " -machine:ia64  vdrlds00012A3F.obj dir\\x.y\\@first.obj a.obj -out:first.exe  x.lib "
         "zorun32s.lib msvcrt.lib bufferoverflowu.lib " + kSystem}, .removed = gone("first", false),
         .env = {{"LIB", "nowhere"}, {"LIB64", "lib"}}, .settings = {"LIB=lib"}},
    });
}

// A failing tool's status is passed through after the clean-up, which removes what the run
// names whether it was made or not. A fatal error removes nothing.
TEST(Run, FailuresAndCleanUp) {
    const std::string verbose = names("/FS /V /S /Dmain.def main.obj");
    expectRuns({
        {.args = "main.obj",
         .children = {kMain, link(kLnk, "main.exe", "zolrunsi.lib oopss.lib msvcrt.lib kernel32.lib ")},
         .codes = {{"tessor", 200}}},
        {.args = "-V -D main.obj", .children = {verbose, kList}, .removed = kDllRemoved, .status = 3,
         .out = kBanner + "Executing:" + verbose + "\n\n\nExecuting:" + kList +
                "\n\n\nlink finished with errors\n", .codes = {{"tessor", 3}}},
        // The export file keeps a "." that begins the output name; the import library not.
        {.args = "-O. main.obj", .children = {kMain, link(kLnk, ".")},
         .removed = Lines{"vdrlds00012A3F.obj", "vdrlds00012A3F.lnk", ".lib", "..exp"}},
        // A "." in the directory part of -O counts: no ".exe"; the companions cut there.
        {.args = "-Osub.d\\out main.obj", .children = {kMain, link(kLnk, "sub.d\\out")},
         .removed = gone("sub")},
        // Looked up before the echo: nothing printed or started.
        {.args = "-V a.cbl b.obj", .status = 8, .out = error(7, "Cannot find program :  cobol"),
         .missing = {"bin/cobol"}, .lookups = {"cobol"}},
        {.args = "a.cbl b.obj", .children = {"cobol a.cbl;"}, .status = 8,
         .out = error(8, "Cannot execute program :  tessor"), .unstartable = {"tessor"}},
        {.args = "a.cbl b.c c.cbl -Umy\" \"dir", .children = {"cobol a.cbl use(\"my dir\");"}, .status = 8,
         .out = error(9, "Program indicated failure"), .codes = {{"cobol", 9}}},
        {.args = "-S a.cbl", .children = {"cobol a.cbl;", names("/FS /MA a.obj"),
         link("vdrlds00012A3F.obj a.obj", "a.exe")}, .removed = gone("a", false), .codes = {{"cobol", 8}}},
        // Up to 8 a warning; with the top bit set a success; the C compiler's code unread.
        {.args = "-S a.cbl b.cob -P3 c.c d.int", .children = {"cobol a.cbl;", "cobol b.cob;",
         "cl -c -D_AMD64_=1 -DWIN32 -DWIN64 -MD c.c", "cobol d.int;",
         names("/P3 /FS /MA a.obj b.obj c.obj d.obj"),
         kConsole + " -machine:amd64  vdrlds00012A3F.obj a.obj b.obj c.obj d.obj -out:a.exe  zorun32.lib "
         "msvcrt.lib bufferoverflowu.lib kernel32.lib "},
         .removed = gone("a", false), .codes = {{"cobol", 0x80000008u}, {"cl", 2}}},
        {.args = "-P1 x\\a.c -P2 b.c -P0 c.C", .children = {"cl -c -D_X86_=1 -DWIN32 -MD -Gd x\\a.c",
         "cl -c -D_X86_=1 -DWIN32 -MD -Gd b.c", "cl -c -D_X86_=1 -DWIN32 -MD -Gd c.C",
         names("/FS /S /MA a.obj b.obj c.obj"), link(kLnk, "a.exe")}, .removed = gone("a")},
        // The scan ends the run before the sources in front of a bad option compile.
        {.args = "prog.cbl util.c -Y", .status = 8, .out = kBanner + kError6},
    });
}

// msvcrt.lib in the current directory, then along LIB (LIB64 for 64-bit targets); the linker
// of a target other than ix86 along ZELBIND64.
TEST(Run, SearchPaths) {
    const RunCase found = {.args = "main.obj", .children = {kMain, kExe}};
    const RunCase lost = {.args = "main.obj", .children = {kMain}, .status = 8,
                          .out = error(11, "Cannot find C runtime library")};
    auto with = [](RunCase c, Env e, Lines f = {}) { return c.env = e, c.files = f, c; };
    // A full path of 259 characters fits the search's result; one of 260 only on POSIX.
    const std::string d248(248, 'd'), d249(249, 'd'), x300(300, 'x');
    const std::string z = std::string(1018, 'z') + '"'; // 1,024 characters with "/link"
    const std::string amd64 = kConsole + " -machine:amd64  " + kLnk +
                              " -out:main.exe  zorun32.lib msvcrt.lib bufferoverflowu.lib kernel32.lib ";
    const std::string p3 = names("/P3 /FS /S /MMAIN main.obj");
    const Lines zelbind = {"tessor", "link in nowhere", "link"};
    expectRuns({
        with(lost, {{"LIB", nullptr}}, {"./msvcrt.lib"}),
        with(lost, {{"LIB", ""}}, {"./msvcrt.lib"}),
        with(found, {{"LIB", "nowhere"}}, {"./msvcrt.lib"}),
        with(found, {{"LIB", (x300 + ";lib").c_str()}}),
        with(found, {{"LIB", (d248 + ";x").c_str()}}, {d248 + "/msvcrt.lib"}),
        with(kPosix ? found : lost, {{"LIB", (d249 + ";x").c_str()}}, {d249 + "/msvcrt.lib"}),
        with(found, {{"LIB", "\"missing;lib"}}),
        with(found, {{"LIB", "l\"\"ib\""}}),
        with(lost, {{"LIB", ("\"" + x300).c_str()}}),
        // Blanks before an item are dropped, blanks inside it kept.
        with(found, {{"LIB", " x; my lib"}}, {"my lib/msvcrt.lib"}),
        {.args = "main.obj", .children = {kMain, link(kLnk, "main.exe", "zorun32.lib crtdll.lib ")},
         .files = {"lib/crtdll.lib"}, .missing = {"lib/msvcrt.lib"}},
        {.args = "-P3 main.obj", .children = {p3, amd64}, .env = {{"LIB64", ""}}},
        {.args = "-P1 main.obj", .children = {names("/P1 /FS /S /MMAIN main.obj")}, .status = 8,
         .out = error(11, "Cannot find C runtime library"), .env = {{"LIB", "nowhere"}, {"LIB64", "lib"}}},
        // The product-information object, looked for along LIB before the switch to LIB64.
        {.args = "-D -Xfoo main.obj",
         .children = {names("/FS /S /Dmain.def /X_zOprdata /Xfoo  main.obj zoprinfo.obj"),
                      kList + " zoprinfo.obj", kDll},
         .removed = kDllRemoved, .files = {"lib/zoprinfo.obj"}},
        {.args = "-P3 main.obj", .children = {p3 + " zoprinfo.obj", amd64},
         .env = {{"LIB", "info"}, {"LIB64", "lib"}}, .files = {"info/zoprinfo.obj"}, .settings = {"LIB=lib"}},
        // A linker of a target other than ix86 is looked for along ZELBIND64 (found there: end
        // to end), then as other programs; the ix86 linker never along ZELBIND64.
        {.args = "-P3 main.obj", .children = {p3, amd64}, .env = {{"ZELBIND64", "nowhere"}},
         .lookups = zelbind},
        {.args = "-P1 main.obj", .children = {names("/P1 /FS /S /MMAIN main.obj"),
         kConsole + " -machine:alpha  " + kLnk + " -out:main.exe  zorun32.lib msvcrt.lib kernel32.lib "},
         .env = {{"ZELBIND64", "nowhere"}}, .lookups = zelbind},
        {.args = "-P2 main.obj", .children = {names("/P2 /FS /S /MMAIN main.obj"),
         kConsole + " -machine:ia64  " + kLnk + " -out:main.exe  zorun32.lib msvcrt.lib bufferoverflowu.lib "
         "kernel32.lib "}, .env = {{"ZELBIND64", "nowhere"}}, .lookups = zelbind},
        {.args = "main.obj", .children = {kMain, kExe}, .env = {{"ZELBIND64", "my tools"}},
         .files = {"my tools/link"}, .lookups = {"tessor", "link"}},
        // Found whatever the length of its full path on POSIX (quoted, its quote doubled);
        // Windows's search gives up.
        {.args = "-P3 main.obj", .children = {p3, kPosix ? "\"" + z + "\"/link\"" + amd64.substr(4) : amd64},
         .env = {{"ZELBIND64", z.c_str()}}, .files = {z + "/link"}},
    });
}
// clang-format on

// Where a name ends: at a blank, "," or "+" outside double quotes, never at a tab; and which
// names the names tool gets quoted. Each row ends the line, so the scan sees its characters
// alone: fewer than 8, 8 to 15 (the stop in the first or the last eight) and 16 or more (the
// stop in the first block or the tail) take different paths of the scan.
TEST(Run, WhereNamesEnd) {
    const struct {
        std::string tail;    // behind "main.obj "
        std::string objects; // the names tool's words behind main.obj
    } cases[] = {
        {"a+b.obj", "a.obj b.obj"},
        {"a,b", "a.obj b.obj"},
        {"a b.obj", "a.obj b.obj"},
        {"a\tb", "a\tb.obj"},
        {"a\"+\"b", "a+b.obj"},
        {"\"a b\"", "\"a b.obj\""},
        {"\"a\"\"b\"", "\"a\"\"b.obj\""},
        {"ab+cd.obj", "ab.obj cd.obj"},
        {"abcdefgh,ij", "abcdefgh.obj ij.obj"},
        {"abcdefghi j", "abcdefghi.obj j.obj"},
        {"abcdefghi\tj", "abcdefghi\tj.obj"},
        {"abcd\",+\"efgh", "abcd,+efgh.obj"},
        {"\"abcd efgh\"", "\"abcd efgh.obj\""},
        {"\"abcdefghi j\"", "\"abcdefghi j.obj\""},
        {"abcdefghijklmno+p.obj", "abcdefghijklmno.obj p.obj"},
        {"abcdefghijklmnopq,r", "abcdefghijklmnopq.obj r.obj"},
        {"abcdefghijklmnopq r", "abcdefghijklmnopq.obj r.obj"},
        {"abcdefghijklmnopqrs\tt", "abcdefghijklmnopqrs\tt.obj"},
        {"abcdefghijklmnop\"+\"q", "abcdefghijklmnop+q.obj"},
        {"\"abcdefghijklmnop q\"", "\"abcdefghijklmnop q.obj\""},
        {"\"abcdefghijklmnopq\"\"\"", "\"abcdefghijklmnopq\"\".obj\""},
    };
    for (const auto& c : cases)
        expectRuns({{.args = "main.obj " + c.tail, .children = {kMain + " " + c.objects, kExe}}});
}

// Names at the length limits of a command-line word (259), a name (259 with ".exe") and a
// name without extension (255 before ".obj").
TEST(Run, NameLimits) {
    const std::string a255(255, 'a'), a256(256, 'a');
    const std::string prog = names("/FS /S /MPROG prog.obj");
    const std::string invalid = error(3, "Invalid file name :  " + a256);
    // clang-format off
    expectRuns({
        {.args = a255 + ".obj", .children = {names("/FS /S /M") + std::string(255, 'A') + " " + a255 +
         ".obj", link(kLnk, a255 + ".exe")}, .removed = gone(a255)},
        {.args = "-O" + a255 + ".bin prog.obj", .children = {prog, link(kLnk, a255 + ".bin")},
         .removed = gone(a255)},
        {.args = "-O" + a256 + " prog.obj", .status = 8, .out = invalid},
        // A command-line word ends after 259 characters: the rest is the next name.
        {.args = a256 + ".obj",
         .children = {names("/FS /S /MJ j.obj"), link(kLnk + " " + a256 + ".ob", "j.exe")},
         .removed = gone("j")},
        // "." has no extension: "..obj", whose stem and main entry name are "."; ".obj" is no
        // object either.
        {.args = ".", .children = {names("/FS /S /M. ..obj"), link(kLnk, "..exe")}, .removed = gone(".")},
        {.args = "-S .obj", .children = {names("/FS /M.OBJ .obj.obj"),
         link("vdrlds00012A3F.obj .obj.obj", ".obj.exe")}, .removed = gone(".obj", false)},
    });
    // clang-format on
}

// main.eom read with -E: its names go after main.obj, with the command line's quoting; a name
// in a list is not cut at 259 characters as a command-line word is.
TEST(Run, CompanionLists) {
    using namespace std::string_literals;
    const std::string a251(251, 'a'), a252(252, 'a'), a255(255, 'a'), a256(256, 'a');
    // clang-format off
    const struct {
        std::string list;
        std::string objects; // what the names tool gets behind main.obj; "-": no names step
        std::string out = kBanner;
        Lines compiled = {};
    } cases[] = {
        {.list = "a.obj\r\nb.obj\nc.obj,d.obj+e.obj", .objects = " a.obj b.obj c.obj d.obj e.obj"},
        // Any byte but a separator belongs to a name; escapes turn to blanks only before the
        // first NUL; a NUL ends a name.
        {.list = "\x01\x7f a.obj\033b.obj\tc.obj\0d\033e.obj\0\0f"s,
         .objects = " \x01\x7f.obj a.obj b.obj\tc.obj d\033e.obj f.obj"},
        // An unbalanced double quote is dropped with what precedes it in its name.
        {.list = "x.obj \"abc b.obj", .objects = " x.obj abc.obj b.obj"},
        {.list = "ab\"c d.obj", .objects = " c.obj d.obj"},
        // Names, never options, whatever they begin with.
        {.list = "-V @resp /abs.obj \"my-object x.obj\" \"a-longer-objects y.obj\" @ \"@a b\"",
         .objects = " -V.obj @resp.lnk /abs.obj \"my-object x.obj\" \"a-longer-objects y.obj\" "
                    "@.lnk \"@a b.lnk\""},
        {.list = "\"" + a251 + " b.cbl\"", .objects = " \"" + a251 + " b.obj\"",
         .compiled = {"cobol \"" + a251 + " b.cbl\";"}},
        // One more and the compiler's line cannot hold the name's token form.
        {.list = "\"" + a252 + " b.cbl\"", .objects = "-",
         .out = error(12, "Generated command line too long")},
        {.list = a255 + " " + a255 + ".cbl", .objects = " " + a255 + ".obj " + a255 + ".obj",
         .compiled = {"cobol " + a255 + ".cbl;"}},
        {.list = a256 + " " + a256 + ".obj b.obj", .objects = " b.obj",
         .out = error(3, "Invalid file name :  " + a256) + "ERROR: (3) Invalid file name :  " + a256 +
                ".obj\n"},
    };
    // clang-format on
    for (const auto& c : cases) {
        fakePlatform = standardPlatform();
        fakePlatform.contents["main.eom"] = c.list;
        const RunResult result = runLine("-E main.obj");
        Lines expected = c.compiled;
        if (c.objects != "-")
            expected.insert(expected.end(), {kMain + c.objects, kExe});
        EXPECT_EQ(expected, fakePlatform.children) << c.list;
        EXPECT_EQ(c.out, result.out) << c.list;
    }
}

// What the options become: the names tool's words (between "/N /Ovdrlds00012A3F " and the
// objects) and the runtime library words of the link, by the names tool's answer (200: the
// per-flavour COBOL runtime) and the C runtime found (crtdll.lib when there is no msvcrt.lib).
TEST(Run, WhatOptionsBecome) {
    const std::string sys = " " + kSystem.substr(0, kSystem.size() - 1);
    // clang-format off
    const struct {
        std::string opts;
        unsigned answer = 0;
        bool crtdll = false;
        std::string names = {}; // checked when given
        int native = 0;         // the machine the run executes on
        std::string words = {}; // checked when given
    } cases[] = {
        {.opts = "-REV,+5.4", .names = "/REV,+05.04 /S /MMAIN"},
        {.opts = "-RS,6", .names = "/RS,06.00 /S /MMAIN"},
        {.opts = "-REV -Rmv", .names = "/RMV /S /MMAIN"},
        {.opts = "-RM,-12.3", .names = "/RM,-12.03 /S /MMAIN"},
        {.opts = "-RSV,123456789.1S", .names = "/RSV,123456789.01 /MMAIN"},
        {.opts = "-BLMD", .names = "/S /BLMD /MMAIN"},
        {.opts = "-BFSBM", .names = "/S /BBM /MMAIN"},
        {.opts = "-F V", .names = "/F  /V /S /MMAIN"},
        {.opts = "-FM -J -Fs", .names = "/FS /S /MMAIN"},
        {.opts = "-Px", .names = "/FS /S /MMAIN"},
        {.opts = "-px", .names = "/P3 /FS /S /MMAIN", .native = 3},
        {.opts = "-PX", .names = "/P2 /FS /S /MMAIN", .native = 2},
        {.opts = "-Mfirst -M\"a\"\"b c\"", .names = "/FS /S /M\"a\"\"b c\""},
        {.opts = "-Zsys", .names = "/FS /S /MMAIN /Z1"},
        {.opts = "-T -Ix -Iy,-I\"z\"", .names = "/S /BBS /Ix /Iy /Iz /MMAIN"},
        {.opts = "", .answer = 200, .words = "zolrunsi.lib oopss.lib msvcrt.lib kernel32.lib"},
        {.opts = "-J", .answer = 200, .words = "zolrunmi.lib oopsm.lib msvcrt.lib kernel32.lib"},
        {.opts = "-fm", .answer = 200, .words = "zolrunmi.lib oopsm.lib msvcrt.lib kernel32.lib"},
        {.opts = "-FM", .words = "zorun32.lib msvcrt.lib kernel32.lib"},
        {.opts = "-BM -FS", .answer = 200, .words = "zolrunsi.lib oopss.lib msvcrt.lib kernel32.lib"},
        {.opts = "-bsmf", .answer = 200, .words = "zolrunm.lib msvcrt.lib" + sys},
        {.opts = "-FS -T", .words = "zorun32s.lib msvcrt.lib" + sys},
        {.opts = "-J -RS -T", .answer = 200, .words = "zolruns.lib msvcrt.lib" + sys},
        {.opts = "-T -RS", .answer = 200, .words = "zolrung.lib msvcrt.lib kernel32.lib" + sys},
        {.opts = "-FM -RS", .words = "zorun32.lib msvcrt.lib kernel32.lib" + sys},
        {.opts = "-P3", .words = "zorun32.lib msvcrt.lib bufferoverflowu.lib kernel32.lib"},
        {.opts = "-P2 -T", .words = "zorun32s.lib msvcrt.lib bufferoverflowu.lib" + sys},
        {.opts = "-G", .words = "zorun32.lib msvcrt.lib" + sys},
        {.opts = "-RS", .crtdll = true, .words = "zorun32.lib crtdll.lib" + sys},
        {.opts = "-P3", .crtdll = true, .words = "zorun32.lib crtdll.lib"},
    };
    // clang-format on
    for (const auto& c : cases) {
        fakePlatform = standardPlatform();
        fakePlatform.exitCodes["tessor"] = c.answer;
        fakePlatform.nativeMachine = c.native;
        if (c.crtdll)
            fakePlatform.files = {"bin/tessor", "bin/link", "lib/crtdll.lib"};
        runLine("main.obj " + c.opts);
        ASSERT_FALSE(fakePlatform.children.empty()) << c.opts;
        const std::string link = fakePlatform.children.back();
        if (!c.names.empty()) {
            EXPECT_EQ(names("") + c.names + " main.obj", fakePlatform.children[0]) << c.opts;
        }
        if (!c.words.empty()) {
            EXPECT_EQ(c.words + " ", link.substr(link.find("-out:main.exe  ") + 15)) << c.opts;
        }
    }
}

// The command buffer grows by 1024 when a text would leave no room for its terminator.
TEST(CommandBuffer, GrowsWithRoomForTheTerminator) {
    resetRunState();
    const std::string part(1000, 'a');
    appendRaw(part.c_str());
    ASSERT_EQ(1024, commandBuffer.capacity);
    appendRaw(std::string(24, 'b').c_str()); // exactly the room left
    EXPECT_EQ(2048, commandBuffer.capacity);
    EXPECT_EQ(part + std::string(24, 'b'), std::string(commandBuffer.data));
    appendToken(std::string(259, 'c').c_str());
    appendRaw(std::string(2048 - 1024 - 259, 'd').c_str()); // the room left again
    EXPECT_EQ(3072, commandBuffer.capacity);
    EXPECT_EQ(2048u, std::strlen(commandBuffer.data));
}

// Conflict warnings in command-line order, refused options with their messages (error 6 and
// the usage line alone for the first list).
TEST(Options, WarningsAndRefusals) {
    const std::string n259(259, 'n'), n260(260, 'n');
    const std::string noMain = needs("Main entry point", "M") + kError6;
    const struct {
        std::string args;
        std::string out; // after the banner
        int status = -1; // 8: the scan ended the run
    } cases[] = {
        {.args = "-T -RS", .out = warn("B", "R")},
        {.args = "-RS -T", .out = warn("R", "T")},
        {.args = "-FM -RS", .out = warn("F", "R") + warn("J", "R")},
        {.args = "-FS -T -RS", .out = warn("B", "R") + warn("F", "R")},
        {.args = "-BM -RE", .out = warn("B", "R") + warn("J", "R")},
        {.args = "-bm -fs", .out = warn("B", "F")},
        {.args = "-fs -b", .out = warn("F", "B")},
        {.args = "-rs -b", .out = warn("R", "B")},
        {.args = "-RS -FS", .out = warn("R", "F")},
        {.args = "-rs -j", .out = warn("R", "J")},
        {.args = "-J -RM", .out = warn("J", "R")},
        {.args = "-FS -T -J -BM", .out = warn("F", "B")},
        {.args = "-O", .out = needs("Output file", "O") + kError6, .status = 8},
        {.args = "-M", .out = noMain, .status = 8},
        {.args = "-I,", .out = needs("Symbol", "I") + kError6, .status = 8},
        {.args = "-X\"op", .out = needs("Symbol", "X") + kError6, .status = 8},
        {.args = "-T -RX", .out = warn("B", "R") + kError6, .status = 8},
        {.args = "-RS,2147483647", .out = ""},
        // An argument of 259 characters ends at a blank, NUL, "," or "+", not at a tab.
        {.args = "-O" + n259 + ",x.obj+y.obj", .out = ""},
        {.args = "-M" + n259 + "\tx.obj", .out = noMain, .status = 8},
        {.args = "-O" + n260, .out = needs("Output file", "O") + kError6, .status = 8},
        {.args = "-M\"" + n259.substr(2) + "\"", .out = ""},
        {.args = "-M\"" + n259.substr(1) + "\"", .out = noMain, .status = 8},
        {.args = "-", .out = kError5, .status = 8},
        {.args = "-V a\"b", .out = kError5, .status = 8},
        {.args = "-V -/v", .out = ""},
    };
    for (const char* args :
         {"-Y x.obj", "-P4", "-P-1", "-P12", "-P  99999999999", "-P -99999999999", "-F", "-P",
          "-Zsys2", "-Zsy", "-U", "-RX", "-RS,5.", "-RS,", "-RS,2147483648", "-REV,1234567890"}) {
        const RunResult result = runLine(args, true);
        EXPECT_EQ(8, result.status) << args;
        EXPECT_EQ(kBanner + kError6, result.out) << args;
    }
    for (const auto& c : cases) {
        const RunResult result = runLine(c.args, true);
        EXPECT_EQ(c.status, result.status) << c.args;
        EXPECT_EQ(c.out.empty() ? "" : kBanner + c.out, result.out) << c.args;
    }
}

#ifndef _WIN32
// Option letters fold by ASCII under every locale. In ISO-8859-9 (Turkish) the locale's capital
// of "i" is 0xDD, and that of the dotless i (0xFD) is "I".
TEST(Options, LettersUnderATurkishLocale) {
    const std::string folder = std::filesystem::current_path() / "locales-tr";
    if (!std::filesystem::exists(folder + "/tr_TR.ISO-8859-9")) {
        std::filesystem::create_directories(folder);
        std::system(("localedef --no-warnings=ascii -i tr_TR -f ISO-8859-9 " + folder +
                     "/tr_TR.ISO-8859-9 >/dev/null 2>&1")
                        .c_str());
    }
    setenv("LOCPATH", folder.c_str(), 1);
    if (std::setlocale(LC_ALL, "tr_TR.ISO-8859-9") == nullptr)
        GTEST_SKIP() << "localedef could not make a Turkish locale";
    EXPECT_EQ(-1, runLine("-vi_SYM x.obj", true).status);
    EXPECT_EQ(kBanner + kError6, runLine("-\xFD_SYM x.obj", true).out);
    std::setlocale(LC_ALL, "C");
    unsetenv("LOCPATH");
}
#endif

} // namespace
