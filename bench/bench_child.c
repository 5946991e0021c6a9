/* The trivial stand-in of the whole-process benchmark: copied as cobol, cl, tessor and link,
   it ends at once, so a child costs only its process start. */
int main(void) {
    return 0;
}
