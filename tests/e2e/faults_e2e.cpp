// The fault matrix end to end: tools that write nothing, cannot be started or crash, hostile
// LIB, LIB64 and ZELBIND64 values, names at the length limits or made only of dots, option-like
// names in a companion list, very long command lines, and files of the user's that look like
// another run's temporaries. Every case checks the output, the exit status, the children's
// command lines and the complete list of files left in the working directory.

#include "e2e/harness.h"
#include "e2e/hostile_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;
using hostile::Where;

const std::string kNoInput = "\nERROR: Object or source file name required\n";
const std::string kError11 = "ERROR: (11) Cannot find C runtime library\n";
const std::string kTessorLine = "tessor /N /Ovdrlds{pid} /FS /S /MPROG prog.obj";
const std::string kLinkLine = "link -subsystem:console -base:0x400000 -nodefaultlib "
                              "@vdrlds{pid}.lnk -out:prog.exe zorun32.lib msvcrt.lib kernel32.lib";
const std::vector<std::string> kTemporaries = {"vdrlds{pid}.obj", "vdrlds{pid}.lnk"};

// Exit status of a run whose child crashed with an access fault: 128 + SIGSEGV on POSIX; under
// Wine the exception code 0xC0000005, of which a Linux parent sees the low 8 bits.
int crashStatus() {
    return e2e::underWine() ? 0xC0000005 & 0xFF : 128 + SIGSEGV;
}

// A child killed from outside: by signal n on POSIX, with exit code n on Windows.
int killedStatus(int n) {
    return e2e::underWine() ? n : 128 + n;
}

std::string executing(const std::string& line) {
    return "Executing:" + line + "\n\n\n";
}

std::string invalidName(const std::string& name) {
    return "ERROR: (3) Invalid file name :  " + name + "\n";
}

std::string cannotFind(const std::string& tool) {
    return "ERROR: (7) Cannot find program :  " + tool + "\n";
}

std::string cannotExecute(const std::string& tool) {
    return "ERROR: (8) Cannot execute program :  " + tool + "\n";
}

