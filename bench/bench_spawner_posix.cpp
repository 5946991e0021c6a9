// The physical limit of the whole-process benchmark: starts the children that veldra would
// start, one after another, and waits for each, exactly as the driver's POSIX runner does
// (posix_spawn of the program's full path with the driver's environment, then waitpid).
//
// Usage: bench_spawner PATH COUNT WORD... [PATH COUNT WORD...]...
//   each child is PATH run with the COUNT words that follow as its argv (argv[0] included).
// The argument lists come precomputed on the command line, so the spawner does no work of its
// own beyond pointing at them. Stops at the first child that fails, with its code, as the
// driver does after a failed names step; 125 when the arguments are malformed or a child
// cannot be started.

#include <cerrno>
#include <cstdlib>
#include <spawn.h>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace {

struct Child {
    const char* path;
    char** argv;
};

int runChild(const Child& child) {
    pid_t pid;
    if (posix_spawn(&pid, child.path, nullptr, nullptr, child.argv, environ) != 0)
        return 125;
    int status;
    pid_t waited;
    do {
        waited = waitpid(pid, &status, 0);
    } while (waited == -1 && errno == EINTR);
    if (waited == -1)
        return 255;
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return 255;
}

} // namespace

int main(int argc, char** argv) {
    // Each child's words end where the next child's PATH stands: that slot is read first and
    // then overwritten with the terminator its argv needs, so nothing is copied.
    std::vector<Child> children;
    int i = 1;
    const char* path = argc > 1 ? argv[1] : nullptr;
    while (i < argc) {
        if (i + 1 >= argc)
            return 125;
        char* end = nullptr;
        long count = std::strtol(argv[i + 1], &end, 10);
        if (*end != '\0' || count < 1 || count > argc - i - 2)
            return 125;
        children.push_back(Child{path, argv + i + 2});
        i += 2 + static_cast<int>(count);
        path = argv[i];
        argv[i] = nullptr;
    }
    for (const Child& child : children) {
        int code = runChild(child);
        if (code != 0)
            return code;
    }
    return 0;
}
