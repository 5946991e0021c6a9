// What needs real processes: the console bytes and exit statuses of the real program, usage,
// fatal errors and the limits of a Windows command line, multi-byte names and messages; child
// programs looked up along the search path and ZELBIND64, that cannot be started, fail, crash
// or are killed; the files a run leaves, and the registry settings the children see.

#include "e2e/harness.h"

#include <gtest/gtest.h>

#include <clocale>
#include <filesystem>

#include <unistd.h>

using namespace e2e;

const std::string kNoTessor = error(8, "Cannot execute program :  tessor");

// Each table below: a case a row or two.
TEST(SpineE2e, UsageAndErrors) {
    // clang-format off
    runCases({
        // Nothing to link: message 100, the usage line and the option help, status 0.
        {.args = {"-V"}, .out = B + "\nERROR: Object or source file name required\n" + usage()},
        // Wine passes a lone double quote as it stands: the command line ends inside quotes.
        {.args = {}, .out = error(5, "Illegal command line specified") + usage(false), .status = 8,
         .env = {{"VELDRA_STANDIN_LAUNCH", "%T/../veldra.exe prog.cbl \"a.obj"}}, .skip = !wine},
        // An empty argument is an empty name: ".obj", whose empty main entry name has no token
        // form.
        {.args = {""}, .out = error(12, "Generated command line too long"), .status = 8},
        // An argument holding a double quote and a blank reads back as one name with them (POSIX).
        {.args = {"a\"b c.obj"},
         .children = {names("/FS /S /M\"A\"\"B C\" \"a\"\"b c.obj\""), lnk("\"a\"\"b c.exe\"")},
         .made = {"a\"b c.exe"}, .skip = wine},
        // A lone double quote as the directives name: the command line quotes it as """",
        // which the child reads back as one double quote.
        {.args = {"-U\"", "x.cbl"}, .children = {"cobol x.cbl \"use(\"\");\"", names("/FS /S /MX x.obj"),
         lnk("x.exe")}, .made = {"x.obj", "x.exe"}},
    });
    // clang-format on
}

// Windows takes at most 32,767 characters with the terminator: error 8, nothing lost. POSIX
// has no such limit. prog.eom names other inputs so that the link command line is `length`
// characters long.
TEST(FaultsE2e, LongCommandLines) {
    const std::string prog = names("/FS /S /MPROG prog.obj");
    const std::string head = "link -subsystem:console -base:0x400000 -nodefaultlib  @vdrlds%P.lnk";
    const std::string tail = " -out:prog.exe  zorun32.lib msvcrt.lib kernel32.lib ";
    for (size_t length : {32766u, 32767u}) {
        std::string more;
        const size_t rest = length - head.size() - tail.size() - 6; // "%P" is 8 characters
        for (int i = 10000; more.size() + 250 < rest; ++i)
            more += " r" + std::to_string(i) + ".res";
        more += " " + std::string(rest - more.size() - 5, 'z') + ".res";
        const bool tooLong = wine && length == 32767;
        // clang-format off
        runCases({{.args = {"-E", "prog.obj"},
                   .out = tooLong ? error(8, "Cannot execute program :  link") : B, .status = tooLong ? 8 : 0,
                   .children = tooLong ? Words{prog} : Words{prog, head + more + tail},
                   .made = tooLong ? Words{"vdrlds%P.obj", "vdrlds%P.lnk"} : Words{"prog.exe"},
                   .have = {"prog.obj", "prog.eom=" + more}}});
        // clang-format on
    }
}

// Multi-byte names and the Japanese string table, under ja_JP.UTF-8. Under Wine that gives the
// Windows build code page 932, where the second byte of U+8868 (0x95 0x5C) and U+30BD (0x83 0x5C)
// is a backslash and that of U+75C5 (0x95 0x61) an "a": names must be walked and upper-cased by
// whole characters. The POSIX build runs the same cases in UTF-8. Wine gets a prefix of its own,
// made on first use, so that the locale takes effect there.
TEST(MultibyteE2e, NamesAndMessages) {
    if (std::setlocale(LC_ALL, "ja_JP.UTF-8") == nullptr)
        GTEST_SKIP() << "no ja_JP.UTF-8 locale: localedef -i ja_JP -f UTF-8 ja_JP.UTF-8";
    const std::string prefix =
        std::filesystem::read_symlink("/proc/self/exe").parent_path() / "../wineprefix-ja";
    const std::string env = "WINEPREFIX=" + prefix + " LANG=ja_JP.UTF-8 WINEDEBUG=-all ";
    // Made again when Wine changed since (wine32 installed, say).
    if (wine)
        std::system((env +
                     "bash -c '. " VELDRA_TEST_DATA "/../../scripts/lib.sh && wine_make_prefix " +
                     prefix + "' >/dev/null 2>&1")
                        .c_str());
    const std::string refused = error(6, "無効なコマンド行オプションが指定されました") +
                                "使用法: " + usage(false).substr(7);
    // clang-format off
    const std::vector<Case> cases = {
        // Output, main entry and map names come from the part behind the real backslash.
        {.args = {"-L", "dir\\表.obj"},
         .children = {names("/FS /S /M表 dir\\表.obj"), lnk("表.exe -map:表.map")}, .made = {"表.exe"}},
        // Upper case by whole characters: trail byte 0x61 stays, full-width letters change.
        {.args = {"ｘ病.obj"}, .children = {names("/FS /S /MＸ病 ｘ病.obj"), lnk("ｘ病.exe")},
         .made = {"ｘ病.exe"}},
        {.args = {"-Y"}, .out = refused, .status = 8},
    };
    // clang-format on
    runCases(cases, {{"LANG", "ja_JP.UTF-8"}, {"WINEPREFIX", prefix}});
}

