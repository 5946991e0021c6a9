/* Entry point of a DLL: msvcrt.dll initialises itself, so there is nothing to set up. */
#include <windows.h>

BOOL WINAPI LibMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)instance;
    (void)reason;
    (void)reserved;
    return TRUE;
}
