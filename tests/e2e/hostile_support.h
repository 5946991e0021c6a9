// Helpers of the hostile end-to-end cases (faults, multi-byte names, registry): directories
// outside the sandbox, copies of the stand-ins, the run's process id, exact file lists, text in
// code page 932, and outside programs such as `wine reg`.
#pragma once

#include "e2e/harness.h"

#include <string>
#include <vector>

namespace hostile {

enum class Where { Both, NativeOnly, WineOnly };

// True when a case marked `where` runs on the platform under test.
bool runsHere(Where where);

// English messages, and nothing inherited that the driver or the registry import would read.
// On POSIX XDG_CONFIG_HOME points at `emptyConfig`, so no registry store of the machine's user
// takes part.
e2e::EnvOverrides baseEnvironment(const std::string& emptyConfig);

// Appends (or replaces) settings.
void add(e2e::EnvOverrides& env, const e2e::EnvOverrides& more);

// Settings of the stand-ins, blank-separated: "NOFILES_TESSOR=1 EXIT_LINK=5" stands for
// VELDRA_STANDIN_NOFILES_TESSOR=1 and VELDRA_STANDIN_EXIT_LINK=5.
e2e::EnvOverrides standin(const std::string& settings);

// A temporary directory outside the sandbox (tools, libraries, registry store), removed with
// the object.
class TempDir {
  public:
    explicit TempDir(const char* what);
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    // path() + "/" + relative, created as a directory (with its parents).
    std::string makeDir(const std::string& relative) const;
    // Creates a file below path(); returns its full path.
    std::string writeFile(const std::string& relative, const std::string& content = "") const;

  private:
    std::string path_;
};

// The file name of a stand-in tool as veldra looks for it: "link" or "link.exe".
std::string toolFileName(const std::string& tool);

// Copies the stand-ins cobol, cl, tessor and link into dir, all but `except`.
void installTools(const std::string& dir, const std::string& except = "");

// The directory list that makes `dir` the only place veldra finds programs (besides Wine's
// current and system directories): PATH natively, WINEPATH under Wine.
e2e::EnvOverrides onlyToolsIn(const std::string& dir);

// The run's process id as the names tool was told it ("/Ovdrlds%08X"); empty when it did not
// run.
std::string runPid(const e2e::RunResult& result);

// text with every "{pid}" replaced.
std::string withPid(std::string text, const std::string& pid);

// Each child's words joined by one blank: the command line without its quoting, and without
// the LIB= and VEZIDU_PARSED= words that the stand-ins add when asked (VELDRA_STANDIN_ENV).
std::vector<std::string> childLines(const e2e::RunResult& result);

// The words of `line` (split as the harness splits a child's command line) joined by one blank.
std::string normalized(const std::string& line);

// The regular files of the sandbox, sorted, against `expected` (with "{pid}" placeholders).
void expectFiles(const e2e::Sandbox& box, std::vector<std::string> expected,
                 const std::string& pid);

// The value of NAME in a child's NAME=value words (VELDRA_STANDIN_ENV); "<unset>" when the
// child did not report it.
std::string childSetting(const std::vector<std::string>& words, const std::string& name);

// UTF-8 text in code page 932; aborts the test program when iconv cannot convert.
std::string toCp932(const std::string& utf8);

// Runs a program found along PATH with the test's environment plus `env`, standard output and
// error discarded; returns its exit status (-1 when it could not be run).
int runProgram(const std::vector<std::string>& argv, const e2e::EnvOverrides& env = {});

} // namespace hostile
