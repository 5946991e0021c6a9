// Real links: veldra with the reference toolchain (cl, tessor, link and their libraries), each
// case in a fresh copy of src/, the result run under Wine where it is an x64 program.
//
// Environment (ctest sets it): VELDRA_PROGRAM (the native veldra), VELDRA_REFERENCE (the
// reference toolchain's folder), VELDRA_REFERENCE_SOURCES (src/), VELDRA_REFERENCE_WORK (where
// the cases' folders go), and Wine's own settings.

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using Words = std::vector<std::string>;

struct Case {
    const char* name;
    // Shell commands run in turn in the case's folder, each to succeed ("!" first: to fail).
    // cl, link, tessor and veldra are found along PATH.
    Words steps;
    std::string said = {};    // text that the steps' output must hold ("" for none)
    std::string program = {}; // then run under Wine: program and arguments ("" for none)
    std::string out = {};     // its whole output
    int status = 0;           // its exit code
    Words present = {};       // files left in the folder (a name ending in "*": any that begins so)
    Words absent = {};
    bool withRuntime = true;   // WINEPATH names lib/x64, where zorun32.dll lies
    unsigned machine = 0x8664; // of the image of `present`'s first file
};

// The case's name as a word: for the test's name and its folder.
std::string word(const char* name) {
    std::string text = name;
    for (char& ch : text)
        ch = std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
    return text;
}
void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

const std::string kCl = "cl -c -D_AMD64_=1 -DWIN32 -DWIN64 -MD ";
const Words kGone = {"vdrl*"}; // the names tool's files, removed after the link

std::string env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string readText(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

bool exists(const std::string& dir, const std::string& name) {
    if (name.back() != '*')
        return access((dir + "/" + name).c_str(), F_OK) == 0;
    std::string command = "ls " + dir + " | grep -q '^" + name.substr(0, name.size() - 1) + "'";
    return std::system(command.c_str()) == 0;
}

// The machine field of a PE image, and whether its optional header is PE32 (i386) or PE32+.
unsigned imageMachine(const std::string& path) {
    std::string image = readText(path);
    auto at = [&](size_t offset, size_t size) {
        unsigned value = 0;
        for (size_t i = 0; i < size && offset + i < image.size(); ++i)
            value |= static_cast<unsigned char>(image[offset + i]) << (8 * i);
        return value;
    };
    size_t pe = image.size() > 0x40 ? at(0x3C, 4) : 0;
    if (pe == 0 || image.compare(pe, 4, std::string("PE\0\0", 4)) != 0)
        return 0;
    unsigned machine = at(pe + 4, 2), magic = at(pe + 24, 2);
    return (machine == 0x14c && magic == 0x10b) || (machine == 0x8664 && magic == 0x20b) ? machine
                                                                                         : 0;
}

class ReferenceLink : public testing::TestWithParam<Case> {};

TEST_P(ReferenceLink, LinksAndRuns) {
    const Case& c = GetParam();
    const std::string reference = env("VELDRA_REFERENCE");
    std::string program = env("VELDRA_PROGRAM");
    ASSERT_FALSE(reference.empty() || program.empty() || env("VELDRA_REFERENCE_WORK").empty());
    const std::string dir = env("VELDRA_REFERENCE_WORK") + "/" + word(c.name);
    std::string setup = "rm -rf " + dir + " && mkdir -p " + dir + " && cp " +
                        env("VELDRA_REFERENCE_SOURCES") + "/* " + dir;
    ASSERT_EQ(std::system(setup.c_str()), 0);

    // The toolchain before /usr/bin, whose link is coreutils'.
    const std::string path =
        reference + "/bin:" + program.substr(0, program.rfind('/')) + ":" + env("PATH");
    const std::string prefix = "cd " + dir + " && export PATH='" + path + "' LIB='" + reference +
                               "/lib/x86' LIB64='" + reference + "/lib/x64' && ";
    std::string said;
    for (const std::string& step : c.steps) {
        bool fails = step[0] == '!';
        std::string command = prefix + "{ " + step.substr(fails ? 1 : 0) + "; } >steps.log 2>&1";
        int status = std::system(command.c_str());
        said += readText(dir + "/steps.log");
        ASSERT_EQ(status != 0, fails) << step << "\n" << said;
    }
    EXPECT_NE(said.find(c.said), std::string::npos) << said;
    for (const std::string& name : c.present) {
        EXPECT_TRUE(exists(dir, name)) << name << " missing; " << said;
    }
    for (const std::string& name : c.absent) {
        EXPECT_FALSE(exists(dir, name)) << name << " left";
    }
    if (!c.present.empty()) {
        EXPECT_EQ(imageMachine(dir + "/" + c.present[0]), c.machine) << c.present[0];
    }
    if (c.program.empty())
        return;

    std::string runtime = "Z:" + reference + "/lib/x64";
    for (char& ch : runtime)
        ch = ch == '/' ? '\\' : ch;
    std::string run = "cd " + dir + " && WINEPATH='" + (c.withRuntime ? runtime : "") +
                      "' WINEDEBUG=-all wine " + c.program + " >run.log 2>run.err";
    int status = std::system(run.c_str());
    std::string out;
    for (char ch : readText(dir + "/run.log"))
        if (ch != '\r')
            out += ch;
    EXPECT_EQ(out, c.out) << readText(dir + "/run.err");
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), c.status);
}

