/* What mingw-w64's msvcrt and mingwex leave to the compiler's own runtime or to mingw-w64's
   start-up, which a link with -nodefaultlib does not bring: the stack-buffer check, the
   floating-point marker, the stack probes, the hook that mingwex's math functions report domain
   errors to, atexit, _fpreset and the unlocked wide-character calls msvcrt.dll lacks. */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>

#ifdef _WIN64
uintptr_t __security_cookie = 0x00002B992DDFA232ull;
#else
uintptr_t __security_cookie = 0xBB40E64Eu;
#endif

void __fastcall __security_check_cookie(uintptr_t cookie) {
    if (cookie != __security_cookie)
        abort();
}

int _fltused = 0x9875;

struct _exception;
typedef int(__cdecl* MathErrorHandler)(struct _exception*);
static MathErrorHandler mathErrorHandler;

void __mingw_setusermatherr(MathErrorHandler handler) {
    mathErrorHandler = handler;
}

void __mingw_raise_matherr(int type, const char* name, double arg1, double arg2, double result) {
    struct {
        int type;
        const char* name;
        double arg1, arg2, result;
    } error = {type, name, arg1, arg2, result};
    if (mathErrorHandler)
        mathErrorHandler((struct _exception*)&error);
}

/* msvcrt.dll has _onexit, whose table exit() runs; its atexit is mingw-w64's start-up's. */
int __cdecl atexit(void(__cdecl* function)(void)) {
    return _onexit((_onexit_t)function) ? 0 : -1;
}

void __cdecl _fpreset(void) {
    __asm__ __volatile__("fninit");
}

wint_t __cdecl _fgetwc_nolock(FILE* file) {
    return fgetwc(file);
}
wint_t __cdecl _fputwc_nolock(wchar_t c, FILE* file) {
    return fputwc(c, file);
}

/* Probes each page of a frame of eax (rax) bytes below the caller's stack pointer, so that
   the guard page moves down in order. On x86 __chkstk also moves esp, as the caller expects;
   ___chkstk_ms, which GCC-built members call, only probes. */
#ifdef _WIN64
__asm__(".text\n"
        ".globl __chkstk\n"
        ".globl ___chkstk_ms\n"
        "__chkstk:\n"
        "___chkstk_ms:\n"
        "  push %rcx\n"
        "  push %rax\n"
        "  cmp $0x1000, %rax\n"
        "  lea 24(%rsp), %rcx\n"
        "  jb 1f\n"
        "2:\n"
        "  sub $0x1000, %rcx\n"
        "  test %rcx, (%rcx)\n"
        "  sub $0x1000, %rax\n"
        "  cmp $0x1000, %rax\n"
        "  ja 2b\n"
        "1:\n"
        "  sub %rax, %rcx\n"
        "  test %rcx, (%rcx)\n"
        "  pop %rax\n"
        "  pop %rcx\n"
        "  ret\n");
#else
__asm__(".text\n"
        ".globl __chkstk\n"
        ".globl __alloca_probe\n"
        "__chkstk:\n"
        "__alloca_probe:\n"
        "  push %ecx\n"
        "  cmp $0x1000, %eax\n"
        "  lea 8(%esp), %ecx\n"
        "  jb 1f\n"
        "2:\n"
        "  sub $0x1000, %ecx\n"
        "  test %ecx, (%ecx)\n"
        "  sub $0x1000, %eax\n"
        "  cmp $0x1000, %eax\n"
        "  ja 2b\n"
        "1:\n"
        "  sub %eax, %ecx\n"
        "  test %ecx, (%ecx)\n"
        "  lea 4(%esp), %eax\n"
        "  mov %ecx, %esp\n"
        "  mov -4(%eax), %ecx\n"
        "  push (%eax)\n"
        "  sub %esp, %eax\n"
        "  ret\n"
        ".globl ___chkstk_ms\n"
        "___chkstk_ms:\n"
        "  push %ecx\n"
        "  push %eax\n"
        "  cmp $0x1000, %eax\n"
        "  lea 12(%esp), %ecx\n"
        "  jb 1f\n"
        "2:\n"
        "  sub $0x1000, %ecx\n"
        "  test %ecx, (%ecx)\n"
        "  sub $0x1000, %eax\n"
        "  cmp $0x1000, %eax\n"
        "  ja 2b\n"
        "1:\n"
        "  sub %eax, %ecx\n"
        "  test %ecx, (%ecx)\n"
        "  pop %eax\n"
        "  pop %ecx\n"
        "  ret\n");
#endif
