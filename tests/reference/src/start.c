// A main entry named as the object is, in other case: what a COBOL program's looks like.
#include <stdio.h>

int Start(void) {
    printf("Start\n");
    return 5;
}
