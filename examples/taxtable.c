/* TAXTABLE: the tax office's module, shipped to its users as taxtable.obj only.
   TAXRATE takes one week's gross pay (PIC 9(7)V99 COMP-3, five bytes) and gives the tax
   percentage with two decimals (PIC 9(2)V99 COMP-3, three bytes). Returns 0, which a COBOL
   CALL stores in RETURN-CODE. */

int TAXRATE(const unsigned char *gross, unsigned char *percent)
{
    /* Up to this gross pay in cents (the last row: any above), this percentage in hundredths. */
    static const struct {
        long upTo;
        int rate;
    } table[] = {{100000, 1250}, {120000, 1500}, {-1, 1650}};
    long cents = 0;
    int i;

    for (i = 0; i < 5; i++) {
        cents = cents * 10 + (gross[i] >> 4);
        if (i < 4)
            cents = cents * 10 + (gross[i] & 0x0F);
    }
    for (i = 0; table[i].upTo >= 0 && cents > table[i].upTo; i++)
        ;
    /* Four digits and the sign of an unsigned field in three bytes: 0d dd dF. */
    percent[0] = (unsigned char)(table[i].rate / 1000);
    percent[1] = (unsigned char)((table[i].rate / 100 % 10) << 4 | table[i].rate / 10 % 10);
    percent[2] = (unsigned char)((table[i].rate % 10) << 4 | 0x0F);
    return 0;
}
