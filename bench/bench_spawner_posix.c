/* The physical limit of the whole-process benchmark: starts the children that veldra would
   start, one after another, and waits for each, exactly as the driver's POSIX runner does
   (posix_spawn of the program's full path with the driver's environment, then waitpid).

   Usage: bench_spawner PATH COUNT WORD... [PATH COUNT WORD...]...
     each child is PATH run with the COUNT words that follow as its argv (argv[0] included).
   The argument lists come precomputed on the command line, so the spawner does no work of its
   own beyond pointing at them. Stops at the first child that fails, with its code, as the
   driver does after a failed names step; 125 when the arguments are malformed or a child
   cannot be started.

   Plain C, linked statically: no dynamic loader, no C++ runtime, nothing to resolve at start.
   What it costs is a process start and its children, which no driver can avoid. */

#include <errno.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>

extern char** environ;

static int runChild(const char* path, char** argv) {
    pid_t pid;
    if (posix_spawn(&pid, path, NULL, NULL, argv, environ) != 0)
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

int main(int argc, char** argv) {
    /* Each child's words end where the next child's PATH stands: that slot is read first and
       then overwritten with the terminator its argv needs, so nothing is copied. The children
       are checked and cut out first, then run, so a malformed list starts nothing. */
    enum { maxChildren = 16 };
    const char* paths[maxChildren];
    char** words[maxChildren];
    int children = 0;
    int i = 1;
    const char* path = argc > 1 ? argv[1] : NULL;
    while (i < argc) {
        if (i + 1 >= argc || children == maxChildren)
            return 125;
        char* end = NULL;
        long count = strtol(argv[i + 1], &end, 10);
        if (*end != '\0' || count < 1 || count > argc - i - 2)
            return 125;
        paths[children] = path;
        words[children] = argv + i + 2;
        ++children;
        i += 2 + (int)count;
        path = argv[i];
        argv[i] = NULL;
    }
    for (int c = 0; c < children; ++c) {
        int code = runChild(paths[c], words[c]);
        if (code != 0)
            return code;
    }
    return 0;
}
