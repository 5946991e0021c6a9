// The program of most cases: its arguments, a call into util.c, what the runtime says, and
// the entry point EXTRA when something put it into the image.
#include <stdio.h>

int twice(int value);
void* zoFindEntry(const char* name);
const char* zoRuntimeKind(void);
const char* zoRuntimeWord(void);

int main(int argc, char** argv) {
    void (*extra)(void) = (void (*)(void))zoFindEntry("extra");
    printf("%s twice(%d)=%d %s %s\n", argc > 1 ? argv[1] : "-", argc, twice(argc),
           zoRuntimeKind(), zoRuntimeWord());
    if (extra)
        extra();
    return 7;
}
