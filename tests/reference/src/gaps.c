// What ordinary programs need of the toolchain: <Windows.h> in any case, <intrin.h>, atexit,
// strtod, 64-bit division (a helper call on x86), complex multiplication (a helper call),
// thread-local variables, constructors, and printf formatting as C99 says; no __GNUC__.
#include <Windows.h>
#include <intrin.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>

static __declspec(thread) int perThread = 5;
static int constructed;
static void __attribute__((constructor)) construct(void) {
    constructed = 42;
}
static void bye(void) {
    printf("bye\n");
}

int main(int argc, char** argv) {
    long long a = -5000000000LL - argc;
    unsigned long long u = 5000000000ULL + argc - 1;
    double _Complex z = (1.0 + argc * 1.0i) * (2.0 - 3.0i);
    atexit(bye);
    printf("%lld %lld %llu %llu %llu %llu\n", a / 7, a % 7, u / 3, u % 1000000007, u / (u >> 3),
           (u << 8) / (u + 7));
    printf("%g %g %.1f %llu %I64u %s\n", strtod(argv[1], 0), HUGE_VAL, 2.25, u, u, argv[1]);
    printf("%g%+gi %d %d\n", __real__ z, __imag__ z, perThread, constructed);
#ifdef __GNUC__
    printf("GNUC %Lu\n", u);
#endif
    return 0;
}
