// Real links: veldra with the reference toolchain (cobol, cl, tessor, link and their
// libraries), each case in a fresh copy of src/ and cobol/, the result run under Wine (x86
// programs where Wine can). COBOL cases need the COBOL kit, and are skipped without it. Every
// child is started from its words and an environment of its own, in the case's folder: no
// shell comes between.
//
// Environment (ctest sets it): VELDRA_PROGRAM (the native veldra), VELDRA_REFERENCE (the
// reference toolchain's folder), VELDRA_REFERENCE_SOURCES (src/), VELDRA_REFERENCE_WORK (where
// the cases' folders go), VELDRA_SCRIPTS (the project's scripts/, whose lib.sh gives a link's
// environment for a machine and tells whether Wine starts 32-bit programs), and Wine's own
// settings.

#include "e2e/process.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <glob.h>
#include <map>
#include <sstream>

namespace {

using namespace e2e;
namespace fs = std::filesystem;

enum class On { x64, x86, both }; // the machines a case links for; `both`: x86 as x86_<name>

struct Case {
    std::string name; // of the test and its folder
    // Commands run in turn in the case's folder, each its words separated by blanks, each to
    // succeed ("!" first: to fail, after which only `said` is checked). cl, link, tessor and
    // veldra are found along PATH; the word $P is veldra's for the case's machine (-P3 for x64),
    // $CL the compile of a C source for it (cl -c, the machine's defines, -MD).
    Words steps;
    std::string said = {};          // text that the steps' output must hold ("" for none)
    std::string out = {};           // the whole output of `run`
    Words present = {};             // files left in the folder (shell patterns; none given:
                                    // the program `run` runs), and not:
    Words absent = {};              // "vdrl*" are the names tool's files, removed after a link
    std::string run = "main.exe x"; // then run under Wine: program and arguments
    int status = 0;                 // its exit code
    bool runtime = true;            // WINEPATH names lib/<machine>, where zorun32.dll lies
    On on = On::x64;                // x86: the image is PE32 (else PE32+), run under 32-bit Wine
    Words native = {};              // a native build, whose last command's output and status
                                    // `run`'s must match
    std::map<std::string, std::string> files = {}; // written into the folder first
};

// A file's text without its CRs.
std::string readText(const std::string& path) {
    std::string text = slurp(path);
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
}

Words splitWords(const std::string& command) {
    std::istringstream in(command);
    Words words;
    for (std::string word; in >> word;)
        words.push_back(word);
    return words;
}

bool matches(const std::string& pattern) {
    glob_t found;
    const bool any = glob(pattern.c_str(), 0, nullptr, &found) == 0;
    globfree(&found);
    return any;
}

// bash running `script` after sourcing the scripts' lib.sh, its output (with its standard
// error) in the work folder's file `log`, the words following as $1...; its status.
int withScripts(const std::string& script, const std::string& log, const Words& words = {}) {
    Words argv = {"bash", "-c", ". \"$0\" || exit 1; " + script,
                  setting("VELDRA_SCRIPTS") + "/lib.sh"};
    argv.insert(argv.end(), words.begin(), words.end());
    return runProgram(argv, ".", environment({}), setting("VELDRA_REFERENCE_WORK") + "/" + log)
        .status;
}

// "" when Wine starts 32-bit programs, else why not: the scripts' wine32_ready.
const std::string& wine32Why() {
    static const std::string why =
        withScripts("wine32_ready || printf %s \"$WINE32_WHY\"", "wine32.log") == 0
            ? readText(setting("VELDRA_REFERENCE_WORK") + "/wine32.log")
            : "the scripts' wine32_ready did not run";
    return why;
}

// A link's environment for `machine`, the scripts' toolchain_env with veldra's folder first on
// PATH; what a step's words $P (veldra's for the machine) and $CL (a C compile's) stand for.
struct Toolchain {
    Words envp;
    std::map<std::string, Words> words;
};
const Toolchain& toolchain(const std::string& machine) {
    static std::map<std::string, Toolchain> made;
    Toolchain& t = made[machine];
    if (!t.envp.empty())
        return t;
    const std::string program = setting("VELDRA_PROGRAM");
    withScripts("toolchain_env \"$1\" \"$2\" && PATH=$3:$PATH && env -0 && printf '$P=%s\\0$CL=cl "
                "-c %s -MD\\0' \"${TOOLCHAIN_WORDS[*]}\" \"${MACHINE_DEFINES[*]}\"",
                machine + ".env",
                {setting("VELDRA_REFERENCE"), machine, program.substr(0, program.rfind('/'))});
    std::istringstream in(slurp(setting("VELDRA_REFERENCE_WORK") + "/" + machine + ".env"));
    for (std::string entry; std::getline(in, entry, '\0');)
        if (entry[0] == '$')
            t.words[entry.substr(0, entry.find('='))] =
                splitWords(entry.substr(entry.find('=') + 1));
        else
            t.envp.push_back(entry);
    return t;
}

class ReferenceLink : public testing::TestWithParam<Case> {};

TEST_P(ReferenceLink, LinksAndRuns) {
    const Case& c = GetParam();
    const std::string ref = setting("VELDRA_REFERENCE");
    ASSERT_FALSE(ref.empty() || setting("VELDRA_PROGRAM").empty() ||
                 setting("VELDRA_REFERENCE_WORK").empty());
    const bool cobol = c.name.find("cobol") != std::string::npos; // needs the kit
    if (cobol && !fs::exists(ref + "/bin/cobol"))
        GTEST_SKIP() << "no COBOL kit: " << readText(ref + "/cobol/missing");
    const std::string dir = setting("VELDRA_REFERENCE_WORK") + "/" + c.name;
    const fs::path sources = setting("VELDRA_REFERENCE_SOURCES");
    fs::remove_all(dir);
    fs::create_directories(dir);
    for (const fs::path& from : {sources, sources / "../cobol"})
        fs::copy(from, dir);
    for (const auto& [name, text] : c.files)
        std::ofstream(dir + "/" + name, std::ios::binary) << text;
    // The toolchain before /usr/bin, whose link is coreutils'; Wine finds zorun32.dll and
    // libcob-4.dll beside the program, or along WINEPATH.
    const bool x86 = c.on == On::x86;
    const std::string machine = x86 ? "x86" : "x64";
    const Toolchain& link = toolchain(machine);
    ASSERT_FALSE(link.envp.empty()) << "no toolchain_env for " << machine;
    const Words envp = environment(
        {"WINEDEBUG=-all", "WINEPATH=" + (c.runtime ? "Z:" + ref + "/lib/" + machine : "")},
        link.envp);
    // Runs the words in the case's folder, their output into its file `log`: their status.
    auto run = [&](const Words& words, const std::string& log, const std::string& errors = "") {
        return runProgram(words, dir, envp, dir + "/" + log, errors).status;
    };
    std::string said;
    for (const std::string& step : c.steps) {
        const bool fails = step[0] == '!';
        Words words;
        for (const std::string& word : splitWords(step.substr(fails))) {
            const Words& more = link.words.count(word) ? link.words.at(word) : Words{word};
            words.insert(words.end(), more.begin(), more.end());
        }
        const int status = run(words, "steps.log");
        said += readText(dir + "/steps.log");
        ASSERT_EQ(status != 0, fails) << step << "\n" << said;
    }
    EXPECT_NE(said.find(c.said), std::string::npos) << said;
    if (c.steps.back()[0] == '!')
        return;
    const Words present = c.present.empty() ? Words{splitWords(c.run).at(0)} : c.present;
    for (const std::string& name : present)
        EXPECT_TRUE(matches(dir + "/" + name)) << name << " missing";
    for (const std::string& name : c.absent)
        EXPECT_FALSE(matches(dir + "/" + name)) << name << " left";
    // objdump names the format of an image: pei-x86-64 (PE32+, x64) or pei-i386 (PE32, x86).
    const std::string format = x86 ? "pei-i386" : "pei-x86-64";
    run({"x86_64-w64-mingw32-objdump", "-f", present.at(0)}, "format.log");
    EXPECT_NE(readText(dir + "/format.log").find("file format " + format + "\n"), std::string::npos)
        << present.at(0) << " is no " << format << " image";
    if (x86 && !wine32Why().empty())
        GTEST_SKIP() << "not run: " << wine32Why();
    const int status = run(splitWords("wine " + c.run), "run.log", dir + "/run.err");
    EXPECT_EQ(readText(dir + "/run.log"), c.out) << readText(dir + "/run.err");
    EXPECT_EQ(status, c.status);
    if (c.native.empty())
        return;
    // The native build's commands in turn; the last one's output and status are the program's.
    for (size_t i = 0; i + 1 < c.native.size(); ++i)
        ASSERT_EQ(run(splitWords(c.native[i]), "native.log"), 0) << c.native[i] << "\n"
                                                                 << readText(dir + "/native.log");
    const int native = run(splitWords(c.native.back()), "native.log");
    EXPECT_EQ(readText(dir + "/native.log"), c.out);
    EXPECT_EQ(native, c.status);
}

// main.exe prints its first argument, twice(argc) and what the runtime says, then ends with 7.
std::string ran(const std::string& runtime) {
    return "x twice(2)=4 " + runtime + "\n";
}
// gaps.exe 1e15, as a native gcc build prints it.
const std::string kGaps = "-714285714 -4 1666666667 999999973 8 255\n"
                          "1e+15 inf 2.2 5000000001 5000000001 1e15\n8+1i 5 42\nbye\n";

// longdouble.exe and types.exe, as native gcc builds print them.
const std::string kLongDouble =
    "194.05|7 1.940500e+02 1e-05   -194.050|\n194.1 -250\n12.5 7 5 1250 x\n"
    "0.4794255386 0.8775825619 0.5463024898 0.5235987756 1.047197551 2.35619449\n"
    "2.718281828 1024 0.001000500167 2.302585093 3 3 0.0009995003331\n"
    "1.414213562 1.414213562 3 5 10 6.47300784\n-3 -2 3 -2 2 4 2 -3 8\n"
    "1 -1 -1 4 0.75 3 0.5 4 1024 10 10 12\n-3 3 2 1 1 1.175201194 1.543080635 0.761594156\n"
    "0.881373587 1.316957897 0.5493061443 0.5204998778 0.4795001222 3.17805383 24\n"
    "1 0 1 1 1 1\n0+2i 5 3.141592654 -1.000000\n";
const Words kLongDoubleNative = {"gcc -w -o native longdouble.c -lm", "./native"};
const std::string kTypes = "644 -1 3 5 1 2 1\n";

// COBOL: a main program with a COBOL and a C subprogram linked in, and a COBOL DLL that it calls
// by name at run time; -U names the directives file, which defines FEATURE. It prints what a
// native GnuCOBOL build prints (64-bit binary arithmetic among it), and ends with 3.
const std::string kCobolProgram =
    "64-bit sum -864197532086419754\n35 digits 02469135780246913578024691357802469\n"
    "packed*3 -03703.68\nsqrt 3.1622\nwords ALPHA   /BETA     commas 02\nsize error\n"
    "upper MIXED CASE\nitem 0001   \nitem 0002   \nitem 0003   \nC twice 0042\n"
    "from the DLL 0142\ndirective FEATURE reached the compiler\n";
const Words kCobolNative = {"cobc -x -DFEATURE=1 -o native main.cbl sub.cbl ctwice.c",
                            "cobc -m -o DYNPROG.so dyn.cbl", "./native"};
const std::string kCobolFailed = "ERROR: (9) Program indicated failure\n";
// GnuCOBOL's own copybooks, found as an installation finds them (COPY "screenio.cpy").
const std::string kCopybooks = "red 4 F1 1001 SQLCA 157\n";
const Words kCopybooksNative = {"cobc -x -o native copybooks.cbl", "./native"};
// The main program's FUNCTION MODULE-PATH, as under cobc -x; a subprogram has none.
const std::string kModulePath = "main modpath.exe full yes\nsub (none)\n";
const Words kModulePathNative = {"mkdir -p native",
                                 "cobc -x -o native/modpath.exe modpath.cbl modsub.cbl",
                                 "native/modpath.exe"};

// Indexed files: a keyed master file loaded, read by its key and by an alternate key with
// duplicates, changed and reported, with each step's file status, as a native GnuCOBOL build
// with Berkeley DB prints it. The runtime's libraries come beside the program: nothing is set.
const std::string kKeyed =
    "open input, no file yet: 35\nwrite 1040 ABE       : 00\nwrite 1010 BRANDT    : 00\n"
    "write 1030 CHIBA     : 02\nwrite 1020 DUVAL     : 00\nwrite 1050 EKWUEME   : 02\n"
    "write 1060 FORS      : 02\nwrite 1010 GARCIA    : 22\nread key 1030: 00 CHIBA      SALE\n"
    "read key 1099: 23\nread dept SALE: 00 1040 ABE       \n  next: 00 1030 CHIBA     \n"
    "  next: 00 1050 EKWUEME   \nstart dept > ACCT: 00\n  first: 00 1040 SALE\n"
    "start dept >= ZZZZ: 23\nrewrite 1020: 02\ndelete 1060: 00\ndelete 1060 again: 23\n"
    "rewrite 1077: 23\nreport: 00\n1010 BRANDT     ACCT   5150.50   -16\n"
    "1020 DUVAL      SALE   3350.00    -2\n1030 CHIBA      SALE   3980.75    -9\n"
    "1040 ABE        SALE   4200.00   -23\n1050 EKWUEME    SALE   4555.00     5\n"
    "end of file: 10\n  ACCT 1010 00\n  SALE 1040 00\n  SALE 1030 00\n  SALE 1050 00\n"
    "  SALE 1020 00\n05 records, total    21236.25\n";
// The native build runs in the same folder, after the file the Windows program left is gone.
const Words kKeyedNative = {"cobc -x -o native keyed.cbl", "rm -f master.dat master.dat.1",
                            "./native load"};

// One case a row or two, as a table reads.
// clang-format off
const Case kCases[] = {
    // The runtime DLL lands beside the program, which runs without WINEPATH.
    {.name = "sources", .steps = {"veldra $P main.c util.c"}, .out = ran("zorun32.dll FS"),
     .present = {"main.exe", "main.obj", "util.obj", "zorun32.dll"}, .absent = {"vdrl*", "libcob-4.dll"},
     .status = 7, .runtime = false},
    {.name = "response", .steps = {"$CL util.c", "veldra $P main.c @objs"}, .out = ran("zorun32.dll FS"),
     .absent = {"vdrl*"}, .status = 7},
    // The main entry: a COBOL program named as the output, else main (WinMain first with -G),
    // else any function named as the output.
    {.name = "entry_named_as_the_object", .steps = {"veldra $P start.c"}, .out = "Start\n",
     .run = "start.exe", .status = 5},
    {.name = "main_before_a_function_named_as_the_output", .steps = {"veldra $P entries.c"},
     .out = "main ran\n", .run = "entries.exe a b", .on = On::both},
    {.name = "gui_WinMain_before_main", .steps = {"veldra $P -G entries.c"}, .out = "WinMain ran\n",
     .run = "entries.exe", .status = 2},
    {.name = "cobol_program_before_main", .steps = {"veldra $P sizes.cbl cmain.c"},
     .out = "long 4 pointer 8\n", .run = "sizes.exe"},
    // Static: no zorun32.dll needed or copied, and EXTRA comes from a library only through -I.
    {.name = "static", .steps = {"$CL extra.c", "link -lib -machine:x64 -out:extra.lib extra.obj",
                                 "veldra $P -T -IEXTRA main.c util.c extra.lib"},
     .out = ran("static BBS\nEXTRA"), .absent = {"zorun32.dll"}, .status = 7, .runtime = false},
    {.name = "bound", .steps = {"veldra $P -RMV main.c util.c"}, .out = ran("zorun32.dll RMV"), .status = 7},
    {.name = "gui", .steps = {"veldra $P -G window.c"}, .out = "WinMain [a b] 1\n", .run = "window.exe a b",
     .status = 3},
    // The per-flavour runtime, chosen by the names tool's answer 200.
    {.name = "flavour", .steps = {"veldra $P -V flavour.c"}, .said = " zolrunsi.lib oopss.lib msvcrt.lib",
     .out = "flavour\n", .run = "flavour.exe"},
    {.name = "dll_with_its_def", .steps = {"veldra $P -D lib.c lib.def", "veldra $P host.c"},
     .out = "add=8\nhidden missing\n", .present = {"lib.dll", "host.exe"}, .absent = {"lib.lib", "vdrl*"},
     .run = "host.exe lib.dll add hidden", .on = On::both},
    {.name = "dll_with_a_generated_def", .steps = {"veldra $P -D -Xhidden -Omine lib.c", "veldra $P host.c"},
     .out = "add=8\nhidden missing\n", .present = {"mine.dll"}, .absent = {"mine.def", "mine.lib", "vdrl*"},
     .run = "host.exe mine.dll add hidden"},
    // -K keeps the names tool's files, the generated .def and the import library.
    {.name = "keep", .steps = {"veldra $P -K -D lib.c", "veldra $P host.c"}, .out = "add=8\nhidden=2\n",
     .present = {"lib.dll", "lib.def", "lib.lib", "vdrlds.obj", "vdrlds.lnk", "vdrlst.obj"},
     .run = "host.exe lib.dll add hidden"},
    // A DLL's import library, made by lib from its .def (-K keeps the one the link made).
    {.name = "import_library", .steps = {"veldra $P -D lib.c lib.def",
     "lib -nologo -def:lib.def -machine:x64 -out:lib.lib", "veldra $P caller.c lib.lib"},
     .out = "add=8\n", .run = "caller.exe"},
    // What ordinary programs need of the toolchain and its libraries (see gaps.c).
    {.name = "gaps", .steps = {"veldra $P gaps.c"}, .out = kGaps, .run = "gaps.exe 1e15", .on = On::both},
    // long double is a double, also to the runtime's printf, scanf, strtold and math, and to
    // the headers' inline functions that an optimized compile keeps.
    {.name = "long_double", .steps = {"$CL -O2 longdouble.c", "veldra $P longdouble.obj"}, .out = kLongDouble,
     .run = "longdouble.exe", .native = kLongDoubleNative},
    {.name = "x86_long_double", .steps = {"veldra longdouble.c"}, .out = kLongDouble, .run = "longdouble.exe",
     .on = On::x86},
    // The headers give no POSIX type that MSVC's lack: a program declares its own.
    {.name = "posix_types_of_its_own", .steps = {"veldra $P types.c"}, .out = kTypes, .run = "types.exe",
     .on = On::both},
    {.name = "x86_wmain", .steps = {"veldra wide.c"}, .out = "wmain 2 abc\n", .run = "wide.exe abc",
     .status = 4, .on = On::x86},
    // x86, the default machine, run under 32-bit Wine.
    {.name = "x86", .steps = {"veldra main.c util.c"}, .out = ran("zorun32.dll FS"), .absent = {"vdrl*"},
     .status = 7, .on = On::x86},
    {.name = "cobol", .steps = {"$CL ctwice.c", "veldra $P -ODYNPROG -D dyn.cbl",
     "veldra $P -Ufeatures.dir -MMAINPROG main.cbl sub.cbl ctwice.obj"}, .out = kCobolProgram,
     .run = "main.exe", .status = 3, .on = On::both, .native = kCobolNative},
    // The sizes that only the machine's own COBOL compiler gets right.
    {.name = "cobol_sizes", .steps = {"veldra $P sizes.cbl"}, .out = "long 4 pointer 8\n",
     .run = "sizes.exe"},
    {.name = "x86_cobol_sizes", .steps = {"veldra sizes.cbl"}, .out = "long 4 pointer 4\n",
     .run = "sizes.exe", .on = On::x86},
    {.name = "cobol_copybooks", .steps = {"veldra $P copybooks.cbl"}, .out = kCopybooks,
     .run = "copybooks.exe", .on = On::both, .native = kCopybooksNative},
    {.name = "cobol_module_path", .steps = {"veldra $P modpath.cbl modsub.cbl"}, .out = kModulePath,
     .run = "modpath.exe", .on = On::both, .native = kModulePathNative},
    {.name = "cobol_keyed_file", .steps = {"veldra $P keyed.cbl"}, .out = kKeyed,
     .present = {"keyed.exe", "libcob-4.dll"}, .run = "keyed.exe load", .runtime = false, .on = On::both,
     .native = kKeyedNative},
    {.name = "cobol_compile_error", .steps = {"!veldra $P -N bad.cbl"},
     .said = "bad.cbl:5: error: 'NOWHERE' is not defined\n" + kCobolFailed},
    {.name = "cobol_missing_source", .steps = {"!veldra $P -N gone.cbl"},
     .said = "cobol: cannot find gone.cbl\n" + kCobolFailed},
    {.name = "cobol_missing_directives", .steps = {"!veldra $P -N -Unone.dir sizes.cbl"},
     .said = "cobol: cannot read the directives file none.dir\n" + kCobolFailed},
    {.name = "not_COFF", .steps = {"!veldra $P main.c bogus.obj"},
     .said = "tessor: bogus.obj: not a COFF object file\n"},
    {.name = "no_entry_point", .steps = {"!veldra $P util.c"},
     .said = "tessor: util.obj: no entry point UTIL, main or wmain\n"},
    // An object of the other machine is named, with what to set.
    {.name = "x86_object_in_x64_link",
     .steps = {"cl -c -D_X86_=1 -DWIN32 -MD -Gd util.c", "!veldra $P -N main.c util.obj"},
     .said = "tessor: util.obj: an x86 object in an x64 link; build it for x64 (a COBOL "
             "source: set VELDRA_COBOL_MACHINE=x64)\n"},
    {.name = "cobol_x64_object_in_x86_link", .steps = {"!veldra -N sizes.cbl"},
     .said = "tessor: sizes.obj: an x64 object in an x86 link; build it for x86 (a COBOL "
             "source: set VELDRA_COBOL_MACHINE=x86), or link for x64 with -P3\n"},
    {.name = "failed_compile", .steps = {"!veldra $P -N main.c broken.c"},
     .said = "tessor: broken.obj does not exist: its compile probably failed (see the messages "
             "above)\n",
     .files = {{"broken.c", "int broken = ;\n"}}}};
// clang-format on

// The table with a row for both machines made two: as written for x64, and for x86 as x86_<name>.
std::vector<Case> cases() {
    std::vector<Case> all;
    for (Case c : kCases) {
        if (c.on == On::both) {
            c.on = On::x64;
            all.push_back(c);
            c.on = On::x86, c.name = "x86_" + c.name;
        }
        all.push_back(c);
    }
    return all;
}
INSTANTIATE_TEST_SUITE_P(Cases, ReferenceLink, testing::ValuesIn(cases()),
                         [](const testing::TestParamInfo<Case>& info) { return info.param.name; });

} // namespace
