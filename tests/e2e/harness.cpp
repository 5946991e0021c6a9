#include "e2e/harness.h"

#include "platform/command_words.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <iconv.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace e2e {

namespace fs = std::filesystem;

std::string usage() {
    // The help texts in the order veldra prints them; -T, -J and -Y are not among them.
    return kUsageLine +
           "VELDRA invokes TESSOR and the linker to produce an executable module\n"
           "(EXE or DLL) from a list of supplied object files or source files.\n\n"
           "options:\n\t-V\tdisplay Verbose output\n\t-S\tdo not link in System programs\n"
           "\t-D\tcreate a Dynamic link library\n"
           "\t-G\tmark executable as a Graphical application\n"
           "\t-L\tgenerate Linker .MAP file\n\t-K\tDo not delete temporary files\n"
           "\t-M\tspecify Main entry point name\n"
           "\t-I\tspecify symbol name to Include in the executable\n"
           "\t-X\tspecify symbol name to Exclude from the DLL exports\n"
           "\t-O\tspecify Output file name\n"
           "\t-U\tspecify directives for the COBOL compiler to Use\n"
           "\t-B[m][c][D]\tLink with static runtime library\n"
           "\t\t- m = S for single-threaded,  m = M for multi-threaded\n"
           "\t\t- c = L for Lite,  c = B for Base,  c = F for Full\n"
           "\t\t- D to include support for debugging\n"
           "\t-F[m]\t\tLink with imported shared runtime library\n"
           "\t\t- m = S for single-threaded,  m = M for multi-threaded\n"
           "\t-Rm[V]\tLink with dynamically bound shared runtime library\n"
           "\t\t- m = S for single-threaded only, m = M for multi-threaded only\n"
           "\t\t  m = E for either single- or multi-threaded\n"
           "\t\t- V to limit binding to current run-time release only\n";
}

