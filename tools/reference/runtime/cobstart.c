/* Starts and ends the COBOL runtime around the main entry when the program has COBOL in it:
   libcob-4.dll is then among its imports, already loaded. A C program does without it. */
#include "zorun32.h"

#include <windows.h>

typedef void (*CobInit)(int, char**);
typedef void (*CobTidy)(void);
typedef void (*CobSetEntryResolver)(void* (*)(const char*));
typedef void (*CobSetMainEntry)(void*);

static HMODULE libcob;

void zoCobolStart(int argc, char** argv, void* mainEntry) {
    CobSetEntryResolver setResolver;
    CobSetMainEntry setMain;
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
    /* Every COBOL source is translated alike (cobc -C): a COBOL main entry gets the state that
       cobc -x would give it, such as the executable's path for FUNCTION MODULE-PATH. */
    setMain = (CobSetMainEntry)GetProcAddress(libcob, "cob_set_main_entry");
    if (setMain)
        setMain(mainEntry);
}

void zoCobolEnd(void) {
    CobTidy tidy;
    if (!libcob)
        return;
    tidy = (CobTidy)GetProcAddress(libcob, "cob_tidy");
    if (tidy)
        tidy();
}
