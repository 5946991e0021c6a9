/* The runtime of the reference toolchain: what the start-up, the names object that tessor
   writes and a program see of it. zorun32.dll exports the functions; zorun32s.lib holds
   them as static members (built with ZO_STATIC). */
#ifndef ZORUN32_H
#define ZORUN32_H

#if defined(ZO_BUILD_DLL)
#define ZO_API __declspec(dllexport)
#elif defined(ZO_STATIC)
#define ZO_API
#else
#define ZO_API __declspec(dllimport)
#endif

/* One public entry point of the program's objects (or an /I symbol). */
typedef struct ZoEntry {
    const char* name; /* as C spells it; null ends the table */
    void* address;
} ZoEntry;

/* The record `zo_names` of the names object. */
typedef struct ZoNames {
    void* mainEntry;     /* null in a DLL */
    const char* runtime; /* the runtime word tessor got: "FS", "BBS", "RE"... */
    unsigned mainStyle;  /* 0: main(argc, argv, envp), 1: WinMain(instance, 0, command tail, show),
                            2: wmain, 3: wWinMain, the same with wide characters */
    unsigned sysFlags;   /* the /Z value */
    ZoEntry entries[1];  /* as many as there are */
} ZoNames;

/* Registers the program's names; the start-up calls it before the main entry. */
ZO_API int zoRuntimeInit(const ZoNames* names);
/* The address of the public entry point `name` (case ignored), or null: a call by name. */
ZO_API void* zoFindEntry(const char* name);
/* "zorun32.dll" or "static", and the runtime word of the program. */
ZO_API const char* zoRuntimeKind(void);
ZO_API const char* zoRuntimeWord(void);

/* In the start-up members: runs the main entry and returns its result; runs the initializers. */
int zoStart(void);
void zoInitialize(void);
/* Around it, when the program has COBOL in it: the COBOL runtime's start (told the main
   entry, which may be a COBOL main program) and end. */
void zoCobolStart(int argc, char** argv, void* mainEntry);
void zoCobolEnd(void);

#endif
