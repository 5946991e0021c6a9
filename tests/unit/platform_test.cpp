// The command-line rebuild and the child argv split (round trips through the tokenizer),
// environment expansion, and the POSIX child status.
#include "driver/tokenizer.h"
#include "platform/command_words.h"
#include "platform/platform.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

typedef std::vector<std::string> Words;

Words split(const std::string& line) {
    Words words;
    splitCommandWords(line.c_str(), words);
    return words;
}

// Reads a command line as the driver's own scan does: token by token, without quotes.
Words scan(const std::string& line) {
    Words words;
    for (const char* p = line.c_str(); *p != '\0';) {
        char copy[tokenScratchSize];
        int spanned = *p == ' ' ? 1 : scanToken(scanCopy, p, copy, std::strlen(p), -1);
        if (*p != ' ')
            words.push_back(spanned == 0 ? "<scan failed>" : copy);
        p += spanned == 0 ? std::strlen(p) : spanned;
    }
    return words;
}

TEST(CommandWords, RebuildReadsBackIntact) {
    const std::pair<Words, const char*> cases[] = {
        {{"veldra", "a.obj", "b,c+d.lib", "-VS", "tab\tin"}, "veldra a.obj b,c+d.lib -VS tab\tin"},
        {{"my dir/veldra", "-Omy app.exe"}, "my\" \"dir/veldra -Omy\" \"app.exe"},
        {{"v", "a\"b", "a  \"b", "", "x", ""}, "v a\"\"\"\"b a\"  \"\"\"b \"\" x \"\""},
        {{"v", "\"", " lead", "trail ", "C:\\my dir\\", "\\\"", "%PATH%"},
         "v \"\"\"\" \" \"lead trail\" \" C:\\my\" \"dir\\ \\\"\"\"\" %PATH%"},
    };
    for (const auto& c : cases) {
        std::vector<char*> argv;
        for (const std::string& arg : c.first)
            argv.push_back(const_cast<char*>(arg.c_str()));
        const std::string line = buildCommandLine(static_cast<int>(argv.size()), argv.data());
        EXPECT_EQ(c.second, line);
        EXPECT_EQ(c.first, split(line)) << line;
        EXPECT_EQ(c.first, scan(line)) << line;
    }
}

// Lines no rebuild writes; the words joined by "|".
TEST(CommandWords, SplitFollowsTheTokenizerQuoting) {
    const std::pair<const char*, const char*> cases[] = {
        {"  a   b  ", "a|b"}, {"a \"\" b", "a||b"},           {"a\"\"b", "ab"},
        {"a\tb c", "a\tb|c"}, {"x \"open end", "x|open end"}, {"x \"a\"\"", "x|a\""}};
    for (const auto& c : cases) {
        std::string joined;
        for (const std::string& word : split(c.first))
            joined += (joined.empty() ? "" : "|") + word;
        EXPECT_EQ(c.second, joined) << c.first;
    }
    const std::string longWord(5000, 'w');
    EXPECT_EQ((Words{"cl", longWord}), split("cl " + longWord));
}

// VT_S is "xy", VT_E empty, VT_U unset.
TEST(PlatformEnvironment, ExpandsLikeTheSystem) {
    platformSetEnvironment("VT_S", "xy");
    platformSetEnvironment("VT_E", "");
    platformSetEnvironment("VT_U", nullptr);
    const std::pair<const char*, const char*> cases[] = {
        {"a%VT_S%b%VT_S%", "axybxy"}, {"%VT_E%x", "x"}, {"%VT_U%VT_S%", "%VT_U%VT_S%"},
        {"%VT_U%%VT_S%", "%VT_U%xy"}, {"100%", "100%"}, {"%%", "%%"}};
    for (const auto& c : cases) {
        char out[64];
        EXPECT_EQ(std::strlen(c.second) + 1, platformExpandEnvironment(c.first, out, sizeof out));
        EXPECT_STREQ(c.second, out);
    }
    char small[] = "---";
    EXPECT_EQ(5u, platformExpandEnvironment("<%VT_S%>", small, 3));
    EXPECT_STREQ("---", small) << "nothing written when it does not fit";
}

#ifndef _WIN32

// 128 + the signal number for a killed child; the exit code untouched when none starts. The
// driver ignores SIGPIPE from the start of its run, its children do not.
TEST(PlatformPosix, ChildExitStatus) {
    char name[] = "veldra";
    char* argv[] = {name, nullptr};
    platformCommandLine(1, argv);
    const std::pair<const char*, unsigned> cases[] = {{"sh -c \"exit 300\"", 300 % 256},
                                                      {"sh -c \"kill -PIPE $$\"", 128 + 13},
                                                      {"sh -c \"kill -TERM $$\"", 128 + 15}};
    unsigned code = 1;
    for (const auto& c : cases) {
        EXPECT_TRUE(platformRunChild("/bin/sh", c.first, &code));
        EXPECT_EQ(c.second, code) << c.first;
    }
    EXPECT_FALSE(platformRunChild("/etc/passwd", "passwd", &code)) << "not executable";
    EXPECT_EQ(128u + 15, code);
}

#endif

} // namespace
