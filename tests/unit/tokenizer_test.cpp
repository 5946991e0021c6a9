#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "driver/tokenizer.h"
#include "platform/command_words.h"

namespace {

const std::string a259(259, 'a'), a260(260, 'a');

// The file-name measure: "," and "+" end a token outside quotes.
int measure(const std::string& text) {
    return scanToken(scanMeasure, text.c_str(), const_cast<char*>(",+\0"), -1, 4);
}

// The copy as "<result>:text", the text cut into a field of `capacity`.
std::string copy(const std::string& text, int capacity = 260) {
    char field[400];
    int spanned = scanToken(scanCopy, text.c_str(), field, static_cast<int>(text.size()), capacity);
    return std::to_string(spanned) + ":" + field;
}

// An open quote is copied but unusable (0); a field keeps room for its terminator.
TEST(Tokenizer, MeasureAndCopy) {
    const struct {
        std::string text;
        int capacity, measured;
        std::string copied;
    } cases[] = {{"a\"b c\"d", 260, 7, "7:ab cd"},
                 {"\"x \"\"y\"\" z\"", 260, 11, "11:x \"y\" z"},
                 {"\"a,b\"+c", 260, 5, "7:a,b+c"},
                 {"a\tb c", 260, 3, "3:a\tb"},
                 {"C:\\dir\\\"x y\" z", 260, 12, "12:C:\\dir\\x y"},
                 {"\"abc", 260, 0, "0:abc"},
                 {a259, 260, 259, "259:" + a259},
                 {a260, 260, 259, "0:"},
                 {"abc", 4, 3, "3:abc"},
                 {"abcd", 4, 4, "0:"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(c.measured, measure(c.text));
        EXPECT_EQ(c.copied, copy(c.text, c.capacity));
    }
}

// Every text that has a token form (at most 259 characters, quotes included) reads back
// through the copy rules as itself.
TEST(Tokenizer, QuoteReadsBack) {
    const std::string ab = std::string(128, 'a') + " " + std::string(128, 'b');
    const std::pair<std::string, std::string> cases[] = {{"obj\\main.obj", "obj\\main.obj"},
                                                         {"my file", "\"my file\""},
                                                         {"say \"hi\"", "\"say \"\"hi\"\"\""},
                                                         {"C:\\my dir\\", "\"C:\\my dir\\\""},
                                                         {"\"", "\"\"\"\""},
                                                         {"a\\\"b", "\"a\\\"\"b\""},
                                                         {"tab\there", "tab\there"},
                                                         {"", ""},
                                                         {a259, a259},
                                                         {a260, ""},
                                                         {ab, "\"" + ab + "\""},
                                                         {"a" + ab, ""}};
    for (const auto& c : cases) {
        char word[400];
        int length = scanToken(scanQuote, c.first.c_str(), word, -1, 270);
        EXPECT_EQ(c.second, std::string(word, length)) << c.first;
        if (length > 0) {
            EXPECT_EQ(length, measure(c.second)) << c.first;
            EXPECT_EQ(std::to_string(length) + ":" + c.first, copy(c.second));
        }
    }
}

// The command-line rebuild of the POSIX build and the child argv split: round trips through
// the tokenizer.
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

} // namespace
