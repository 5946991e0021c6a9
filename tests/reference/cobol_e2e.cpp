// Real COBOL links: veldra with the reference toolchain's cobol, cl, tessor and link, for x64
// and x86, each case in a fresh copy of cobol/; the programs run under Wine, and what they
// print is compared with a native GnuCOBOL build of the same sources.
//
// Environment (ctest sets it): VELDRA_PROGRAM, VELDRA_REFERENCE, VELDRA_COBOL_SOURCES (cobol/),
// VELDRA_REFERENCE_WORK, and Wine's own settings. Without the COBOL kit, or for x86 where Wine
// cannot start 32-bit programs, the cases are skipped.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace {

struct Case {
    const char* name;
    // Shell commands run in turn in the case's folder; the last one gives `status`. $P is the
    // machine option of veldra, $C cl's machine flags.
    std::vector<std::string> steps;
    int status = 0;
    std::string said = {};   // text the steps' output must hold
    std::string run = {};    // then run under Wine
    std::string out = {};    // its whole output ("": the machine's sizes)
    int runStatus = 0;       // its exit status, and the native build's
    std::string native = {}; // a native build whose output must equal the program's
};

std::string env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string readText(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::string text{std::istreambuf_iterator<char>(file), {}};
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
}

int sh(const std::string& command) {
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// clang-format off
const Case kCases[] = {
    // A main program with a COBOL and a C subprogram linked in, and a COBOL DLL it calls by
    // name at run time; -U names the directives file, which defines FEATURE.
    {.name = "program",
     .steps = {"cl -c $C ctwice.c", "veldra $P -ODYNPROG -D dyn.cbl",
               "veldra $P -Ufeatures.dir -MMAINPROG main.cbl sub.cbl ctwice.obj"},
     .run = "main.exe",
     .out = "64-bit sum -864197532086419754\n35 digits 02469135780246913578024691357802469\n"
            "packed*3 -03703.68\nsqrt 3.1622\nwords ALPHA   /BETA     commas 02\nsize error\n"
            "upper MIXED CASE\nitem 0001   \nitem 0002   \nitem 0003   \nC twice 0042\n"
            "from the DLL 0142\ndirective FEATURE reached the compiler\n",
     .runStatus = 3,
     .native = "cobc -x -DFEATURE=1 -o native main.cbl sub.cbl ctwice.c && "
               "cobc -m -o DYNPROG.so dyn.cbl && ./native"},
    // The sizes that only the machine's own compiler gets right.
    {.name = "sizes", .steps = {"veldra $P sizes.cbl"}, .run = "sizes.exe"},
    {.name = "compile_error", .steps = {"veldra $P -N bad.cbl"}, .status = 8,
     .said = "bad.cbl:5: error: 'NOWHERE' is not defined\nERROR: (9) Program indicated failure\n"},
    {.name = "missing_source", .steps = {"veldra $P -N gone.cbl"}, .status = 8,
     .said = "cobol: cannot find gone.cbl\nERROR: (9) Program indicated failure\n"},
    {.name = "missing_directives", .steps = {"veldra $P -N -Unone.dir sizes.cbl"}, .status = 8,
     .said = "cobol: cannot read the directives file none.dir\n"}};
// clang-format on

struct Machine {
    const char* name;
    const char* option; // of veldra
    const char* cl;     // the machine flags veldra gives cl
    const char* sizes;  // what sizes.exe prints
};
const Machine kMachines[] = {
    {"x64", "-P3", "-D_AMD64_=1 -DWIN32 -DWIN64 -MD", "long 4 pointer 8\n"},
    {"x86", "", "-D_X86_=1 -DWIN32 -MD -Gd", "long 4 pointer 4\n"}};

class CobolLink : public testing::TestWithParam<std::tuple<Machine, Case>> {};

TEST_P(CobolLink, LinksAndRuns) {
    const Machine& m = std::get<0>(GetParam());
    const Case& c = std::get<1>(GetParam());
    const std::string ref = env("VELDRA_REFERENCE"), program = env("VELDRA_PROGRAM");
    ASSERT_FALSE(ref.empty() || program.empty() || env("VELDRA_REFERENCE_WORK").empty());
    if (sh("test -x " + ref + "/bin/cobol") != 0)
        GTEST_SKIP() << "no COBOL kit: " << readText(ref + "/cobol/missing");
    // A Wine without its 32-bit half prints nothing and exits 0.
    const std::string wine32 = env("VELDRA_WINE32");
    if (std::string(m.name) == "x86" &&
        (wine32 == "0" || (wine32.empty() && sh("WINEDEBUG=-all wine " + ref +
                                                "/cobol/x86/cobc.exe --version 2>/dev/null | "
                                                "grep -q '^cobc'") != 0)))
        GTEST_SKIP() << "not run: Wine cannot start 32-bit programs here (no wine32)";
    const std::string dir = env("VELDRA_REFERENCE_WORK") + "/cobol_" + m.name + "_" + c.name;
    ASSERT_EQ(sh("rm -rf " + dir + " && mkdir -p " + dir + " && cp " + env("VELDRA_COBOL_SOURCES") +
                 "/* " + dir),
              0);
    // The toolchain before /usr/bin, whose link is coreutils'; Wine finds zorun32.dll and
    // libcob-4.dll along WINEPATH. $P and $C are shell variables.
    const std::string in =
        "cd " + dir + " && export PATH='" + ref + "/bin:" + program.substr(0, program.rfind('/')) +
        ":" + env("PATH") + "' LIB='" + ref + "/lib/x86' LIB64='" + ref +
        "/lib/x64' WINEPATH='Z:" + ref + "/lib/" + m.name + "' VELDRA_COBOL_MACHINE=" + m.name +
        " WINEDEBUG=-all P='" + m.option + "' C='" + m.cl + "' && ";
    std::string said;
    int status = 0;
    for (const std::string& step : c.steps) {
        status = sh(in + "{ " + step + "; } >steps.log 2>&1");
        said += readText(dir + "/steps.log");
        ASSERT_TRUE(status == 0 || &step == &c.steps.back()) << step << "\n" << said;
    }
    EXPECT_EQ(status, c.status) << said;
    EXPECT_NE(said.find(c.said), std::string::npos) << said;
    if (c.status != 0)
        return;
    EXPECT_EQ(sh(in + "wine " + c.run + " >run.log 2>run.err"), c.runStatus);
    EXPECT_EQ(readText(dir + "/run.log"), c.out.empty() ? m.sizes : c.out)
        << readText(dir + "/run.err");
    if (c.native.empty())
        return;
    EXPECT_EQ(sh(in + c.native + " >native.log 2>&1"), c.runStatus);
    EXPECT_EQ(readText(dir + "/native.log"), readText(dir + "/run.log"));
}

INSTANTIATE_TEST_SUITE_P(Cases, CobolLink,
                         testing::Combine(testing::ValuesIn(kMachines), testing::ValuesIn(kCases)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) + "_" +
                                    std::get<1>(info.param).name;
                         });

} // namespace