TEST(RunnerE2e, LookupAndStart) {
    const Words linked = {names("/FS /S /MB b.obj"), lnk("b.exe")};
    // Long paths for a tool and a library, the library's relative (in all more than 259
    // characters).
    const std::string p(200, 'p'), deep = p + "/" + p + "/" + p + "/" + p + "/" + p, far(250, 'f');
    const std::string amd64 = "\"%D/my tools/link" + std::string(wine ? ".exe\"" : "\"") +
                              " -subsystem:console -base:0x400000 -nodefaultlib -machine:amd64 "
                              "@vdrlds%P.lnk -out:main.exe zorun32.lib msvcrt.lib "
                              "bufferoverflowu.lib kernel32.lib";
    // clang-format off
    const std::vector<Case> cases = {
        // Nothing along the path.
        {.args = {"b.obj"}, .out = error(7, "Cannot find program :  tessor"), .status = 8,
         .env = {{"TOOLS", "%D/bin"}}},
        // The first tessor along the path is no program.
        {.args = {"b.obj"}, .out = kNoTessor, .status = 8, .have = {"bad/tessor*=x"}},
        // Without execute permission (POSIX) or ".exe" (Windows) a file is no candidate.
        {.args = {"b.obj"}, .children = linked, .made = {"b.exe"}, .have = {"bad/tessor=x"}},
        // A directory is no candidate on POSIX; Windows takes it and cannot start it.
        {.args = {"b.obj"}, .out = wine ? kNoTessor : B, .status = wine ? 8 : 0,
         .children = wine ? Words{} : linked, .made = wine ? Words{} : Words{"b.exe"},
         .have = {"bad/tessor*=/"}},
        // Found, then not startable (its interpreter is gone): no second search, no shell.
        {.args = {"b.obj"}, .out = kNoTessor, .status = 8, .have = {"bad/tessor*=#!/gone\n"}, .skip = wine},
        // POSIX finds a tool and a library whatever the length of their full paths.
        {.args = {"b.obj"}, .children = linked, .made = {"b.exe"},
         .have = {deep + "/tessor*", far + "/msvcrt.lib"},
         .env = {{"TOOLS", "%D/" + deep + ";%T"}, {"LIB", far}}, .skip = wine},
        // The linker of a target other than ix86 (-Px: amd64, the machine it runs on) along
        // ZELBIND64, under its full path.
        {.args = {"-Px", "main.obj"}, .children = {names("/P3 /FS /S /MMAIN main.obj"), amd64},
         .made = {"main.exe"}, .have = {"my tools/link*"}, .env = {{"ZELBIND64", "%D/nowhere;%D/my tools"}}},
    };
    // clang-format on
    runCases(cases, {{"TOOLS", "%D/bad;%T"}});
}

TEST(RunnerE2e, EndsAndTheFilesTheyLeave) {
    const std::string verbose = names("/FS /V /S /MA a.obj");
    // clang-format off
    runCases({
        // A crashed linker: SIGSEGV gives 128 + 11 on POSIX; under Windows the access
        // violation's code 0xC0000005 is the status, of which Wine's exit keeps the low byte.
        {.args = {"a.obj"}, .status = wine ? 5 : 139, .children = {names("/FS /S /MA a.obj"), lnk("a.exe")},
         .env = {{"VELDRA_STANDIN_CRASH_LINK", "1"}}},
        // Killed from outside: by signal n on POSIX, with exit code n on Windows (where "/"
        // opens an option group too).
        {.args = {wine ? "/V" : "-V", "a.obj"},
         .out = B + "Executing:" + verbose + "\n\n\nlink finished with errors\n",
         .status = wine ? 15 : 143, .children = {verbose}, .env = {{"VELDRA_STANDIN_KILL_TESSOR", "15"}}},
        // Output into a pipe that is closed is lost; the link, the clean-up and the status stay.
        {.args = {"-V", "a.obj"}, .out = "", .children = {verbose, lnk("a.exe")}, .made = {"a.exe"},
         .env = {{"STDOUT", "-"}}},
        // A failing linker's status passes through. The clean-up removes what the run names
        // whether it was made or not, nothing else.
        {.args = {"a.obj"}, .status = 5, .children = {names("/FS /S /MA a.obj"), lnk("a.exe")},
         .made = {"a.exe"},
         .have = {"a.def", "vdrlds.obj", "vdrlds.lnk", "vdrlst.obj", "vdrldsFFFFFFF1.obj"},
         .env = {{"VELDRA_STANDIN_NOFILES_TESSOR", "1"}, {"VELDRA_STANDIN_EXIT_LINK", "5"}}},
    });
    // clang-format on
}

