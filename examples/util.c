/* FMTPAY: formats a packed-decimal amount with two decimals (PIC 9(7)V99 COMP-3, five bytes)
   as text, right-aligned in a 16-character COBOL field. Called from PAYROLL; returns 0, which
   a COBOL CALL stores in RETURN-CODE. */
#include <stdio.h>
#include <string.h>

int FMTPAY(const unsigned char *packed, char *field)
{
    char text[17];
    long cents = 0;
    int i;

    /* Nine digits, two per byte; the low half of the last byte is the sign. */
    for (i = 0; i < 5; i++) {
        cents = cents * 10 + (packed[i] >> 4);
        if (i < 4)
            cents = cents * 10 + (packed[i] & 0x0F);
    }
    snprintf(text, sizeof text, "%13ld.%02ld", cents / 100, cents % 100);
    memcpy(field, text, 16);
    return 0;
}
