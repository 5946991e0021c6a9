/* Runs the initializers that the compiler puts in .CRT$XI* (C) and .CRT$XC* (C++ constructors,
   __attribute__((constructor))); the linker sorts them between these markers. */
#include "zorun32.h"

#include <stdint.h>

typedef int(__cdecl* CInitializer)(void);
typedef void(__cdecl* Initializer)(void);

__attribute__((section(".CRT$XIA"))) CInitializer __xi_a = 0;
__attribute__((section(".CRT$XIZ"))) CInitializer __xi_z = 0;
__attribute__((section(".CRT$XCA"))) Initializer __xc_a = 0;
__attribute__((section(".CRT$XCZ"))) Initializer __xc_z = 0;

void zoInitialize(void) {
    /* Walked by address: the markers are separate objects as far as C knows. */
    for (uintptr_t at = (uintptr_t)(&__xi_a + 1); at < (uintptr_t)&__xi_z; at += sizeof(void*))
        if (*(CInitializer volatile*)at)
            (*(CInitializer volatile*)at)();
    for (uintptr_t at = (uintptr_t)(&__xc_a + 1); at < (uintptr_t)&__xc_z; at += sizeof(void*))
        if (*(Initializer volatile*)at)
            (*(Initializer volatile*)at)();
}
