// The registry on POSIX: two .reg files stand in for the two roots the import looks at.
//   HKEY_LOCAL_MACHINE  <sysconfdir>/quenlow/registry.reg
//   HKEY_CURRENT_USER   $XDG_CONFIG_HOME/quenlow/registry.reg ($HOME/.config when unset)
// Each file is read on first use and kept for the rest of the run; a file that is missing or
// cannot be read is a root without keys. Results follow the Win32 calls, access checks and
// error numbers included, so the import behaves alike on both systems.
#include "platform/registry/registry_posix.h"

#include "platform/registry/reg_file.h"
#include "platform/registry/registry_store.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

namespace {

enum : long {
    errorSuccess = 0,
    errorFileNotFound = 2,
    errorAccessDenied = 5,
    errorInvalidHandle = 6,
    errorMoreData = 234,
    errorNoMoreItems = 259,
};

const char storeFileName[] = "/quenlow/registry.reg";

struct StoreRoot {
    bool pathChosen; // by registrySetStoreFiles
    std::string path;
    bool loaded;
    RegFileKey tree;
};

StoreRoot storeRoots[2];

// What a RegistryKey points to.
struct OpenKey {
    const RegFileKey* key;
    uint32_t access;
};

std::string defaultStorePath(RegistryRoot root) {
    if (root == rootLocalMachine) {
        return std::string(VELDRA_SYSCONFDIR) + storeFileName;
    }
    // A relative XDG_CONFIG_HOME is to be ignored, as the base-directory convention says.
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    if (configHome != nullptr && configHome[0] == '/') {
        return configHome + std::string(storeFileName);
    }
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] == 0) {
        return std::string();
    }
    return home + std::string("/.config") + storeFileName;
}

bool readWholeFile(const std::string& path, std::string& bytes) {
    std::FILE* file = path.empty() ? nullptr : std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return false;
    }
    char buffer[16384];
    size_t count = 0;
    while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        bytes.append(buffer, count);
    }
    const bool good = std::ferror(file) == 0;
    std::fclose(file);
    return good;
}

const RegFileKey& storeTree(RegistryRoot root) {
    StoreRoot& store = storeRoots[root == rootLocalMachine ? 0 : 1];
    if (!store.loaded) {
        store.loaded = true;
        store.tree = RegFileKey();
        std::string bytes;
        if (readWholeFile(store.pathChosen ? store.path : defaultStorePath(root), bytes)) {
            regFileParse(bytes.data(), bytes.size(), regFileLocale, store.tree);
        }
    }
    return store.tree;
}

long openBelow(const RegFileKey& parent, const char* subKey, uint32_t access, RegistryKey* out) {
    *out = nullptr;
    const RegFileKey* found = regFileFindKey(parent, subKey == nullptr ? "" : subKey);
    if (found == nullptr) {
        return errorFileNotFound;
    }
    OpenKey* handle = new (std::nothrow) OpenKey{found, access};
    if (handle == nullptr) {
        return errorFileNotFound;
    }
    *out = handle;
    return errorSuccess;
}

// The open key behind `key` when it was opened with `access`; nullptr otherwise (and *error).
const RegFileKey* keyWithAccess(RegistryKey key, uint32_t access, long* error) {
    const OpenKey* handle = static_cast<const OpenKey*>(key);
    if (handle == nullptr) {
        *error = errorInvalidHandle;
        return nullptr;
    }
    if ((handle->access & access) != access) {
        *error = errorAccessDenied;
        return nullptr;
    }
    return handle->key;
}

// Copies a value's data as RegQueryValueExA does: with no buffer only the size is told; with a
// buffer too small nothing is copied, the size needed is told and the answer is "more data".
long copyData(const RegFileValue& value, uint32_t* type, unsigned char* data, uint32_t* dataSize) {
    if (type != nullptr) {
        *type = value.type;
    }
    if (dataSize == nullptr) {
        return data == nullptr ? errorSuccess : errorInvalidHandle;
    }
    const uint32_t room = *dataSize;
    *dataSize = static_cast<uint32_t>(value.data.size());
    if (data == nullptr) {
        return errorSuccess;
    }
    if (value.data.size() > room) {
        return errorMoreData;
    }
    std::memcpy(data, value.data.data(), value.data.size());
    return errorSuccess;
}

} // namespace

void registrySetStoreFiles(const char* localMachine, const char* currentUser) {
    const char* paths[2] = {localMachine, currentUser};
    for (int i = 0; i < 2; ++i) {
        storeRoots[i].pathChosen = paths[i] != nullptr;
        storeRoots[i].path = paths[i] != nullptr ? paths[i] : "";
        storeRoots[i].loaded = false;
        storeRoots[i].tree = RegFileKey();
    }
}

long registryOpenRoot(RegistryRoot root, const char* subKey, uint32_t access, RegistryKey* out) {
    return openBelow(storeTree(root), subKey, access, out);
}

long registryOpenKey(RegistryKey key, const char* subKey, uint32_t access, RegistryKey* out) {
    long error = errorSuccess;
    const RegFileKey* parent = keyWithAccess(key, 0, &error);
    if (parent == nullptr) {
        *out = nullptr;
        return error;
    }
    return openBelow(*parent, subKey, access, out);
}

long registryEnumKey(RegistryKey key, uint32_t index, char* name, uint32_t nameSize) {
    long error = errorSuccess;
    const RegFileKey* parent = keyWithAccess(key, accessEnumerateKeys, &error);
    if (parent == nullptr) {
        return error;
    }
    if (index >= parent->subkeys.size()) {
        return errorNoMoreItems;
    }
    const std::string& found = parent->subkeys[index].name;
    if (found.size() >= nameSize) {
        return errorMoreData;
    }
    std::memcpy(name, found.c_str(), found.size() + 1);
    return errorSuccess;
}

long registryQueryValue(RegistryKey key, const char* name, uint32_t* type, unsigned char* data,
                        uint32_t* dataSize) {
    long error = errorSuccess;
    const RegFileKey* owner = keyWithAccess(key, accessQueryValue, &error);
    if (owner == nullptr) {
        return error;
    }
    const RegFileValue* value = regFileFindValue(*owner, name == nullptr ? "" : name);
    return value == nullptr ? errorFileNotFound : copyData(*value, type, data, dataSize);
}

long registryEnumValue(RegistryKey key, uint32_t index, char* name, uint32_t nameSize,
                       uint32_t* type, unsigned char* data, uint32_t* dataSize) {
    long error = errorSuccess;
    const RegFileKey* owner = keyWithAccess(key, accessQueryValue, &error);
    if (owner == nullptr) {
        return error;
    }
    if (index >= owner->values.size()) {
        return errorNoMoreItems;
    }
    const RegFileValue& value = owner->values[index];
    if (value.name.size() >= nameSize) {
        return errorMoreData;
    }
    std::memcpy(name, value.name.c_str(), value.name.size() + 1);
    return copyData(value, type, data, dataSize);
}

void registryCloseKey(RegistryKey key) {
    delete static_cast<OpenKey*>(key);
}