// A console program that ends with 7 prints its first argument, twice(argc), the runtime it
// found and the runtime word the names tool kept.
const std::string kRan = "x twice(2)=4 zorun32.dll FS\n";
const std::string kExtraLib = "link -lib -machine:x64 -out:extra.lib extra.obj";

// clang-format off
INSTANTIATE_TEST_SUITE_P(Cases, ReferenceLink, testing::Values(
    Case{"sources", {"veldra -P3 main.c util.c"}, "", "main.exe x", kRan, 7,
         {"main.exe", "main.obj", "util.obj"}, kGone},
    Case{"objects", {kCl + "util.c", "veldra -P3 main.c util.obj"}, "", "main.exe x", kRan, 7,
         {"main.exe"}, kGone},
    Case{"companion", {kCl + "util.c", "veldra -P3 -E main.c"}, "", "main.exe x", kRan, 7,
         {"main.exe"}},
    Case{"response", {kCl + "util.c", "veldra -P3 main.c @objs"}, "", "main.exe x", kRan, 7,
         {"main.exe"}},
    Case{"entry named as the object", {"veldra -P3 start.c"}, "", "start.exe", "Start\n", 5,
         {"start.exe"}},
    Case{"native", {"veldra -Px main.c util.c"}, "", "main.exe x", kRan, 7, {"main.exe"}},
    // Static: no zorun32.dll needed, and EXTRA comes from a library only through -I.
    Case{"static", {kCl + "extra.c", kExtraLib, "veldra -P3 -T -IEXTRA main.c util.c extra.lib"},
         "", "main.exe x", "x twice(2)=4 static BBS\nEXTRA\n", 7, {"main.exe"}, {}, false},
    Case{"bound", {"veldra -P3 -RMV main.c util.c"}, "", "main.exe x",
         "x twice(2)=4 zorun32.dll RMV\n", 7, {"main.exe"}},
    Case{"imported", {"veldra -P3 -FM main.c util.c"}, "", "main.exe x",
         "x twice(2)=4 zorun32.dll FM\n", 7, {"main.exe"}},
    Case{"no runtime DLL", {"veldra -P3 main.c util.c"}, "", "main.exe x", "", 53, {"main.exe"},
         {}, false},
    Case{"map", {"veldra -P3 -L main.c util.c"}, "", "main.exe", "- twice(1)=2 zorun32.dll FS\n",
         7, {"main.exe", "main.map"}, kGone},
    Case{"gui", {"veldra -P3 -G window.c"}, "", "window.exe a b", "WinMain [a b] 1\n", 3,
         {"window.exe"}},
    // The per-flavour runtime, chosen by the names tool's answer 200.
    Case{"flavour", {"veldra -P3 -V flavour.c"}, " zolrunsi.lib oopss.lib msvcrt.lib",
         "flavour.exe", "flavour\n", 0, {"flavour.exe"}},
    Case{"dll with its .def", {"veldra -P3 -D lib.c lib.def", "veldra -P3 host.c"}, "",
         "host.exe lib.dll add hidden", "add=8\nhidden missing\n", 0, {"lib.dll", "host.exe"},
         {"lib.lib", "vdrl*"}},
    Case{"dll with a generated .def", {"veldra -P3 -D -Xhidden -Omine lib.c", "veldra -P3 host.c"},
         "", "host.exe mine.dll add hidden", "add=8\nhidden missing\n", 0, {"mine.dll"},
         {"mine.def", "mine.lib", "vdrl*"}},
    // -K keeps the names tool's files, the generated .def and the import library.
    Case{"keep", {"veldra -P3 -K -D lib.c", "veldra -P3 host.c"}, "",
         "host.exe lib.dll add hidden", "add=8\nhidden=2\n", 0,
         {"lib.dll", "lib.def", "lib.lib", "vdrlds.obj", "vdrlds.lnk", "vdrlst.obj"}},
    // x86, the default machine: the image only.
    Case{"x86", {"veldra main.c util.c"}, "", "", "", 0, {"main.exe"}, kGone, true, 0x14c},
    Case{"x86 dll", {"veldra -D lib.c lib.def"}, "", "", "", 0, {"lib.dll"}, kGone, true, 0x14c},
    Case{"not an object", {"!veldra -P3 main.c bogus.obj"},
         "tessor: bogus.obj: not a COFF object file\n"},
    Case{"no entry point", {"!veldra -P3 util.c"},
         "tessor: util.obj: no entry point UTIL or main\n"},
    Case{"no COBOL compiler", {"!veldra -P3 pay.cbl main.c"},
         "ERROR: (7) Cannot find program :  cobol\n"}),
    [](const testing::TestParamInfo<Case>& info) { return word(info.param.name); });
// clang-format on

} // namespace
