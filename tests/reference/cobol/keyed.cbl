      * KEYED: keeps a keyed master file of staff. "keyed load" makes
      * it anew: writes the records (a key twice, which is refused),
      * reads by the key and by the department, an alternate key with
      * duplicates, raises one salary and deletes a record, then
      * reports. "keyed report" only reads an existing file and
      * reports, so that a file written by one program is read back by
      * another. The file status of each step is printed.
       IDENTIFICATION DIVISION.
       PROGRAM-ID. KEYED.
       ENVIRONMENT DIVISION.
       INPUT-OUTPUT SECTION.
       FILE-CONTROL.
           SELECT MASTER ASSIGN TO "master.dat"
               ORGANIZATION IS INDEXED
               ACCESS MODE IS DYNAMIC
               RECORD KEY IS M-ID
               ALTERNATE RECORD KEY IS M-DEPT WITH DUPLICATES
               FILE STATUS IS FS.
       DATA DIVISION.
       FILE SECTION.
       FD  MASTER.
       01  M-REC.
           05  M-ID       PIC X(4).
           05  M-NAME     PIC X(10).
           05  M-DEPT     PIC X(4).
      * Packed and binary fields: the same bytes on every machine.
           05  M-SALARY   PIC 9(6)V99 COMP-3.
           05  M-GRADE    PIC S9(4) COMP.
       WORKING-STORAGE SECTION.
       01  FS             PIC XX.
       01  WHAT           PIC X(8).
       01  I              PIC 99.
       01  TOTAL          PIC 9(8)V99 VALUE 0.
       01  SHOWN-PAY      PIC Z(5)9.99.
       01  SHOWN-TOTAL    PIC Z(7)9.99.
       01  SHOWN-GRADE    PIC -(4)9.
       01  COUNTED        PIC 99 VALUE 0.
       01  LOAD-DATA.
           05  FILLER PIC X(26) VALUE "1040ABE       SALE00420000".
           05  FILLER PIC X(26) VALUE "1010BRANDT    ACCT00515050".
           05  FILLER PIC X(26) VALUE "1030CHIBA     SALE00398075".
           05  FILLER PIC X(26) VALUE "1020DUVAL     SHIP00310000".
           05  FILLER PIC X(26) VALUE "1050EKWUEME   SALE00455500".
           05  FILLER PIC X(26) VALUE "1060FORS      ACCT00601000".
           05  FILLER PIC X(26) VALUE "1010GARCIA    SHIP00290000".
       01  LOAD-TABLE REDEFINES LOAD-DATA.
           05  LOAD-ROW OCCURS 7 TIMES.
               10  L-ID       PIC X(4).
               10  L-NAME     PIC X(10).
               10  L-DEPT     PIC X(4).
               10  L-SALARY   PIC 9(6)V99.
       PROCEDURE DIVISION.
       MAIN.
           ACCEPT WHAT FROM COMMAND-LINE
           IF WHAT = "load"
               PERFORM LOAD-FILE
               PERFORM CHANGE-FILE
           END-IF
           PERFORM REPORT-FILE
           GOBACK.

       LOAD-FILE.
           OPEN INPUT MASTER
           DISPLAY "open input, no file yet: " FS
           OPEN OUTPUT MASTER
           PERFORM VARYING I FROM 1 BY 1 UNTIL I > 7
               MOVE L-ID (I) TO M-ID
               MOVE L-NAME (I) TO M-NAME
               MOVE L-DEPT (I) TO M-DEPT
               MOVE L-SALARY (I) TO M-SALARY
               COMPUTE M-GRADE = I * 7 - 30
               WRITE M-REC
               DISPLAY "write " M-ID " " M-NAME ": " FS
           END-PERFORM
           CLOSE MASTER.

       CHANGE-FILE.
           OPEN I-O MASTER
      * By the record key.
           MOVE "1030" TO M-ID
           READ MASTER KEY IS M-ID
           DISPLAY "read key 1030: " FS " " M-NAME " " M-DEPT
           MOVE "1099" TO M-ID
           READ MASTER KEY IS M-ID
           DISPLAY "read key 1099: " FS
      * By the department: the first of its records, then the rest.
           MOVE "SALE" TO M-DEPT
           READ MASTER KEY IS M-DEPT
           DISPLAY "read dept SALE: " FS " " M-ID " " M-NAME
           PERFORM UNTIL FS NOT = "02" AND FS NOT = "00"
               OR M-DEPT NOT = "SALE"
               READ MASTER NEXT
               IF FS = "00" OR FS = "02"
                   IF M-DEPT = "SALE"
                       DISPLAY "  next: " FS " " M-ID " " M-NAME
                   END-IF
               END-IF
           END-PERFORM
      * START on the department, at the first one after ACCT.
           MOVE "ACCT" TO M-DEPT
           START MASTER KEY IS GREATER THAN M-DEPT
           DISPLAY "start dept > ACCT: " FS
           READ MASTER NEXT
           DISPLAY "  first: " FS " " M-ID " " M-DEPT
           MOVE "ZZZZ" TO M-DEPT
           START MASTER KEY IS NOT LESS THAN M-DEPT
           DISPLAY "start dept >= ZZZZ: " FS
      * A raise for DUVAL, read with the key first.
           MOVE "1020" TO M-ID
           READ MASTER
           ADD 250 TO M-SALARY
           MOVE "SALE" TO M-DEPT
           REWRITE M-REC
           DISPLAY "rewrite 1020: " FS
      * FORS leaves; and a record that is not there.
           MOVE "1060" TO M-ID
           DELETE MASTER
           DISPLAY "delete 1060: " FS
           MOVE "1060" TO M-ID
           DELETE MASTER
           DISPLAY "delete 1060 again: " FS
           MOVE "1077" TO M-ID
           MOVE "NEW" TO M-NAME
           REWRITE M-REC
           DISPLAY "rewrite 1077: " FS
           CLOSE MASTER.

       REPORT-FILE.
           OPEN INPUT MASTER
           DISPLAY "report: " FS
           MOVE LOW-VALUES TO M-ID
           START MASTER KEY IS NOT LESS THAN M-ID
           PERFORM UNTIL FS NOT = "00"
               READ MASTER NEXT
               IF FS = "00"
                   MOVE M-SALARY TO SHOWN-PAY
                   MOVE M-GRADE TO SHOWN-GRADE
                   DISPLAY M-ID " " M-NAME " " M-DEPT " " SHOWN-PAY
                       " " SHOWN-GRADE
                   ADD M-SALARY TO TOTAL
                   ADD 1 TO COUNTED
               END-IF
           END-PERFORM
           DISPLAY "end of file: " FS
      * The departments in order, duplicates in the order written.
           MOVE LOW-VALUES TO M-DEPT
           START MASTER KEY IS NOT LESS THAN M-DEPT
           PERFORM UNTIL FS NOT = "00" AND FS NOT = "02"
               READ MASTER NEXT
               IF FS = "00" OR FS = "02"
                   DISPLAY "  " M-DEPT " " M-ID " " FS
               END-IF
           END-PERFORM
           MOVE TOTAL TO SHOWN-TOTAL
           DISPLAY COUNTED " records, total " SHOWN-TOTAL
           CLOSE MASTER.
