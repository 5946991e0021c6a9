#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "driver/tokenizer.h"

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

// The run scan reads 16 bytes at a time: a stop is found wherever the text lies, never
// beyond the characters it may examine.
TEST(Tokenizer, RunEndsAtEveryOffset) {
    const struct {
        std::string text;
        size_t count;
        bool delimiters;
        size_t stop;
    } cases[] = {{std::string(40, 'a') + " b", SIZE_MAX, false, 40},
                 {std::string(40, 'a') + ",\"", SIZE_MAX, false, 41},
                 {std::string(40, 'a') + "+b", SIZE_MAX, true, 40},
                 {std::string(40, 'a') + " b", 33, false, 33},
                 {std::string(17, 'a') + std::string(1, '\0'), SIZE_MAX, true, 17},
                 {"\"", SIZE_MAX, false, 0},
                 {"ab", 0, false, 0}};
    char buffer[96];
    for (const auto& c : cases) {
        for (size_t shift = 0; shift < 16; ++shift) {
            std::memset(buffer, 'x', sizeof buffer);
            std::memcpy(buffer + shift, c.text.data(), c.text.size());
            buffer[shift + c.text.size()] = '\0';
            EXPECT_EQ(c.stop, findWordStop(buffer + shift, c.count, c.delimiters))
                << c.text << " at " << shift;
        }
    }
}

} // namespace
