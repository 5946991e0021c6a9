/* A C main beside a COBOL main program: the COBOL program named like the output starts. */
#include <stdio.h>

int main(void) {
    printf("C main\n");
    return 9;
}
