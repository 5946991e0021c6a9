/* MATHLIB.DLL: arithmetic helpers shared by several programs.
   ROUNDPAY rounds a packed-decimal amount with two decimals (PIC 9(7)V99 COMP-3) down to a
   multiple of five cents, as the payroll office pays out in cash. Returns 0, which a COBOL CALL
   stores in RETURN-CODE. */

static long unpack(const unsigned char *packed)
{
    long value = 0;
    int i;

    for (i = 0; i < 5; i++) {
        value = value * 10 + (packed[i] >> 4);
        if (i < 4)
            value = value * 10 + (packed[i] & 0x0F);
    }
    return value;
}

static void pack(long value, unsigned char *packed)
{
    int i;

    packed[4] = (unsigned char)(((value % 10) << 4) | 0x0F);
    value /= 10;
    for (i = 3; i >= 0; i--) {
        packed[i] = (unsigned char)(value % 10);
        value /= 10;
        packed[i] |= (unsigned char)((value % 10) << 4);
        value /= 10;
    }
}

int ROUNDPAY(unsigned char *packed)
{
    long cents = unpack(packed);

    pack(cents - cents % 5, packed);
    return 0;
}
