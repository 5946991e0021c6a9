/* CTWICE: a C function a COBOL program calls by value. */
int CTWICE(int n) { return 2 * n; }
