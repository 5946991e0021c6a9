#include "platform/platform.h"

#include <cstring>

bool platformIsNameSeparator(char c) {
    return c == '\\' || c == ':' || c == '/';
}

bool platformOpensOptionGroup(char c) {
    return c == '-';
}

unsigned platformStoreFoundPath(const std::string& path, char* out, unsigned size) {
    if (path.size() < size)
        std::memcpy(out, path.c_str(), path.size() + 1);
    else if (size > 0)
        out[0] = '\0';
    return static_cast<unsigned>(path.size());
}
