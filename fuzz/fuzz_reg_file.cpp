// The .reg reader on random bytes, keeping UTF-8 and converting to the locale's encoding: it
// must not crash, and every key and value it made is found again by its name.
#include <algorithm>
#include <clocale>
#include <cstdint>

#include "fuzz_support.h"
#include "platform/registry/reg_file.h"

// Each key below its parent (a name holding a separator, or an empty one, is not found), each
// value in its key.
static void checkKey(const RegFileKey& key) {
    for (const RegFileValue& value : key.values)
        FUZZ_CHECK(regFileFindValue(key, value.name.c_str()) == &value);
    for (const RegFileKey& subkey : key.subkeys) {
        FUZZ_CHECK(regFileFindKey(key, subkey.name.c_str()) == &subkey);
        checkKey(subkey);
    }
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    std::setlocale(LC_ALL, "C.UTF-8");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // In the UTF-8 locale, ASCII reads the same whichever the target text.
    const bool ascii = std::all_of(data, data + size, [](uint8_t byte) { return byte < 0x80; });
    for (RegFileText text : {regFileUtf8, regFileLocale}) {
        if (text == regFileLocale && ascii)
            break;
        RegFileKey root;
        regFileParse(reinterpret_cast<const char*>(data), size, text, root);
        checkKey(root);
    }
    return 0;
}
