// Multi-byte names and the Japanese string table end to end, under ja_JP.UTF-8. The Windows
// build runs under Wine, which gives it the ANSI code page 932: there the second byte of
// characters such as U+8868 (0x95 0x5C) and U+30BD (0x83 0x5C) is a backslash in ASCII, and
// that of U+75C5 (0x95 0x61) a lower-case "a", so names must be walked and upper-cased by whole
// characters. The POSIX build runs the same cases in UTF-8, which has no such bytes: there the
// names pass through unchanged. Wine gets its own prefix, so that the locale takes effect
// without touching the prefix of the other cases.

#include "e2e/harness.h"
#include "e2e/hostile_support.h"

#include <gtest/gtest.h>

#include <clocale>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;

// Text as the driver under test writes it and as the stand-ins log it: code page 932 under
// Wine, UTF-8 natively. File names on disk are UTF-8 either way.
std::string local(const std::string& utf8) {
    return e2e::underWine() ? hostile::toCp932(utf8) : utf8;
}

// The Japanese string table of the sources, id to text.
std::map<int, std::string> japaneseTable() {
    const fs::path file = fs::path(__FILE__).parent_path().parent_path().parent_path() /
                          "resources" / "messages_ja.txt";
    std::ifstream in(file);
    std::map<int, std::string> table;
    for (std::string line; std::getline(in, line);) {
        size_t blank = line.find(" \"");
        if (line.empty() || line[0] == '#' || blank == std::string::npos)
            continue;
        std::string text;
        for (size_t i = blank + 2; i + 1 < line.size(); ++i) {
            if (line[i] != '\\') {
                text += line[i];
                continue;
            }
            char c = line[++i];
            text += c == 'n' ? '\n' : c == 't' ? '\t' : c;
        }
        table[std::stoi(line.substr(0, blank))] = text;
    }
    return table;
}

std::string japaneseUsage(const std::map<int, std::string>& ja) {
    std::string usage = ja.at(0) + "\n";
    for (int id : {40, 41, 50, 51, 52, 53, 54, 62, 56, 69, 70, 55, 57, 64, 63, 65, 66, 67, 68})
        usage += ja.at(id);
    return usage;
}

// The Wine prefix of these cases, made on first use beside the build's other prefixes.
std::string japanesePrefix() {
    static std::string prefix;
    if (!prefix.empty())
        return prefix;
    const fs::path build = fs::read_symlink("/proc/self/exe").parent_path().parent_path();
    prefix = (build / "wineprefix-ja").string();
    if (!fs::exists(fs::path(prefix) / "system.reg")) {
        const e2e::EnvOverrides env = {{"WINEPREFIX", prefix},
                                       {"LANG", "ja_JP.UTF-8"},
                                       {"LC_ALL", std::nullopt},
                                       {"WINEDEBUG", "-all"},
                                       {"WINEDLLOVERRIDES", "mscoree,mshtml="}};
        hostile::runProgram({"wineboot", "--init"}, env);
        hostile::runProgram({"wineserver", "-w"}, env);
    }
    return prefix;
}

bool japaneseLocaleMissing() {
    const bool missing = std::setlocale(LC_ALL, "ja_JP.UTF-8") == nullptr;
    std::setlocale(LC_ALL, "C");
    return missing;
}

// One run: its words, what comes out and what is left, all in UTF-8.
struct Row {
    Row(std::string what, std::vector<std::string> args, std::string out, int status,
        std::vector<std::string> children, std::vector<std::string> left)
        : what(std::move(what)), args(std::move(args)), out(std::move(out)), status(status),
          children(std::move(children)), left(std::move(left)) {}
    std::string what;
    std::vector<std::string> args;
    std::string out; // after the banner
    int status;
    std::vector<std::string> children; // words joined by one blank, "{pid}" the process id
    std::vector<std::string> left;     // the working directory afterwards
};

class MultibyteE2e : public ::testing::Test {
  protected:
    void SetUp() override {
        if (japaneseLocaleMissing())
            GTEST_SKIP() << "no ja_JP.UTF-8 locale: localedef -i ja_JP -f UTF-8 ja_JP.UTF-8";
        env_ = hostile::baseEnvironment(dir_.makeDir("config"));
        dir_.writeFile("lib/msvcrt.lib");
        hostile::add(env_,
                     {{"LANG", "ja_JP.UTF-8"}, {"LIB", e2e::programPath(dir_.path() + "/lib")}});
        if (e2e::underWine())
            hostile::add(env_, {{"WINEPREFIX", japanesePrefix()}});
    }

