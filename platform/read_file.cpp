#include "platform/read_file.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

char* readWholeFile(const char* name, size_t* size) {
    std::FILE* file = std::fopen(name, "rb");
    if (file == nullptr)
        return nullptr;
    // Read in steps rather than by the size the file claims: a file that grows or shrinks
    // meanwhile, or a device, gives what it gives.
    size_t capacity = 64 * 1024, used = 0;
    char* text = static_cast<char*>(std::malloc(capacity + 1));
    while (text != nullptr) {
        used += std::fread(text + used, 1, capacity - used, file);
        if (used < capacity)
            break;
        char* grown = static_cast<char*>(std::realloc(text, 2 * capacity + 1));
        if (grown == nullptr)
            std::free(text);
        text = grown;
        capacity *= 2;
    }
    const bool good = text != nullptr && std::ferror(file) == 0;
    std::fclose(file);
    if (!good) {
        std::free(text);
        return nullptr;
    }
    text[used] = '\0';
    *size = used;
    return text;
}
