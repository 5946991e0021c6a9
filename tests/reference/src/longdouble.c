// long double across the runtime: cl's is a double, passed as one, which every library
// function that formats, reads, takes or returns one must agree with. Values are printed to
// ten digits, where the native build's 80-bit results round the same.
#include <complex.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>

int main(int argc, char** argv) {
    long double x = 194.05L * argc, n = 0;
    char text[64];
    wchar_t wide[64];
    // What scanf stores into a long double must stay in it.
    struct {
        long double value;
        int after;
    } read = {0, 7};
    int count = 0;
    char* end;

    sprintf(text, "%.2Lf|%d", x, 7);
    printf("%s %Le %Lg %10.3Lf|\n", text, x, 1e-5L, -x);
    swprintf(wide, 64, L"%.1Lf", x);
    printf("%ls %Lg\n", wide, wcstold(L"-2.5e2", 0));
    sscanf("12.5 9", "%Lf %n", &read.value, &count);
    long double parsed = strtold("1.25e3x", &end);
    printf("%Lg %d %d %Lg %s\n", read.value, read.after, count, parsed, end);
    printf("%.10Lg %.10Lg %.10Lg %.10Lg %.10Lg %.10Lg\n", sinl(0.5L), cosl(0.5L), tanl(0.5L),
           asinl(0.5L), acosl(0.5L), atan2l(1, -1));
    printf("%.10Lg %.10Lg %.10Lg %.10Lg %.10Lg %.10Lg %.10Lg\n", expl(1), exp2l(10), expm1l(1e-3L),
           logl(10), log10l(1000), log2l(8), log1pl(1e-3L));
    printf("%.10Lg %.10Lg %.10Lg %.10Lg %.10Lg %.10Lg\n", powl(2, 0.5L), sqrtl(2), cbrtl(27),
           hypotl(3, 4), fmal(2, 3, 4), (long double)pow(3, 1.7));
    printf("%Lg %Lg %Lg %Lg %Lg %Lg %ld %lld %lld\n", floorl(-2.5L), ceill(-2.5L), roundl(2.5L),
           truncl(-2.7L), rintl(2.5L), nearbyintl(3.5L), lrintl(2.5L), llroundl(-2.5L),
           llrintl(7.5L));
    int quotient, exponent;
    long double whole, rest = remquol(7, 2, &quotient), fraction = modfl(3.75L, &whole),
                       mantissa = frexpl(8, &exponent);
    printf("%Lg %Lg %Lg %d %Lg %Lg %Lg %d %Lg %d %Lg %Lg\n", fmodl(7, 3), remainderl(7, 4), rest,
           quotient, fraction, whole, mantissa, exponent, ldexpl(1, 10), ilogbl(1024), logbl(1024),
           scalbnl(3, 2));
    printf("%Lg %Lg %Lg %Lg %d %.10Lg %.10Lg %.10Lg\n", copysignl(3, -1), fdiml(5, 2), fmaxl(1, 2),
           fminl(1, 2), nextafterl(1, 2) > 1, sinhl(1), coshl(1), tanhl(1));
    printf("%.10Lg %.10Lg %.10Lg %.10Lg %.10Lg %.10Lg %.10Lg\n", asinhl(1), acoshl(2), atanhl(0.5L),
           erfl(0.5L), erfcl(0.5L), lgammal(5), tgammal(5));
    n = nanl("");
    printf("%d %d %d %d %d %d\n", !!isnan(n), !!isnan(x), !!signbit(-x), !!isinf(HUGE_VALL),
           fpclassify(x) == FP_NORMAL, fpclassify(n) == FP_NAN);
    long double complex z = csqrtl(-4), w = cexpl(I * 3.14159265358979323846L);
    printf("%Lg%+Lgi %.10Lg %.10Lg %.6Lf\n", creall(z), cimagl(z), cabsl(3 + 4 * I), cargl(-1),
           creall(w));
    return 0;
}
