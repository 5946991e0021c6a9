#include "e2e/harness.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace e2e {

namespace fs = std::filesystem;

const char* const kBanner = "Quenlow Orvanta - VELDRA utility\n"
                            "Version 5.004.0014 Copyright (C) 2026 Quenlow. All rights reserved.\n"
                            "\n";

const char* const kUsageLine =
    "usage: veldra [-V] [-S] [-D] [-G] [-L] [-K] [-Boptions] [-Foption]\n"
    "\t\t[-Roption[V]] [-Mname] [-Oname] [-Uname] file1 [file2,...]\n"
    "\n";

std::string expectedUsage() {
    // The help texts in the order veldra prints them; -T, -J and -Y are not among them.
    static const char* const help[] = {
        "VELDRA invokes TESSOR and the linker to produce an executable module\n",
        "(EXE or DLL) from a list of supplied object files or source files.\n\n",
        "options:\n\t-V\tdisplay Verbose output\n",
        "\t-S\tdo not link in System programs\n",
        "\t-D\tcreate a Dynamic link library\n",
        "\t-G\tmark executable as a Graphical application\n",
        "\t-L\tgenerate Linker .MAP file\n",
        "\t-K\tDo not delete temporary files\n",
        "\t-M\tspecify Main entry point name\n",
        "\t-I\tspecify symbol name to Include in the executable\n",
        "\t-X\tspecify symbol name to Exclude from the DLL exports\n",
        "\t-O\tspecify Output file name\n",
        "\t-U\tspecify directives for the COBOL compiler to Use\n",
        "\t-B[m][c][D]\tLink with static runtime library\n"
        "\t\t- m = S for single-threaded,  m = M for multi-threaded\n"
        "\t\t- c = L for Lite,  c = B for Base,  c = F for Full\n"
        "\t\t- D to include support for debugging\n",
        "\t-F[m]\t\tLink with imported shared runtime library\n"
        "\t\t- m = S for single-threaded,  m = M for multi-threaded\n",
        "\t-Rm[V]\tLink with dynamically bound shared runtime library\n",
        "\t\t- m = S for single-threaded only, m = M for multi-threaded only\n",
        "\t\t  m = E for either single- or multi-threaded\n",
        "\t\t- V to limit binding to current run-time release only\n",
    };
    std::string usage = kUsageLine;
    for (const char* text : help)
        usage += text;
    return usage;
}

namespace {

std::string settingOf(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

// Wine sees the whole Unix file system as drive Z:.
std::string windowsPath(const std::string& path) {
    std::string result = "Z:" + path;
    std::replace(result.begin(), result.end(), '/', '\\');
    return result;
}

std::string makeTempDir(const char* what) {
    std::string base = settingOf("TMPDIR");
    if (base.empty())
        base = "/tmp";
    std::string pattern = base + "/veldra-e2e-" + what + "-XXXXXX";
    std::vector<char> text(pattern.begin(), pattern.end());
    text.push_back('\0');
    if (mkdtemp(text.data()) == nullptr) {
        std::perror("mkdtemp");
        std::abort();
    }
    return fs::canonical(text.data()).string();
}

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string withoutCarriageReturns(const std::string& text) {
    std::string result;
    for (size_t i = 0; i < text.size(); ++i) {
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n'))
            result += text[i];
    }
    return result;
}

void setVariable(std::vector<std::string>& environment, const std::string& name,
                 const std::optional<std::string>& value) {
    std::string prefix = name + "=";
    environment.erase(std::remove_if(environment.begin(), environment.end(),
                                     [&](const std::string& entry) {
                                         return entry.compare(0, prefix.size(), prefix) == 0;
                                     }),
                      environment.end());
    if (value)
        environment.push_back(prefix + *value);
}

} // namespace

bool underWine() {
    return !settingOf("VELDRA_LAUNCHER").empty();
}

std::string programPath(const std::string& path) {
    return underWine() ? windowsPath(path) : path;
}

std::vector<std::string> splitCommandLine(const std::string& line) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    bool quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        char c = line[i];
        if (quoted) {
            if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
                word += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                word += c;
            }
        } else if (c == ' ') {
            if (inWord)
                words.push_back(word);
            word.clear();
            inWord = false;
        } else {
            if (c == '"')
                quoted = true;
            else
                word += c;
            inWord = true;
        }
    }
    if (inWord)
        words.push_back(word);
    return words;
}

