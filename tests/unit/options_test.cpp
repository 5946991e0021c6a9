// The option parser: conflict warnings in command-line order, refused options with their
// messages, and what the arguments become (seen in the names tool's command line).
#include <gtest/gtest.h>

#include <string>

#include "test_support.h"

namespace {

const std::string kError5 = "ERROR: (5) Illegal command line specified\n" + kUsage;
const std::string kError6 = "ERROR: (6) Invalid command line option specified\n" + kUsage;

std::string warn(const char* ignored, const char* because) {
    return std::string("\nWARNING: option -") + ignored + " ignored because option -" + because +
           " specified\n\n";
}
std::string needs(const char* what, const char* letter) {
    return std::string("\nError: ") + what + " name required with -" + letter + " option\n\n";
}

struct OptionCase {
    std::string args;
    std::string out; // after the banner
    int status = -1; // 8: the scan ended the run
};

TEST(Options, WarningsAndRefusals) {
    const std::string n259(259, 'n'), n260(260, 'n');
    const OptionCase cases[] = {
        {.args = "-T -RS", .out = warn("B", "R")},
        {.args = "-RS -T", .out = warn("R", "T")},
        {.args = "-FM -RS", .out = warn("F", "R") + warn("J", "R")},
        {.args = "-FS -T -RS", .out = warn("B", "R") + warn("F", "R")},
        {.args = "-BM -RE", .out = warn("B", "R") + warn("J", "R")},
        {.args = "-bm -fs", .out = warn("B", "F")},
        {.args = "-fs -b", .out = warn("F", "B")},
        {.args = "-rs -b", .out = warn("R", "B")},
        {.args = "-RS -FS", .out = warn("R", "F")},
        {.args = "-rs -j", .out = warn("R", "J")},
        {.args = "-J -RM", .out = warn("J", "R")},
        {.args = "-FS -T -J -BM", .out = warn("F", "B")},
        {.args = "-Y x.obj", .out = kError6, .status = 8},
        {.args = "-P4", .out = kError6, .status = 8},
        {.args = "-P-1", .out = kError6, .status = 8},
        {.args = "-P12", .out = kError6, .status = 8},
        {.args = "-P  99999999999", .out = kError6, .status = 8},
        {.args = "-P -99999999999", .out = kError6, .status = 8},
        {.args = "-F", .out = kError6, .status = 8},
        {.args = "-P", .out = kError6, .status = 8},
        {.args = "-Zsys2", .out = kError6, .status = 8},
        {.args = "-Zsy", .out = kError6, .status = 8},
        {.args = "-O", .out = needs("Output file", "O") + kError6, .status = 8},
        {.args = "-M", .out = needs("Main entry point", "M") + kError6, .status = 8},
        {.args = "-I,", .out = needs("Symbol", "I") + kError6, .status = 8},
        {.args = "-X\"op", .out = needs("Symbol", "X") + kError6, .status = 8},
        {.args = "-U", .out = kError6, .status = 8},
        {.args = "-RX", .out = kError6, .status = 8},
        {.args = "-RS,5.", .out = kError6, .status = 8},
        {.args = "-RS,", .out = kError6, .status = 8},
        {.args = "-T -RX", .out = warn("B", "R") + kError6, .status = 8},
        {.args = "-RS,2147483648", .out = kError6, .status = 8},
        {.args = "-RS,2147483647", .out = ""},
        {.args = "-REV,1234567890", .out = kError6, .status = 8},
        {.args = "-RSV,123456789.1", .out = ""},
        {.args = "-O" + n259, .out = ""},
        {.args = "-M" + n259 + "\tx.obj",
         .out = needs("Main entry point", "M") + kError6,
         .status = 8}, // a tab is no end
        {.args = "-O" + n260, .out = needs("Output file", "O") + kError6, .status = 8},
        {.args = "-M\"" + n259.substr(2) + "\"", .out = ""},
        {.args = "-M\"" + n259.substr(1) + "\"",
         .out = needs("Main entry point", "M") + kError6,
         .status = 8},
        {.args = "-", .out = kError5, .status = 8},
        {.args = "-V a\"b", .out = kError5, .status = 8},
        {.args = "-V -/v", .out = ""},
    };
    for (const OptionCase& c : cases) {
        const RunResult result = scanLine("veldra " + c.args);
        EXPECT_EQ(c.status, result.status) << c.args;
        EXPECT_EQ(c.out.empty() ? "" : kBanner + c.out, result.out) << c.args;
    }
}

// What an argument becomes, as the names tool gets it.
TEST(Options, ArgumentsReachTheNamesTool) {
    const struct {
        std::string args;
        std::string words; // of the names tool, between "/N /Ovdrlds00012A3F " and the objects
        int native = 0;    // the machine the run executes on
    } cases[] = {
        {.args = "-RS", .words = "/RS /S /MMAIN"},
        {.args = "-Rmv", .words = "/RMV /S /MMAIN"},
        {.args = "-REV,+5.4", .words = "/REV,+05.04 /S /MMAIN"},
        {.args = "-RS,6", .words = "/RS,06.00 /S /MMAIN"},
        {.args = "-RM,-12.3", .words = "/RM,-12.03 /S /MMAIN"},
        {.args = "-RSV,123456789.1", .words = "/RSV,123456789.01 /S /MMAIN"},
        {.args = "-RSVS", .words = "/RSV /MMAIN"},
        {.args = "-BLMD", .words = "/S /BLMD /MMAIN"},
        {.args = "-BD", .words = "/S /BBSD /MMAIN"},
        {.args = "-BFSBM", .words = "/S /BBM /MMAIN"},
        {.args = "-F V", .words = "/F  /V /S /MMAIN"},
        {.args = "-Fm", .words = "/FM /S /MMAIN"},
        {.args = "-J -Fs", .words = "/FS /S /MMAIN"},
        {.args = "-Px", .words = "/FS /S /MMAIN"},
        {.args = "-px", .words = "/P3 /FS /S /MMAIN", .native = 3},
        {.args = "-PX", .words = "/P2 /FS /S /MMAIN", .native = 2},
        {.args = "-Mfirst -M\"my main\"", .words = "/FS /S /M\"my main\""},
        {.args = "-M\"a\"\"b\"", .words = "/FS /S /M\"a\"\"b\""},
        {.args = "-Zsys", .words = "/FS /S /MMAIN /Z1"},
        {.args = "-T -Ix -Iy,-I\"z\"", .words = "/S /BBS /Ix /Iy /Iz /MMAIN"},
    };
    for (const auto& c : cases) {
        fakePlatform = standardPlatform();
        fakePlatform.nativeMachine = c.native;
        runLine("veldra main.obj " + c.args);
        ASSERT_FALSE(fakePlatform.children.empty()) << c.args;
        EXPECT_EQ("tessor /N /Ovdrlds00012A3F " + c.words + " main.obj", fakePlatform.children[0])
            << c.args;
    }
    // File names, quoted or plain, through both passes.
    fakePlatform = standardPlatform();
    runLine("veldra \"my a.obj\",b\"\"c.obj+x.OBJ");
    ASSERT_FALSE(fakePlatform.children.empty());
    EXPECT_EQ("tessor /N /Ovdrlds00012A3F /FS /S /M\"MY A\" \"my a.obj\" bc.obj x.OBJ",
              fakePlatform.children[0]);
}

} // namespace