namespace {

std::string setting(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

std::string slurp(const std::string& path) {
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

std::string replaceAll(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
        text.replace(at, from.size(), to);
    return text;
}

// Paths as veldra sees them: Wine shows the Unix files as drive Z:.
std::string hostPath(const std::string& path) {
    return wine ? replaceAll("Z:" + path, "/", "\\") : path;
}
// A value naming "%D" or "%T" holds paths as veldra sees them, "/" separating directories.
std::string hostText(std::string text, const std::string& dir) {
    if (text.find("%D") == std::string::npos && text.find("%T") == std::string::npos)
        return text;
    text = replaceAll(text, "%D", (wine ? "Z:" : "") + dir);
    text = replaceAll(text, "%T", (wine ? "Z:" : "") + setting("VELDRA_TOOLCHAIN"));
    return wine ? replaceAll(text, "/", "\\") : text;
}

Words split(const std::string& line) {
    Words words;
    splitCommandWords(line.c_str(), words);
    return words;
}

std::string toCp932(const std::string& utf8) {
    iconv_t cd = iconv_open("CP932", "UTF-8");
    std::string out(utf8.size() * 2, '\0');
    char *in = const_cast<char*>(utf8.data()), *to = out.data();
    size_t inLeft = utf8.size(), outLeft = out.size();
    if (cd == reinterpret_cast<iconv_t>(-1) || iconv(cd, &in, &inLeft, &to, &outLeft) != 0)
        ADD_FAILURE() << "iconv to CP932";
    iconv_close(cd);
    return out.substr(0, to - out.data());
}

void makeFile(const std::string& dir, const std::string& entry) {
    const size_t equals = entry.find('=');
    std::string name = entry.substr(0, equals);
    const std::string content = equals == std::string::npos ? "" : entry.substr(equals + 1);
    const bool program = name.back() == '*';
    if (program)
        name.pop_back(), name += wine ? ".exe" : "";
    const fs::path path = fs::path(dir) / name;
    fs::create_directories(path.parent_path());
    if (program && equals == std::string::npos)
        fs::create_symlink(fs::path(setting("VELDRA_TOOLCHAIN")) / path.filename(), path);
    else if (program && content == "/")
        fs::create_directory(path);
    else
        std::ofstream(path, std::ios::binary) << replaceAll(content, "%D", dir);
    if (program)
        chmod(path.c_str(), 0755);
}

void runCase(const Case& c, const Env& common) {
    std::string top = (setting("TMPDIR").empty() ? "/tmp" : setting("TMPDIR")) + "/veldra-XXXXXX";
    ASSERT_NE(mkdtemp(top.data()), nullptr);
    top = fs::canonical(top).string();
    const std::string dir = top + "/w", search = wine ? "WINEPATH" : "PATH";
    // English, LIB naming lib/, an empty registry store, nothing else the driver reads.
    Env env = {{"LANG", "C"}, {"LIB", "%D/lib"}, {"XDG_CONFIG_HOME", "%D/c"}};
    for (const char* name :
         {"LC_ALL", "LC_MESSAGES", "LC_CTYPE", "LIB64", "ZELBIND64", "VEZIDU_PARSED"})
        env.push_back({name, std::nullopt});
    env.push_back({"VELDRA_STANDIN_LOG", "%D/../log"});
    env.push_back({search, "%T" + std::string(wine ? ";" : ":") + setting(search.c_str())});
    Words argv = {setting("VELDRA_PROGRAM")};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    if (wine) {
        // Wine's own quoting of argv would change words holding blanks or double quotes: a
        // stand-in starts veldra with the command line the POSIX build rebuilds from argv.
        argv[0] = hostPath(argv[0]);
        std::vector<char*> words;
        for (std::string& word : argv)
            words.push_back(word.data());
        env.push_back({"VELDRA_STANDIN_LAUNCH",
                       buildCommandLine(static_cast<int>(words.size()), words.data())});
        argv = {setting("VELDRA_LAUNCHER"), setting("VELDRA_TOOLCHAIN") + "/cl.exe"};
    }
    env.insert(env.end(), common.begin(), common.end());
    env.insert(env.end(), c.env.begin(), c.env.end());
    bool japanese = false, closedPipe = false;
    for (auto& [name, value] : env) {
        closedPipe = closedPipe || name == "STDOUT";
        japanese = name == "LANG" ? wine && value == "ja_JP.UTF-8" : japanese;
        if (value)
            value = hostText(*value, dir);
        if (name == "TOOLS")
            name = search, value = replaceAll(*value, ";", wine ? ";" : ":");
    }
    makeFile(dir, "lib/msvcrt.lib");
    Words expectedFiles;
    for (const std::string& entry : c.have) {
        makeFile(dir, entry);
        if (entry.substr(0, entry.find('=')).find('/') == std::string::npos)
            expectedFiles.push_back(entry.substr(0, entry.find('=')));
    }

    const pid_t child = fork();
    if (child == 0) {
        for (const auto& [name, value] : env)
            if (name != "STDOUT")
                value ? setenv(name.c_str(), value->c_str(), 1) : unsetenv(name.c_str());
        std::vector<char*> words;
        for (std::string& word : argv)
            words.push_back(word.data());
        words.push_back(nullptr);
        int in = open("/dev/null", O_RDONLY);
        int out = open((top + "/out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), ends[2];
        if (closedPipe && pipe(ends) == 0)
            close(ends[0]), close(out), out = ends[1];
        int err = open((top + "/err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in >= 0 && out >= 0 && err >= 0 && chdir(dir.c_str()) == 0)
            dup2(in, 0), dup2(out, 1), dup2(err, 2), execv(words[0], words.data());
        _exit(127);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    const std::string err = slurp(top + "/err");
    std::vector<Words> children;
    std::istringstream log(slurp(top + "/log"));
    for (std::string line; std::getline(log, line);)
        children.push_back(split(line.substr(0, line.find_last_not_of('\r') + 1)));

    // The process id from the first temporary name; natively it must be veldra's own.
    std::smatch found;
    const std::string logged = testing::PrintToString(children);
    std::regex_search(logged, found, std::regex("vdrl(ds|st)([0-9A-F]{8})"));
    const std::string pid = found.empty() ? "" : found[2].str();
    if (!wine && !pid.empty()) {
        EXPECT_EQ(std::stol(pid, nullptr, 16), child);
    }
    auto expand = [&](const std::string& text) {
        const std::string result = replaceAll(replaceAll(text, "%P", pid), "%D", hostPath(dir));
        return japanese ? toCp932(result) : result;
    };
    const std::string out = slurp(top + "/out");
    EXPECT_EQ(std::regex_replace(out, std::regex("\r\n"), "\n"), expand(c.out)) << err;
    // Killed by a signal: 128 + the signal number, as a POSIX shell reports it.
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), c.status) << err;
    std::vector<Words> expectedChildren;
    for (const std::string& line : c.children)
        expectedChildren.push_back(split(expand(line)));
    EXPECT_EQ(children, expectedChildren);
    for (const std::string& name : c.made)
        expectedFiles.push_back(replaceAll(name, "%P", pid));
    Words files; // subdirectories hold what a case set up
    for (const auto& entry : fs::directory_iterator(dir))
        if (entry.is_regular_file())
            files.push_back(entry.path().filename().string());
    std::sort(files.begin(), files.end());
    std::sort(expectedFiles.begin(), expectedFiles.end());
    EXPECT_EQ(files, expectedFiles);
    fs::remove_all(top);
}

} // namespace

void runCases(const std::vector<Case>& cases, const Env& common) {
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.args).substr(0, 600));
        if (!c.skip)
            runCase(c, common);
    }
}

} // namespace e2e
