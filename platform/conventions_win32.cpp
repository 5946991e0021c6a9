#include "platform/platform.h"

bool platformIsNameSeparator(char c) {
    return c == '\\' || c == ':';
}

bool platformOpensOptionGroup(char c) {
    return c == '-' || c == '/';
}
