#include "platform/file_names.h"

#include <cstring>

#include "platform/platform.h"

const char* findNamePart(const char* path) {
    const char* namePart = path;
    for (const char* p = path; *p != '\0'; p = platformCharNext(p)) {
        if (platformIsNameSeparator(*p))
            namePart = p + 1;
    }
    return namePart;
}

size_t stemLength(const char* namePart) {
    const char* lastDot = std::strrchr(namePart, '.');
    return lastDot ? static_cast<size_t>(lastDot - namePart) : std::strlen(namePart);
}

std::string withDefaultExtension(const char* name, const char* extension) {
    std::string fileName = name;
    if (std::strchr(findNamePart(name), '.') == nullptr)
        fileName += extension;
    return fileName;
}
