      * MODSUB: FUNCTION MODULE-PATH of a subprogram linked into the
      * program, which only a main program knows.
       IDENTIFICATION DIVISION.
       PROGRAM-ID. MODSUB.
       PROCEDURE DIVISION.
           IF FUNCTION MODULE-PATH = SPACES
               DISPLAY "sub (none)"
           ELSE
               DISPLAY "sub " FUNCTION MODULE-PATH
           END-IF
           GOBACK.
