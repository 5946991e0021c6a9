// The platform layer: the POSIX command-line rebuild and child argv split (round trips
// through the tokenizer and a real child), environment expansion, file lookup, child status.
#include "driver/tokenizer.h"
#include "platform/command_words.h"
#include "platform/platform.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

typedef std::vector<std::string> Words;

std::string rebuild(Words args) {
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(&arg[0]);
    return buildCommandLine(static_cast<int>(argv.size()), argv.data());
}

Words split(const char* line) {
    Words words;
    splitCommandWords(line, words);
    return words;
}

// Reads a command line back as the driver's own scan does: token by token, without quotes.
Words readWithTokenizer(const std::string& line) {
    Words words;
    for (size_t position = 0; position < line.size();) {
        if (line[position] == ' ') {
            ++position;
            continue;
        }
        char copy[tokenScratchSize];
        int spanned = scanToken(scanCopy, line.c_str() + position, copy,
                                static_cast<int>(line.size() - position), tokenScratchSize);
        if (spanned == 0)
            return {"<scan failed>"};
        words.push_back(copy);
        position += static_cast<size_t>(spanned);
    }
    return words;
}

const struct RebuildCase {
    Words args;
    const char* line;
} rebuildCases[] = {
    {{"veldra", "a.obj", "b,c+d.lib", "-VS", "tab\tin"}, "veldra a.obj b,c+d.lib -VS tab\tin"},
    {{"my dir/veldra", "-Omy app.exe"}, "my\" \"dir/veldra -Omy\" \"app.exe"},
    {{"v", "a\"b", "a  \"b", "", "x", ""}, "v a\"\"\"\"b a\"  \"\"\"b \"\" x \"\""},
    {{"v", "\"", " lead", "trail ", "say \"hi\""},
     "v \"\"\"\" \" \"lead trail\" \" say\" \"\"\"hi\"\"\"\""},
    {{"v", "back\\slash\\", "C:\\my dir\\", "\\\"", "%PATH%", "-"},
     "v back\\slash\\ C:\\my\" \"dir\\ \\\"\"\"\" %PATH% -"},
};

} // namespace

TEST(CommandLineRebuild, QuotesRunsAndReadsBackIntact) {
    for (const RebuildCase& c : rebuildCases) {
        std::string line = rebuild(c.args);
        EXPECT_EQ(line, c.line);
        EXPECT_EQ(split(line.c_str()), c.args) << line;
        EXPECT_EQ(readWithTokenizer(line), c.args) << line;
    }
}

