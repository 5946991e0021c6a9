/* The runtime's functions: zorun32.dll, or static members of zorun32s.lib. */
#include "zorun32.h"

#include <string.h>

static const ZoNames* registered;

int zoRuntimeInit(const ZoNames* names) {
    registered = names;
    return 0;
}

void* zoFindEntry(const char* name) {
    const ZoEntry* entry;
    if (!registered || !name)
        return 0;
    for (entry = registered->entries; entry->name; ++entry)
        if (_stricmp(entry->name, name) == 0)
            return entry->address;
    return 0;
}

const char* zoRuntimeKind(void) {
#ifdef ZO_STATIC
    return "static";
#else
    return "zorun32.dll";
#endif
}

const char* zoRuntimeWord(void) { return registered ? registered->runtime : ""; }
