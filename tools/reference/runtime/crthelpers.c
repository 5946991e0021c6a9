/* Helpers that compiled code calls instead of inline instructions, which the compiler's own
   runtime would bring: complex multiplication and division, and on x86 64-bit division in
   both calling families, cl's (_alldiv: arguments popped by the callee) and the one that the
   GCC-built members of mingwex call (__udivdi3). Nothing here may divide 64-bit numbers with
   "/" or "%", which would call these very helpers. */
#include <stdint.h>

/* C99's Annex G: a result that is NaN in both parts is worked out again, so that an infinite
   operand gives an infinite result. long double is double on this target. */
#define RECOVER(a, b, c, d, recalc)                                                                \
    if (__builtin_isinf(a) || __builtin_isinf(b)) {                                                \
        a = __builtin_copysign(__builtin_isinf(a) ? 1.0 : 0.0, a);                                 \
        b = __builtin_copysign(__builtin_isinf(b) ? 1.0 : 0.0, b);                                 \
        if (__builtin_isnan(c))                                                                    \
            c = __builtin_copysign(0.0, c);                                                        \
        if (__builtin_isnan(d))                                                                    \
            d = __builtin_copysign(0.0, d);                                                        \
        recalc = 1;                                                                                \
    }

static double _Complex multiply(double a, double b, double c, double d) {
    double ac = a * c, bd = b * d, ad = a * d, bc = b * c;
    double _Complex z;
    __real__ z = ac - bd;
    __imag__ z = ad + bc;
    if (__builtin_isnan(__real__ z) && __builtin_isnan(__imag__ z)) {
        int recalc = 0;
        RECOVER(a, b, c, d, recalc)
        RECOVER(c, d, a, b, recalc)
        if (!recalc && (__builtin_isinf(ac) || __builtin_isinf(bd) || __builtin_isinf(ad) ||
                        __builtin_isinf(bc))) {
            if (__builtin_isnan(a))
                a = __builtin_copysign(0.0, a);
            if (__builtin_isnan(b))
                b = __builtin_copysign(0.0, b);
            if (__builtin_isnan(c))
                c = __builtin_copysign(0.0, c);
            if (__builtin_isnan(d))
                d = __builtin_copysign(0.0, d);
            recalc = 1;
        }
        if (recalc) {
            __real__ z = __builtin_inf() * (a * c - b * d);
            __imag__ z = __builtin_inf() * (a * d + b * c);
        }
    }
    return z;
}

static double _Complex divide(double a, double b, double c, double d) {
    double scale = __builtin_logb(__builtin_fmax(__builtin_fabs(c), __builtin_fabs(d)));
    int exponent = 0;
    if (__builtin_isfinite(scale)) {
        exponent = (int)scale;
        c = __builtin_scalbn(c, -exponent);
        d = __builtin_scalbn(d, -exponent);
    }
    double denominator = c * c + d * d;
    double _Complex z;
    __real__ z = __builtin_scalbn((a * c + b * d) / denominator, -exponent);
    __imag__ z = __builtin_scalbn((b * c - a * d) / denominator, -exponent);
    if (__builtin_isnan(__real__ z) && __builtin_isnan(__imag__ z)) {
        if (denominator == 0.0 && (!__builtin_isnan(a) || !__builtin_isnan(b))) {
            __real__ z = __builtin_copysign(__builtin_inf(), c) * a;
            __imag__ z = __builtin_copysign(__builtin_inf(), c) * b;
        } else if ((__builtin_isinf(a) || __builtin_isinf(b)) && __builtin_isfinite(c) &&
                   __builtin_isfinite(d)) {
            a = __builtin_copysign(__builtin_isinf(a) ? 1.0 : 0.0, a);
            b = __builtin_copysign(__builtin_isinf(b) ? 1.0 : 0.0, b);
            __real__ z = __builtin_inf() * (a * c + b * d);
            __imag__ z = __builtin_inf() * (b * c - a * d);
        } else if (__builtin_isinf(scale) && scale > 0 && __builtin_isfinite(a) &&
                   __builtin_isfinite(b)) {
            c = __builtin_copysign(__builtin_isinf(c) ? 1.0 : 0.0, c);
            d = __builtin_copysign(__builtin_isinf(d) ? 1.0 : 0.0, d);
            __real__ z = 0.0 * (a * c + b * d);
            __imag__ z = 0.0 * (b * c - a * d);
        }
    }
    return z;
}

