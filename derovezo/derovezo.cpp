// Import of the environment settings that the development system keeps in the registry.
//
// Precedence, from weakest to strongest: the maker-wide "Environment" key (fills gaps only),
// what the environment held at start, then the component keys in the order they are applied:
// COBOL\<version>\Environment, COBOL\Environment, then for each further component (in the
// registry's enumeration order) its versioned key and its own key.
//
// Values of a type other than text: a REG_DWORD becomes its unsigned decimal text, REG_BINARY
// data is skipped (it has no text form an environment variable could hold), every other type
// is taken as text up to its first NUL (so REG_MULTI_SZ gives its first string).
#include "derovezo/derovezo.h"

#include "platform/ascii.h"
#include "platform/platform.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

const char makerKeyName[] = "Software\\Quenlow";
const char productKeyName[] = VELDRA_PRODUCT_KEY;
const char environmentKeyName[] = "Environment";
const char cobolKeyName[] = "COBOL";
const char versionValueName[] = "Version";
const char parsedVariable[] = "VEZIDU_PARSED";
const char parsedValue[] = "True";
const int productMajorVersion = VELDRA_PRODUCT_MAJOR;
const int productMinorVersion = VELDRA_PRODUCT_MINOR;

const uint32_t nameRoom = 260;   // names of at most 259 characters
const uint32_t dataRoom = 1024;  // value data, terminator included
const uint32_t versionRoom = 30; // a component's "Version" value, terminator included
const unsigned firstExpansionSize = 1024;
const uint32_t openForWalk = accessQueryValue | accessEnumerateKeys;

// Grows to the largest expansion met; lives until the end of the import.
char* expansionStorage = nullptr;
unsigned expansionSize = 0;

void releaseExpansionStorage() {
    std::free(expansionStorage);
    expansionStorage = nullptr;
    expansionSize = 0;
}

// Replaces the storage by one of exactly `size` bytes; false (storage kept) when memory is out.
bool resizeExpansionStorage(unsigned size) {
    char* storage = static_cast<char*>(std::malloc(size));
    if (storage == nullptr) {
        return false;
    }
    std::free(expansionStorage);
    expansionStorage = storage;
    expansionSize = size;
    return true;
}

// Expands `text` into the storage; false when it cannot be expanded.
bool expandIntoStorage(const char* text) {
    if (expansionStorage == nullptr && !resizeExpansionStorage(firstExpansionSize)) {
        return false;
    }
    unsigned needed = platformExpandEnvironment(text, expansionStorage, expansionSize);
    while (needed > expansionSize) {
        if (!resizeExpansionStorage(needed)) {
            return false;
        }
        needed = platformExpandEnvironment(text, expansionStorage, expansionSize);
    }
    return needed != 0;
}

// The value's text, or false when the value has no text form (see the file comment).
bool valueText(uint32_t type, const unsigned char* data, uint32_t dataSize, std::string& text) {
    if (type == registryBinary) {
        return false;
    }
    if (type == registryDword) {
        if (dataSize != 4) {
            return false;
        }
        const unsigned long number =
            static_cast<unsigned long>(data[0]) | static_cast<unsigned long>(data[1]) << 8 |
            static_cast<unsigned long>(data[2]) << 16 | static_cast<unsigned long>(data[3]) << 24;
        char digits[16];
        std::snprintf(digits, sizeof digits, "%lu", number);
        text = digits;
        return true;
    }
    const void* end = std::memchr(data, 0, dataSize);
    text.assign(reinterpret_cast<const char*>(data),
                end == nullptr ? dataSize : static_cast<const unsigned char*>(end) - data);
    return true;
}

// Opens the "Environment" subkey of `key`, if there is one, and imports it.
void importEnvironmentSubkey(RegistryKey key, int keepExisting) {
    RegistryKey environment = nullptr;
    if (registryOpenKey(key, environmentKeyName, accessQueryValue, &environment) == 0) {
        importEnvironmentKey(environment, keepExisting);
        registryCloseKey(environment);
    }
}

