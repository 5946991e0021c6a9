// End-to-end harness: runs the built veldra (natively, or under Wine for the Windows build) in
// a fresh directory with the stand-in toolchain, and hands back what it printed, its exit
// status and the command lines the stand-ins recorded.
//
// Environment of the test program:
//   VELDRA_PROGRAM    the veldra binary (veldra or veldra.exe)
//   VELDRA_TOOLCHAIN  the directory of the stand-ins cobol, cl, tessor and link
//   VELDRA_LAUNCHER   empty, or the script that runs a Windows program under Wine
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace e2e {

// The banner that veldra prints before its first output.
extern const char* const kBanner;
// The usage line and the empty line after it, as fatal errors 5 and 6 print it.
extern const char* const kUsageLine;
// The whole usage text: the usage line, the empty line, then the option help.
std::string expectedUsage();

// True when veldra runs under Wine. Wine turns argv into a Windows command line with
// backslash escapes, so an argument holding a double quote does not arrive as written.
bool underWine();

// An absolute path as veldra sees it: unchanged natively, "Z:\\..." under Wine. For
// environment values that name files, such as LIB.
std::string programPath(const std::string& path);

// Environment changes for one run: a name with a value sets it, a name with nullopt unsets it.
using EnvOverrides = std::vector<std::pair<std::string, std::optional<std::string>>>;

struct RunResult {
    std::string out; // standard output, CRLF turned into LF
    std::string err; // standard error, as it came
    int status = -1; // exit status; killed by a signal: 128 + the signal number
    // One entry per child run, in order: its command line split back into words (program
    // name first) by the driver's rules for a child's command line.
    std::vector<std::vector<std::string>> children;
    long pid = 0; // the process started: veldra itself natively, Wine's loader under Wine
};

// A fresh working directory and a separate directory for the stand-ins' log; both are removed
// when the sandbox goes.
class Sandbox {
  public:
    Sandbox();
    ~Sandbox();
    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;

    const std::string& dir() const { return workDir_; }
    // Creates (or replaces) a file in the working directory; `name` may hold subdirectories.
    void writeFile(const std::string& name, const std::string& content = "") const;
    std::string readFile(const std::string& name) const;
    // Names of the regular files in the working directory, relative to it, sorted.
    std::vector<std::string> files() const;

    // Runs veldra with `args` as its arguments, without a shell, in the working directory.
    // The environment is the test's own plus `env`, with the toolchain first in PATH (native)
    // or WINEPATH (Wine) and VELDRA_STANDIN_LOG pointing at a fresh log; `env` is applied
    // last, so a case may replace PATH or WINEPATH itself.
    // With `exactWords` every argument reaches veldra's command line as one word with its
    // text intact, blanks and double quotes included, on both platforms: natively that is how
    // veldra rebuilds argv; under Wine, whose argv quoting would change such words, a stand-in
    // then starts veldra with the command line written so.
    RunResult run(const std::vector<std::string>& args, const EnvOverrides& env = {},
                  bool exactWords = false) const;

  private:
    std::string workDir_;
    std::string logDir_;
};

// Splits a command line into words: a blank ends a word outside double quotes, double quotes
// group and are dropped, a doubled double quote inside quotes gives one.
std::vector<std::string> splitCommandLine(const std::string& line);

using Words = std::vector<std::string>;

// One table case of a whole run. In `out`, `children` and `made`, "%P" stands for the
// driver's process id as 8 upper-case hex digits, the same wherever it appears in one run.
// "%D" stands for the working directory and, in the values of `env`, "%T" for the stand-ins'
// directory, as veldra sees them; there "/" separates directories on both platforms. The
// variable "TOOLS" stands for the program search path (PATH natively, WINEPATH under Wine),
// given as a list separated by ";".
struct Case {
    Words args;      // given as exact words
    std::string out; // the whole standard output
    int status;
    Words children; // each child's command line, compared word by word
    // The files left in the working directory itself: those of `have` and these, no others.
    Words made;
    // Files made before the run: "name" or "name=content". A name ending in "*" is a program
    // (".exe" added under Wine): a link to the stand-in of that name or, with a content, an
    // executable file that holds it.
    Words have;
    EnvOverrides env;
};

// Cases as calls rather than braces, which keeps the tables compact: `ok` for a run that
// prints the banner alone and ends with status 0, `ends` for any other.
inline Case ok(Words args, Words children, Words made, Words have = {}, EnvOverrides env = {}) {
    return {args, kBanner, 0, children, made, have, env};
}
inline Case ends(Words args, std::string out, int status, Words children, Words made,
                 Words have = {}, EnvOverrides env = {}) {
    return {args, out, status, children, made, have, env};
}

// Runs each case in a fresh sandbox and checks all of it. The environment is English, with
// "LIB" naming lib/ (which holds msvcrt.lib) and "LIB64" and "ZELBIND64" unset, then `env`.
void runCases(const std::vector<Case>& cases);

} // namespace e2e
