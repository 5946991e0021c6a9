#include <stdio.h>

void EXTRA(void) { printf("EXTRA\n"); }
