      * DYNPROG: the program of DYNPROG.DLL; adds 100 to the number.
       IDENTIFICATION DIVISION.
       PROGRAM-ID. DYNPROG.
       DATA DIVISION.
       LINKAGE SECTION.
       01  N          PIC 9(4) COMP.
       PROCEDURE DIVISION USING N.
           ADD 100 TO N
           GOBACK.
