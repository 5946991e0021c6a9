#include "e2e/harness.h"

#include "platform/command_words.h"

#include <filesystem>
#include <regex>
#include <set>
#include <sstream>

#include <gtest/gtest.h>

#include <iconv.h>

namespace e2e {

namespace fs = std::filesystem;

static std::string replaceAll(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
        text.replace(at, from.size(), to);
    return text;
}

// A value naming "%D" or "%T" holds paths as veldra sees them: Wine shows the Unix files as
// drive Z:, with "\" between directories.
static std::string hostText(std::string text, const std::string& dir) {
    const std::string drive = wine ? "Z:" : "", given = text;
    text = replaceAll(text, "%D", drive + dir);
    text = replaceAll(text, "%T", drive + setting("VELDRA_TOOLCHAIN"));
    return wine && text != given ? replaceAll(text, "/", "\\") : text;
}

static std::string toCp932(std::string utf8) {
    iconv_t cd = iconv_open("CP932", "UTF-8");
    std::string out(utf8.size() * 2, '\0');
    char *in = utf8.data(), *to = out.data();
    size_t inLeft = utf8.size(), outLeft = out.size();
    EXPECT_EQ(iconv(cd, &in, &inLeft, &to, &outLeft), 0u) << "iconv to CP932";
    iconv_close(cd);
    return out.substr(0, to - out.data());
}

// Makes one entry of `Case::have`; returns its name when it lies in `dir` itself.
static std::string makeFile(const std::string& dir, const std::string& entry) {
    const size_t equals = entry.find('=');
    std::string name = entry.substr(0, equals);
    const std::string content = equals == std::string::npos ? "" : entry.substr(equals + 1);
    const bool program = name.back() == '*', unreadable = name.back() == '!';
    if (program)
        name.pop_back(), name += wine ? ".exe" : "";
    if (unreadable)
        name.pop_back();
    const fs::path path = fs::path(dir) / name;
    fs::create_directories(path.parent_path());
    if (program && equals == std::string::npos)
        fs::create_symlink(fs::path(setting("VELDRA_TOOLCHAIN")) / path.filename(), path);
    else if (program && content == "/")
        fs::create_directory(path);
    else
        std::ofstream(path, std::ios::binary) << content;
    if (program)
        fs::permissions(path, fs::perms::all);
    if (unreadable)
        fs::permissions(path, fs::perms::none);
    return name.find('/') == std::string::npos ? name : "";
}

static void runCase(const Case& c, const Env& common) {
    SCOPED_TRACE(testing::PrintToString(c.args).substr(0, 600));
    std::string top = fs::temp_directory_path() / "veldra-XXXXXX";
    ASSERT_NE(mkdtemp(top.data()), nullptr);
    const std::string dir = fs::canonical(top).string() + "/w", search = wine ? "WINEPATH" : "PATH";
    // clang-format off
    Env env = {{"LANG", "C"}, {"LIB", "%D/lib"}, {"XDG_CONFIG_HOME", "%D/c"},
               {"VELDRA_STANDIN_LOG", "%D/../log"}, {"TOOLS", "%T;" + setting(search)}};
    // clang-format on
    Words argv = {setting("VELDRA_PROGRAM")};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    // Under memcheck any error is exit status 99, which no case expects.
    if (!setting("VELDRA_VALGRIND").empty())
        argv.insert(argv.begin(), {setting("VELDRA_VALGRIND"), "-q", "--error-exitcode=99"});
    if (wine) {
        // Wine's own quoting of argv would change words holding blanks or double quotes: a
        // stand-in starts veldra with the command line the POSIX build rebuilds from argv.
        argv[0] = replaceAll("Z:" + argv[0], "/", "\\");
        std::vector<char*> words;
        for (std::string& word : argv)
            words.push_back(word.data());
        env.push_back({"VELDRA_STANDIN_LAUNCH",
                       buildCommandLine(static_cast<int>(words.size()), words.data())});
        argv = {setting("VELDRA_LAUNCHER"), setting("VELDRA_TOOLCHAIN") + "/cl.exe"};
    }
    env.insert(env.end(), common.begin(), common.end());
    env.insert(env.end(), c.env.begin(), c.env.end());
    // The run's environment: the test's, without the variables that could change the run.
    Words changes = {"LC_ALL", "LC_MESSAGES", "LC_CTYPE", "LIB64", "ZELBIND64", "VEZIDU_PARSED"};
    bool japanese = false, closedPipe = false;
    for (auto [name, value] : env) {
        closedPipe = closedPipe || name == "STDOUT";
        japanese = name == "LANG" ? wine && value == "ja_JP.UTF-8" : japanese;
        value = hostText(value, dir);
        if (name == "TOOLS")
            name = search, value = replaceAll(value, ";", wine ? ";" : ":");
        changes.push_back(name + "=" + value);
    }
    std::set<std::string> expectedFiles, files;
    for (const std::string& entry : c.have)
        if (const std::string name = makeFile(dir, entry); !name.empty())
            expectedFiles.insert(name);
    makeFile(dir, "lib/msvcrt.lib");
    const Ended ended =
        runProgram(argv, dir, environment(changes), closedPipe ? "" : top + "/out", "-");
    // The process id as the first temporary name shows it; natively it is veldra's own.
    const std::string logText = slurp(top + "/log");
    std::smatch found;
    std::regex_search(logText, found, std::regex("vdrl(ds|st)([0-9A-F]{8})"));
    const std::string pid = found.empty() ? "" : found[2].str();
    EXPECT_TRUE(wine || pid.empty() || std::stol(pid, nullptr, 16) == ended.pid) << pid;
    auto expand = [&](const std::string& text) {
        const std::string result = hostText(replaceAll(text, "%P", pid), dir);
        return japanese ? toCp932(result) : result;
    };
    EXPECT_EQ(std::regex_replace(slurp(top + "/out"), std::regex("\r\n"), "\n"), expand(c.out));
    EXPECT_EQ(ended.status, c.status);
    std::vector<Words> children, expectedChildren(c.children.size());
    std::istringstream log(logText);
    for (std::string line; std::getline(log, line);)
        children.push_back(commandWords(line.erase(line.find_last_not_of('\r') + 1)));
    for (size_t i = 0; i < c.children.size(); ++i)
        expectedChildren[i] = commandWords(expand(c.children[i]));
    EXPECT_EQ(children, expectedChildren);
    for (const std::string& name : c.made)
        expectedFiles.insert(replaceAll(name, "%P", pid));
    for (const auto& entry : fs::directory_iterator(dir))
        if (entry.is_regular_file()) // subdirectories hold what a case set up
            files.insert(entry.path().filename().string());
    EXPECT_EQ(files, expectedFiles);
    fs::remove_all(top);
}

// A program that holds text cannot be started; memcheck cannot hand that failure back to the
// program, so such a case runs natively only.
static bool startsNoProgram(const Case& c) {
    return std::any_of(c.have.begin(), c.have.end(), [](const std::string& entry) {
        return entry.find("*=") != std::string::npos && entry[entry.find("*=") + 2] != '/';
    });
}

void runCases(const std::vector<Case>& cases, const Env& common) {
    const bool valgrind = !setting("VELDRA_VALGRIND").empty();
    for (const Case& c : cases)
        if (!c.skip && !(valgrind && startsNoProgram(c)))
            runCase(c, common);
}

} // namespace e2e
