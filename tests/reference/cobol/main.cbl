      * MAINPROG: the main program of the COBOL cases. Calls a COBOL
      * subprogram and a C function linked into the same program, and
      * a COBOL program in a DLL of its own, found at run time.
       IDENTIFICATION DIVISION.
       PROGRAM-ID. MAINPROG.
       DATA DIVISION.
       WORKING-STORAGE SECTION.
       01  BIG-A      PIC S9(18) COMP-5 VALUE 123456789012345678.
       01  BIG-B      PIC S9(18) COMP-5 VALUE -987654321098765432.
       01  BIG-SUM    PIC S9(18) COMP-5.
       01  BIG-TEXT   PIC -9(18).
       01  BIGNUM     PIC 9(35)
           VALUE 12345678901234567890123456789012345.
       01  BIGNUM-TEXT PIC 9(35).
       01  PACKED     PIC S9(5)V99 COMP-3 VALUE -1234.56.
       01  ZONED      PIC S9(5)V99 VALUE 0.
       01  ZONED-TEXT PIC -9(5).99.
       01  REAL       COMP-2 VALUE 2.5.
       01  REAL-TEXT  PIC 9.9999.
       01  WORD-LIST  PIC X(20) VALUE "ALPHA,BETA,GAMMA".
       01  WORD-1     PIC X(8).
       01  WORD-2     PIC X(8).
       01  COMMAS     PIC 99 VALUE 0.
       01  SMALL      PIC 99.
       01  N          PIC 9(4) COMP VALUE 0.
       01  TEXT-OUT   PIC X(12).
       PROCEDURE DIVISION.
           ADD BIG-A TO BIG-B GIVING BIG-SUM
           MOVE BIG-SUM TO BIG-TEXT
           DISPLAY "64-bit sum " BIG-TEXT
           COMPUTE BIGNUM-TEXT = BIGNUM / 5
           DISPLAY "35 digits " BIGNUM-TEXT
           COMPUTE ZONED = PACKED * 3
           MOVE ZONED TO ZONED-TEXT
           DISPLAY "packed*3 " ZONED-TEXT
           COMPUTE REAL = FUNCTION SQRT(REAL * 4)
           MOVE REAL TO REAL-TEXT
           DISPLAY "sqrt " REAL-TEXT
           UNSTRING WORD-LIST DELIMITED BY "," INTO WORD-1 WORD-2
           INSPECT WORD-LIST TALLYING COMMAS FOR ALL ","
           DISPLAY "words " WORD-1 "/" WORD-2 " commas " COMMAS
           COMPUTE SMALL = 250 ON SIZE ERROR DISPLAY "size error"
           END-COMPUTE
           DISPLAY "upper " FUNCTION UPPER-CASE("mixed Case")
           PERFORM VARYING N FROM 1 BY 1 UNTIL N > 3
               CALL "SUBPROG" USING N TEXT-OUT
               DISPLAY TEXT-OUT
           END-PERFORM
           CALL "CTWICE" USING BY VALUE 21 RETURNING N
           DISPLAY "C twice " N
           CALL "DYNPROG" USING N
           DISPLAY "from the DLL " N
      >>IF FEATURE DEFINED
           DISPLAY "directive FEATURE reached the compiler"
      >>END-IF
           MOVE 3 TO RETURN-CODE
           GOBACK.
