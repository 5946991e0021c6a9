// Asks for the per-flavour runtime, as an object built for it does.
#pragma comment(lib, "zolrun")
#include <stdio.h>

int main(void) {
    printf("flavour\n");
}
