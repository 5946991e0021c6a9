// The real platform layer of the POSIX build: multi-byte names and the message language by the
// locale. Children's exit statuses, the native machine (-Px) and the registry store under
// XDG_CONFIG_HOME are checked end to end.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "driver/message_ids.h"
#include "platform/command_words.h"
#include "platform/file_names.h"
#include "platform/platform.h"

namespace {

#ifndef _WIN32

namespace fs = std::filesystem;

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
    // Each locale, and whether its texts are Japanese.
    const std::pair<const char*, bool> cases[] = {
        {"ja_JP.SJIS", true}, {"ja", true},     {"ja_KR", true}, {"ja@euro", true},
        {"jam", false},       {"en_JP", false}, {"j", false},    {"C", false},
    };
    for (const auto& [locale, japanese] : cases) {
        ASSERT_NE(nullptr, std::setlocale(LC_ALL, locale)) << locale;
        char text[256];
        platformLoadString(msgIllegalCommandLine, text, sizeof text);
        EXPECT_EQ(japanese ? sjis : english, text) << locale;
    }
    // A Japanese locale that is not installed still counts, named by LC_ALL, else LC_MESSAGES,
    // else LANG; its texts are then UTF-8.
    std::setlocale(LC_ALL, "C");
    for (const bool japanese : {false, true}) {
        setenv("LANG", "ja_JP.nowhere", 1);
        setenv("LC_MESSAGES", japanese ? "" : "en_US.nowhere", 1);
        char text[256];
        platformLoadString(msgIllegalCommandLine, text, sizeof text);
        EXPECT_EQ(japanese ? "コマンド行が不正です" : english, std::string(text));
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

#endif

// A child's command line split into its words: only a blank separates, double quotes group
// and are dropped, a doubled one inside quotes is one double quote, and "" outside quotes is
// an empty quoted section. Rows marked `rebuilt` are also the POSIX command line rebuilt from
// those words as argv: plain words as they stand, runs of blanks and double quotes quoted, an
// empty argument as "".
TEST(Platform, CommandWords) {
    const struct {
        std::string line;
        std::vector<std::string> words;
        bool rebuilt = false;
    } cases[] = {
        {"cobol x.cbl use(\"\"\"\");", {"cobol", "x.cbl", "use(\");"}},
        {"a\"\"b", {"ab"}},
        {"\"\"\"\"", {"\""}},
        {"\"\" x", {"", "x"}},
        {"  a\" b \"c  d\\e ", {"a b c", "d\\e"}},
        {"a\"b", {"ab"}},
        {"veldra", {"veldra"}, true},
        {"veldra -N a,b.obj x+y", {"veldra", "-N", "a,b.obj", "x+y"}, true},
        {"veldra my\" \"file.obj c.obj", {"veldra", "my file.obj", "c.obj"}, true},
        {"veldra a\"\"\"\"b", {"veldra", "a\"b"}, true},
        {"veldra \"\" a.obj", {"veldra", "", "a.obj"}, true},
        {"veldra \" \"\" \"x", {"veldra", " \" x"}, true},
    };
    for (auto c : cases) {
        EXPECT_EQ(c.words, commandWords(c.line)) << c.line;
        std::vector<char*> argv;
        for (std::string& word : c.words)
            argv.push_back(&word[0]);
        if (c.rebuilt) {
            EXPECT_EQ(c.line, buildCommandLine(static_cast<int>(argv.size()), argv.data()));
        }
    }
}

} // namespace
