// Calls add() of lib.dll through its import library.
#include <stdio.h>

int add(int a, int b);

int main(void) {
    return printf("add=%d\n", add(5, 3)), 0;
}
