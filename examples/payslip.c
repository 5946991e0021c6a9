/* PAYSLIP: the pay-out step of PAYROLL in C, for a toolchain that has no COBOL compiler.
   Rounds each net amount down to five cents with ROUNDPAY from MATHLIB.DLL, loaded at run
   time as PAYROLL calls it, and prints it through FMTPAY (util.c). */
#include <stdio.h>
#include <windows.h>

int FMTPAY(const unsigned char *packed, char *field);
typedef int (*RoundPay)(unsigned char *packed);

/* PIC 9(7)V99 COMP-3: nine digits, two per byte, the low half of the last byte the sign. */
static void pack(long cents, unsigned char *packed)
{
    int i;

    packed[4] = (unsigned char)(((cents % 10) << 4) | 0x0F);
    cents /= 10;
    for (i = 3; i >= 0; i--) {
        packed[i] = (unsigned char)(cents % 10);
        cents /= 10;
        packed[i] |= (unsigned char)((cents % 10) << 4);
        cents /= 10;
    }
}

int main(void)
{
    static const struct {
        const char *name;
        long cents;
    } staff[] = {{"ABE", 87452}, {"BRANDT", 104981}, {"CHIBA", 99873}};
    HMODULE mathlib = LoadLibraryA("MATHLIB.DLL");
    RoundPay roundPay = mathlib ? (RoundPay)GetProcAddress(mathlib, "ROUNDPAY") : 0;
    unsigned char packed[5];
    char field[17];
    int i;

    if (!roundPay) {
        printf("PAYSLIP: cannot call ROUNDPAY in MATHLIB.DLL\n");
        return 1;
    }
    for (i = 0; i < 3; i++) {
        pack(staff[i].cents, packed);
        roundPay(packed);
        FMTPAY(packed, field);
        field[16] = '\0';
        printf("%-9s %s\n", staff[i].name, field);
    }
    return 0;
}
