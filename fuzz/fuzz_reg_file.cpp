// The .reg reader on random bytes. The same bytes are read twice, keeping UTF-8 and converting
// to the locale's encoding; under a UTF-8 locale both readings must give the same tree.
#include <clocale>
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz_support.h"
#include "platform/reg_file.h"

namespace {

bool utf8Locale = false;

// Subkeys strictly ordered (so no two alike), names whole (no "\\", no NUL), value names
// unique, and every key and value found again by the lookups under its path. (The data may
// have any shape: "hex(4):" with three bytes is a DWORD of three bytes, as in the registry.)
void checkKey(const RegFileKey& root, const RegFileKey& key, const std::string& path,
              size_t depth) {
    FUZZ_CHECK(depth <= 512);
    for (size_t i = 0; i < key.subkeys.size(); ++i) {
        const std::string& name = key.subkeys[i].name;
        FUZZ_CHECK(!name.empty());
        FUZZ_CHECK(name.find('\\') == std::string::npos);
        FUZZ_CHECK(name.find('\0') == std::string::npos);
        if (i > 0)
            FUZZ_CHECK(regFileCompareNames(key.subkeys[i - 1].name.c_str(), name.c_str()) < 0);
    }
    for (size_t i = 0; i < key.values.size(); ++i) {
        const RegFileValue& value = key.values[i];
        FUZZ_CHECK(value.name.find('\0') == std::string::npos);
        for (size_t j = 0; j < i; ++j)
            FUZZ_CHECK(regFileCompareNames(key.values[j].name.c_str(), value.name.c_str()) != 0);
        FUZZ_CHECK(regFileFindValue(key, value.name.c_str()) == &value);
    }
    FUZZ_CHECK(regFileFindKey(root, path.c_str()) == &key);
    for (const RegFileKey& subkey : key.subkeys)
        checkKey(root, subkey, path.empty() ? subkey.name : path + "\\" + subkey.name, depth + 1);
}

bool sameTree(const RegFileKey& a, const RegFileKey& b) {
    if (a.name != b.name || a.subkeys.size() != b.subkeys.size() ||
        a.values.size() != b.values.size())
        return false;
    for (size_t i = 0; i < a.values.size(); ++i) {
        const RegFileValue& x = a.values[i];
        const RegFileValue& y = b.values[i];
        if (x.name != y.name || x.type != y.type || x.data != y.data)
            return false;
    }
    for (size_t i = 0; i < a.subkeys.size(); ++i)
        if (!sameTree(a.subkeys[i], b.subkeys[i]))
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    utf8Locale = std::setlocale(LC_ALL, "C.UTF-8") != nullptr;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* bytes = reinterpret_cast<const char*>(data);
    RegFileKey utf8;
    regFileParse(bytes, size, regFileUtf8, utf8);
    checkKey(utf8, utf8, "", 0);
    RegFileKey local;
    regFileParse(bytes, size, regFileLocale, local);
    checkKey(local, local, "", 0);
    if (utf8Locale)
        FUZZ_CHECK(sameTree(utf8, local));
    return 0;
}
