// The tokenizer's measure and copy at their limits, and the POSIX command-line rebuild and argv
// split that follow the same quoting (the quoting itself is checked by whole runs and fuzzing).
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "driver/tokenizer.h"
#include "platform/command_words.h"

namespace {

typedef std::vector<std::string> Words;
const std::string a259(259, 'a'), a260(260, 'a');

// The file-name measure: "," and "+" end a token outside quotes.
int measure(const std::string& text) {
    return scanToken(scanMeasure, text.c_str(), const_cast<char*>(",+\0"), -1, 4);
}

// An open quote is copied but unusable (0); a field keeps room for its terminator.
TEST(Tokenizer, MeasureAndCopy) {
    const struct {
        std::string text;
        int capacity = 260;
        int measured;
        int spanned; // by the copy, 0 when it fails
        std::string copied;
    } cases[] = {
        {.text = "a\"b c\"d", .measured = 7, .spanned = 7, .copied = "ab cd"},
        {.text = "\"x \"\"y\"\" z\"", .measured = 11, .spanned = 11, .copied = "x \"y\" z"},
        {.text = "\"a,b\"+c", .measured = 5, .spanned = 7, .copied = "a,b+c"},
        {.text = "a\tb c", .measured = 3, .spanned = 3, .copied = "a\tb"},
        {.text = "C:\\dir\\\"x y\" z", .measured = 12, .spanned = 12, .copied = "C:\\dir\\x y"},
        {.text = "\"abc", .measured = 0, .spanned = 0, .copied = "abc"},
        {.text = a259, .measured = 259, .spanned = 259, .copied = a259},
        {.text = a260, .measured = 259, .spanned = 0, .copied = ""},
        {.text = "abc", .capacity = 4, .measured = 3, .spanned = 3, .copied = "abc"},
        {.text = "abcd", .capacity = 4, .measured = 4, .spanned = 0, .copied = ""},
    };
    for (const auto& c : cases) {
        char field[400];
        EXPECT_EQ(c.measured, measure(c.text)) << c.text;
        EXPECT_EQ(c.spanned, scanToken(scanCopy, c.text.c_str(), field,
                                       static_cast<int>(c.text.size()), c.capacity))
            << c.text;
        EXPECT_EQ(c.copied, field) << c.text;
    }
}

// Each argument reads back as one word, through the child's split and the driver's own scan;
// the split also takes lines no rebuild writes (no argv given).
TEST(CommandWords, RebuildAndSplit) {
    const std::string longWord(5000, 'w');
    std::string manyWords; // words of every length across the 16-character blocks
    Words manyWordsSplit;
    for (int i = 1; i <= 40; ++i) {
        manyWordsSplit.push_back(std::string(static_cast<size_t>(i % 19 + 1), 'a' + i % 26));
        manyWords += manyWordsSplit.back() + (i % 3 == 0 ? "   " : " ");
    }
    const struct {
        Words argv = {}; // rebuilt into line
        std::string line;
        Words words = {}; // split from line, when there is no argv
    } cases[] = {
        {.argv = {"veldra", "a.obj", "b,c+d.lib", "-VS", "tab\tin"},
         .line = "veldra a.obj b,c+d.lib -VS tab\tin"},
        {.argv = {"my dir/veldra", "-Omy app.exe"}, .line = "my\" \"dir/veldra -Omy\" \"app.exe"},
        {.argv = {"v", "a\"b", "a  \"b", "", "x", ""},
         .line = "v a\"\"\"\"b a\"  \"\"\"b \"\" x \"\""},
        {.argv = {"v", "\"", " lead", "trail ", "C:\\my dir\\", "\\\"", "%PATH%"},
         .line = "v \"\"\"\" \" \"lead trail\" \" C:\\my\" \"dir\\ \\\"\"\"\" %PATH%"},
        {.line = "  a   b  ", .words = {"a", "b"}},
        {.line = "a\"\"b", .words = {"ab"}},
        {.line = "x \"open end", .words = {"x", "open end"}},
        {.line = "x \"a\"\"", .words = {"x", "a\""}},
        {.line = "cl " + longWord, .words = {"cl", longWord}},
        {.line = "a\"b c\"d e \"f\"", .words = {"ab cd", "e", "f"}},
        {.line = "\"\"\"\"x \"\" \"y z\"", .words = {"\"x", "", "y z"}},
        {.line = manyWords, .words = manyWordsSplit},
    };
    for (const auto& c : cases) {
        Words split;
        splitCommandWords(c.line.c_str(), split);
        EXPECT_EQ(c.argv.empty() ? c.words : c.argv, split) << c.line;
        if (c.argv.empty())
            continue;
        std::vector<char*> argv;
        for (const std::string& arg : c.argv)
            argv.push_back(const_cast<char*>(arg.c_str()));
        EXPECT_EQ(c.line, buildCommandLine(static_cast<int>(argv.size()), argv.data()));
        Words scanned;
        for (const char* p = c.line.c_str(); *p != '\0';) {
            char copy[tokenScratchSize];
            int spanned = *p == ' ' ? 1 : scanToken(scanCopy, p, copy, std::strlen(p), -1);
            if (*p != ' ')
                scanned.push_back(spanned == 0 ? "<scan failed>" : copy);
            p += spanned == 0 ? std::strlen(p) : spanned;
        }
        EXPECT_EQ(c.argv, scanned) << c.line;
    }
}

} // namespace
