// Real links: veldra with the reference toolchain (cl, tessor, link and their libraries), each
// case in a fresh copy of src/, the result run under Wine where it is an x64 program.
//
// Environment (ctest sets it): VELDRA_PROGRAM (the native veldra), VELDRA_REFERENCE (the
// reference toolchain's folder), VELDRA_REFERENCE_SOURCES (src/), VELDRA_REFERENCE_WORK (where
// the cases' folders go), and Wine's own settings.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace {

using Words = std::vector<std::string>;

struct Case {
    const char* name; // of the test and its folder
    // Shell commands run in turn in the case's folder, each to succeed ("!" first: to fail,
    // after which only `said` is checked). cl, link, tessor and veldra are found along PATH.
    Words steps;
    std::string said = {};          // text that the steps' output must hold ("" for none)
    std::string out = {};           // the whole output of `run`
    Words present = {"main.exe"};   // files left in the folder (shell patterns), and not:
    Words absent = {};              // "vdrl*" are the names tool's files, removed after a link
    std::string run = "main.exe x"; // then run under Wine: program and arguments ("" for none)
    int status = 7;                 // its exit code
    bool runtime = true;            // WINEPATH names lib/x64, where zorun32.dll lies
    unsigned machine = 0x8664;      // of the image of `present`'s first file
};

std::string env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string readText(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

int sh(const std::string& command) {
    return std::system(command.c_str());
}

// The machine field of a PE image whose optional header suits it (PE32 for i386, else PE32+).
unsigned imageMachine(const std::string& path) {
    const std::string image = readText(path);
    auto at = [&](size_t offset) { // two bytes, little-endian; 0 beyond the end
        return offset + 2 > image.size() ? 0u
                                         : static_cast<unsigned char>(image[offset]) |
                                               static_cast<unsigned char>(image[offset + 1]) << 8;
    };
    const size_t pe = at(0x3C) | static_cast<size_t>(at(0x3E)) << 16;
    const unsigned machine = at(pe + 4), optional = at(pe + 24);
    const bool signature = at(pe) == 0x4550 && at(pe + 2) == 0; // "PE\0\0"
    return signature && optional == (machine == 0x14c ? 0x10b : 0x20b) ? machine : 0;
}

class ReferenceLink : public testing::TestWithParam<Case> {};

TEST_P(ReferenceLink, LinksAndRuns) {
    const Case& c = GetParam();
    const std::string ref = env("VELDRA_REFERENCE"), program = env("VELDRA_PROGRAM");
    ASSERT_FALSE(ref.empty() || program.empty() || env("VELDRA_REFERENCE_WORK").empty());
    const std::string dir = env("VELDRA_REFERENCE_WORK") + "/" + c.name;
    ASSERT_EQ(sh("rm -rf " + dir + " && mkdir -p " + dir + " && cp " +
                 env("VELDRA_REFERENCE_SOURCES") + "/* " + dir),
              0);
    // The toolchain before /usr/bin, whose link is coreutils'.
    const std::string in = "cd " + dir + " && export PATH='" + ref +
                           "/bin:" + program.substr(0, program.rfind('/')) + ":" + env("PATH") +
                           "' LIB='" + ref + "/lib/x86' LIB64='" + ref + "/lib/x64' && ";
    std::string said;
    for (const std::string& step : c.steps) {
        const bool fails = step[0] == '!';
        const int status = sh(in + "{ " + step.substr(fails) + "; } >steps.log 2>&1");
        said += readText(dir + "/steps.log");
        ASSERT_EQ(status != 0, fails) << step << "\n" << said;
    }
    EXPECT_NE(said.find(c.said), std::string::npos) << said;
    if (c.steps.back()[0] == '!')
        return;
    for (const std::string& name : c.present)
        EXPECT_EQ(sh("ls " + dir + "/" + name + " >/dev/null 2>&1"), 0) << name << " missing";
    for (const std::string& name : c.absent)
        EXPECT_NE(sh("ls " + dir + "/" + name + " >/dev/null 2>&1"), 0) << name << " left";
    EXPECT_EQ(imageMachine(dir + "/" + c.present.at(0)), c.machine) << c.present.at(0);
    if (c.run.empty())
        return;
    const std::string runtime = c.runtime ? "Z:" + ref + "/lib/x64" : "";
    const int status =
        sh(in + "WINEPATH='" + runtime + "' WINEDEBUG=-all wine " + c.run + " >run.log 2>run.err");
    std::string out = readText(dir + "/run.log");
    out.erase(std::remove(out.begin(), out.end(), '\r'), out.end());
    EXPECT_EQ(out, c.out) << readText(dir + "/run.err");
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, c.status);
}

