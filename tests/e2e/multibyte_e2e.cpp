// Multi-byte names and the Japanese string table, under ja_JP.UTF-8. Under Wine that gives the
// Windows build code page 932, where the second byte of U+8868 (0x95 0x5C) and U+30BD (0x83 0x5C)
// is a backslash and that of U+75C5 (0x95 0x61) an "a": names must be walked and upper-cased by
// whole characters. The POSIX build runs the same cases in UTF-8. Wine gets a prefix of its own,
// made on first use, so that the locale takes effect there.

#include "e2e/harness.h"

#include <gtest/gtest.h>

#include <clocale>
#include <filesystem>

namespace {

using namespace e2e;

TEST(MultibyteE2e, NamesAndMessages) {
    if (std::setlocale(LC_ALL, "ja_JP.UTF-8") == nullptr)
        GTEST_SKIP() << "no ja_JP.UTF-8 locale: localedef -i ja_JP -f UTF-8 ja_JP.UTF-8";
    const bool eucInstalled = std::setlocale(LC_ALL, "ja_JP.eucJP") != nullptr;
    std::setlocale(LC_ALL, "C");
    const std::string prefix =
        std::filesystem::read_symlink("/proc/self/exe").parent_path().parent_path() /
        "wineprefix-ja";
    const std::string env = "WINEPREFIX=" + prefix + " LANG=ja_JP.UTF-8 WINEDEBUG=-all ";
    if (wine && !std::filesystem::exists(prefix + "/system.reg"))
        std::system((env + "wineboot --init >/dev/null 2>&1; " + env + "wineserver -w").c_str());
    // An -O name of 256 bytes in the locale's encoding leaves no room for ".exe".
    std::string longName;
    for (int i = 0; i < (wine ? 128 : 85); ++i)
        longName += "表";
    longName += wine ? "" : "a";
    const std::string dll = "link -subsystem:console -dll -entry:LibMain@12 -nodefaultlib "
                            "@vdrlds%P.lnk vdrlst%P.obj -out:ソ.dll -map:ソ.map zorun32.lib "
                            "msvcrt.lib kernel32.lib -def:ソ.def";
    const std::string refused =
        error(6, "無効なコマンド行オプションが指定されました") + "使用法: " + kUsageLine.substr(7);
    const std::vector<Case> cases = {
        // Output, main entry and map names come from the part behind the real backslash.
        {.args = {"-L", "dir\\表.obj"},
         .children = {names("/FS /S /M表 dir\\表.obj"), lnk("表.exe -map:表.map")},
         .made = {"表.exe"}},
        // The generated .def, import library and export file are named after the output
        // and removed under those names.
        {.args = {"-D", "-L", "-Oソ", "x.obj"},
         .children = {names("/FS /S /Dソ.def x.obj"), "tessor /LIST:RTS /Ovdrlst%P.obj x.obj", dll},
         .made = {"ソ.dll"}},
        // A compiled source's object carries no directory, and a 0x5C trail byte is none.
        {.args = {"x表.cbl", "表\\y.cbl", "x病.obj"},
         .children = {"cobol x表.cbl;", "cobol 表\\y.cbl;",
                      names("/FS /S /MX表 x表.obj y.obj x病.obj"), lnk("x表.exe")},
         .made = {"x表.obj", "y.obj", "x表.exe"}},
        // Upper case by whole characters: trail byte 0x61 stays, full-width letters change.
        {.args = {"x病.obj"},
         .children = {names("/FS /S /MX病 x病.obj"), lnk("x病.exe")},
         .made = {"x病.exe"}},
        {.args = {"ｘａ.obj"},
         .children = {names("/FS /S /MＸＡ ｘａ.obj"), lnk("ｘａ.exe")},
         .made = {"ｘａ.exe"}},
        {.args = {"-Y"}, .out = refused, .status = 8},
        // A Japanese locale that is not installed still gets Japanese, in UTF-8 (POSIX).
        {.args = {"-Y"},
         .out = refused,
         .status = 8,
         .env = {{"LANG", "ja_JP.eucJP"}},
         .skip = wine || eucInstalled},
        {.args = {"-O" + longName, "x.obj"},
         .out = error(3, "ファイル名が無効です :  " + longName),
         .status = 8},
    };
    runCases(cases, {{"LANG", "ja_JP.UTF-8"}, {"WINEPREFIX", prefix}});
}

} // namespace