// One component: its versioned key (when `versionName` names one that opens), then its own.
void importComponent(RegistryKey component, const char* versionName, bool alreadyImported) {
    RegistryKey versioned = nullptr;
    if (versionName != nullptr &&
        registryOpenKey(component, versionName, accessQueryValue, &versioned) == 0) {
        if (!alreadyImported) {
            importEnvironmentSubkey(versioned, 0);
        }
        registryCloseKey(versioned);
    }
    if (!alreadyImported) {
        importEnvironmentSubkey(component, 0);
    }
}

// "COBOL" first, then the other subkeys of the version key in enumeration order. An already
// imported run stops after the first component it meets and so imports nothing here.
void walkComponents(RegistryKey versionKey, const char* versionName, bool alreadyImported) {
    RegistryKey component = nullptr;
    if (registryOpenKey(versionKey, cobolKeyName, accessQueryValue, &component) == 0) {
        importComponent(component, versionName, alreadyImported);
        registryCloseKey(component);
        if (alreadyImported) {
            return;
        }
    }
    char name[nameRoom];
    for (uint32_t index = 0; registryEnumKey(versionKey, index, name, nameRoom) == 0; ++index) {
        if (sameAsciiText(name, cobolKeyName) || sameAsciiText(name, environmentKeyName) ||
            registryOpenKey(versionKey, name, accessQueryValue, &component) != 0) {
            continue;
        }
        // One byte beyond the room read, so the name ends even if the data carried no NUL.
        unsigned char ownVersion[versionRoom + 1] = {};
        uint32_t type = 0;
        uint32_t size = versionRoom;
        const bool hasVersion =
            registryQueryValue(component, versionValueName, &type, ownVersion, &size) == 0;
        importComponent(component, hasVersion ? reinterpret_cast<char*>(ownVersion) : nullptr,
                        alreadyImported);
        registryCloseKey(component);
        if (alreadyImported) {
            return;
        }
    }
}

} // namespace

void importEnvironmentKey(RegistryKey key, int keepExisting) {
    char name[nameRoom];
    unsigned char data[dataRoom + 1]; // room for a terminator after data that has none
    for (uint32_t index = 0;; ++index) {
        uint32_t type = 0;
        uint32_t dataSize = dataRoom;
        if (registryEnumValue(key, index, name, nameRoom, &type, data, &dataSize) != 0) {
            return; // no more values, or one that does not fit: the rest is not read
        }
        if (name[0] == 0 || (keepExisting != 0 && platformIsEnvironmentSet(name))) {
            continue;
        }
        std::string text;
        if (!valueText(type == registryExpandString ? registryString : type, data, dataSize,
                       text)) {
            continue;
        }
        if (type == registryExpandString) {
            if (expandIntoStorage(text.c_str())) {
                platformSetEnvironment(name, expansionStorage);
            }
        } else {
            platformSetEnvironment(name, text.c_str());
        }
    }
}

void importRegistryEnvironment() {
    std::string guard;
    const bool alreadyImported =
        platformGetEnvironment(parsedVariable, guard) && guard == parsedValue;

    // The machine's settings hide the user's entirely; the two are never combined.
    RegistryKey maker = nullptr;
    if (registryOpenRoot(rootLocalMachine, makerKeyName, openForWalk, &maker) != 0 &&
        registryOpenRoot(rootCurrentUser, makerKeyName, openForWalk, &maker) != 0) {
        return;
    }
    // Applied in an already imported run too: keeping what is set, it only fills gaps.
    importEnvironmentSubkey(maker, 1);

    RegistryKey product = nullptr;
    if (registryOpenKey(maker, productKeyName, openForWalk, &product) == 0) {
        char versionName[32];
        std::snprintf(versionName, sizeof versionName, "%d.%d", productMajorVersion,
                      productMinorVersion);
        RegistryKey versionKey = nullptr;
        if (registryOpenKey(product, versionName, openForWalk, &versionKey) == 0) {
            walkComponents(versionKey, versionName, alreadyImported);
            if (!alreadyImported) {
                platformSetEnvironment(parsedVariable, parsedValue);
            }
            registryCloseKey(versionKey);
        }
        registryCloseKey(product);
    }
    registryCloseKey(maker);
    releaseExpansionStorage();
}
