// The start of GnuCOBOL's module runner, cobcrun.exe, as the suite builds it (cobol-suite.sh):
// msvcrt's own arguments, and no start-up of veldra's. That one starts libcob with the whole
// command line before main, and cobcrun must start it itself after reading its options (-M, -c),
// with only the module's words.
#include <stdlib.h>

// The last word is msvcrt's start-up record, whose one field (the new-handler mode) stays 0.
int __getmainargs(int* argc, char*** argv, char*** env, int wildcards, int* startupInfo);
int cobcrun_main(int argc, char** argv);

void start(void) {
    int argc, startupInfo = 0;
    char **argv, **env;
    __getmainargs(&argc, &argv, &env, 0, &startupInfo);
    exit(cobcrun_main(argc, argv));
}
