// A console program whose entry point is wmain.
#include <stdio.h>

int wmain(int argc, wchar_t** argv) {
    return printf("wmain %d %ls\n", argc, argv[argc - 1]), 4;
}
