// The registry on Windows: the Win32 calls themselves, in the ANSI code page.
#include "platform/platform.h"

#include <windows.h>

namespace {

const DWORD classRoom = 260;

HKEY rootHandle(RegistryRoot root) {
    return root == rootLocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

// Every key in the 32-bit view (WOW6432Node below HKEY_LOCAL_MACHINE\Software), where the
// development system's installer writes: the 64-bit build sees what the 32-bit one sees.
// HKEY_CURRENT_USER\Software is the same in both views.
long openBelow(HKEY parent, const char* subKey, uint32_t access, RegistryKey* out) {
    HKEY key = nullptr;
    const LONG result = RegOpenKeyExA(parent, subKey, 0, access | KEY_WOW64_32KEY, &key);
    *out = result == ERROR_SUCCESS ? key : nullptr;
    return result;
}

} // namespace

long registryOpenRoot(RegistryRoot root, const char* subKey, uint32_t access, RegistryKey* out) {
    return openBelow(rootHandle(root), subKey, access, out);
}

long registryOpenKey(RegistryKey key, const char* subKey, uint32_t access, RegistryKey* out) {
    return openBelow(static_cast<HKEY>(key), subKey, access, out);
}

long registryEnumKey(RegistryKey key, uint32_t index, char* name, uint32_t nameSize) {
    // The class is not used, but a class longer than its buffer fails the call as well.
    char className[classRoom];
    DWORD nameLength = nameSize;
    DWORD classLength = classRoom;
    return RegEnumKeyExA(static_cast<HKEY>(key), index, name, &nameLength, nullptr, className,
                         &classLength, nullptr);
}

long registryQueryValue(RegistryKey key, const char* name, uint32_t* type, unsigned char* data,
                        uint32_t* dataSize) {
    DWORD valueType = 0;
    DWORD size = dataSize != nullptr ? *dataSize : 0;
    const LONG result = RegQueryValueExA(static_cast<HKEY>(key), name, nullptr, &valueType, data,
                                         dataSize != nullptr ? &size : nullptr);
    if (type != nullptr) {
        *type = valueType;
    }
    if (dataSize != nullptr) {
        *dataSize = size;
    }
    return result;
}

long registryEnumValue(RegistryKey key, uint32_t index, char* name, uint32_t nameSize,
                       uint32_t* type, unsigned char* data, uint32_t* dataSize) {
    DWORD nameLength = nameSize;
    DWORD valueType = 0;
    DWORD size = dataSize != nullptr ? *dataSize : 0;
    const LONG result = RegEnumValueA(static_cast<HKEY>(key), index, name, &nameLength, nullptr,
                                      &valueType, data, dataSize != nullptr ? &size : nullptr);
    if (type != nullptr) {
        *type = valueType;
    }
    if (dataSize != nullptr) {
        *dataSize = size;
    }
    return result;
}

void registryCloseKey(RegistryKey key) {
    if (key != nullptr) {
        RegCloseKey(static_cast<HKEY>(key));
    }
}
