// UTF-8 text in the multi-byte encoding of the current C locale (LC_CTYPE), for the string
// table and the registry store of the POSIX build, whose sources are UTF-8.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Length of the well-formed UTF-8 sequence at text[pos] and its code point in c; 0 when the
// bytes there are not one.
size_t decodeUtf8(const std::string& text, size_t pos, uint32_t& c);

// `text` converted character by character through wcrtomb into `out`; a byte sequence that is
// no UTF-8 or a character the locale cannot hold becomes '?'. True when none did.
bool localeFromUtf8(const std::string& text, std::string& out);
