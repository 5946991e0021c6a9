// The registry as the environment import sees it: open, enumerate, query, close.
// registry_win32.cpp is the real registry; registry_posix.cpp reads the .reg files of the
// POSIX substitute store.
#pragma once

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
