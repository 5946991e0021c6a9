/* Runs the main entry that the names object names, in the calling style of its name. */
#include "zorun32.h"

#include <windows.h>

typedef struct {
    int newMode;
} StartupInfo;
__declspec(dllimport) int __cdecl __getmainargs(int* argc, char*** argv, char*** envp,
                                                int expandWildcards, StartupInfo* info);

extern const ZoNames zo_names;

typedef int (*MainEntry)(int, char**, char**);
typedef int(WINAPI* WinMainEntry)(HINSTANCE, HINSTANCE, LPSTR, int);

/* The command tail as WinMain gets it: the program name and the blanks after it skipped. */
static char* commandTail(void) {
    char* p = GetCommandLineA();
    int quoted = 0;
    for (; *p && (quoted || (*p != ' ' && *p != '\t')); ++p)
        if (*p == '"')
            quoted = !quoted;
    while (*p == ' ' || *p == '\t')
        ++p;
    return p;
}

int zoStart(void) {
    int argc = 0;
    char** argv = 0;
    char** envp = 0;
    StartupInfo info = {0};
    int status;
    zoRuntimeInit(&zo_names);
    __getmainargs(&argc, &argv, &envp, 0, &info);
    zoCobolStart(argc, argv);
    if (zo_names.mainStyle == 1)
        status = ((WinMainEntry)zo_names.mainEntry)(GetModuleHandleA(0), 0, commandTail(),
                                                    SW_SHOWDEFAULT);
    else
        status = ((MainEntry)zo_names.mainEntry)(argc, argv, envp);
    zoCobolEnd();
    return status;
}
