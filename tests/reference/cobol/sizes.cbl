      * SIZES: the sizes that depend on the machine the COBOL was
      * translated for.
       IDENTIFICATION DIVISION.
       PROGRAM-ID. SIZES.
       DATA DIVISION.
       WORKING-STORAGE SECTION.
       01  LONG-C     BINARY-C-LONG.
       01  PTR        USAGE POINTER.
      * The same sizes as constants, which the compiler works out.
       78  LONG-SIZE  VALUE LENGTH OF BINARY-C-LONG.
       78  PTR-SIZE   VALUE LENGTH OF POINTER.
       PROCEDURE DIVISION.
           DISPLAY "long " FUNCTION BYTE-LENGTH(LONG-C)
               " pointer " FUNCTION BYTE-LENGTH(PTR)
           IF LONG-SIZE NOT = FUNCTION BYTE-LENGTH(LONG-C)
               OR PTR-SIZE NOT = FUNCTION BYTE-LENGTH(PTR)
               DISPLAY "constants: long " LONG-SIZE " pointer " PTR-SIZE
           END-IF
           GOBACK.
