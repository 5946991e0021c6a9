      * SIZES: the sizes that depend on the machine the COBOL was
      * translated for.
       IDENTIFICATION DIVISION.
       PROGRAM-ID. SIZES.
       DATA DIVISION.
       WORKING-STORAGE SECTION.
       01  LONG-C     BINARY-C-LONG.
       01  PTR        USAGE POINTER.
       PROCEDURE DIVISION.
           DISPLAY "long " FUNCTION BYTE-LENGTH(LONG-C)
               " pointer " FUNCTION BYTE-LENGTH(PTR)
           GOBACK.
