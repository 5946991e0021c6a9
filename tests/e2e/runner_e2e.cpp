// Child programs and inputs end to end: the tool lookup and start, compiles in command-line
// order, compilers that fail or crash, and companion lists, each run through the stand-ins.

#include "e2e/harness.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace std::string_literals;
using e2e::ends;
using e2e::ok;

const std::string B = e2e::kBanner;
const bool wine = e2e::underWine();
const std::string S = wine ? "\\" : "/"; // a directory separator as veldra reads it
const std::string kFailed = B + "ERROR: (9) Program indicated failure\n";
const std::string kCannotExecute = B + "ERROR: (8) Cannot execute program :  tessor\n";

std::string names(const std::string& entry, const std::string& objects) {
    return "tessor /N /Ovdrlds%P /FS /S /M" + entry + " " + objects;
}
std::string link(const std::string& stem, const std::string& objects = "@vdrlds%P.lnk") {
    return "link -subsystem:console -base:0x400000 -nodefaultlib " + objects + " -out:" + stem +
           ".exe zorun32.lib msvcrt.lib kernel32.lib";
}

TEST(RunnerE2e, ToolsThatCannotBeFoundOrStarted) {
    const std::string missing = B + "ERROR: (7) Cannot find program :  ";
    e2e::runCases({
        // Looked up before the echo: nothing is printed or started.
        ends({"-V", "a.cbl", "b.obj"}, missing + "cobol\n", 8, {}, {},
             {"bin/cl*", "bin/tessor*", "bin/link*"}, {{"TOOLS", "%D/bin"}}),
        // A fatal error removes nothing: the compiled object stays.
        ends({"a.cbl", "b.obj"}, missing + "tessor\n", 8, {"cobol a.cbl;"}, {"a.obj"},
             {"bin/cobol*", "bin/link*"}, {{"TOOLS", "%D/bin"}}),
        // The first tessor along the path is no program.
        ends({"a.cbl", "b.obj"}, kCannotExecute, 8, {"cobol a.cbl;"}, {"a.obj"},
             {"bad/tessor*=garbage\n"}, {{"TOOLS", "%D/bad;%T"}}),
        // Without execute permission (POSIX) or ".exe" (Windows) a file is no candidate.
        ok({"b.obj"}, {names("B", "b.obj"), link("b")}, {"b.exe"}, {"bad/tessor=garbage\n"},
           {{"TOOLS", "%D/bad;%T"}}),
    });
}

TEST(RunnerE2e, SourcesCompileInCommandLineOrder) {
    const std::string crash = "VELDRA_STANDIN_CRASH_";
    std::vector<e2e::Case> cases = {
        // -U behind the source still reaches it; the echo is the exact command text.
        ends({"-V", "prog.cbl", "-Umy dir"},
             B + "Executing:cobol prog.cbl use(\"my dir\");\n\n\n" +
                 "Executing:tessor /N /Ovdrlds%P /FS /V /S /MPROG prog.obj\n\n\n" +
                 "Executing:link -subsystem:console -base:0x400000 -nodefaultlib  @vdrlds%P.lnk "
                 "-out:prog.exe  zorun32.lib msvcrt.lib kernel32.lib \n\n\nVELDRA completed\n",
             0,
             {"cobol prog.cbl use(\"my dir\");", "tessor /N /Ovdrlds%P /FS /V /S /MPROG prog.obj",
              link("prog")},
             {"prog.obj", "prog.exe"}),
        ok({"b.obj", "a.cbl", "-S", "c.obj", "src" + S + "d.c", "-Ux.dir"},
           {"cobol a.cbl use(x.dir);", "cl -c -D_X86_=1 -DWIN32 -MD -Gd src" + S + "d.c",
            "tessor /N /Ovdrlds%P /FS /MB b.obj a.obj c.obj d.obj",
            link("b", "vdrlds%P.obj b.obj a.obj c.obj d.obj")},
           {"a.obj", "d.obj", "b.exe"}, {"b.obj", "c.obj"}),
        ok({"-P3", "util.c"},
           {"cl -c -D_AMD64_=1 -DWIN32 -DWIN64 -MD util.c",
            "tessor /N /Ovdrlds%P /P3 /FS /S /MUTIL util.obj",
            "link -subsystem:console -base:0x400000 -nodefaultlib -machine:amd64 @vdrlds%P.lnk "
            "-out:util.exe zorun32.lib msvcrt.lib bufferoverflowu.lib kernel32.lib"},
           {"util.obj", "util.exe"}),
        // 9 is a failure: later inputs are not even classified; 8 is not.
        ends({"a.cbl", "b.c", "c.cbl"}, kFailed, 8, {"cobol a.cbl;"}, {"a.obj"}, {},
             {{"VELDRA_STANDIN_EXIT_COBOL", "9"}}),
        ok({"a.cbl", "b.cbl"},
           {"cobol a.cbl;", "cobol b.cbl;", names("A", "a.obj b.obj"), link("a")},
           {"a.obj", "b.obj", "a.exe"}, {}, {{"VELDRA_STANDIN_EXIT_COBOL", "8"}}),
        // A failed C compile left no object; its name goes to the link all the same.
        ok({"-S", "a.c", "b.obj"},
           {"cl -c -D_X86_=1 -DWIN32 -MD -Gd a.c", "tessor /N /Ovdrlds%P /FS /MA a.obj b.obj",
            link("a", "vdrlds%P.obj a.obj b.obj")},
           {"a.exe"}, {"b.obj"},
           {{"VELDRA_STANDIN_EXIT_CL", "2"}, {"VELDRA_STANDIN_NOFILES_CL", "1"}}),
        // A crashed linker: SIGSEGV gives 128 + 11 on POSIX; under Windows the access
        // violation's code 0xC0000005 is the status, of which Wine's exit keeps the low byte.
        ends({"a.obj"}, B, wine ? 5 : 139, {names("A", "a.obj"), link("a")}, {}, {"a.obj"},
             {{crash + "LINK", "1"}}),
        // A crashed COBOL compiler: 139 is above 8, while the Windows exception code has its
        // top bit set, which counts as success.
        wine ? ok({"a.cbl"}, {"cobol a.cbl;", names("A", "a.obj"), link("a")}, {"a.exe"}, {},
                  {{crash + "COBOL", "1"}})
             : ends({"a.cbl"}, kFailed, 8, {"cobol a.cbl;"}, {}, {}, {{crash + "COBOL", "1"}}),
    };
    e2e::runCases(cases);
}

