#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "driver/messages.h"
#include "driver/options.h"
#include "test_support.h"

namespace {

// Runs both passes over the options; returns "<fatal error id, -1 for none>:<what was printed>".
std::string parse(const std::string& options) {
    testing::internal::CaptureStdout();
    int fatal = scanLine(("veldra " + options).c_str());
    return std::to_string(fatal) + ":" + testing::internal::GetCapturedStdout();
}

// Checks the fatal error and the messages (ids separated by blanks) printed, after the banner,
// before it; nothing may be classified either way.
void expectRun(const std::string& line, int fatal, const char* messages) {
    resetMessages();
    testing::internal::CaptureStdout();
    printBanner();
    std::string expected = testing::internal::GetCapturedStdout();
    std::istringstream in(messages);
    for (int id; in >> id;)
        expected += loadMessage(id);
    expected = std::to_string(fatal) + ":" + (*messages ? expected : "");
    const std::string outcome = parse(line);
    EXPECT_EQ(expected, fatal == -1 ? outcome : outcome.substr(0, expected.size())) << line;
    EXPECT_EQ(nullptr, linkOptions.objectFiles.head) << line;
}

TEST(Options, ConflictWarningsInOrder) {
    const std::pair<const char*, const char*> cases[] = {
        {"-T -RS", "113"},         {"-RS -T", "101"},      {"-FM -RS", "109 104"},
        {"-FS -T -RS", "113 109"}, {"-BM -RE", "113 104"}, {"-BM -FS", "112"},
        {"-FS -B", "108"},         {"-RS -B", "110"},      {"-RS -FS", "111"},
        {"-RS -J", "103"},         {"-J -RM", "104"},      {"-D -E -G -K -L -S -V -Zsys", ""}};
    for (const auto& c : cases)
        expectRun(c.first, -1, c.second);
}

// "-RS,9999999999" does not fit an int; "-REV,1234567890" writes 16 characters.
TEST(Options, Failures) {
    const std::pair<const char*, const char*> cases[] = {{"-Y x.obj", ""},
                                                         {"-P4", ""},
                                                         {"-P12", ""},
                                                         {"-F", ""},
                                                         {"-Zsys2", ""},
                                                         {"-O", "151"},
                                                         {"-M", "150"},
                                                         {"-I,", "152"},
                                                         {"-X\"op", "153"},
                                                         {"-U", ""},
                                                         {"-RX", ""},
                                                         {"-RS,5.", ""},
                                                         {"-T -RX", "113"},
                                                         {"-P  99999999999", ""},
                                                         {"-P -99999999999", ""}};
    for (const auto& c : cases)
        expectRun(c.first, 6, c.second);
    expectRun("-RS,9999999999", 6, "");
    expectRun("-REV,1234567890", 6, "");
    expectRun("-O" + std::string(260, 'n'), 6, "151");
    expectRun("-M" + std::string(259, 'n') + "\tx.obj", 6, "150"); // a tab is no end
    expectRun("-", 5, "");
    expectRun("-V a\"b", 5, "");
}

TEST(Options, Arguments) {
    const LinkOptions& o = linkOptions;
    parse("-Ofirst -Osecond,b.obj -M\"my main\" -Ua+c.obj -Ia -Ib -Xc -Xd");
    EXPECT_STREQ("second", o.outputName);
    EXPECT_STREQ("my main", o.mainEntryName);
    EXPECT_STREQ("a", o.compilerDirectives);
    EXPECT_STREQ("b.obj", o.objectFiles.head->text);
    EXPECT_STREQ("c.obj", o.objectFiles.tail->text);
    EXPECT_STREQ("b", o.includeSymbols.head->next->text) << "kept in order";
    EXPECT_STREQ("c", o.excludeSymbols.head->next->text) << "the latest first";
    parse("-BLMD -P3 -F V");
    EXPECT_STREQ("LMD", o.staticRuntimeLetters);
    EXPECT_EQ(machineAmd64, o.machine);
    EXPECT_STREQ(" ", o.importedThreadLetter) << "a blank is -F's letter";
    EXPECT_EQ(1, o.verbose);
    parse("-BD -Px -O" + std::string(259, 'n'));
    EXPECT_STREQ("BSD", o.staticRuntimeLetters);
    EXPECT_EQ(detectNativeMachine(), o.machine);
    EXPECT_EQ(std::string(259, 'n'), o.outputName);
}

// The release number is written "%02.2d.%02.2d"; the field holds 15 characters.
TEST(Options, BoundRuntimeMode) {
    const std::pair<const char*, const char*> cases[] = {{"-RS", "S"},
                                                         {"-Rmv", "MV"},
                                                         {"-REV,+5.4", "EV,+05.04"},
                                                         {"-RS,6", "S,06.00"},
                                                         {"-RM,-12.3", "M,-12.03"},
                                                         {"-RSV,123456789.1", "SV,123456789.01"}};
    for (const auto& c : cases) {
        parse(c.first);
        EXPECT_STREQ(c.second, linkOptions.boundRuntimeMode) << c.first;
    }
    parse("-RSVK");
    EXPECT_STREQ("SV", linkOptions.boundRuntimeMode);
    EXPECT_EQ(1, linkOptions.keepTemporaries) << "K is an option of its own";
}

} // namespace
