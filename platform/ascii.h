// ASCII case folding: the same under every locale and code page, for the letters and names the
// system itself compares (option letters, extensions, registry keys, tool names). Only a name
// the user chose is upper-cased by the run's locale (platformUpperCase).
#pragma once

inline char asciiUpper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

inline char asciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// True when a and b differ at most in the case of ASCII letters.
inline bool sameAsciiText(const char* a, const char* b) {
    for (; asciiUpper(*a) == asciiUpper(*b); ++a, ++b) {
        if (*a == '\0')
            return true;
    }
    return false;
}
