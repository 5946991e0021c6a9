      * SUBPROG: "item" and the number it is given, into a text.
       IDENTIFICATION DIVISION.
       PROGRAM-ID. SUBPROG.
       DATA DIVISION.
       WORKING-STORAGE SECTION.
       01  N-TEXT     PIC 9(4).
       LINKAGE SECTION.
       01  N          PIC 9(4) COMP.
       01  TEXT-OUT   PIC X(12).
       PROCEDURE DIVISION USING N TEXT-OUT.
           MOVE N TO N-TEXT
           STRING "item " N-TEXT DELIMITED BY SIZE INTO TEXT-OUT
           GOBACK.