// main.exe prints its first argument, twice(argc) and what the runtime says, then ends with 7.
std::string ran(const std::string& runtime) {
    return "x twice(2)=4 " + runtime + "\n";
}
const std::string kCl = "cl -c -D_AMD64_=1 -DWIN32 -DWIN64 -MD ";

// clang-format off
const Case kCases[] = {
    {"sources", {"veldra -P3 main.c util.c"}, "", ran("zorun32.dll FS"),
     {"main.exe", "main.obj", "util.obj"}, {"vdrl*"}},
    {"objects", {kCl + "util.c", "veldra -P3 main.c util.obj"}, "", ran("zorun32.dll FS"),
     {"main.exe"}, {"vdrl*"}},
    {"companion", {kCl + "util.c", "veldra -P3 -E main.c"}, "", ran("zorun32.dll FS")},
    {"response", {kCl + "util.c", "veldra -P3 main.c @objs"}, "", ran("zorun32.dll FS")},
    {"entry_named_as_the_object", {"veldra -P3 start.c"}, "", "Start\n", {"start.exe"}, {},
     "start.exe", 5},
    {"native", {"veldra -Px main.c util.c"}, "", ran("zorun32.dll FS")},
    // Static: no zorun32.dll needed, and EXTRA comes from a library only through -I.
    {"static", {kCl + "extra.c", "link -lib -machine:x64 -out:extra.lib extra.obj",
                "veldra -P3 -T -IEXTRA main.c util.c extra.lib"},
     "", ran("static BBS\nEXTRA"), {"main.exe"}, {}, "main.exe x", 7, false},
    {"bound", {"veldra -P3 -RMV main.c util.c"}, "", ran("zorun32.dll RMV")},
    {"imported", {"veldra -P3 -FM main.c util.c"}, "", ran("zorun32.dll FM")},
    {"no_runtime_DLL", {"veldra -P3 main.c util.c"}, "", "", {"main.exe"}, {}, "main.exe x", 53,
     false},
    {"map", {"veldra -P3 -L main.c util.c"}, "", "- twice(1)=2 zorun32.dll FS\n",
     {"main.exe", "main.map"}, {"vdrl*"}, "main.exe"},
    {"gui", {"veldra -P3 -G window.c"}, "", "WinMain [a b] 1\n", {"window.exe"}, {},
     "window.exe a b", 3},
    // The per-flavour runtime, chosen by the names tool's answer 200.
    {"flavour", {"veldra -P3 -V flavour.c"}, " zolrunsi.lib oopss.lib msvcrt.lib", "flavour\n",
     {"flavour.exe"}, {}, "flavour.exe", 0},
    {"dll_with_its_def", {"veldra -P3 -D lib.c lib.def", "veldra -P3 host.c"}, "",
     "add=8\nhidden missing\n", {"lib.dll", "host.exe"}, {"lib.lib", "vdrl*"},
     "host.exe lib.dll add hidden", 0},
    {"dll_with_a_generated_def", {"veldra -P3 -D -Xhidden -Omine lib.c", "veldra -P3 host.c"},
     "", "add=8\nhidden missing\n", {"mine.dll"}, {"mine.def", "mine.lib", "vdrl*"},
     "host.exe mine.dll add hidden", 0},
    // -K keeps the names tool's files, the generated .def and the import library.
    {"keep", {"veldra -P3 -K -D lib.c", "veldra -P3 host.c"}, "", "add=8\nhidden=2\n",
     {"lib.dll", "lib.def", "lib.lib", "vdrlds.obj", "vdrlds.lnk", "vdrlst.obj"}, {},
     "host.exe lib.dll add hidden", 0},
    // x86, the default machine: the image only.
    {"x86", {"veldra main.c util.c"}, "", "", {"main.exe"}, {"vdrl*"}, "", 0, true, 0x14c},
    {"x86_dll", {"veldra -D lib.c lib.def"}, "", "", {"lib.dll"}, {"vdrl*"}, "", 0, true, 0x14c},
    {"not_COFF", {"!veldra -P3 main.c bogus.obj"}, "tessor: bogus.obj: not a COFF object file\n"},
    {"no_entry_point", {"!veldra -P3 util.c"}, "tessor: util.obj: no entry point UTIL or main\n"},
    {"no_COBOL_compiler", {"!veldra -P3 pay.cbl main.c"},
     "ERROR: (7) Cannot find program :  cobol\n"}};
// clang-format on
INSTANTIATE_TEST_SUITE_P(Cases, ReferenceLink, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<Case>& info) { return info.param.name; });

} // namespace