    void runRows(const std::vector<Row>& rows) {
        for (const Row& row : rows) {
            SCOPED_TRACE(row.what);
            e2e::Sandbox box;
            e2e::RunResult result = box.run(row.args, env_);
            const std::string pid = hostile::runPid(result);
            EXPECT_EQ(result.out, e2e::kBanner + local(row.out)) << result.err;
            EXPECT_EQ(result.status, row.status) << result.err;
            std::vector<std::string> children;
            for (const std::string& line : row.children)
                children.push_back(hostile::normalized(local(hostile::withPid(line, pid))));
            EXPECT_EQ(hostile::childLines(result), children);
            hostile::expectFiles(box, row.left, pid);
        }
    }

    hostile::TempDir dir_{"multibyte"};
    e2e::EnvOverrides env_;
};

const std::string kLinkHead = "link -subsystem:console -base:0x400000 -nodefaultlib "
                              "@vdrlds{pid}.lnk ";
const std::string kLibraries = " zorun32.lib msvcrt.lib kernel32.lib";
const std::string kDllHead = "link -subsystem:console -dll -entry:LibMain@12 -nodefaultlib "
                             "@vdrlds{pid}.lnk vdrlst{pid}.obj ";

TEST_F(MultibyteE2e, NamesNeverSplitInsideACharacter) {
    runRows({
        // Output, main entry and map names come from the part behind the real backslash.
        Row("output, entry and map from dir\\表.obj", {"-L", "dir\\表.obj"}, "", 0,
            {"tessor /N /Ovdrlds{pid} /FS /S /M表 dir\\表.obj",
             kLinkHead + "-out:表.exe -map:表.map" + kLibraries},
            {"表.exe"}),
        // The generated .def, import library and export file are removed under the names they
        // were made with: none is left.
        Row("DLL from dir\\表.obj", {"-D", "dir\\表.obj"}, "", 0,
            {"tessor /N /Ovdrlds{pid} /FS /S /D表.def dir\\表.obj",
             "tessor /LIST:RTS /Ovdrlst{pid}.obj dir\\表.obj",
             kDllHead + "-out:表.dll" + kLibraries + " -def:表.def"},
            {"表.dll"}),
        // A compiled source's object carries no directory, and a 0x5C trail byte is none.
        Row("objects of x表.cbl and 表\\y.cbl", {"x表.cbl", "表\\y.cbl", "x病.obj"}, "", 0,
            {"cobol x表.cbl;", "cobol 表\\y.cbl;",
             "tessor /N /Ovdrlds{pid} /FS /S /MX表 x表.obj y.obj x病.obj",
             kLinkHead + "-out:x表.exe" + kLibraries},
            {"x表.obj", "y.obj", "x表.exe"}),
        // Upper case by whole characters: a trail byte 0x61 stays, full-width letters change.
        Row("main entry of x病.obj", {"x病.obj", "ｘａ.obj"}, "", 0,
            {"tessor /N /Ovdrlds{pid} /FS /S /MX病 x病.obj ｘａ.obj",
             kLinkHead + "-out:x病.exe" + kLibraries},
            {"x病.exe"}),
        Row("main entry of ｘａ.obj", {"ｘａ.obj"}, "", 0,
            {"tessor /N /Ovdrlds{pid} /FS /S /MＸＡ ｘａ.obj",
             kLinkHead + "-out:ｘａ.exe" + kLibraries},
            {"ｘａ.exe"}),
        Row("-Oソ with a map", {"-L", "-Oソ", "x.obj"}, "", 0,
            {"tessor /N /Ovdrlds{pid} /FS /S /MX x.obj",
             kLinkHead + "-out:ソ.exe -map:ソ.map" + kLibraries},
            {"ソ.exe"}),
        Row("-Oソ for a DLL", {"-D", "-Oソ", "x.obj"}, "", 0,
            {"tessor /N /Ovdrlds{pid} /FS /S /Dソ.def x.obj",
             "tessor /LIST:RTS /Ovdrlst{pid}.obj x.obj",
             kDllHead + "-out:ソ.dll" + kLibraries + " -def:ソ.def"},
            {"ソ.dll"}),
    });
}

TEST_F(MultibyteE2e, JapaneseMessagesInTheLocaleEncoding) {
    const std::map<int, std::string> ja = japaneseTable();
    ASSERT_EQ(ja.size(), 56u);
    // An -O name of 256 bytes in the locale's encoding leaves no room for ".exe".
    std::string longName;
    while (local(longName).size() < 255)
        longName += "表";
    if (local(longName).size() == 255)
        longName += "a";
    ASSERT_EQ(local(longName).size(), 256u);
    const std::vector<std::string> none;
    runRows({
        Row("usage", {}, japaneseUsage(ja), 0, none, none),
        Row("message 100", {"-V"}, ja.at(100) + japaneseUsage(ja), 0, none, none),
        Row("fatal error 6", {"-Y"}, "ERROR: (6) " + ja.at(6) + "\n" + ja.at(0) + "\n", 8, none,
            none),
        Row("error 3 with a Japanese name", {"-O" + longName, "x.obj"},
            "ERROR: (3) " + ja.at(3) + " " + longName + "\n", 8, none, none),
    });
}

} // namespace