// The reference toolchain's tessor, first on the path, on objects it cannot read: a missing
// one is told apart from one that is there, since veldra goes on after a C compile that
// failed. Root reads a file without read permission.
TEST(TessorE2e, ObjectsItCannotRead) {
    const std::string cannot = B + "tessor: x.obj: cannot read\n";
    // clang-format off
    runCases({
        {.args = {"x.obj"}, .out = cannot, .status = 1, .have = {"x.obj/keep"}},
        {.args = {"x.obj"}, .out = cannot, .status = 1, .have = {"x.obj!"}, .skip = !geteuid()},
        {.args = {"x.obj"}, .out = B + "tessor: x.obj does not exist: its compile probably failed (see the "
                                       "messages above)\n", .status = 1},
    }, {{"TOOLS", "%T/../tools/tessor;%T"}});
    // clang-format on
}

// A registry setting replaces a variable set before the start, and VEZIDU_PARSED=True reaches
// the children. Natively the keys are the .reg store of HKEY_CURRENT_USER under
// XDG_CONFIG_HOME. Under Wine they are added to the prefix's HKEY_LOCAL_MACHINE, which both
// builds read in the 32-bit view, where the 32-bit installer writes: the 64-bit view's QV is
// not imported.
TEST(RegistryE2e, SettingsReachTheChildren) {
    const std::string reg = (wine ? setting("VELDRA_LAUNCHER") : "") + " reg ";
    const std::string hklm = "'HKLM\\Software\\Quenlow", key = "\\Orvanta\\5.0\\COBOL\\Environment";
    // LIB relative: lib/ of the working directory.
    for (const char* value : {"32 /v LIB /d lib", "32 /v QV /d 32", "64 /v QV /d 64"})
        if (wine)
            std::system((reg + "add " + hklm + key + "' /f /reg:" + value + " >/dev/null").c_str());
    // The maker-wide key only fills a gap: a variable set to an empty value is no gap.
    if (wine)
        std::system(
            (reg + "add " + hklm + "\\Environment' /f /reg:32 /v QE /d maker >/dev/null").c_str());
    // Windows: each child's named event exists while it runs.
    const std::string seen =
        std::string(" VEZIDU_PARSED=True QE=") + (wine ? " QV=32 EVENT=open" : "");
    const std::string store = "quenlow/registry.reg=Windows Registry Editor Version 5.00\r\n\r\n"
                              "[HKEY_CURRENT_USER\\Software\\Quenlow\\Environment]\r\n"
                              "\"QE\"=\"maker\"\r\n"
                              "[HKEY_CURRENT_USER\\Software\\Quenlow" +
                              key + "]\r\n\"LIB\"=\"lib\"\r\n";
    // clang-format off
    const Case found = {.args = {"main.obj"},
                        .children = {names("/FS /S /MMAIN main.obj") + seen, lnk("main.exe") + seen},
                        .made = {"main.exe"}, .have = {"c/" + store},
                        .env = {{"LIB", "%D/nowhere"}, {"QE", ""},
                                {"VELDRA_STANDIN_ENV", "VEZIDU_PARSED,QE,QV,EVENT"}}};
    // clang-format on
    // POSIX: HKEY_CURRENT_USER under $XDG_CONFIG_HOME when that is absolute, else $HOME/.config.
    Case home = found;
    home.have = {"h/.config/" + store};
    home.env.insert(home.env.end(), {{"XDG_CONFIG_HOME", "c"}, {"HOME", "%D/h"}});
    home.skip = wine;
    runCases({found, home});
    for (const char* view : {"32", "64"})
        if (wine)
            std::system((reg + "delete " + hklm + "' /f /reg:" + view + " >/dev/null").c_str());
}

// Hundreds of thousands of names are read and classified in order (the source at the end is
// compiled), and make a command line that no system starts. Slow under the sanitizers.
TEST(SlowE2e, HugeCompanionList) {
    std::string huge;
    for (int i = 0; i < (wine ? 200000 : 900000); ++i)
        huge += "n" + std::to_string(100000 + i) + ".obj\n";
    // clang-format off
    runCases({{.args = {"-E", "main.obj"}, .out = kNoTessor, .status = 8, .children = {"cobol last.cbl;"},
               .made = {"last.obj"}, .have = {"main.eom=" + huge + "last.cbl"}}});
    // clang-format on
}