Sandbox::Sandbox() : workDir_(makeTempDir("work")), logDir_(makeTempDir("log")) {}

Sandbox::~Sandbox() {
    std::error_code ignored;
    fs::remove_all(workDir_, ignored);
    fs::remove_all(logDir_, ignored);
}

void Sandbox::writeFile(const std::string& name, const std::string& content) const {
    fs::path path = fs::path(workDir_) / name;
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << content;
}

std::string Sandbox::readFile(const std::string& name) const {
    return slurp((fs::path(workDir_) / name).string());
}

std::vector<std::string> Sandbox::files() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(workDir_)) {
        if (entry.is_regular_file())
            names.push_back(fs::relative(entry.path(), workDir_).string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

RunResult Sandbox::run(const std::vector<std::string>& args, const EnvOverrides& env,
                       bool exactWords) const {
    const std::string program = settingOf("VELDRA_PROGRAM");
    const std::string toolchain = settingOf("VELDRA_TOOLCHAIN");
    const std::string launcher = settingOf("VELDRA_LAUNCHER");
    const std::string logPath = logDir_ + "/standin.log";
    const std::string outPath = logDir_ + "/stdout";
    const std::string errPath = logDir_ + "/stderr";
    fs::remove(logPath);

    std::vector<std::string> environment;
    for (char** entry = environ; *entry != nullptr; ++entry)
        environment.push_back(*entry);
    if (underWine()) {
        std::string winePath = windowsPath(toolchain);
        std::string inherited = settingOf("WINEPATH");
        setVariable(environment, "WINEPATH",
                    inherited.empty() ? winePath : winePath + ";" + inherited);
        setVariable(environment, "VELDRA_STANDIN_LOG", windowsPath(logPath));
    } else {
        std::string inherited = settingOf("PATH");
        setVariable(environment, "PATH",
                    inherited.empty() ? toolchain : toolchain + ":" + inherited);
        setVariable(environment, "VELDRA_STANDIN_LOG", logPath);
    }
    for (const auto& [name, value] : env)
        setVariable(environment, name, value);

    std::vector<std::string> argvText;
    if (!launcher.empty())
        argvText.push_back(launcher);
    if (exactWords && underWine()) {
        // Each blank and double quote quoted, as veldra reads a word rebuilt from argv natively.
        std::string line = windowsPath(program);
        for (const std::string& arg : args) {
            line += ' ';
            for (char c : arg)
                line += c == ' ' ? "\" \"" : c == '"' ? "\"\"\"\"" : std::string(1, c);
        }
        setVariable(environment, "VELDRA_STANDIN_LAUNCH", line);
        argvText.push_back(toolchain + "/cl.exe");
    } else {
        argvText.push_back(program);
        argvText.insert(argvText.end(), args.begin(), args.end());
    }
    std::vector<char*> argv;
    for (std::string& word : argvText)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (std::string& entry : environment)
        envp.push_back(entry.data());
    envp.push_back(nullptr);

    RunResult result;
    if (program.empty()) {
        result.err = "VELDRA_PROGRAM is not set: run the end-to-end tests through ctest";
        return result;
    }
    pid_t child = fork();
    if (child < 0) {
        result.err = std::string("fork: ") + std::strerror(errno);
        return result;
    }
    if (child == 0) {
        int in = open("/dev/null", O_RDONLY);
        int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in < 0 || out < 0 || err < 0 || chdir(workDir_.c_str()) != 0)
            _exit(126);
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    result.pid = child;
    int waitStatus = 0;
    while (waitpid(child, &waitStatus, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(waitStatus))
        result.status = WEXITSTATUS(waitStatus);
    else if (WIFSIGNALED(waitStatus))
        result.status = 128 + WTERMSIG(waitStatus);

    result.out = withoutCarriageReturns(slurp(outPath));
    result.err = slurp(errPath);
    std::istringstream log(slurp(logPath));
    for (std::string line; std::getline(log, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        result.children.push_back(splitCommandLine(line));
    }
    return result;
}

namespace {

std::string replaceAll(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
        text.replace(at, from.size(), to);
    return text;
}

// A value of a case's environment as veldra sees it.
std::string hostValue(const std::string& value, const std::string& dir) {
    const std::string drive = underWine() ? "Z:" : "";
    std::string text = replaceAll(value, "%D", drive + dir);
    text = replaceAll(text, "%T", drive + settingOf("VELDRA_TOOLCHAIN"));
    return underWine() ? replaceAll(text, "/", "\\") : text;
}

void makeFile(const Sandbox& box, const std::string& entry) {
    size_t equals = entry.find('=');
    std::string name = entry.substr(0, equals);
    std::string content = equals == std::string::npos ? "" : entry.substr(equals + 1);
    if (name.back() != '*')
        return box.writeFile(name, content);
    name.pop_back();
    std::string suffix = underWine() ? ".exe" : "";
    fs::path path = fs::path(box.dir()) / (name + suffix);
    fs::create_directories(path.parent_path());
    if (equals == std::string::npos) {
        fs::create_symlink(settingOf("VELDRA_TOOLCHAIN") + "/" + path.filename().string(), path);
    } else {
        box.writeFile(name + suffix, content);
        chmod(path.c_str(), 0755);
    }
}

void runCase(const Case& c) {
    Sandbox box;
    EnvOverrides env = {{"LANG", "C"},     {"LC_ALL", std::nullopt}, {"LC_MESSAGES", std::nullopt},
                        {"LIB", "%D/lib"}, {"LIB64", std::nullopt},  {"ZELBIND64", std::nullopt}};
    env.insert(env.end(), c.env.begin(), c.env.end());
    for (auto& [name, value] : env) {
        if (value)
            value = hostValue(*value, box.dir());
        if (name == "TOOLS") {
            name = underWine() ? "WINEPATH" : "PATH";
            if (!underWine())
                std::replace(value->begin(), value->end(), ';', ':');
        }
    }
    box.writeFile("lib/msvcrt.lib");
    std::vector<std::string> expectedFiles;
    for (const std::string& entry : c.have) {
        makeFile(box, entry);
        std::string name = entry.substr(0, entry.find('='));
        if (name.find('/') == std::string::npos)
            expectedFiles.push_back(name);
    }
    RunResult result = box.run(c.args, env, true);

    // The process id from the first temporary name; natively it must be veldra's own.
    std::string text = testing::PrintToString(result.children), pid;
    std::smatch found;
    if (std::regex_search(text, found, std::regex("vdrl(ds|st)([0-9A-F]{8})")))
        pid = found[2];
    if (!underWine() && !pid.empty()) {
        EXPECT_EQ(std::stol(pid, nullptr, 16), result.pid);
    }

    auto expand = [&](const std::string& text) {
        return replaceAll(replaceAll(text, "%P", pid), "%D", programPath(box.dir()));
    };
    EXPECT_EQ(result.out, expand(c.out)) << result.err;
    EXPECT_EQ(result.status, c.status) << result.err;
    std::vector<std::vector<std::string>> children;
    for (const std::string& line : c.children)
        children.push_back(splitCommandLine(expand(line)));
    EXPECT_EQ(result.children, children);
    for (const std::string& name : c.made)
        expectedFiles.push_back(expand(name));
    std::sort(expectedFiles.begin(), expectedFiles.end());
    std::vector<std::string> files; // subdirectories hold what a case set up
    for (const std::string& name : box.files())
        if (name.find('/') == std::string::npos)
            files.push_back(name);
    EXPECT_EQ(files, expectedFiles);
}

} // namespace

void runCases(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.args));
        runCase(c);
    }
}

} // namespace e2e
