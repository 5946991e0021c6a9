// Loads the DLL named first and calls each function named after it with (5, 3).
#include <stdio.h>
#include <windows.h>

int main(int argc, char** argv) {
    HMODULE module = LoadLibraryA(argv[1]);
    if (!module)
        return printf("cannot load %s\n", argv[1]), 1;
    for (int i = 2; i < argc; ++i) {
        FARPROC function = GetProcAddress(module, argv[i]);
        if (function)
            printf("%s=%d\n", argv[i], ((int (*)(int, int))function)(5, 3));
        else
            printf("%s missing\n", argv[i]);
    }
}
