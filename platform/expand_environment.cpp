#include "platform/expand_environment.h"

#include <cstring>
#include <string>

#include "platform/platform.h"

unsigned expandEnvironmentReferences(const char* text, char* out, unsigned size) {
    std::string result;
    std::string value;
    const char* p = text;
    while (*p != '\0') {
        const char* close = *p == '%' ? std::strchr(p + 1, '%') : nullptr;
        if (close == nullptr) {
            result += *p++;
            continue;
        }
        if (platformGetEnvironment(std::string(p + 1, close).c_str(), value))
            result += value;
        else
            result.append(p, close + 1);
        p = close + 1;
    }
    unsigned needed = static_cast<unsigned>(result.size() + 1);
    if (needed <= size)
        std::memcpy(out, result.c_str(), needed);
    return needed;
}
