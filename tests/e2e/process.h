// What the end-to-end harness and the real links (tests/reference) both need to start a program
// and read what it left.
#pragma once

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace e2e {

using Words = std::vector<std::string>;

// The value of the variable `name`, "" when it is unset.
inline std::string setting(const std::string& name) {
    const char* value = std::getenv(name.c_str());
    return value != nullptr ? value : "";
}

// The bytes of the file at `path`, "" when there is none.
inline std::string slurp(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

// The environment `base` (default the process's) changed by `changes` in turn: "NAME=value"
// sets a variable, "NAME" unsets it.
inline Words environment(const Words& changes, Words base = {}) {
    if (base.empty())
        for (char** entry = environ; *entry != nullptr; ++entry)
            base.push_back(*entry);
    for (const std::string& change : changes) {
        const std::string name = change.substr(0, change.find('=')) + '=';
        base.erase(std::remove_if(base.begin(), base.end(),
                                  [&](const std::string& old) { return old.rfind(name, 0) == 0; }),
                   base.end());
        if (change.find('=') != std::string::npos)
            base.push_back(change);
    }
    return base;
}

struct Ended {
    pid_t pid;
    int status; // as a POSIX shell reports it (killed by a signal: 128 + its number), or -1
};

// Runs `argv` in `dir` with the environment `envp`, whose PATH finds a program named without a
// folder. Standard input is /dev/null; standard output goes into the file `out` or, when that
// is "", into a pipe whose reading end is closed; standard error goes with it, into the file
// `errors` when given, or stays the test's own with "-".
inline Ended runProgram(const Words& argv, const std::string& dir, const Words& envp,
                        const std::string& out, const std::string& errors = "") {
    std::vector<char*> args, vars;
    for (const std::string& word : argv)
        args.push_back(const_cast<char*>(word.c_str()));
    for (const std::string& entry : envp)
        vars.push_back(const_cast<char*>(entry.c_str()));
    args.push_back(nullptr), vars.push_back(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        const int flags = O_WRONLY | O_CREAT | O_TRUNC, in = open("/dev/null", O_RDONLY);
        int output = -1, ends[2];
        if (!out.empty())
            output = open(out.c_str(), flags, 0644);
        else if (pipe(ends) == 0)
            close(ends[0]), output = ends[1];
        const int error = errors == "-"    ? 2
                          : errors.empty() ? output
                                           : open(errors.c_str(), flags, 0644);
        if (in < 0 || output < 0 || error < 0 || chdir(dir.c_str()) != 0)
            _exit(127);
        dup2(in, 0), dup2(output, 1), dup2(error, 2);
        environ = vars.data();
        execvp(args[0], args.data());
        _exit(127);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child)
        return {child, -1};
    return {child, WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status)};
}

} // namespace e2e
