#include <stdio.h>
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR tail, int show) {
    printf("WinMain [%s] %d\n", tail, instance == GetModuleHandleA(0));
    return 3;
}
