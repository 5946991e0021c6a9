      * STOCK: a data-entry screen. It draws a form, accepts a name
      * and a quantity (TAB goes to the next field, ENTER ends), shows
      * what it got at a line and column, then accepts one more field
      * ended by F1 and shows the key's CRT STATUS (1001 for F1).
       IDENTIFICATION DIVISION.
       PROGRAM-ID. STOCK.
       ENVIRONMENT DIVISION.
       CONFIGURATION SECTION.
       SPECIAL-NAMES.
           CRT STATUS IS KEY-STATUS.
       DATA DIVISION.
       WORKING-STORAGE SECTION.
       01  KEY-STATUS     PIC 9(4).
       01  WS-NAME        PIC X(10).
       01  WS-QTY         PIC 9(3).
       01  WS-NOTE        PIC X(5).
      * What was accepted, shown as one item at a line and column.
       01  GOT-LINE.
           05  FILLER     PIC X(5) VALUE "GOT [".
           05  G-NAME     PIC X(10).
           05  FILLER     PIC X(6) VALUE "] QTY ".
           05  G-QTY      PIC 9(3).
           05  FILLER     PIC X(5) VALUE " KEY ".
           05  G-KEY      PIC 9(4).
       01  NOTE-LINE.
           05  FILLER     PIC X(6) VALUE "NOTE [".
           05  N-NOTE     PIC X(5).
           05  FILLER     PIC X(6) VALUE "] KEY ".
           05  N-KEY      PIC 9(4).
       SCREEN SECTION.
       01  ENTRY-SCREEN.
           05  BLANK SCREEN.
           05  LINE 2 COLUMN 10 VALUE "STOCK ENTRY".
           05  LINE 4 COLUMN 5 VALUE "Name:".
           05  LINE 4 COLUMN 12 PIC X(10) USING WS-NAME.
           05  LINE 5 COLUMN 5 VALUE "Qty:".
           05  LINE 5 COLUMN 12 PIC 9(3) USING WS-QTY.
       PROCEDURE DIVISION.
           DISPLAY ENTRY-SCREEN
           ACCEPT ENTRY-SCREEN
           MOVE WS-NAME TO G-NAME
           MOVE WS-QTY TO G-QTY
           MOVE KEY-STATUS TO G-KEY
           DISPLAY GOT-LINE AT LINE 8 COLUMN 5
           DISPLAY "Note:" AT LINE 10 COLUMN 5
           ACCEPT WS-NOTE AT LINE 10 COLUMN 12
           MOVE WS-NOTE TO N-NOTE
           MOVE KEY-STATUS TO N-KEY
           DISPLAY NOTE-LINE AT LINE 11 COLUMN 5
           DISPLAY "Press ENTER" AT LINE 13 COLUMN 5
           ACCEPT WS-NOTE AT LINE 13 COLUMN 17
           GOBACK.
