      * MODPATH: FUNCTION MODULE-PATH of the main program, the name of
      * the program's file after its folder, and whether the path is a
      * full one; then that of a subprogram, which knows none.
       IDENTIFICATION DIVISION.
       PROGRAM-ID. MODPATH.
       DATA DIVISION.
       WORKING-STORAGE SECTION.
       01  PATH-TEXT  PIC X(300).
       01  WHOLE      PIC X(3) VALUE "no".
       01  N          PIC 9(3).
       01  I          PIC S9(3).
       PROCEDURE DIVISION.
           MOVE FUNCTION MODULE-PATH TO PATH-TEXT
           IF PATH-TEXT = SPACES
               DISPLAY "main (none)"
           ELSE
               MOVE FUNCTION LENGTH(FUNCTION TRIM(PATH-TEXT TRAILING))
                   TO N
               PERFORM VARYING I FROM N BY -1 UNTIL I < 1
                   OR PATH-TEXT(I:1) = "\" OR PATH-TEXT(I:1) = "/"
                   CONTINUE
               END-PERFORM
               IF PATH-TEXT(1:1) = "/" OR PATH-TEXT(2:2) = ":\"
                   MOVE "yes" TO WHOLE
               END-IF
               DISPLAY "main " PATH-TEXT(I + 1:N - I) " full " WHOLE
           END-IF
           CALL "MODSUB"
           GOBACK.
