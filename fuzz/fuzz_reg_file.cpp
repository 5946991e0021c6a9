// The .reg reader on random bytes, keeping UTF-8 and converting to the locale's encoding: it
// must not crash, and every key and value it made is found again by its path and name.
#include <clocale>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "platform/registry/reg_file.h"

namespace {

void checkKey(const RegFileKey& root, const RegFileKey& key, const std::string& path) {
    FUZZ_CHECK(regFileFindKey(root, path.c_str()) == &key);
    for (const RegFileValue& value : key.values)
        FUZZ_CHECK(regFileFindValue(key, value.name.c_str()) == &value);
    for (const RegFileKey& subkey : key.subkeys)
        checkKey(root, subkey, path.empty() ? subkey.name : path + "\\" + subkey.name);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    std::setlocale(LC_ALL, "C.UTF-8");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    for (RegFileText text : {regFileUtf8, regFileLocale}) {
        RegFileKey root;
        regFileParse(reinterpret_cast<const char*>(data), size, text, root);
        checkKey(root, root, "");
    }
    return 0;
}
