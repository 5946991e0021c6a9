// Child programs and inputs: the tool lookup and start, compiles in command-line order, tools
// that fail, crash or are killed, and companion lists.

#include "e2e/harness.h"

#include <gtest/gtest.h>

namespace {

using namespace e2e;
using namespace std::string_literals;

const std::string kFailed = error(9, "Program indicated failure");
const std::string kNoTessor = error(8, "Cannot execute program :  tessor");

TEST(RunnerE2e, ToolsThatCannotBeFoundOrStarted) {
    const std::string missing = "Cannot find program :  ";
    const Env bin = {{"TOOLS", "%D/bin"}}, bad = {{"TOOLS", "%D/bad;%T"}};
    const Words linked = {names("/FS /S /MB b.obj"), lnk("b.exe")};
    const std::string part(200, 'p'),
        deep = part + "/" + part + "/" + part + "/" + part + "/" + part,
        far(250, 'f'); // relative: the library's path has more than 259 characters
    runCases({
        // Looked up before the echo: nothing is printed or started.
        ends({"-V", "a.cbl", "b.obj"}, error(7, missing + "cobol"), 8, {}, {},
             {"bin/cl*", "bin/tessor*", "bin/link*"}, bin),
        // A fatal error removes nothing: the compiled object stays.
        ends({"a.cbl", "b.obj"}, error(7, missing + "tessor"), 8, {"cobol a.cbl;"}, {"a.obj"},
             {"bin/cobol*", "bin/link*"}, bin),
        // The first tessor along the path is no program.
        ends({"a.cbl", "b.obj"}, kNoTessor, 8, {"cobol a.cbl;"}, {"a.obj"},
             {"bad/tessor*=garbage\n"}, bad),
        // Without execute permission (POSIX) or ".exe" (Windows) a file is no candidate.
        ok({"b.obj"}, linked, {"b.exe"}, {"bad/tessor=garbage\n"}, bad),
        // A directory is no candidate on POSIX; Windows takes it and cannot start it.
        wine ? ends({"b.obj"}, kNoTessor, 8, {}, {}, {"bad/tessor*=/"}, bad)
             : ok({"b.obj"}, linked, {"b.exe"}, {"bad/tessor*=/"}, bad),
        // Found, then not startable (its interpreter is gone): no second search, no shell.
        only(!wine, ends({"b.obj"}, kNoTessor, 8, {}, {}, {"bad/tessor*=#!%D/gone/sh\n"}, bad)),
        // POSIX finds a tool and a library whatever the length of their full paths.
        only(!wine, ok({"b.obj"}, linked, {"b.exe"}, {deep + "/tessor*", far + "/msvcrt.lib"},
                       {{"TOOLS", "%D/" + deep + ";%T"}, {"LIB", far}})),
    });
}

TEST(RunnerE2e, SourcesCompileInCommandLineOrder) {
    const Env crashCobol = {{"VELDRA_STANDIN_CRASH_COBOL", "1"}};
    const std::string killed = names("/FS /V /S /MA a.obj");
    runCases({
        ok({"b.obj", "a.cbl", "-S", "c.obj", "src" + S + "d.c", "-Ux.dir"},
           {"cobol a.cbl use(x.dir);", "cl -c -D_X86_=1 -DWIN32 -MD -Gd src" + S + "d.c",
            names("/FS /MB b.obj a.obj c.obj d.obj"),
            lnk("b.exe", "vdrlds%P.obj b.obj a.obj c.obj d.obj")},
           {"a.obj", "d.obj", "b.exe"}, {"b.obj", "c.obj"}),
        // -U behind the source still reaches it, as written. 9 is a failure: later inputs are
        // not even classified; 8 is not.
        ends({"-V", "a.cbl", "b.c", "c.cbl", "-Umy dir"},
             B + echo("cobol a.cbl use(\"my dir\");") + kFailed.substr(B.size()), 8,
             {"cobol a.cbl use(\"my dir\");"}, {"a.obj"}, {}, {{"VELDRA_STANDIN_EXIT_COBOL", "9"}}),
        ok({"a.cbl", "b.cbl"},
           {"cobol a.cbl;", "cobol b.cbl;", names("/FS /S /MA a.obj b.obj"), lnk("a.exe")},
           {"a.obj", "b.obj", "a.exe"}, {}, {{"VELDRA_STANDIN_EXIT_COBOL", "8"}}),
        // A failed C compile left no object; its name goes to the link all the same.
        ok({"-S", "a.c", "b.obj"},
           {"cl -c -D_X86_=1 -DWIN32 -MD -Gd a.c", names("/FS /MA a.obj b.obj"),
            lnk("a.exe", "vdrlds%P.obj a.obj b.obj")},
           {"a.exe"}, {"b.obj"},
           {{"VELDRA_STANDIN_EXIT_CL", "2"}, {"VELDRA_STANDIN_NOFILES_CL", "1"}}),
        // A crashed linker: SIGSEGV gives 128 + 11 on POSIX; under Windows the access
        // violation's code 0xC0000005 is the status, of which Wine's exit keeps the low byte.
        ends({"a.obj"}, B, wine ? 5 : 139, {names("/FS /S /MA a.obj"), lnk("a.exe")}, {}, {},
             {{"VELDRA_STANDIN_CRASH_LINK", "1"}}),
        // A crashed COBOL compiler: 139 is above 8, while the Windows exception code has its
        // top bit set, which counts as success.
        wine ? ok({"a.cbl"}, {"cobol a.cbl;", names("/FS /S /MA a.obj"), lnk("a.exe")}, {"a.exe"},
                  {}, crashCobol)
             : ends({"a.cbl"}, kFailed, 8, {"cobol a.cbl;"}, {}, {}, crashCobol),
        // Killed from outside: by signal n on POSIX, with exit code n on Windows.
        ends({"a.cbl"}, kFailed, 8, {"cobol a.cbl;"}, {}, {}, {{"VELDRA_STANDIN_KILL_COBOL", "9"}}),
        ends({"-V", "a.obj"}, B + echo(killed) + "link finished with errors\n", wine ? 15 : 143,
             {killed}, {}, {}, {{"VELDRA_STANDIN_KILL_TESSOR", "15"}}),
        // Output into a pipe that is closed is lost; the link, the clean-up and the status stay.
        ends({"-V", "a.obj"}, "", 0, {killed, lnk("a.exe")}, {"a.exe"}, {}, {{"STDOUT", "-"}}),
    });
}

TEST(RunnerE2e, CompanionLists) {
    const std::vector<std::pair<std::string, std::string>> lists = {
        // Contents of main.eom ("-" for none), then the objects tessor gets after main.obj.
        {"-", ""},
        {"", ""},
        {" \r\n\t\n", ""},
        {"a.obj\r\nb.obj\nc.obj,d.obj+e.obj", "a.obj b.obj c.obj d.obj e.obj"},
        // Any byte but a separator belongs to a name; escapes turn to blanks only before the
        // first NUL; a NUL ends a name.
        {"\x01\x7f a.obj\033b.obj\tc.obj\0d\033e.obj\0\0f"s,
         "\x01\x7f.obj a.obj b.obj\tc.obj d\033e.obj f.obj"},
        // An unbalanced double quote is dropped with what precedes it in its name.
        {"x.obj \"abc b.obj", "x.obj abc.obj b.obj"},
        {"ab\"c d.obj", "c.obj d.obj"},
        // Names, never options, whatever they begin with.
        {"-V @resp /abs.obj \"my obj.obj\" @", "-V.obj @resp.lnk /abs.obj \"my obj.obj\" @.lnk"},
    };
    std::vector<Case> cases;
    for (const auto& [content, objects] : lists) {
        Words have = {"main.obj"};
        if (content != "-")
            have.push_back("main.eom=" + content);
        cases.push_back(ok({"-E", "main.obj"},
                           {names("/FS /S /MMAIN main.obj " + objects), lnk("main.exe")},
                           {"main.exe"}, have));
    }
    // A source in the list is compiled there; the list is named after the output.
    cases.push_back(ok(
        {"-E", "-Osub" + S + "app", "main.obj"},
        {"cobol util.cbl;", names("/FS /S /MMAIN main.obj util.obj"), lnk("sub" + S + "app.exe")},
        {"util.obj"}, {"main.obj", "app.eom=util.cbl\n", "sub/x"}));
    // A name in a list is not cut at 259 characters as a command-line word is: its token form
    // may reach 260 (error 12), and a name of 260 characters is refused (error 3) but no end.
    auto quoted = [](size_t n) { return "\"" + std::string(n, 'a') + " b"; };
    cases.push_back(ok({"-E", "main.obj"},
                       {"cobol " + quoted(251) + ".cbl\";",
                        names("/FS /S /MMAIN main.obj " + quoted(251) + ".obj\""), lnk("main.exe")},
                       {"main.exe"}, {"main.obj", "main.eom=" + quoted(251) + ".cbl\""}));
    cases.push_back(ends({"-E", "main.obj"}, error(12, "Generated command line too long"), 8, {},
                         {}, {"main.obj", "main.eom=" + quoted(252) + ".cbl\""}));
    cases.push_back(ends({"-E", "main.obj"},
                         error(3, "Invalid file name :  " + std::string(256, 'a') + ".obj"), 0,
                         {names("/FS /S /MMAIN main.obj b.obj"), lnk("main.exe")}, {"main.exe"},
                         {"main.obj", "main.eom=" + std::string(256, 'a') + ".obj\nb.obj"}));
    runCases(cases);
}

// Hundreds of thousands of names are read and classified in order (the source at the end is
// compiled), and make a command line that no system starts. Labelled slow by its name.
TEST(RunnerE2e, HugeCompanionList) {
    std::string huge;
    for (int i = 0; i < (wine ? 200000 : 900000); ++i)
        huge += "n" + std::to_string(100000 + i) + ".obj\n";
    runCases({ends({"-E", "main.obj"}, kNoTessor, 8, {"cobol last.cbl;"}, {"last.obj"},
                   {"main.eom=" + huge + "last.cbl"})});
}

} // namespace
