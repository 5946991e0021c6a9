/* The start of GnuCOBOL's module runner, cobcrun.exe, as the suite builds it (cobol-suite.sh):
   msvcrt's own arguments, and no start-up of veldra's. That one starts libcob with the whole
   command line before main, and cobcrun must start it itself after reading its options (-M, -c),
   with only the module's words. */
#include <stdlib.h>

typedef struct {
    int newMode;
} StartupInfo;
int __getmainargs(int* argc, char*** argv, char*** env, int wildcards, StartupInfo* info);
int cobcrun_main(int argc, char** argv);

void start(void) {
    int argc;
    char **argv, **env;
    StartupInfo info = {0};
    __getmainargs(&argc, &argv, &env, 0, &info);
    exit(cobcrun_main(argc, argv));
}
