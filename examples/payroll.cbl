      * PAYROLL: computes one week's net pay for a few employees and
      * prints a line for each. Calls TAXRATE (taxtable.obj, supplied
      * as an object module only), FMTPAY (util.c) and, at run time,
      * ROUNDPAY from MATHLIB.DLL.
       IDENTIFICATION DIVISION.
       PROGRAM-ID. PAYROLL.
       DATA DIVISION.
       WORKING-STORAGE SECTION.
       01  EMPLOYEE-TABLE.
      *        name (9), hours worked 999V99, hourly rate 9999V99
           05  FILLER          PIC X(20) VALUE "ABE      04000002500".
           05  FILLER          PIC X(20) VALUE "BRANDT   03850003250".
           05  FILLER          PIC X(20) VALUE "CHIBA    04200002800".
       01  EMPLOYEES REDEFINES EMPLOYEE-TABLE.
           05  EMPLOYEE OCCURS 3 TIMES INDEXED BY EMP-IX.
               10  EMP-NAME    PIC X(9).
               10  EMP-HOURS   PIC 9(3)V99.
               10  EMP-RATE    PIC 9(4)V99.
       01  GROSS-PAY           PIC 9(7)V99 COMP-3.
       01  TAX-PERCENT         PIC 9(2)V99 COMP-3.
       01  NET-PAY             PIC 9(7)V99 COMP-3.
       01  PAY-TEXT            PIC X(16).
       PROCEDURE DIVISION.
       MAIN-PARAGRAPH.
           PERFORM VARYING EMP-IX FROM 1 BY 1 UNTIL EMP-IX > 3
               COMPUTE GROSS-PAY ROUNDED =
                   EMP-HOURS (EMP-IX) * EMP-RATE (EMP-IX)
               CALL "TAXRATE" USING GROSS-PAY TAX-PERCENT
               COMPUTE NET-PAY ROUNDED =
                   GROSS-PAY * (100 - TAX-PERCENT) / 100
               CALL "ROUNDPAY" USING NET-PAY
               CALL "FMTPAY" USING NET-PAY PAY-TEXT
               DISPLAY EMP-NAME (EMP-IX) " " PAY-TEXT
           END-PERFORM
           STOP RUN.