TEST(CommandWordSplit, FollowsTheTokenizerQuoting) {
    struct Case {
        const char* line;
        Words words;
    } cases[] = {
        {"", {}},
        {"  a   b  ", {"a", "b"}},
        {"\"a b\" c", {"a b", "c"}},
        {"a\"b c\"d", {"ab cd"}},
        {"\"x \"\"y\"\" z\"", {"x \"y\" z"}},
        {"a \"\" b", {"a", "", "b"}},
        {"a\"\"b", {"ab"}},
        {"\"\"\"\"", {"\""}},
        {"a\\\"b c", {"a\\b c"}},
        {"a\tb c", {"a\tb", "c"}},
        {"x \"open end", {"x", "open end"}},
        {"x \"a\"\"", {"x", "a\""}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(split(c.line), c.words) << c.line;
    std::string longWord(5000, 'w');
    EXPECT_EQ(split(("cl " + longWord).c_str()), (Words{"cl", longWord}));
}

TEST(PlatformEnvironment, ExpandsLikeTheSystem) {
    platformSetEnvironment("VELDRA_T_SET", "xy");
    platformSetEnvironment("VELDRA_T_EMPTY", "");
    platformSetEnvironment("VELDRA_T_UNSET", nullptr);
    struct Case {
        const char* text;
        const char* expanded;
    } cases[] = {
        {"a%VELDRA_T_SET%b%VELDRA_T_SET%", "axybxy"},
        {"%VELDRA_T_EMPTY%x", "x"},
        {"%VELDRA_T_UNSET%", "%VELDRA_T_UNSET%"},
        {"%VELDRA_T_UNSET%VELDRA_T_SET%", "%VELDRA_T_UNSET%VELDRA_T_SET%"},
        {"%VELDRA_T_UNSET%%VELDRA_T_SET%", "%VELDRA_T_UNSET%xy"},
        {"100%", "100%"},
        {"a%VELDRA_T_SET", "a%VELDRA_T_SET"},
        {"%%", "%%"},
        {"", ""},
    };
    for (const Case& c : cases) {
        char out[64];
        unsigned needed = static_cast<unsigned>(std::strlen(c.expanded) + 1);
        EXPECT_EQ(platformExpandEnvironment(c.text, out, sizeof out), needed) << c.text;
        EXPECT_STREQ(out, c.expanded);
    }
    char small[3] = {'-', '-', '-'};
    EXPECT_EQ(platformExpandEnvironment("<%VELDRA_T_SET%>", small, 3), 5u);
    EXPECT_EQ(std::string(small, 3), "---"); // nothing written when it does not fit

    std::string value = "old";
    EXPECT_TRUE(platformGetEnvironment("VELDRA_T_EMPTY", value));
    EXPECT_EQ(value, "");
    EXPECT_TRUE(platformIsEnvironmentSet("VELDRA_T_EMPTY"));
    EXPECT_FALSE(platformGetEnvironment("VELDRA_T_UNSET", value));
    EXPECT_FALSE(platformIsEnvironmentSet("VELDRA_T_UNSET"));
}

#ifndef _WIN32

namespace {

struct TempTree {
    std::string root;
    TempTree() {
        char pattern[] = "/tmp/veldra-platform-XXXXXX";
        root = mkdtemp(pattern);
    }
    ~TempTree() { EXPECT_EQ(std::system(("rm -rf '" + root + "'").c_str()), 0); }
    // Creates root/dir/name (one directory level) with the given mode.
    std::string file(const std::string& dir, const std::string& name, mode_t mode) const {
        mkdir((root + "/" + dir).c_str(), 0755);
        std::string path = root + "/" + dir + "/" + name;
        std::fclose(std::fopen(path.c_str(), "w"));
        chmod(path.c_str(), mode);
        return path;
    }
};

std::string findProgram(const std::string& name, const std::string* dirList) {
    char out[1024];
    unsigned n = platformFindProgram(name.c_str(), dirList ? dirList->c_str() : nullptr, out, 1024);
    return n != 0 ? out : "";
}

std::string findLibrary(const std::string& dir, const char* name) {
    char out[260];
    return platformFindLibrary(dir.c_str(), name, out, sizeof out) != 0 ? out : "";
}

} // namespace

TEST(PlatformLookup, FindsExecutablesAndLibraries) {
    TempTree t;
    std::string one = t.file("one", "tool", 0755), two = t.file("two", "tool", 0755);
    t.file("one", "plain", 0644);
    t.file("two", "plain", 0755);
    mkdir((t.root + "/one/dir").c_str(), 0755);
    std::string list = t.root + "/one;" + t.root + "/two";
    std::string gappy = ";" + t.root + "/none;" + t.root + "/two";
    EXPECT_EQ(findProgram("tool", &list), one);
    EXPECT_EQ(findProgram("tool", &gappy), two);
    EXPECT_EQ(findProgram("plain", &list), t.root + "/two/plain"); // skips a non-executable
    EXPECT_EQ(findProgram("dir", &list), "");
    EXPECT_EQ(findProgram("tool.exe", &list), "");
    EXPECT_EQ(findProgram(one, nullptr), one);
    EXPECT_EQ(findProgram(t.root + "/one/plain", nullptr), "");

    std::string local = t.file("cwd", "local", 0755), localLib = t.file("cwd", "here.lib", 0644);
    std::string savedPath = getenv("PATH");
    char savedCwd[4096];
    ASSERT_NE(getcwd(savedCwd, sizeof savedCwd), nullptr);
    ASSERT_EQ(chdir((t.root + "/cwd").c_str()), 0);
    setenv("PATH", (t.root + "/two:" + t.root + "/one").c_str(), 1);
    EXPECT_EQ(findProgram("tool", nullptr), two);
    EXPECT_EQ(findProgram("local", nullptr), ""); // the current directory only when named
    setenv("PATH", (t.root + "/two::").c_str(), 1);
    EXPECT_EQ(findProgram("local", nullptr), local);
    EXPECT_EQ(findLibrary("", "here"), localLib); // an empty directory is the current one
    setenv("PATH", savedPath.c_str(), 1);
    ASSERT_EQ(chdir(savedCwd), 0);

    std::string lib = t.file("lib", "msvcrt.lib", 0644), obj = t.file("lib", "zop.obj", 0644);
    mkdir((t.root + "/lib/folder.lib").c_str(), 0755);
    EXPECT_EQ(findLibrary(t.root + "/lib", "msvcrt"), lib);
    EXPECT_EQ(findLibrary(t.root + "/lib/", "msvcrt.lib"), lib);
    EXPECT_EQ(findLibrary(t.root + "/lib", "zop.obj"), obj);
    EXPECT_EQ(findLibrary(t.root + "/lib", "zop"), "");
    EXPECT_EQ(findLibrary(t.root + "/lib", "folder"), "");
    EXPECT_EQ(findLibrary(t.root + "/one", "msvcrt.lib"), "");
}

TEST(PlatformLoadString, CutsWholeCharactersInTheUsersLanguage) {
    std::string savedLocale = setlocale(LC_ALL, nullptr);
    setlocale(LC_ALL, "C");
    char buffer[255];
    EXPECT_EQ(platformLoadString(2, buffer, 255), 17);
    EXPECT_STREQ(buffer, "Not enough memory");
    EXPECT_EQ(platformLoadString(2, buffer, 4), 3);
    EXPECT_STREQ(buffer, "Not");
    EXPECT_EQ(platformLoadString(13, buffer, 255), 0); // not in the table

    if (setlocale(LC_ALL, "ja_JP.UTF-8") != nullptr) {
        std::string full(buffer, platformLoadString(2, buffer, 255));
        ASSERT_NE(full.substr(0, 3), "Not");
        for (int size = 1; size <= static_cast<int>(full.size()) + 1; ++size) {
            int length = platformLoadString(2, buffer, size);
            EXPECT_LE(length, size - 1);
            EXPECT_GT(length, size - 4); // at most one character of three bytes held back
            EXPECT_EQ(full.compare(0, length, buffer), 0);
            EXPECT_NE(full[length] & 0xC0, 0x80) << "split at " << length;
        }
    }
    setlocale(LC_ALL, savedLocale.c_str());
}

TEST(PlatformRunChild, ReportsExitStatusAndSignals) {
    struct Case {
        const char* commandLine;
        unsigned exitCode;
    } cases[] = {
        {"sh -c \"exit 3\"", 3},
        {"sh -c \"exit 300\"", 300 % 256},
        {"sh -c \"kill -TERM $$\"", 128 + 15},
        {"sh -c \"kill -KILL $$\"", 128 + 9},
    };
    for (const Case& c : cases) {
        unsigned code = 12345;
        ASSERT_TRUE(platformRunChild("/bin/sh", c.commandLine, &code)) << c.commandLine;
        EXPECT_EQ(code, c.exitCode) << c.commandLine;
    }
    TempTree t;
    std::string script = t.file("dir", "script", 0644); // not executable
    unsigned code = 12345;
    EXPECT_FALSE(platformRunChild(script.c_str(), "script", &code));
    EXPECT_FALSE(platformRunChild((t.root + "/missing").c_str(), "missing", &code));
    EXPECT_EQ(code, 12345u);
}

TEST(PlatformRunChild, ArgumentsSurviveTheRoundTrip) {
    // The child shell compares each word it got with the expected text in the environment,
    // which no quoting touches.
    const char* check = "i=0; for a; do i=$((i+1)); eval \"e=\\$VELDRA_W$i\"; "
                        "[ \"$a\" = \"$e\" ] || exit 1; done; [ $i = $VELDRA_N ]";
    for (const RebuildCase& c : rebuildCases) {
        Words args = c.args;
        args[0] = "sh";
        args.insert(args.begin() + 1, {"-c", check, "sh"});
        for (size_t i = 4; i < args.size(); ++i)
            setenv(("VELDRA_W" + std::to_string(i - 3)).c_str(), args[i].c_str(), 1);
        setenv("VELDRA_N", std::to_string(args.size() - 4).c_str(), 1);
        unsigned code = 12345;
        std::string line = rebuild(args);
        ASSERT_TRUE(platformRunChild("/bin/sh", line.c_str(), &code));
        EXPECT_EQ(code, 0u) << line;
    }
}

#endif
