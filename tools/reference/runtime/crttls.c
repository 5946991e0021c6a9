/* The thread-local storage directory that compiled code's _tls_index and the loader expect;
   its variables lie between _tls_start and _tls_end, the compiler's in .tls$ between them. */
#include <windows.h>

ULONG _tls_index = 0;
__attribute__((section(".tls"))) char _tls_start = 0;
__attribute__((section(".tls$ZZZ"))) char _tls_end = 0;
__attribute__((section(".CRT$XLA"))) PIMAGE_TLS_CALLBACK __xl_a = 0;
__attribute__((section(".CRT$XLZ"))) PIMAGE_TLS_CALLBACK __xl_z = 0;

const IMAGE_TLS_DIRECTORY _tls_used = {(ULONG_PTR)&_tls_start,
                                       (ULONG_PTR)&_tls_end,
                                       (ULONG_PTR)&_tls_index,
                                       (ULONG_PTR)(&__xl_a + 1),
                                       0,
                                       0};

#ifndef _WIN64
/* x86 code finds the thread's TLS array at this offset of fs. */
__asm__(".globl __tls_array\n.set __tls_array, 0x2c\n");
#endif
