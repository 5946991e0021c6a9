       IDENTIFICATION DIVISION.
       PROGRAM-ID. BAD.
       PROCEDURE DIVISION.
           DISPLAY "fine"
           MOVE 1 TO NOWHERE
           GOBACK.
