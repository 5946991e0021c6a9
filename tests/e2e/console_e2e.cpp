// What the console shows and the command line carries: usage, fatal errors with their statuses,
// the limits of a Windows command line, and multi-byte names and messages.

#include "e2e/harness.h"

#include <gtest/gtest.h>

#include <clocale>
#include <filesystem>

namespace {

using namespace e2e;

const std::string kError5 = error(5, "Illegal command line specified") + usage(false);

TEST(SpineE2e, UsageAndErrors) {
    runCases({
        {.args = {}, .out = B + usage()},
        {.args = {"-V"}, .out = B + "\nERROR: Object or source file name required\n" + usage()},
        // -N first keeps the banner away.
        {.args = {"-N", "a.obj", "-", "b.cbl"}, .out = kError5.substr(B.size()), .status = 8},
        // Wine passes a lone double quote as it stands: the command line ends inside quotes.
        {.args = {},
         .out = kError5,
         .status = 8,
         .env = {{"VELDRA_STANDIN_LAUNCH", "%T/../veldra.exe prog.cbl \"a.obj"}},
         .skip = !wine},
    });
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
        runCases({{.args = {"-E", "prog.obj"},
                   .out = tooLong ? error(8, "Cannot execute program :  link") : B,
                   .status = tooLong ? 8 : 0,
                   .children = tooLong ? Words{prog} : Words{prog, head + more + tail},
                   .made = tooLong ? Words{"vdrlds%P.obj", "vdrlds%P.lnk"} : Words{"prog.exe"},
                   .have = {"prog.obj", "prog.eom=" + more}}});
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
    const bool euc = std::setlocale(LC_ALL, "ja_JP.eucJP") != nullptr;
    std::setlocale(LC_ALL, "C");
    const std::string prefix =
        std::filesystem::read_symlink("/proc/self/exe").parent_path().parent_path() /
        "wineprefix-ja";
    const std::string env = "WINEPREFIX=" + prefix + " LANG=ja_JP.UTF-8 WINEDEBUG=-all ";
    if (wine && !std::filesystem::exists(prefix + "/system.reg"))
        std::system((env + "wineboot --init >/dev/null 2>&1; " + env + "wineserver -w").c_str());
    const std::string refused = error(6, "無効なコマンド行オプションが指定されました") +
                                "使用法: " + usage(false).substr(7);
    const std::vector<Case> cases = {
        // Output, main entry and map names come from the part behind the real backslash.
        {.args = {"-L", "dir\\表.obj"},
         .children = {names("/FS /S /M表 dir\\表.obj"), lnk("表.exe -map:表.map")},
         .made = {"表.exe"}},
        // Upper case by whole characters: trail byte 0x61 stays, full-width letters change.
        {.args = {"ｘ病.obj"},
         .children = {names("/FS /S /MＸ病 ｘ病.obj"), lnk("ｘ病.exe")},
         .made = {"ｘ病.exe"}},
        {.args = {"-Y"}, .out = refused, .status = 8},
        // A Japanese locale that is not installed still gets Japanese, in UTF-8 (POSIX).
        {.args = {"-Y"},
         .out = refused,
         .status = 8,
         .env = {{"LANG", "ja_JP.eucJP"}},
         .skip = wine || euc},
    };
    runCases(cases, {{"LANG", "ja_JP.UTF-8"}, {"WINEPREFIX", prefix}});
}

} // namespace
