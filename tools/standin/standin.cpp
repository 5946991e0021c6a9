// Stand-in for the four tools veldra drives: the COBOL compiler "cobol", the C compiler "cl",
// the names tool "tessor" and the linker "link". One program that acts by the name it was
// started under, so that tests (and a demo on a machine without the real tools) can see the
// exact command lines, find the files the real tool would have left, and choose its exit code.
//
// Environment, TOOL being COBOL, CL, TESSOR or LINK:
//   VELDRA_STANDIN_LOG            file to which one line per run is appended: the command line
//                                 (Windows: GetCommandLineA as it is; POSIX: the argv words in
//                                 token form joined by one blank)
//   VELDRA_STANDIN_EXIT_<TOOL>    exit code, default 0
//   VELDRA_STANDIN_CRASH_<TOOL>=1 crash instead (POSIX: SIGSEGV; Windows: access violation)
//   VELDRA_STANDIN_KILL_<TOOL>=n  end as if killed from outside (POSIX: signal n; Windows:
//                                 terminated with exit code n)
//   VELDRA_STANDIN_NOFILES_<TOOL>=1  write no files
//   VELDRA_STANDIN_LAUNCH         (Windows) a command line: started as it stands, with this
//                                 variable removed, and its exit code returned; nothing logged.
//                                 Lets a test give veldra an exact command line under Wine,
//                                 whose own quoting of argv would change it.
//   VELDRA_STANDIN_ENV            names separated by ",": for each one that is set, the word
//                                 NAME=value (in token form) is added to the end of the log line;
//                                 the name EVENT (Windows) adds EVENT=open when the named event
//                                 of its own process id, tessor_event_<8 hex digits>, exists
//
// Words are split from the command line by the same rules as the driver's copy mode: a blank
// ends a word outside double quotes, double quotes group and are dropped, a doubled double
// quote inside quotes gives one.

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/ascii.h"
#include "platform/command_words.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace {

std::string lowerCase(std::string text) {
    for (char& c : text)
        c = asciiLower(c);
    return text;
}

std::string upperCase(std::string text) {
    for (char& c : text)
        c = asciiUpper(c);
    return text;
}

bool startsWith(const std::string& text, const char* prefix) {
    return text.compare(0, std::strlen(prefix), prefix) == 0;
}

bool endsWith(const std::string& text, const char* suffix) {
    size_t n = std::strlen(suffix);
    return text.size() >= n && text.compare(text.size() - n, n, suffix) == 0;
}

// The part of a path after its last "\", ":" or "/". Windows walks whole characters of the
// ANSI code page, so the second byte of a double-byte character is never a separator.
std::string namePart(const std::string& path) {
#ifdef _WIN32
    const char* start = path.c_str();
    for (const char* p = start; *p != '\0'; p = CharNextA(p)) {
        if (*p == '\\' || *p == ':' || *p == '/')
            start = p + 1;
    }
    return start;
#else
    size_t cut = path.find_last_of("\\:/");
    return cut == std::string::npos ? path : path.substr(cut + 1);
#endif
}

// The tool's name from a program path: no directory, no ".exe", lower-cased.
std::string toolNameOf(const std::string& path) {
    std::string name = lowerCase(namePart(path));
    if (endsWith(name, ".exe"))
        name.resize(name.size() - 4);
    return name;
}

[[maybe_unused]] std::string tokenForm(const std::string& word) {
    if (word.find_first_of(" \"") == std::string::npos)
        return word;
    std::string token = "\"";
    for (char c : word) {
        token += c;
        if (c == '"')
            token += '"';
    }
    return token + "\"";
}

std::string setting(const char* what, const std::string& tool) {
    std::string name = std::string("VELDRA_STANDIN_") + what + "_" + upperCase(tool);
    const char* value = std::getenv(name.c_str());
    return value != nullptr ? value : "";
}

// One write in append mode, so that the lines of runs never interleave.
void appendLogLine(const std::string& line) {
    const char* path = std::getenv("VELDRA_STANDIN_LOG");
    if (path == nullptr || *path == '\0')
        return;
    std::string text = line + "\n";
#ifdef _WIN32
    HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
#else
    int fd = open(path, O_WRONLY | O_APPEND | O_CREAT, 0644);
    if (fd < 0)
        return;
    ssize_t written = write(fd, text.data(), text.size());
    (void)written;
    close(fd);
#endif
}

void writeFile(const std::string& name, const std::string& tool) {
    if (name.empty())
        return;
    if (FILE* file = std::fopen(name.c_str(), "w")) {
        std::fprintf(file, "written by stand-in %s\n", tool.c_str());
        std::fclose(file);
    }
}

// dir\name.ext -> name.obj
std::string objectNameFor(const std::string& source) {
    std::string name = namePart(source);
    size_t dot = name.rfind('.');
    if (dot != std::string::npos)
        name.resize(dot);
    return name + ".obj";
}

#ifdef _WIN32
// Ends the process with the exception code, as Windows does for an unhandled fault when no
// debugger is set up; Wine would otherwise start its debugger and end with a code of its own.
LONG WINAPI endWithExceptionCode(EXCEPTION_POINTERS* fault) {
    TerminateProcess(GetCurrentProcess(), fault->ExceptionRecord->ExceptionCode);
    return EXCEPTION_EXECUTE_HANDLER;
}
#endif

