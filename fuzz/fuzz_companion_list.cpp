// The companion-list reader on random bytes, as the list of the output "fuzz", read from memory.
// It must neither crash nor leak.
#include <cstdint>
#include <vector>

#include "driver/tokenizer.h"
#include "fuzz_support.h"
#include "inputs/companion_list.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<char> text(data, data + size);
    text.push_back('\0'); // the terminator, as the list is read
    resetFuzzRunState();
    try {
        addCompanionListNames(text.data(), size);
    } catch (const FakeExit&) {
        // A fatal error: the run would end here.
    }
    // Frees the lists again: libFuzzer runs an input that ends with more allocations than
    // releases a second time, looking for a leak.
    resetFuzzRunState();
    return 0;
}
