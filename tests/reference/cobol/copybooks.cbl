      * COPYBOOKS: GnuCOBOL's own copybooks, found with no folder named,
      * as a GnuCOBOL installation finds them: the screen constants and
      * the SQL communication area.
       IDENTIFICATION DIVISION.
       PROGRAM-ID. COPYBOOKS.
       DATA DIVISION.
       WORKING-STORAGE SECTION.
       COPY "screenio.cpy".
       COPY "sqlca.cpy".
       PROCEDURE DIVISION.
           DISPLAY "red " COB-COLOR-RED " F1 " COB-SCR-F1
               " SQLCA " FUNCTION LENGTH(SQLCA)
           GOBACK.