double _Complex __muldc3(double a, double b, double c, double d) {
    return multiply(a, b, c, d);
}
double _Complex __divdc3(double a, double b, double c, double d) {
    return divide(a, b, c, d);
}
long double _Complex __mulxc3(long double a, long double b, long double c, long double d) {
    return multiply(a, b, c, d);
}
long double _Complex __divxc3(long double a, long double b, long double c, long double d) {
    return divide(a, b, c, d);
}
float _Complex __mulsc3(float a, float b, float c, float d) {
    return multiply(a, b, c, d);
}
float _Complex __divsc3(float a, float b, float c, float d) {
    return divide(a, b, c, d);
}

#ifndef _WIN64
/* Unsigned 64-bit division from 32-bit steps: two divl when the divisor fits 32 bits, else a
   quotient below 2^32 found bit by bit. */
static uint64_t divideUnsigned(uint64_t n, uint64_t d, uint64_t* remainder) {
    uint32_t nh = (uint32_t)(n >> 32), dh = (uint32_t)(d >> 32), dl = (uint32_t)d;
    if (dh == 0) {
        uint32_t qh = nh / dl, r = nh % dl, ql;
        __asm__("divl %4" : "=a"(ql), "=d"(r) : "a"((uint32_t)n), "d"(r), "rm"(dl));
        if (remainder)
            *remainder = r;
        return (uint64_t)qh << 32 | ql;
    }
    int shift = __builtin_clz(dh) - (nh ? __builtin_clz(nh) : 32);
    uint64_t q = 0;
    if (shift >= 0) {
        d <<= shift;
        for (int i = 0; i <= shift; ++i, d >>= 1) {
            q <<= 1;
            if (n >= d) {
                n -= d;
                q |= 1;
            }
        }
    }
    if (remainder)
        *remainder = n;
    return q;
}

static uint64_t magnitude(int64_t v) {
    return v < 0 ? 0 - (uint64_t)v : (uint64_t)v;
}

uint64_t __udivmoddi4(uint64_t a, uint64_t b, uint64_t* r) {
    return divideUnsigned(a, b, r);
}
uint64_t __udivdi3(uint64_t a, uint64_t b) {
    return divideUnsigned(a, b, 0);
}
uint64_t __umoddi3(uint64_t a, uint64_t b) {
    uint64_t r;
    divideUnsigned(a, b, &r);
    return r;
}
/* The quotient is truncated towards zero; the remainder takes the dividend's sign. */
int64_t __divmoddi4(int64_t a, int64_t b, int64_t* r) {
    uint64_t ur, q = divideUnsigned(magnitude(a), magnitude(b), &ur);
    if (r)
        *r = (int64_t)(a < 0 ? 0 - ur : ur);
    return (int64_t)((a < 0) != (b < 0) ? 0 - q : q);
}
int64_t __divdi3(int64_t a, int64_t b) {
    return __divmoddi4(a, b, 0);
}
int64_t __moddi3(int64_t a, int64_t b) {
    int64_t r;
    __divmoddi4(a, b, &r);
    return r;
}

/* cl's helpers: the two operands on the stack, popped by the helper; the result in edx:eax. */
#define STDCALL_64(name, helper)                                                                   \
    __asm__(".text\n"                                                                              \
            ".globl " name "\n" name ":\n"                                                         \
            "  pushl 16(%esp)\n"                                                                   \
            "  pushl 16(%esp)\n"                                                                   \
            "  pushl 16(%esp)\n"                                                                   \
            "  pushl 16(%esp)\n"                                                                   \
            "  call " helper "\n"                                                                  \
            "  add $16, %esp\n"                                                                    \
            "  ret $16\n");
STDCALL_64("__alldiv", "___divdi3")
STDCALL_64("__allrem", "___moddi3")
STDCALL_64("__aulldiv", "___udivdi3")
STDCALL_64("__aullrem", "___umoddi3")
#endif