std::vector<std::string> plus(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A directory outside the sandbox with LIB's library, an empty registry store and room for
// tools.
struct Scene {
    hostile::TempDir dir{"faults"};
    std::string lib = dir.makeDir("lib");
    std::string config = dir.makeDir("config");
    Scene() { dir.writeFile("lib/msvcrt.lib"); }
    std::string libPath() const { return e2e::programPath(lib); }
    e2e::EnvOverrides env() const {
        e2e::EnvOverrides env = hostile::baseEnvironment(config);
        hostile::add(env, {{"LIB", libPath()}});
        return env;
    }
};

// One run: what is there before, what comes out, what is left. Built with parentheses so
// that a table keeps one case in a few lines.
struct Row {
    Row(std::string what, std::vector<std::string> args, std::vector<std::string> have,
        e2e::EnvOverrides env, std::string out, int status, std::vector<std::string> children,
        std::vector<std::string> left, Where where = Where::Both, std::string companion = "")
        : what(std::move(what)), args(std::move(args)), have(std::move(have)), env(std::move(env)),
          out(std::move(out)), status(status), children(std::move(children)), left(std::move(left)),
          where(where), companion(std::move(companion)) {}
    std::string what;
    std::vector<std::string> args;
    std::vector<std::string> have; // the user's files, each holding "user\n"
    e2e::EnvOverrides env;         // on top of the scene's
    std::string out;               // after the banner; "{pid}" is the run's process id
    int status;
    std::vector<std::string> children; // each command line's words, joined by one blank
    std::vector<std::string> left;     // the whole working directory afterwards
    Where where;
    std::string companion; // contents of prog.eom, when not empty
};

void runRows(const Scene& scene, const std::vector<Row>& rows) {
    for (const Row& row : rows) {
        if (!hostile::runsHere(row.where))
            continue;
        SCOPED_TRACE(row.what);
        e2e::Sandbox box;
        for (const std::string& name : row.have)
            box.writeFile(name, "user\n");
        if (!row.companion.empty())
            box.writeFile("prog.eom", row.companion);
        e2e::EnvOverrides env = scene.env();
        hostile::add(env, row.env);
        e2e::RunResult result = box.run(row.args, env);
        const std::string pid = hostile::runPid(result);
        EXPECT_EQ(result.out, e2e::kBanner + hostile::withPid(row.out, pid)) << result.err;
        EXPECT_EQ(result.status, row.status) << result.err;
        std::vector<std::string> children;
        for (const std::string& line : row.children)
            children.push_back(hostile::normalized(hostile::withPid(line, pid)));
        EXPECT_EQ(hostile::childLines(result), children);
        hostile::expectFiles(box, row.left, pid);
        for (const std::string& name : row.have) {
            if (fs::exists(fs::path(box.dir()) / name)) {
                EXPECT_EQ(box.readFile(name), "user\n") << name;
            }
        }
    }
}

TEST(FaultsE2e, NamesToolWritesNothing) {
    Scene scene;
    const std::string verboseTessor = "tessor /N /Ovdrlds{pid} /FS /V /S /MPROG prog.obj";
    const std::string verboseLink = "link -subsystem:console -base:0x400000 -nodefaultlib  "
                                    "@vdrlds{pid}.lnk -out:prog.exe  zorun32.lib msvcrt.lib "
                                    "kernel32.lib ";
    const std::vector<std::string> bystanders = {"prog.obj", "prog.def", "vdrlds.obj", "vdrlds.lnk",
                                                 "vdrlst.obj"};
    const auto failing = [](const char* exit) {
        return hostile::standin(std::string("NOFILES_TESSOR=1 NOFILES_LINK=1 ") + exit);
    };
    runRows(
        scene,
        {
            // The linker's code is the status; removing files that were never made is harmless,
            // and names outside the removal list stay.
            Row("linker fails after an empty names step", {"-V", "prog.obj"}, bystanders,
                failing("EXIT_LINK=5"),
                executing(verboseTessor) + executing(verboseLink) + "link finished with errors\n",
                5, {verboseTessor, verboseLink}, bystanders),
            // A DLL's generated .def is in the removal list whether the names tool made it or not.
            Row("DLL whose linker fails", {"-D", "mod.obj"}, {"mod.obj", "mod.def"},
                failing("EXIT_LINK=3"), "", 3,
                {"tessor /N /Ovdrlds{pid} /FS /S /Dmod.def mod.obj",
                 "tessor /LIST:RTS /Ovdrlst{pid}.obj mod.obj",
                 "link -subsystem:console -dll -entry:LibMain@12 -nodefaultlib @vdrlds{pid}.lnk "
                 "vdrlst{pid}.obj -out:mod.dll zorun32.lib msvcrt.lib kernel32.lib -def:mod.def"},
                {"mod.obj"}),
            Row("names tool fails and writes nothing", {"prog.obj"}, {"prog.obj"},
                failing("EXIT_TESSOR=7"), "", 7, {kTessorLine}, {"prog.obj"}),
            Row("names tool chooses 200 and writes nothing", {"prog.obj"}, {"prog.obj"},
                hostile::standin("NOFILES_TESSOR=1 EXIT_TESSOR=200"), "", 0,
                {kTessorLine, "link -subsystem:console -base:0x400000 -nodefaultlib "
                              "@vdrlds{pid}.lnk -out:prog.exe zolrunsi.lib oopss.lib msvcrt.lib "
                              "kernel32.lib"},
                {"prog.obj", "prog.exe"}),
        });
}

// A tool that is found but cannot run, or is no program at all. The lookup passes over what is
// no executable file (POSIX) or takes any name that exists (Windows); what it takes and cannot
// start is error 8. Both are fatal: what the names tool wrote stays.
TEST(FaultsE2e, ToolThatCannotRun) {
    enum class Kind { Directory, NoExecuteBit, NotAProgram, DanglingLink, Vanished };
    struct ToolRow {
        std::string tool;
        Kind kind;
        int messageId; // 7 or 8
        Where where;
    };
    const bool wine = e2e::underWine();
    std::vector<ToolRow> rows;
    for (const char* tool : {"tessor", "link"}) {
        rows.push_back({tool, Kind::Directory, wine ? 8 : 7, Where::Both});
        // Windows has no execute permission; a PE file runs whatever its mode.
        rows.push_back({tool, Kind::NoExecuteBit, 7, Where::NativeOnly});
        rows.push_back({tool, Kind::NotAProgram, 8, Where::Both});
        rows.push_back({tool, Kind::DanglingLink, 7, Where::Both});
        // Gone between lookup and start: the file the lookup accepted names an interpreter
        // that is not there, so the start finds nothing to run. Windows resolves the name
        // again at process creation, and nothing in Wine can be removed in between.
        rows.push_back({tool, Kind::Vanished, 8, Where::NativeOnly});
    }
    Scene scene;
    for (const ToolRow& row : rows) {
        if (!hostile::runsHere(row.where))
            continue;
        SCOPED_TRACE(row.tool + " kind " + std::to_string(static_cast<int>(row.kind)));
        hostile::TempDir tools("tools");
        hostile::installTools(tools.path(), row.tool);
        const fs::path file = fs::path(tools.path()) / hostile::toolFileName(row.tool);
        switch (row.kind) {
        case Kind::Directory:
            fs::create_directory(file);
            break;
        case Kind::NoExecuteBit:
            hostile::installTools(tools.path());
            fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
            break;
        case Kind::NotAProgram:
            tools.writeFile(file.filename().string(), "not a program\n");
            fs::permissions(file, fs::perms::owner_all);
            break;
        case Kind::DanglingLink:
            fs::create_symlink(fs::path(tools.path()) / "gone" / file.filename(), file);
            break;
        case Kind::Vanished:
            tools.writeFile(file.filename().string(), "#!" + tools.path() + "/gone/sh\n");
            fs::permissions(file, fs::perms::owner_all);
            break;
        }
        e2e::Sandbox box;
        box.writeFile("prog.obj");
        e2e::EnvOverrides env = scene.env();
        hostile::add(env, hostile::onlyToolsIn(tools.path()));
        e2e::RunResult result = box.run({"prog.obj"}, env);
        const std::string pid = hostile::runPid(result);
        const bool atLink = row.tool == "link";
        EXPECT_EQ(result.out, e2e::kBanner + (row.messageId == 7 ? cannotFind(row.tool)
                                                                 : cannotExecute(row.tool)));
        EXPECT_EQ(result.status, 8);
        EXPECT_EQ(hostile::childLines(result),
                  atLink ? std::vector<std::string>{hostile::withPid(kTessorLine, pid)}
                         : std::vector<std::string>{});
        hostile::expectFiles(
            box, atLink ? plus({"prog.obj"}, kTemporaries) : std::vector<std::string>{"prog.obj"},
            pid);
    }
}

TEST(FaultsE2e, CrashedOrKilledChild) {
    Scene scene;
    const std::vector<std::string> toLink = {kTessorLine, kLinkLine};
    const std::string killedTessor = "tessor /N /Ovdrlds{pid} /FS /V /S /MPROG prog.obj";
    const std::string failed = "ERROR: (9) Program indicated failure\n";
    const std::vector<std::string> prog = {"prog.obj"};
    const std::vector<std::string> compileFirst = {"x.cbl", "prog.obj"};
    runRows(
        scene,
        {
            Row("linker crashes", prog, prog, hostile::standin("CRASH_LINK=1"), "", crashStatus(),
                toLink, prog),
            Row("names tool crashes", prog, prog, hostile::standin("CRASH_TESSOR=1"), "",
                crashStatus(), {kTessorLine}, prog),
            Row("linker killed", prog, prog, hostile::standin("KILL_LINK=9"), "", killedStatus(9),
                toLink, prog),
            Row("names tool killed", {"-V", "prog.obj"}, prog, hostile::standin("KILL_TESSOR=15"),
                executing(killedTessor) + "link finished with errors\n", killedStatus(15),
                {killedTessor}, prog),
            // 139 is above 8: the compile failed.
            Row("COBOL compiler crashes", compileFirst, prog, hostile::standin("CRASH_COBOL=1"),
                failed, 8, {"cobol x.cbl;"}, prog, Where::NativeOnly),
            // 0xC0000005 has the top bit set, negative as a signed code: the compile counts as a
            // success, and the object it never wrote is linked.
            Row("COBOL compiler crashes", compileFirst, prog, hostile::standin("CRASH_COBOL=1"), "",
                0,
                {"cobol x.cbl;", "tessor /N /Ovdrlds{pid} /FS /S /MX x.obj prog.obj",
                 "link -subsystem:console -base:0x400000 -nodefaultlib @vdrlds{pid}.lnk -out:x.exe "
                 "zorun32.lib msvcrt.lib kernel32.lib"},
                {"prog.obj", "x.exe"}, Where::WineOnly),
            Row("COBOL compiler killed", compileFirst, prog, hostile::standin("KILL_COBOL=9"),
                failed, 8, {"cobol x.cbl;"}, prog),
        });
}

// Hostile LIB values: the search still finds msvcrt.lib where an item names its directory,
// and the children see LIB exactly as it was.
TEST(FaultsE2e, LibrarySearchPathEdges) {
    Scene scene;
    const std::string lib = scene.libPath();
    std::string manyMissing;
    for (int i = 0; i < 1000; ++i)
        manyMissing += "m" + std::to_string(i) + ";";
    const std::string longItem(300, 'x');
    const size_t half = lib.size() / 2;
    struct LibRow {
        std::string what;
        std::string value;
        bool found;
    };
    const std::vector<LibRow> rows = {
        {"an item of 300 characters comes out empty; the next is searched", longItem + ";" + lib,
         true},
        {"an item of 300 characters alone", longItem, false},
        {"1,000 items before the directory", manyMissing + lib, true},
        {"1,000 items without it", manyMissing, false},
        {"a quote never closed runs to the end", "\"" + lib, true},
        {"\";\" ends an item inside quotes too", "\"missing;" + lib, true},
        {"a quote left open at the end", lib + "\"", true},
        {"an empty quoted section inside the directory",
         lib.substr(0, half) + "\"\"" + lib.substr(half), true},
        {"a quote left open before the only item", "\"" + longItem, false},
    };
    for (const LibRow& row : rows) {
        SCOPED_TRACE(row.what);
        e2e::Sandbox box;
        box.writeFile("prog.obj");
        e2e::EnvOverrides env = scene.env();
        hostile::add(env, {{"LIB", row.value}, {"VELDRA_STANDIN_ENV", "LIB"}});
        e2e::RunResult result = box.run({"prog.obj"}, env);
        const std::string pid = hostile::runPid(result);
        EXPECT_EQ(result.out, e2e::kBanner + (row.found ? "" : kError11));
        EXPECT_EQ(result.status, row.found ? 0 : 8);
        ASSERT_EQ(result.children.size(), row.found ? 2u : 1u);
        EXPECT_EQ(hostile::childSetting(result.children.back(), "LIB"), row.value);
        hostile::expectFiles(box,
                             row.found ? std::vector<std::string>{"prog.obj", "prog.exe"}
                                       : plus({"prog.obj"}, kTemporaries),
                             pid);
    }
}

TEST(FaultsE2e, Lib64AndZelbind64) {
    Scene scene;
    const std::string lib = scene.libPath();
    const std::string noLib = e2e::programPath(scene.dir.makeDir("nolib"));
    const std::string missing = e2e::programPath(scene.dir.path() + "/missing");
    const std::string blankDir = scene.dir.makeDir("my tools");
    const std::string blankEmpty = e2e::programPath(scene.dir.makeDir("no tools here"));
    const std::string bound = e2e::programPath(blankDir);
    fs::copy_file(fs::path(std::getenv("VELDRA_TOOLCHAIN")) / hostile::toolFileName("link"),
                  fs::path(blankDir) / hostile::toolFileName("link"));
    const std::string boundLink =
        bound + (e2e::underWine() ? "\\" : "/") + hostile::toolFileName("link");
    const std::string amd64Link = " -subsystem:console -base:0x400000 -nodefaultlib "
                                  "-machine:amd64 @vdrlds{pid}.lnk -out:prog.exe zorun32.lib "
                                  "msvcrt.lib bufferoverflowu.lib kernel32.lib";
    const std::string amd64Tessor = "tessor /N /Ovdrlds{pid} /P3 /FS /S /MPROG prog.obj";
    struct MachineRow {
        std::string what;
        std::string machine;
        std::string name; // of the variable set for the row
        std::string value;
        std::string linkProgram; // empty: the run ends with error 11 before the linker
        std::string libSeen;     // LIB as the last child saw it
        bool libUnset = false;
    };
    const std::vector<MachineRow> rows = {
        {"LIB64 empty leaves LIB", "-P3", "LIB64", "", "link", lib},
        {"LIB64 replaces LIB", "-P3", "LIB64", noLib, "", noLib},
        {"LIB64 alone", "-P3", "LIB64", lib, "link", lib, true},
        {"alpha never looks at LIB64", "-P1", "LIB64", lib, "", "<unset>", true},
        {"ZELBIND64 names a missing directory", "-P3", "ZELBIND64", missing, "link", lib},
        {"ZELBIND64 names a directory with a blank", "-P3", "ZELBIND64", bound, boundLink, lib},
        {"ZELBIND64 missing, then a blank-holding directory", "-P3", "ZELBIND64",
         missing + ";" + bound, boundLink, lib},
        {"ZELBIND64 names a blank-holding directory without the linker", "-P3", "ZELBIND64",
         blankEmpty, "link", lib},
        {"ZELBIND64 only blanks", "-P3", "ZELBIND64", "  ", "link", lib},
        {"ZELBIND64 only separators", "-P3", "ZELBIND64", ";;", "link", lib},
        {"ix86 never looks at ZELBIND64", "-P0", "ZELBIND64", bound, "link", lib},
    };
    for (const MachineRow& row : rows) {
        SCOPED_TRACE(row.what);
        e2e::Sandbox box;
        box.writeFile("prog.obj");
        e2e::EnvOverrides env = scene.env();
        hostile::add(env, {{row.name, row.value}, {"VELDRA_STANDIN_ENV", "LIB"}});
        if (row.libUnset)
            hostile::add(env, {{"LIB", std::nullopt}});
        e2e::RunResult result = box.run({row.machine, "prog.obj"}, env);
        const std::string pid = hostile::runPid(result);
        const bool linked = !row.linkProgram.empty();
        EXPECT_EQ(result.out, e2e::kBanner + (linked ? "" : kError11));
        EXPECT_EQ(result.status, linked ? 0 : 8);
        ASSERT_EQ(result.children.size(), linked ? 2u : 1u);
        EXPECT_EQ(hostile::childSetting(result.children.back(), "LIB"), row.libSeen);
        if (row.machine == "-P3") {
            EXPECT_EQ(hostile::childLines(result)[0], hostile::withPid(amd64Tessor, pid));
            if (linked) {
                EXPECT_EQ(hostile::childLines(result)[1],
                          row.linkProgram + hostile::withPid(amd64Link, pid));
            }
        } else if (linked) {
            EXPECT_EQ(hostile::childLines(result)[1], hostile::withPid(kLinkLine, pid));
        }
        hostile::expectFiles(box,
                             linked ? std::vector<std::string>{"prog.obj", "prog.exe"}
                                    : plus({"prog.obj"}, kTemporaries),
                             pid);
    }
}

TEST(FaultsE2e, NamesAtTheLimitsAndOnlyDots) {
    Scene scene;
    const std::string a255(255, 'a');
    const std::string a256(256, 'a');
    const std::string big255(255, 'A');
    const std::string usage = e2e::expectedUsage();
    const std::string linkTail = " zorun32.lib msvcrt.lib kernel32.lib";
    const std::string linkHead = "link -subsystem:console -base:0x400000 -nodefaultlib ";
    const std::string otherHead = linkHead + "-machine:ix86 ";
    const std::string otherTail = " zolrunsi.lib oopss.lib msvcrt.lib kernel32.lib";
    const std::vector<std::string> none;
    const std::vector<std::string> prog = {"prog.obj"};
    const std::string error6 = "\nError: Output file name required with -O option\n\n"
                               "ERROR: (6) Invalid command line option specified\n";
    runRows(
        scene,
        {
            // 255 + ".exe" is 259 characters: accepted. No file system takes a name that long in
            // the working directory, so the stand-in linker's output is not there.
            Row("derived output name of 259 characters", {a255 + ".obj"}, none, {}, "", 0,
                {"tessor /N /Ovdrlds{pid} /FS /S /M" + big255 + " " + a255 + ".obj",
                 linkHead + "@vdrlds{pid}.lnk -out:" + a255 + ".exe" + linkTail},
                none),
            Row("DLL and map named after a base of 255 characters", {"-D", "-L", a255 + ".obj"},
                none, {}, "", 0,
                {"tessor /N /Ovdrlds{pid} /FS /S /D" + a255 + ".def " + a255 + ".obj",
                 "tessor /LIST:RTS /Ovdrlst{pid}.obj " + a255 + ".obj",
                 "link -subsystem:console -dll -entry:LibMain@12 -nodefaultlib @vdrlds{pid}.lnk "
                 "vdrlst{pid}.obj -out:" +
                     a255 + ".dll -map:" + a255 + ".map" + linkTail + " -def:" + a255 + ".def"},
                none),
            // The extension would make it 260: refused before anything runs.
            Row("derived output name of 260 characters", {a256 + ".x"}, none, {}, invalidName(a256),
                8, none, none),
            // The command line's scan takes at most 259 characters a word: the rest is the next
            // name. Only a companion list hands a longer name to classification.
            Row("command-line word of 260 characters", {a256 + ".obj"}, none, {}, "", 0,
                {"tessor /N /Ovdrlds{pid} /FS /S /MJ j.obj",
                 linkHead + "@vdrlds{pid}.lnk " + a256 + ".ob -out:j.exe" + linkTail},
                {"j.exe"}),
            Row("companion name of 260 characters", {"-E", "prog.obj"}, prog, {},
                invalidName(a256 + ".obj"), 0,
                {"tessor /N /Ovdrlds{pid} /FS /S /MPROG prog.obj b.obj", kLinkLine},
                {"prog.obj", "prog.eom", "prog.exe"}, Where::Both, a256 + ".obj\nb.obj\n"),
            Row("name of 256 characters without extension", {a256}, none, {},
                invalidName(a256) + kNoInput + usage, 0, none, none),
            Row("-O name of 259 characters", {"-O" + a255 + ".bin", "prog.obj"}, prog, {}, "", 0,
                {kTessorLine, linkHead + "@vdrlds{pid}.lnk -out:" + a255 + ".bin" + linkTail},
                prog),
            Row("-O name that leaves no room for the extension", {"-O" + a256, "prog.obj"}, prog,
                {}, invalidName(a256), 8, none, prog),
            Row("-O name of 260 characters", {"-O" + a256 + ".exe", "prog.obj"}, prog, {},
                error6 + e2e::kUsageLine, 8, none, prog),
            // "." has no extension: "..obj"; its stem and main entry name are ".".
            Row("object named only a dot", {"."}, none, {}, "", 0,
                {"tessor /N /Ovdrlds{pid} /FS /S /M. ..obj",
                 linkHead + "@vdrlds{pid}.lnk -out:..exe" + linkTail},
                {"..exe"}),
            // ".." has the empty extension: another linker input, so no names step.
            Row("input named two dots", {".."}, none, {}, "", 0,
                {otherHead + ".. -out:..exe" + otherTail}, {"..exe"}),
            Row("input named three dots", {"..."}, none, {}, "", 0,
                {otherHead + "... -out:...exe" + otherTail}, {"...exe"}),
            // Output "." has the empty base name: the import library is ".lib", and the export
            // file "..exp" because a leading "." is not cut. Both are the user's here.
            Row("-O. removes .lib and ..exp", {"-O.", "prog.obj"},
                {"prog.obj", ".lib", "..exp", ".exp"}, {}, "", 0,
                {kTessorLine, linkHead + "@vdrlds{pid}.lnk -out:." + linkTail},
                {"prog.obj", ".exp"}),
            Row("-O. with a map: the empty base name is no word", {"-O.", "-L", "prog.obj"}, prog,
                {}, "ERROR: (12) Generated command line too long\n", 8, {kTessorLine},
                plus(prog, kTemporaries)),
            Row("-O.. removes ..lib and ..exp", {"-O..", "prog.obj"},
                {"prog.obj", "..lib", "..exp", ".lib"}, {}, "", 0,
                {kTessorLine, linkHead + "@vdrlds{pid}.lnk -out:.." + linkTail},
                {"prog.obj", ".lib"}),
            // Names of a companion list are names, never options, whatever they begin with.
            Row("option-like names in a companion list", {"-E", "prog.obj"}, prog, {}, "", 0,
                {"tessor /N /Ovdrlds{pid} /FS /S /MPROG prog.obj -V.obj /abs.obj @resp.lnk @r.txt "
                 "-Oevil.obj -.obj @.lnk",
                 linkHead + "@vdrlds{pid}.lnk -out:prog.exe -S.lib" + linkTail + " -def:/x.def"},
                {"prog.obj", "prog.eom", "prog.exe"}, Where::Both,
                "-V /abs.obj\r\n@resp @r.txt,-Oevil+-\n@ -S.lib /x.def\n"),
        });
}

// prog.eom naming other inputs so that the link command line is exactly `length` characters.
std::string companionForLinkLength(size_t length, std::string& linkLine) {
    const std::string head = "link -subsystem:console -base:0x400000 -nodefaultlib  "
                             "@vdrlds{pid}.lnk";
    const std::string tail = " -out:prog.exe  zorun32.lib msvcrt.lib kernel32.lib ";
    std::string names;
    size_t rest = length - head.size() - tail.size() - 3; // "{pid}" becomes 8 characters
    for (int i = 0; rest > 250; ++i) {
        char name[24];
        std::snprintf(name, sizeof name, " r%05d.res", i);
        names += name;
        rest -= 11;
    }
    names += " " + std::string(rest - 5, 'z') + ".res";
    linkLine = head + names + tail;
    return names;
}

TEST(FaultsE2e, LongCommandLines) {
    Scene scene;
    {
        // A word longer than a token is cut after 259 characters; each piece is a name.
        SCOPED_TRACE("one word of 604 characters");
        e2e::Sandbox box;
        e2e::RunResult result = box.run({std::string(600, 'a') + ".obj"}, scene.env());
        const std::string pid = hostile::runPid(result);
        const std::string piece(259, 'a');
        EXPECT_EQ(result.out, e2e::kBanner + invalidName(piece) + invalidName(piece));
        EXPECT_EQ(result.status, 0);
        const std::string rest(82, 'a');
        EXPECT_EQ(hostile::childLines(result),
                  (std::vector<std::string>{
                      hostile::withPid("tessor /N /Ovdrlds{pid} /FS /S /M" + std::string(82, 'A') +
                                           " " + rest + ".obj",
                                       pid),
                      hostile::withPid("link -subsystem:console -base:0x400000 -nodefaultlib "
                                       "@vdrlds{pid}.lnk -out:" +
                                           rest + ".exe zorun32.lib msvcrt.lib kernel32.lib",
                                       pid)}));
        hostile::expectFiles(box, {rest + ".exe"}, pid);
    }
    // Wine cannot hand a program a command line of more than 32,767 characters.
    if (!e2e::underWine()) {
        SCOPED_TRACE("a command line of 100,000 characters");
        std::vector<std::string> args = {"-S"};
        std::string objects;
        for (int i = 0; objects.size() < 100000; ++i) {
            char name[16];
            std::snprintf(name, sizeof name, "o%05d.obj", i);
            args.push_back(name);
            objects += std::string(" ") + name;
        }
        e2e::Sandbox box;
        e2e::RunResult result = box.run(args, scene.env());
        const std::string pid = hostile::runPid(result);
        EXPECT_EQ(result.out, e2e::kBanner);
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(hostile::childLines(result),
                  (std::vector<std::string>{
                      hostile::withPid("tessor /N /Ovdrlds{pid} /FS /MO00000" + objects, pid),
                      hostile::withPid("link -subsystem:console -base:0x400000 -nodefaultlib "
                                       "vdrlds{pid}.obj" +
                                           objects +
                                           " -out:o00000.exe zorun32.lib msvcrt.lib "
                                           "kernel32.lib",
                                       pid)}));
        hostile::expectFiles(box, {"o00000.exe"}, pid);
    }
    // Link command lines of 32,766 and 32,767 characters: Windows takes at most 32,767
    // including the terminator, so the second cannot start there (error 8), and nothing the
    // run made or found is removed. POSIX has no such limit.
    for (size_t length : {32766u, 32767u}) {
        SCOPED_TRACE("link command line of " + std::to_string(length) + " characters");
        std::string linkLine;
        const std::string names = companionForLinkLength(length, linkLine);
        e2e::Sandbox box;
        box.writeFile("prog.obj");
        box.writeFile("prog.eom", names);
        e2e::RunResult result = box.run({"-E", "prog.obj"}, scene.env());
        const std::string pid = hostile::runPid(result);
        ASSERT_EQ(hostile::withPid(linkLine, pid).size(), length);
        const bool tooLong = e2e::underWine() && length > 32766;
        EXPECT_EQ(result.out, e2e::kBanner + (tooLong ? cannotExecute("link") : ""));
        EXPECT_EQ(result.status, tooLong ? 8 : 0);
        ASSERT_EQ(result.children.size(), tooLong ? 1u : 2u);
        if (!tooLong) {
            EXPECT_EQ(hostile::childLines(result)[1],
                      hostile::normalized(hostile::withPid(linkLine, pid)));
        }
        hostile::expectFiles(box,
                             tooLong ? plus({"prog.obj", "prog.eom"}, kTemporaries)
                                     : std::vector<std::string>{"prog.obj", "prog.eom", "prog.exe"},
                             pid);
    }
}

// Files named like the temporaries of other runs (other process ids, or the fixed names of
// -K) are the user's: a run removes only its own.
TEST(FaultsE2e, ForeignTemporaryNamesSurvive) {
    Scene scene;
    const std::vector<std::string> foreign = {
        "vdrldsFFFFFFF1.obj", "vdrldsFFFFFFF1.lnk", "@vdrldsFFFFFFF1.lnk",
        "vdrlstFFFFFFF1.obj", "vdrlds0FFFFFFD.obj", "vdrlst0FFFFFFD.obj",
        "vdrlds.obj",         "vdrlds.lnk",         "vdrlst.obj"};
    struct RunRow {
        std::vector<std::string> args;
        std::vector<std::string> made; // besides the foreign files
        std::vector<std::string> lost; // foreign files the removal list names
    };
    const std::vector<RunRow> rows = {
        {{"-D", "mod.obj"}, {"mod.obj", "mod.dll"}, {}},
        {{"prog.obj"}, {"prog.obj", "prog.exe"}, {}},
        {{"-S", "prog.obj"}, {"prog.obj", "prog.exe"}, {}},
        // Without objects the names step never runs and the removal takes the start-up names:
        // vdrlds.obj and, as system programs are linked, vdrlds.lnk.
        {{"app.res"}, {"app.res", "app.exe"}, {"vdrlds.obj", "vdrlds.lnk"}},
    };
    for (const RunRow& row : rows) {
        SCOPED_TRACE(row.args.back());
        e2e::Sandbox box;
        for (const std::string& name : foreign)
            box.writeFile(name, "user\n");
        box.writeFile(row.args.back());
        e2e::RunResult result = box.run(row.args, scene.env());
        const std::string pid = hostile::runPid(result);
        EXPECT_TRUE(pid != "FFFFFFF1" && pid != "0FFFFFFD");
        EXPECT_EQ(result.status, 0) << result.out;
        std::vector<std::string> kept;
        for (const std::string& name : foreign) {
            if (std::find(row.lost.begin(), row.lost.end(), name) == row.lost.end())
                kept.push_back(name);
        }
        hostile::expectFiles(box, plus(kept, row.made), pid);
        for (const std::string& name : kept)
            EXPECT_EQ(box.readFile(name), "user\n") << name;
    }
}

} // namespace
