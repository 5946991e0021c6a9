// The .reg reader on random bytes, keeping UTF-8 and converting to the locale's encoding: it
// must not crash, and every key and value it made is found again by its name.
#include <clocale>
#include <cstdint>

#include "fuzz_support.h"
#include "platform/registry/reg_file.h"

namespace {

// Each key below its parent (a name holding a separator, or an empty one, is not found), each
// value in its key.
void checkKey(const RegFileKey& key) {
    for (const RegFileValue& value : key.values)
        FUZZ_CHECK(regFileFindValue(key, value.name.c_str()) == &value);
    for (const RegFileKey& subkey : key.subkeys) {
        FUZZ_CHECK(regFileFindKey(key, subkey.name.c_str()) == &subkey);
        checkKey(subkey);
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    std::setlocale(LC_ALL, "C.UTF-8");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // In the UTF-8 locale, ASCII reads the same whichever the target text.
    bool ascii = true;
    for (size_t i = 0; i < size && ascii; ++i)
        ascii = data[i] < 0x80;
    for (RegFileText text : {regFileUtf8, regFileLocale}) {
        if (text == regFileLocale && ascii)
            break;
        RegFileKey root;
        regFileParse(reinterpret_cast<const char*>(data), size, text, root);
        checkKey(root);
    }
    return 0;
}
