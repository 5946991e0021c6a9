// Entries a program may have besides a function named as the output: main and, for the
// windows subsystem, WinMain.
#include <stdio.h>
#include <windows.h>

int entries(int x) {
    return x + 40;
}

int main(void) {
    printf("main ran\n");
    return 0;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR tail, int show) {
    printf("WinMain ran\n");
    return 2;
}
