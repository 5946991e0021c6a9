// Times one run of a program for the whole-process benchmark.
//
// Usage: bench_measure PROGRAM [ARG...]
//   runs PROGRAM (a path, not looked up) with the arguments, standard output to /dev/null,
//   and prints one line:
//   "<wall-clock nanoseconds> <CPU nanoseconds> <peak resident KiB> <exit status>
//   <minor page faults> <minor page faults of the program alone>".
// The clock runs from just before the start to the end of the wait, so the program's own
// loading and its children are inside it. The peak is ru_maxrss as wait4 reports it: the
// largest of the program itself and the children it waited for. The CPU time (user and
// system) is that of the program and its children together, and is far less disturbed than
// the wall clock when other work shares the machine. The page faults, too, are those of the
// program and its children; the last figure leaves the children out: it is read from
// /proc/PID/stat while the ended program waits to be reaped (-1 where that cannot be read).

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs("usage: bench_measure PROGRAM [ARG...]\n", stderr);
        return 2;
    }
    // Opened before the clock starts; the child only gets it as its standard output.
    int devNull = open("/dev/null", O_WRONLY);
    if (devNull < 0) {
        std::perror("bench_measure: /dev/null");
        return 2;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, devNull, STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, devNull);

    timespec start;
    timespec end;
    clock_gettime(CLOCK_MONOTONIC, &start);
    pid_t pid;
    int failure = posix_spawn(&pid, argv[1], &actions, nullptr, argv + 1, environ);
    if (failure != 0) {
        errno = failure;
        std::perror(argv[1]);
        return 2;
    }
    // The program's own faults, before the wait below reaps it.
    long ownFaults = -1;
    siginfo_t ended;
    int waitedOwn;
    do {
        waitedOwn = waitid(P_PID, static_cast<id_t>(pid), &ended, WEXITED | WNOWAIT);
    } while (waitedOwn == -1 && errno == EINTR);
    char statName[64];
    std::snprintf(statName, sizeof statName, "/proc/%d/stat", static_cast<int>(pid));
    if (std::FILE* stat = waitedOwn == 0 ? std::fopen(statName, "r") : nullptr) {
        // pid (comm) state ppid pgrp session tty tpgid flags minflt: comm may hold blanks.
        char text[1024];
        size_t got = std::fread(text, 1, sizeof text - 1, stat);
        text[got] = '\0';
        std::fclose(stat);
        const char* rest = std::strrchr(text, ')');
        long value;
        if (rest != nullptr &&
            std::sscanf(rest + 1, " %*c %*d %*d %*d %*d %*d %*u %ld", &value) == 1)
            ownFaults = value;
    }
    int status = 0;
    rusage usage{};
    pid_t waited;
    do {
        waited = wait4(pid, &status, 0, &usage);
    } while (waited == -1 && errno == EINTR);
    clock_gettime(CLOCK_MONOTONIC, &end);
    if (waited == -1) {
        std::perror("bench_measure: wait4");
        return 2;
    }
    long long nanoseconds =
        (end.tv_sec - start.tv_sec) * 1000000000LL + (end.tv_nsec - start.tv_nsec);
    int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    long long cpu = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000000000LL +
                    (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1000LL;
    std::printf("%lld %lld %ld %d %ld %ld\n", nanoseconds, cpu, usage.ru_maxrss, code,
                usage.ru_minflt, ownFaults);
    return 0;
}