// The words NAME=value of the variables named in VELDRA_STANDIN_ENV that are set.
std::string environmentWords() {
    const char* names = std::getenv("VELDRA_STANDIN_ENV");
    std::string words;
    if (names == nullptr)
        return words;
    std::string list = names;
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find(',', start);
        if (end == std::string::npos)
            end = list.size();
        std::string name = list.substr(start, end - start);
        const char* value = name.empty() ? nullptr : std::getenv(name.c_str());
#ifdef _WIN32
        char event[32];
        std::snprintf(event, sizeof event, "tessor_event_%08X",
                      static_cast<unsigned>(GetCurrentProcessId()));
        HANDLE handle = name == "EVENT" ? OpenEventA(SYNCHRONIZE, FALSE, event) : nullptr;
        if (handle != nullptr)
            CloseHandle(handle), value = "open";
#endif
        if (value != nullptr)
            words += " " + tokenForm(name + "=" + value);
        start = end + 1;
    }
    return words;
}

void killSelf(int code) {
#ifdef _WIN32
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(code));
#else
    struct rlimit noCore = {0, 0};
    setrlimit(RLIMIT_CORE, &noCore);
    std::signal(code, SIG_DFL);
    kill(getpid(), code);
#endif
}

void crash() {
#ifdef _WIN32
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    SetUnhandledExceptionFilter(endWithExceptionCode);
    volatile int* nowhere = nullptr;
    *nowhere = 1;
#else
    struct rlimit noCore = {0, 0};
    setrlimit(RLIMIT_CORE, &noCore); // no core file left in the test's directory
    std::signal(SIGSEGV, SIG_DFL);
    std::raise(SIGSEGV);
#endif
    std::abort();
}

// The files that the real tool is relied on to write.
void writeToolFiles(const std::string& tool, const std::vector<std::string>& words) {
    if (words.size() < 2)
        return;
    if (tool == "cobol") {
        // " " + source + [" use(" + directives + ")"] + ";": the ";" sticks to the last word.
        std::string source = words[1];
        if (words.size() == 2 && endsWith(source, ";"))
            source.pop_back();
        writeFile(objectNameFor(source), tool);
    } else if (tool == "cl") {
        writeFile(objectNameFor(words.back()), tool);
    } else if (tool == "tessor") {
        for (size_t i = 1; i + 1 < words.size(); ++i) {
            if (words[i] == "/LIST:RTS" && startsWith(words[i + 1], "/O")) {
                writeFile(words[i + 1].substr(2), tool);
                return;
            }
        }
        // The "/O" base, when given, stands right after "/N"; object names come later and
        // may begin with "/" on POSIX, so only option words are looked at by position or form.
        std::string base = "vdrlds";
        if (words[1] == "/N" && words.size() > 2 && startsWith(words[2], "/O"))
            base = words[2].substr(2);
        writeFile(base + ".obj", tool);
        for (size_t i = 1; i < words.size(); ++i) {
            if (words[i] == "/S")
                writeFile(base + ".lnk", tool);
            else if (startsWith(words[i], "/D") && endsWith(words[i], ".def"))
                writeFile(words[i].substr(2), tool);
        }
    } else if (tool == "link") {
        // A DLL comes with its import library and export file, named after the output.
        bool dll = false;
        for (size_t i = 1; i < words.size(); ++i)
            dll = dll || words[i] == "-dll";
        for (size_t i = 1; i < words.size(); ++i) {
            if (!startsWith(words[i], "-out:"))
                continue;
            std::string output = words[i].substr(5);
            writeFile(output, tool);
            size_t dot = output.rfind('.');
            if (dll && dot != std::string::npos && dot > 0) {
                writeFile(output.substr(0, dot) + ".lib", tool);
                writeFile(output.substr(0, dot) + ".exp", tool);
            }
        }
    }
}

#ifdef _WIN32
int launch(const char* commandLine) {
    std::string line = commandLine;
    SetEnvironmentVariableA("VELDRA_STANDIN_LAUNCH", nullptr);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        &process))
        return 127;
    DWORD code = 255;
    WaitForSingleObject(process.hProcess, INFINITE);
    GetExitCodeProcess(process.hProcess, &code);
    return static_cast<int>(code);
}
#endif

} // namespace

int main(int argc, char** argv) {
    std::string line;
    std::vector<std::string> words;
#ifdef _WIN32
    (void)argc;
    (void)argv;
    if (const char* launchLine = std::getenv("VELDRA_STANDIN_LAUNCH"))
        return launch(launchLine);
    char module[MAX_PATH + 1] = {0};
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    std::string tool = toolNameOf(module);
    // The driver's own splitting rules, not the C runtime's: the words are what it meant.
    line = GetCommandLineA();
    words = commandWords(line);
#else
    std::string tool = toolNameOf(argc > 0 ? argv[0] : "");
    for (int i = 0; i < argc; ++i) {
        words.push_back(argv[i]);
        line += (i == 0 ? "" : " ") + tokenForm(argv[i]);
    }
#endif
    appendLogLine(line + environmentWords());

    if (setting("CRASH", tool) == "1")
        crash();
    std::string killCode = setting("KILL", tool);
    if (!killCode.empty())
        killSelf(static_cast<int>(std::strtol(killCode.c_str(), nullptr, 10)));
    if (setting("NOFILES", tool) != "1")
        writeToolFiles(tool, words);
    return static_cast<int>(std::strtol(setting("EXIT", tool).c_str(), nullptr, 10));
}
