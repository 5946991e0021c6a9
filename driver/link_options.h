// The run's settings: the LinkOptions record and its lists. The option parser and input
// classification fill it; every later step reads it. Process-wide, one per run.
#pragma once

#include <cstddef>
#include <cstdint>

// Target machine.
typedef int32_t MachineType;
enum : MachineType { machineIx86 = 0, machineAlpha = 1, machineIa64 = 2, machineAmd64 = 3 };
// Every machine lies in 0 .. machineCount - 1.
enum : MachineType { machineCount = 4 };

// Head-only chain of symbols; each node is one allocation, the text stored inline.
struct SymbolNode {
    SymbolNode* next;
    char text[1];
};
struct SymbolList {
    SymbolNode* head;
};

// Head and tail of a chain of names, appended at the tail, never freed before the end. Each
// node's text is its own terminated copy, stored right behind the node.
struct NameNode {
    NameNode* next;
    const char* text;
    uint32_t length; // of text
    uint32_t isWord; // nonzero: text goes onto a command line as it stands (needsNoQuotes)
};
struct NameList {
    NameNode* head;
    NameNode* tail;
};

enum { textCapacity = 260 }; // 259 characters and a terminator

struct LinkOptions {
    int verbose;
    int linkSystemPrograms;
    int singleThreaded;
    int useGeneratedDefinitionFile;
    char staticRuntimeLetters[4]; // class, thread, debug letter, terminator
    char importedThreadLetter[2];
    int buildDll;
    int generateMap;
    int guiApplication;
    int staticRuntime;
    int importedSharedRuntime;
    int boundSharedRuntime;
    int keepTemporaries;
    int useCompanionList;
    int noBanner;
    int hasDefinitionFile;
    char* definitionFile;
    MachineType machine;
    char outputName[textCapacity];
    char mainEntryName[textCapacity];
    char compilerDirectives[textCapacity];
    char boundRuntimeMode[16];
    uint32_t namesToolFlags;
    SymbolList includeSymbols;
    SymbolList excludeSymbols;
    NameList objectFiles;
    NameList libraries;
    NameList otherInputs;
};

extern LinkOptions linkOptions;
// Shared throw-away text of 260 characters; holds nothing across calls.
extern char scratchPath[textCapacity];

// Puts linkOptions to its start-up values, releasing every list and the definition file name.
// Until it is first called (resetRunState calls it at the start of a run) the record is zero.
void resetLinkOptions();

// Appends a copy of symbol to includeSymbols (at the end) or excludeSymbols (at the front).
// Fatal error 2 when memory runs out.
void addIncludeSymbol(const char* symbol);
void addExcludeSymbol(const char* symbol);

// Appends a copy of name at the tail of list (fatal error 2 when memory runs out); the
// node is one allocation, kept until resetLinkOptions.
void appendName(NameList* list, const char* name);
// The same for the first `length` characters at name, which need not be terminated there.
void appendNameOfLength(NameList* list, const char* name, size_t length);
// The same when the name is a word that goes onto a command line as it stands (at most 259
// characters, needsNoQuotes); returns false, appending nothing, when it is not.
bool appendWord(NameList* list, const char* name, size_t length);