TEST(RunnerE2e, CompanionListNamesFollowTheCommandLine) {
    const std::vector<std::pair<std::string, std::string>> lists = {
        // Contents of main.eom ("-" for none), then the objects tessor gets after main.obj.
        {"-", ""},
        {"", ""},
        {" \r\n\t\n", ""},
        {"a.obj\r\nb.obj\nc.obj,d.obj+e.obj", "a.obj b.obj c.obj d.obj e.obj"},
        // Any byte but a separator belongs to a name; a tab ends no name.
        {"\x01\x02\x7f a.obj\033b.obj\tc.obj", "\x01\x02\x7f.obj a.obj b.obj\tc.obj"},
        // Escapes turn to blanks only before the first NUL; a NUL ends a name.
        {"a.obj\033b.obj\0c.obj\033d.obj\0\0e"s, "a.obj b.obj c.obj\033d.obj e.obj"},
        // An unbalanced double quote is dropped with what precedes it in its name.
        {"x.obj \"abc b.obj", "x.obj abc.obj b.obj"},
        {"ab\"c d.obj", "c.obj d.obj"},
        {"-V @resp /abs.obj \"my obj.obj\"", "-V.obj @resp.lnk /abs.obj \"my obj.obj\""},
    };
    std::vector<e2e::Case> cases;
    for (const auto& [content, objects] : lists) {
        e2e::Words have = {"main.obj"};
        if (content != "-")
            have.push_back("main.eom=" + content);
        cases.push_back(ok({"-E", "main.obj"}, {names("MAIN", "main.obj " + objects), link("main")},
                           {"main.exe"}, have));
    }
    // A source in the list is compiled there; the list is named after the output.
    cases.push_back(
        ok({"-E", "-Osub" + S + "app", "main.obj"},
           {"cobol util.cbl;", names("MAIN", "main.obj util.obj"), link("sub" + S + "app")},
           {"util.obj"}, {"main.obj", "app.eom=util.cbl\n", "sub/x"}));
    // A name in a list is not cut at 259 characters as a command-line token is, so its token
    // form may reach 260.
    auto quoted = [](size_t n) { return "\"" + std::string(n, 'a') + " b"; };
    cases.push_back(ok({"-E", "main.obj"},
                       {"cobol " + quoted(251) + ".cbl\";",
                        names("MAIN", "main.obj " + quoted(251) + ".obj\""), link("main")},
                       {"main.exe"}, {"main.obj", "main.eom=" + quoted(251) + ".cbl\""}));
    cases.push_back(ends({"-E", "main.obj"}, B + "ERROR: (12) Generated command line too long\n", 8,
                         {}, {}, {"main.obj", "main.eom=" + quoted(252) + ".cbl\""}));
    // Hundreds of thousands of names are read and classified in order (the source at the end
    // is compiled), and make a command line that no system starts.
    std::string huge;
    for (int i = 0; i < (wine ? 200000 : 900000); ++i)
        huge += "n" + std::to_string(100000 + i) + ".obj\n";
    cases.push_back(ends({"-E", "main.obj"}, kCannotExecute, 8, {"cobol last.cbl;"}, {"last.obj"},
                         {"main.eom=" + huge + "last.cbl"}));
    e2e::runCases(cases);
}

} // namespace
