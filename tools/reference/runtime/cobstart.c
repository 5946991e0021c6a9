/* Starts and ends the COBOL runtime around the main entry when the program has COBOL in it:
   libcob-4.dll is then among its imports, already loaded. A C program does without it. */
#include "zorun32.h"

#include <windows.h>

typedef void (*CobInit)(int, char**);
typedef void (*CobTidy)(void);
typedef void (*CobSetEntryResolver)(void* (*)(const char*));

static HMODULE libcob;

void zoCobolStart(int argc, char** argv) {
    CobSetEntryResolver setResolver;
    CobInit init;
    libcob = GetModuleHandleA("libcob-4.dll");
    if (!libcob)
        return;
    /* An EXE exports nothing: a CALL by name is answered from the names table instead. */
    setResolver = (CobSetEntryResolver)GetProcAddress(libcob, "cob_set_entry_resolver");
    if (setResolver)
        setResolver(zoFindEntry);
    init = (CobInit)GetProcAddress(libcob, "cob_init");
    if (init)
        init(argc, argv);
}

void zoCobolEnd(void) {
    CobTidy tidy;
    if (!libcob)
        return;
    tidy = (CobTidy)GetProcAddress(libcob, "cob_tidy");
    if (tidy)
        tidy();
}
