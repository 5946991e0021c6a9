// The registry over in-memory key trees, with the answers of the Win32 calls (access checks
// and error numbers included), so that the import behaves alike over the POSIX store, the
// unit tests' fake and the real registry.
#include "platform/registry/registry_tree.h"

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

// What a RegistryKey points to.
struct OpenKey {
    const RegFileKey* key;
    uint32_t access;
};

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

// Copies the name of a key or value for the Enum calls: "more data" when it leaves no room for
// its terminator.
long copyName(const std::string& found, char* name, uint32_t nameSize) {
    if (found.size() >= nameSize) {
        return errorMoreData;
    }
    std::memcpy(name, found.c_str(), found.size() + 1);
    return errorSuccess;
}

} // namespace

long registryOpenRoot(RegistryRoot root, const char* subKey, uint32_t access, RegistryKey* out) {
    return openBelow(registryRootTree(root), subKey, access, out);
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
    return copyName(parent->subkeys[index].name, name, nameSize);
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
    const long named = copyName(value.name, name, nameSize);
    return named != errorSuccess ? named : copyData(value, type, data, dataSize);
}

void registryCloseKey(RegistryKey key) {
    delete static_cast<OpenKey*>(key);
}
