/* Entry point of a DLL: msvcrt.dll initialises itself; the DLL's own initializers run once. */
#include "zorun32.h"

#include <windows.h>

BOOL WINAPI LibMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)instance;
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH)
        zoInitialize();
    return TRUE;
}
