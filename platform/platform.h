// The platform layer: the few services veldra takes from the operating system.
// One implementation per system (platform_win32.cpp, platform_posix.cpp), picked by the
// build; the unit tests link platform_fake.cpp instead, which records what a run asks of the
// system. Everything above this header is written once and never includes system headers.
#pragma once

#include <cstddef>
#include <string>

// The process's raw command line, program name included (GetCommandLineA on Windows;
// rebuilt from argv on POSIX, see command_words.h), terminated, unchanged to the end of the
// run. Called once as the run starts; on POSIX it also sets SIGPIPE to be ignored, so that
// output into a closed pipe fails as on Windows instead of ending the run (children start
// with the default again).
const char* platformCommandLine(int argc, char** argv);

// Loads string-table entry `id` of the program's resources into `buffer` (size bytes,
// terminator included), in the user's language. Returns the characters loaded, 0 when the
// table has no such entry.
int platformLoadString(int id, char* buffer, int size);

// The character after the one at `text` in the run's multi-byte code page (CharNextA).
// At the terminator it returns `text` itself.
const char* platformCharNext(const char* text);

// Upper-cases `text` in place by the run's locale rules (CharUpperBuffA).
void platformUpperCase(char* text);

// Environment of the driver's own process, inherited by every child.
bool platformGetEnvironment(const char* name, std::string& value); // false when unset
bool platformIsEnvironmentSet(const char* name);                   // set, even when empty
void platformSetEnvironment(const char* name, const char* value);  // null value: unset
// Expands %NAME% references as ExpandEnvironmentStringsA does. Returns the size needed for
// the result, terminator included; writes it to `out` only when it fits in `size` bytes.
unsigned platformExpandEnvironment(const char* text, char* out, unsigned size);

// Identifier of the driver's own process.
unsigned platformProcessId();

// Looks up the program `name` (SearchPathA with default extension ".exe"). With `dirList`
// (directories separated by ";") only along those; without it, along the platform's
// standard order for programs. Writes the full path into `out` (size bytes) and returns its
// length, 0 when not found. A path that does not fit: 0 on Windows, as SearchPathA leaves it;
// on POSIX its length (size or more) with `out` empty, so that any length is found.
unsigned platformFindProgram(const char* name, const char* dirList, char* out, unsigned size);

// Looks for the file `name` in the one directory `dir` (SearchPathA with default extension
// ".lib"). Writes the full path into `out` and returns its length, 0 when not found; a path
// that does not fit as for platformFindProgram.
unsigned platformFindLibrary(const char* dir, const char* name, char* out, unsigned size);

// Runs one child to its end. `programPath` is what the lookup found (POSIX runs exactly that
// file; Windows lets process creation resolve the command line's first word again). The
// child's whole command line is `programWord` (the program name, or the quoted path found)
// followed directly by `commandText`; neither is changed. On success stores the child's exit
// code (255 when the wait fails; POSIX: 128 + signal for a killed child) and returns true;
// returns false when the child cannot be started.
bool platformRunChild(const char* programPath, const char* programWord, const char* commandText,
                      unsigned* exitCode);

// Reads the whole file `name` into storage of its own (std::malloc; the caller releases it
// with std::free), with a terminator after its *size bytes. nullptr for a file that is
// missing or unreadable, or that does not fit in memory.
char* platformReadFile(const char* name, size_t* size);

// Removes the file `name` from the current directory; a file that is not there is no error.
void platformRemoveFile(const char* name);

// Ends the process with `status`, standard output flushed.
[[noreturn]] void platformExit(int status);

// The shared runtime library held during the run; no function of it is ever called.
void* platformLoadLibrary(const char* name);
void platformFreeLibrary(void* handle);

// The native machine as a MachineType value: 2 ia64, 3 amd64, 0 for anything else.
int platformNativeMachine();

// Conventions of file names and command lines that differ between the systems.
// True for the characters that end a directory part ("\" and ":"; POSIX also "/").
bool platformIsNameSeparator(char c);
// True for the characters that open an option group ("-" and "/"; POSIX only "-", since
// absolute paths begin with "/" there).
bool platformOpensOptionGroup(char c);
// Writes the path of a file found into `out` (size bytes) and returns its length. A path that
// does not fit: on Windows 0, as SearchPathA leaves it; on POSIX its length, `out` empty, so
// that the caller can ask again with room for it.
unsigned platformStoreFoundPath(const std::string& path, char* out, unsigned size);

// The registry as the environment import sees it: open, enumerate, query, close. On Windows
// the real registry; on POSIX a store of .reg files (registry/registry_posix.cpp); in the unit
// tests the fake's keys. Keys and values as the Win32 calls give them, in the ANSI code page.
#include <cstdint>

typedef void* RegistryKey;

enum RegistryRoot { rootLocalMachine, rootCurrentUser };

enum : uint32_t {
    accessQueryValue = 0x1,    // KEY_QUERY_VALUE
    accessEnumerateKeys = 0x8, // KEY_ENUMERATE_SUB_KEYS
};

enum : uint32_t {
    registryString = 1,       // REG_SZ
    registryExpandString = 2, // REG_EXPAND_SZ
    registryBinary = 3,       // REG_BINARY
    registryDword = 4,        // REG_DWORD
    registryMultiString = 7,  // REG_MULTI_SZ
};

// Each call returns 0 on success and nonzero otherwise, as the Win32 registry does.

// Opens subKey ("A\\B" paths allowed) below a root.
long registryOpenRoot(RegistryRoot root, const char* subKey, uint32_t access, RegistryKey* out);
// Opens subKey below an open key.
long registryOpenKey(RegistryKey key, const char* subKey, uint32_t access, RegistryKey* out);
// Name of the subkey at index (nameSize bytes with terminator); nonzero past the last one
// or when the name does not fit.
long registryEnumKey(RegistryKey key, uint32_t index, char* name, uint32_t nameSize);
// Reads value `name`; *dataSize in: room in bytes, out: bytes stored. Nonzero when missing or
// when it does not fit.
long registryQueryValue(RegistryKey key, const char* name, uint32_t* type, unsigned char* data,
                        uint32_t* dataSize);
// Value at index: name (nameSize bytes with terminator), type and data (*dataSize in/out).
// Nonzero past the last value, or when the name or data does not fit.
long registryEnumValue(RegistryKey key, uint32_t index, char* name, uint32_t nameSize,
                       uint32_t* type, unsigned char* data, uint32_t* dataSize);
void registryCloseKey(RegistryKey key);
