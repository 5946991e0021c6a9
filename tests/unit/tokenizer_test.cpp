#include <gtest/gtest.h>

#include <string>

#include "driver/tokenizer.h"

namespace {

const char fileDelimiters[] = {',', '+', 0, 0};

int measure(const std::string& text) {
    return scanToken(scanMeasure, text.c_str(), const_cast<char*>(fileDelimiters), -1, 4);
}

std::string copy(const std::string& text, int capacity = 260, int* result = nullptr) {
    char destination[400];
    int length =
        scanToken(scanCopy, text.c_str(), destination, static_cast<int>(text.size()), capacity);
    if (result)
        *result = length;
    return destination;
}

// Returns the token form, or "<0>" when quoting fails.
std::string quote(const std::string& text, int capacity = 270) {
    char destination[400];
    int length = scanToken(scanQuote, text.c_str(), destination, -1, capacity);
    return length == 0 ? "<0>" : std::string(destination, static_cast<size_t>(length));
}

TEST(Tokenizer, MeasureAndCopy) {
    struct Case {
        std::string text;
        int measured;
        std::string copied;
    };
    const Case cases[] = {
        {"a\"b c\"d", 7, "ab cd"}, {"\"x \"\"y\"\" z\"", 11, "x \"y\" z"},
        {"\"\"", 2, ""},           {"a,b", 1, "a,b"},
        {"\"a,b\"", 5, "a,b"},     {"a+b c", 1, "a+b"},
        {"a\tb c", 3, "a\tb"},     {"C:\\dir\\\"x y\" z", 12, "C:\\dir\\x y"},
        {"\"abc", 0, "abc"}, // the text is copied, the result says it is unusable
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(c.measured, measure(c.text));
        int result = -1;
        EXPECT_EQ(c.copied, copy(c.text, 260, &result));
        if (c.measured == 0) {
            EXPECT_EQ(0, result);
        }
    }
}

TEST(Tokenizer, Limits) {
    EXPECT_EQ(259, measure(std::string(300, 'a')));
    int result = 0;
    EXPECT_EQ(std::string(259, 'a'), copy(std::string(259, 'a'), 260, &result));
    EXPECT_EQ(259, result);
    EXPECT_EQ("", copy(std::string(260, 'a'), 260, &result));
    EXPECT_EQ(0, result);
    // A small destination keeps room for its terminator.
    EXPECT_EQ("abc", copy("abc", 4, &result));
    EXPECT_EQ("", copy("abcd", 4, &result));
    EXPECT_EQ(0, result);
}

TEST(Tokenizer, QuoteToken) {
    const std::pair<std::string, std::string> cases[] = {
        {"obj\\main.obj", "obj\\main.obj"},
        {"my file.obj", "\"my file.obj\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"C:\\my dir\\", "\"C:\\my dir\\\""},
        {"tab\there", "tab\there"},
        {"100%", "100%"},
        {"", "<0>"},
        {std::string(259, 'x'), std::string(259, 'x')},
        {std::string(260, 'x'), "<0>"},
        {std::string(128, 'a') + " " + std::string(128, 'b'),
         "\"" + std::string(128, 'a') + " " + std::string(128, 'b') + "\""},
        {std::string(129, 'a') + " " + std::string(128, 'b'), "<0>"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first);
        EXPECT_EQ(c.second, quote(c.first));
    }
    // The blank behind the token is written only where there is room for it.
    char destination[8] = "#######";
    EXPECT_EQ(3, scanToken(scanQuote, "abc", destination, -1, 4));
    EXPECT_EQ(' ', destination[3]);
    EXPECT_EQ(3, scanToken(scanQuote, "xyz", destination, -1, 3));
    EXPECT_EQ(' ', destination[3]) << "left as it was";
}

// Any text that quotes reads back through the copy rules as itself.
TEST(Tokenizer, QuotedTokenReadsBack) {
    const std::string texts[] = {"a b", "\"", "\"\"", " lead", "trail ", "x\"\"y", "a\\\"b", "%s"};
    for (const std::string& text : texts) {
        std::string token = quote(text);
        ASSERT_NE("<0>", token) << text;
        EXPECT_EQ(static_cast<int>(token.size()), measure(token)) << text;
        EXPECT_EQ(text, copy(token)) << text;
    }
}

TEST(Tokenizer, ListItems) {
    struct Case {
        std::string list;
        std::vector<std::string> items; // items in order, then done
    };
    const Case cases[] = {
        {"C:\\lib; D:\\x;", {"C:\\lib", "D:\\x", ""}},
        {"", {""}},
        {"one", {"one"}},
        {"\"a;b\";c", {"a", "b", "c"}}, // ";" ends an item inside quotes too
        {"\"x\"\"y\";z", {"x\"y", "z"}},
        {"  lead;trail  ", {"lead", "trail  "}},
        {std::string(300, 'q') + ";next", {"", "next"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.list);
        uint32_t state = 0;
        const char* position = c.list.c_str();
        std::vector<std::string> items;
        for (int guard = 0; guard < 10; ++guard) {
            char item[260] = "untouched";
            nextListItem(&state, &position, item, 260);
            if (state & listDone)
                break;
            items.push_back(item);
        }
        EXPECT_EQ(c.items, items);
        EXPECT_TRUE(state & listDone);
    }
}

TEST(Tokenizer, ListItemFlags) {
    uint32_t state = 0;
    const char* text = "";
    const char* position = text;
    char item[260];
    nextListItem(&state, &position, item, 260);
    EXPECT_EQ(listAtEnd | listLastEmpty, state);
    std::string longList = std::string(300, 'q') + ";x";
    state = 0;
    position = longList.c_str();
    nextListItem(&state, &position, item, 260);
    EXPECT_TRUE(state & listTruncated);
    EXPECT_STREQ("", item);
    nextListItem(&state, &position, item, 260);
    EXPECT_FALSE(state & listTruncated);
    EXPECT_STREQ("x", item);
}

} // namespace
