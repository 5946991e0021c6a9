#include "e2e/hostile_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include <fcntl.h>
#include <iconv.h>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace hostile {

namespace fs = std::filesystem;

namespace {

std::string settingOf(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

void setEntry(std::vector<std::string>& environment, const std::string& name,
              const std::optional<std::string>& value) {
    const std::string prefix = name + "=";
    environment.erase(std::remove_if(environment.begin(), environment.end(),
                                     [&](const std::string& entry) {
                                         return entry.compare(0, prefix.size(), prefix) == 0;
                                     }),
                      environment.end());
    if (value)
        environment.push_back(prefix + *value);
}

} // namespace

bool runsHere(Where where) {
    return where == Where::Both || (where == Where::WineOnly) == e2e::underWine();
}

e2e::EnvOverrides baseEnvironment(const std::string& emptyConfig) {
    return {{"LANG", "C"},
            {"LC_ALL", std::nullopt},
            {"LC_MESSAGES", std::nullopt},
            {"LC_CTYPE", std::nullopt},
            {"LIB", std::nullopt},
            {"LIB64", std::nullopt},
            {"ZELBIND64", std::nullopt},
            {"VEZIDU_PARSED", std::nullopt},
            {"XDG_CONFIG_HOME", emptyConfig}};
}

void add(e2e::EnvOverrides& env, const e2e::EnvOverrides& more) {
    for (const auto& setting : more) {
        env.erase(std::remove_if(env.begin(), env.end(),
                                 [&](const auto& old) { return old.first == setting.first; }),
                  env.end());
        env.push_back(setting);
    }
}

e2e::EnvOverrides standin(const std::string& settings) {
    e2e::EnvOverrides env;
    size_t start = 0;
    while (start < settings.size()) {
        size_t end = settings.find(' ', start);
        if (end == std::string::npos)
            end = settings.size();
        const std::string setting = settings.substr(start, end - start);
        const size_t equals = setting.find('=');
        env.push_back({"VELDRA_STANDIN_" + setting.substr(0, equals), setting.substr(equals + 1)});
        start = end + 1;
    }
    return env;
}

TempDir::TempDir(const char* what) {
    std::string base = settingOf("TMPDIR");
    std::string pattern = (base.empty() ? "/tmp" : base) + "/veldra-e2e-" + what + "-XXXXXX";
    std::vector<char> text(pattern.begin(), pattern.end());
    text.push_back('\0');
    if (mkdtemp(text.data()) == nullptr) {
        std::perror("mkdtemp");
        std::abort();
    }
    path_ = fs::canonical(text.data()).string();
}

TempDir::~TempDir() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

std::string TempDir::makeDir(const std::string& relative) const {
    fs::path dir = fs::path(path_) / relative;
    fs::create_directories(dir);
    return dir.string();
}

std::string TempDir::writeFile(const std::string& relative, const std::string& content) const {
    fs::path file = fs::path(path_) / relative;
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << content;
    return file.string();
}

std::string toolFileName(const std::string& tool) {
    return e2e::underWine() ? tool + ".exe" : tool;
}

void installTools(const std::string& dir, const std::string& except) {
    const fs::path toolchain = settingOf("VELDRA_TOOLCHAIN");
    for (const char* tool : {"cobol", "cl", "tessor", "link"}) {
        if (tool == except)
            continue;
        fs::copy_file(toolchain / toolFileName(tool), fs::path(dir) / toolFileName(tool),
                      fs::copy_options::overwrite_existing);
    }
}

e2e::EnvOverrides onlyToolsIn(const std::string& dir) {
    if (e2e::underWine())
        return {{"WINEPATH", e2e::programPath(dir)}};
    return {{"PATH", dir}};
}

std::string runPid(const e2e::RunResult& result) {
    for (const auto& words : result.children) {
        for (const std::string& word : words) {
            if (word.compare(0, 8, "/Ovdrlds") == 0 && word.size() >= 16)
                return word.substr(8, 8);
        }
    }
    return "";
}

std::string withPid(std::string text, const std::string& pid) {
    for (size_t at = text.find("{pid}"); at != std::string::npos; at = text.find("{pid}", at))
        text.replace(at, 5, pid);
    return text;
}

namespace {

std::string joined(const std::vector<std::string>& words) {
    std::string line;
    for (const std::string& word : words)
        line += (line.empty() ? "" : " ") + word;
    return line;
}

} // namespace

std::vector<std::string> childLines(const e2e::RunResult& result) {
    std::vector<std::string> lines;
    for (const auto& words : result.children) {
        // The settings the stand-ins report (VELDRA_STANDIN_ENV) are no part of the command.
        std::vector<std::string> command;
        for (const std::string& word : words) {
            if (word.compare(0, 4, "LIB=") != 0 && word.compare(0, 14, "VEZIDU_PARSED=") != 0)
                command.push_back(word);
        }
        lines.push_back(joined(command));
    }
    return lines;
}

std::string normalized(const std::string& line) {
    return joined(e2e::splitCommandLine(line));
}

void expectFiles(const e2e::Sandbox& box, std::vector<std::string> expected,
                 const std::string& pid) {
    for (std::string& name : expected)
        name = withPid(name, pid);
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(box.files(), expected);
}

std::string childSetting(const std::vector<std::string>& words, const std::string& name) {
    const std::string prefix = name + "=";
    for (const std::string& word : words) {
        if (word.compare(0, prefix.size(), prefix) == 0)
            return word.substr(prefix.size());
    }
    return "<unset>";
}

std::string toCp932(const std::string& utf8) {
    iconv_t cd = iconv_open("CP932", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        std::perror("iconv_open CP932");
        std::abort();
    }
    std::vector<char> out(utf8.size() * 2 + 16);
    char* in = const_cast<char*>(utf8.data());
    size_t inLeft = utf8.size();
    char* outPosition = out.data();
    size_t outLeft = out.size();
    if (iconv(cd, &in, &inLeft, &outPosition, &outLeft) == static_cast<size_t>(-1)) {
        std::perror("iconv CP932");
        std::abort();
    }
    iconv_close(cd);
    return std::string(out.data(), outPosition);
}

int runProgram(const std::vector<std::string>& argv, const e2e::EnvOverrides& env) {
    std::vector<std::string> environment;
    for (char** entry = environ; *entry != nullptr; ++entry)
        environment.push_back(*entry);
    for (const auto& [name, value] : env)
        setEntry(environment, name, value);
    std::vector<std::string> words = argv;
    std::vector<char*> argvText;
    for (std::string& word : words)
        argvText.push_back(word.data());
    argvText.push_back(nullptr);
    std::vector<char*> envp;
    for (std::string& entry : environment)
        envp.push_back(entry.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t child;
    int failed = posix_spawnp(&child, argvText[0], &actions, nullptr, argvText.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0)
        return -1;
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace hostile
