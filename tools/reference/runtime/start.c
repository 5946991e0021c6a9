/* Runs the main entry that the names object names, in the calling style of its name. */
#include "zorun32.h"

#include <windows.h>

typedef struct {
    int newMode;
} StartupInfo;
__declspec(dllimport) int __cdecl __getmainargs(int* argc, char*** argv, char*** envp,
                                                int expandWildcards, StartupInfo* info);
__declspec(dllimport) int __cdecl __wgetmainargs(int* argc, wchar_t*** argv, wchar_t*** envp,
                                                 int expandWildcards, StartupInfo* info);

extern const ZoNames zo_names;

typedef int (*MainEntry)(int, char**, char**);
typedef int(WINAPI* WinMainEntry)(HINSTANCE, HINSTANCE, LPSTR, int);
typedef int (*WideMainEntry)(int, wchar_t**, wchar_t**);
typedef int(WINAPI* WideWinMainEntry)(HINSTANCE, HINSTANCE, LPWSTR, int);

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

static wchar_t* wideCommandTail(void) {
    wchar_t* p = GetCommandLineW();
    int quoted = 0;
    for (; *p && (quoted || (*p != ' ' && *p != '\t')); ++p)
        if (*p == '"')
            quoted = !quoted;
    while (*p == L' ' || *p == L'\t')
        ++p;
    return p;
}

int zoStart(void) {
    int argc = 0;
    char** argv = 0;
    char** envp = 0;
    wchar_t** wargv = 0;
    wchar_t** wenvp = 0;
    StartupInfo info = {0};
    int status;
    zoRuntimeInit(&zo_names);
    zoInitialize();
    __getmainargs(&argc, &argv, &envp, 0, &info);
    zoCobolStart(argc, argv, zo_names.mainEntry);
    switch (zo_names.mainStyle) {
    case 1:
        status = ((WinMainEntry)zo_names.mainEntry)(GetModuleHandleA(0), 0, commandTail(),
                                                    SW_SHOWDEFAULT);
        break;
    case 2:
        __wgetmainargs(&argc, &wargv, &wenvp, 0, &info);
        status = ((WideMainEntry)zo_names.mainEntry)(argc, wargv, wenvp);
        break;
    case 3:
        status = ((WideWinMainEntry)zo_names.mainEntry)(GetModuleHandleA(0), 0,
                                                        wideCommandTail(), SW_SHOWDEFAULT);
        break;
    default:
        status = ((MainEntry)zo_names.mainEntry)(argc, argv, envp);
    }
    zoCobolEnd();
    return status;
}
