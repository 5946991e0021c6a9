// The real platform layer: children's exit statuses, multi-byte names and the message language
// by the locale, and where the POSIX registry store is looked for.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "driver/message_ids.h"
#include "inputs/input_files.h"
#include "platform/platform.h"
#include "platform/registry/registry_store.h"
#ifndef _WIN32
#include "platform/registry/registry_posix.h"
#endif

namespace {

#ifndef _WIN32

namespace fs = std::filesystem;

// 128 + the signal number for a killed child; the exit code untouched when none starts. The
// driver ignores SIGPIPE from the start of its run, its children do not.
TEST(Platform, ChildExitStatus) {
    char name[] = "veldra";
    char* argv[] = {name, nullptr};
    platformCommandLine(1, argv);
    const struct {
        const char* program;
        const char* line;
        bool started;
        unsigned code;
    } cases[] = {
        {.program = "/bin/sh", .line = "sh -c \"exit 300\"", .started = true, .code = 44},
        {.program = "/bin/sh", .line = "sh -c \"kill -PIPE $$\"", .started = true, .code = 141},
        {.program = "/bin/sh", .line = "sh -c \"kill -TERM $$\"", .started = true, .code = 143},
        {.program = "/etc/passwd", .line = "passwd", .started = false, .code = 143},
    };
    unsigned code = 1;
    for (const auto& c : cases) {
        EXPECT_EQ(c.started, platformRunChild(c.program, c.line, &code)) << c.line;
        EXPECT_EQ(c.code, code) << c.line;
    }
}

// A Shift-JIS locale made with localedef below the build folder, under several names.
bool shiftJisLocales() {
    static const fs::path folder = fs::current_path() / "locales";
    if (!fs::exists(folder / "ja_JP.SJIS")) {
        fs::create_directories(folder);
        std::system(("localedef --no-warnings=ascii -i ja_JP -f SHIFT_JIS " +
                     (folder / "ja_JP.SJIS").string() + " >/dev/null 2>&1")
                        .c_str());
        for (const char* name : {"ja", "ja_KR", "ja@euro", "jam", "en_JP", "j"})
            fs::create_directory_symlink(folder / "ja_JP.SJIS", folder / name);
    }
    setenv("LOCPATH", folder.c_str(), 1);
    return std::setlocale(LC_ALL, "ja_JP.SJIS") != nullptr;
}

// Names walked and upper-cased by whole characters. In Shift-JIS 0x95 0x5C is one character
// whose second byte is a backslash, and 0x95 0x61 one that ends in "a"; in UTF-8 a character is
// upper-cased only where that keeps its length, so the text never moves.
TEST(Platform, MultiByteNames) {
    const bool sjis = shiftJisLocales();
    const struct {
        bool utf8;
        std::string path;
        std::string namePart;
        std::string upper;
    } cases[] = {
        {false, "dir\\\x95\x5C.obj", "\x95\x5C.obj", "DIR\\\x95\x5C.OBJ"},
        {false, "\x95\x5C\\x:\x95\x5C", "\x95\x5C", "\x95\x5C\\X:\x95\x5C"},
        {false, "x\x95\x61\x61", "x\x95\x61\x61", "X\x95\x61\x41"},
        {false, "\x82\x81/b", "b", "\x82\x60/B"},
        {true, "\xef\xbd\x81\x62", "\xef\xbd\x81\x62", "\xef\xbc\xa1\x42"}, // full-width a
        {true, "d/\xc5\xbfs", "\xc5\xbfs", "D/\xc5\xbfS"}, // long s: "S" is shorter
        {true, "\xc9\x90", "\xc9\x90", "\xc9\x90"},        // its capital is longer
    };
    for (const auto& c : cases) {
        if (!(c.utf8 ? std::setlocale(LC_ALL, "C.UTF-8")
              : sjis ? std::setlocale(LC_ALL, "ja_JP.SJIS")
                     : nullptr))
            continue;
        EXPECT_EQ(c.namePart, findNamePart(c.path.c_str())) << c.path;
        std::string upper = c.path;
        platformUpperCase(&upper[0]);
        EXPECT_EQ(c.upper, upper) << c.path;
    }
    if (sjis && std::setlocale(LC_ALL, "ja_JP.SJIS")) {
        const char lone[] = "\x95";
        EXPECT_EQ(lone + 1, platformCharNext(lone));
        EXPECT_EQ(lone + 1, platformCharNext(lone + 1));
    }
    std::setlocale(LC_ALL, "C");
}

// Japanese by the message locale's language "ja" whatever follows it, in its own encoding. The
// variables that name a locale are unset: they count when setlocale finds no Japanese.
TEST(Platform, MessageLanguage) {
    if (!shiftJisLocales())
        GTEST_SKIP() << "localedef could not make a Shift-JIS locale";
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"})
        unsetenv(variable);
    const std::string english = "Illegal command line specified";
    const std::string sjis = "\x83\x52\x83\x7d\x83\x93\x83\x68\x8d\x73\x82\xaa\x95\x73\x90\xb3"
                             "\x82\xc5\x82\xb7";
    const struct {
        const char* locale;
        bool japanese;
    } cases[] = {
        {.locale = "ja_JP.SJIS", .japanese = true}, {.locale = "ja", .japanese = true},
        {.locale = "ja_KR", .japanese = true},      {.locale = "ja@euro", .japanese = true},
        {.locale = "jam", .japanese = false},       {.locale = "en_JP", .japanese = false},
        {.locale = "j", .japanese = false},         {.locale = "C", .japanese = false},
    };
    for (const auto& c : cases) {
        ASSERT_NE(nullptr, std::setlocale(LC_ALL, c.locale)) << c.locale;
        char text[256];
        platformLoadString(msgIllegalCommandLine, text, sizeof text);
        EXPECT_EQ(c.japanese ? sjis : english, text) << c.locale;
    }
    // A Japanese locale that is not installed still counts, named by LC_ALL, else LC_MESSAGES,
    // else LANG; its texts are then UTF-8.
    std::setlocale(LC_ALL, "C");
    for (const bool japanese : {false, true}) {
        setenv("LANG", "ja_JP.nowhere", 1);
        setenv("LC_MESSAGES", japanese ? "" : "en_US.nowhere", 1);
        char text[256];
        platformLoadString(msgIllegalCommandLine, text, sizeof text);
        EXPECT_EQ(japanese, std::string(text) != english) << text;
    }
    unsetenv("LANG");
    unsetenv("LC_MESSAGES");
    // Cut by whole characters: 11 bytes hold five double-byte characters.
    std::setlocale(LC_ALL, "ja_JP.SJIS");
    char text[12];
    EXPECT_EQ(10, platformLoadString(msgIllegalCommandLine, text, sizeof text));
    EXPECT_EQ(sjis.substr(0, 10), text);
    std::setlocale(LC_ALL, "C");
}

#if defined(__x86_64__)
TEST(Platform, NativeMachine) {
    EXPECT_EQ(3, platformNativeMachine()); // amd64
}
#endif

// HKEY_CURRENT_USER: $XDG_CONFIG_HOME when absolute, else $HOME/.config; none without HOME.
TEST(Platform, RegistryStoreOfTheUser) {
    const fs::path top = fs::current_path() / "store-test";
    for (const char* home : {"xdg", "home/.config"}) {
        fs::create_directories(top / home / "quenlow");
        std::ofstream(top / home / "quenlow" / "registry.reg")
            << "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Quenlow\\" << home << "]\n";
    }
    const std::string xdg = (top / "xdg").string(), home = (top / "home").string();
    const struct {
        const char* xdg;
        const char* home;
        const char* key; // the key found, or nullptr for an empty store
    } cases[] = {
        {.xdg = xdg.c_str(), .home = home.c_str(), .key = "xdg"},
        {.xdg = "store-test/xdg", .home = home.c_str(), .key = "home/.config"},
        {.xdg = "", .home = home.c_str(), .key = "home/.config"},
        {.xdg = nullptr, .home = home.c_str(), .key = "home/.config"},
        {.xdg = "store-test/xdg", .home = "", .key = nullptr},
        {.xdg = nullptr, .home = nullptr, .key = nullptr},
    };
    for (const auto& c : cases) {
        c.xdg ? setenv("XDG_CONFIG_HOME", c.xdg, 1) : unsetenv("XDG_CONFIG_HOME");
        c.home ? setenv("HOME", c.home, 1) : unsetenv("HOME");
        registrySetStoreFiles(nullptr, nullptr);
        for (const char* key : {"xdg", "home/.config"}) {
            RegistryKey found = nullptr;
            const bool expected = c.key != nullptr && std::strcmp(c.key, key) == 0;
            EXPECT_EQ(expected, registryOpenRoot(rootCurrentUser,
                                                 (std::string("Software\\Quenlow\\") + key).c_str(),
                                                 accessQueryValue, &found) == 0)
                << key;
            registryCloseKey(found);
        }
    }
    fs::remove_all(top);
}

#endif

} // namespace
