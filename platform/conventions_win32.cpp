#include "platform/platform.h"

#include <cstring>

bool platformIsNameSeparator(char c) {
    return c == '\\' || c == ':';
}

bool platformOpensOptionGroup(char c) {
    return c == '-' || c == '/';
}

unsigned platformStoreFoundPath(const std::string& path, char* out, unsigned size) {
    if (path.size() >= size)
        return 0;
    std::memcpy(out, path.c_str(), path.size() + 1);
    return static_cast<unsigned>(path.size());
}
