#include "platform/locale_text.h"

#include <climits>
#include <cwchar>

// Length of the well-formed UTF-8 sequence at text[pos] and its code point in c; 0 when the
// bytes there are not one.
size_t decodeUtf8(const std::string& text, size_t pos, uint32_t& c) {
    const unsigned char lead = static_cast<unsigned char>(text[pos]);
    size_t length = 1;
    uint32_t smallest = 0;
    if (lead < 0x80) {
        c = lead;
        return 1;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, c = lead & 0x1F, smallest = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, c = lead & 0x0F, smallest = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, c = lead & 0x07, smallest = 0x10000;
    } else {
        return 0;
    }
    if (text.size() - pos < length) {
        return 0;
    }
    for (size_t i = 1; i < length; ++i) {
        const unsigned char trail = static_cast<unsigned char>(text[pos + i]);
        if ((trail & 0xC0) != 0x80) {
            return 0;
        }
        c = (c << 6) | (trail & 0x3F);
    }
    if (c < smallest || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        return 0;
    }
    return length;
}

// Through wcrtomb, so the result follows whatever locale the program has set.
bool localeFromUtf8(const std::string& text, std::string& out) {
    out.clear();
    bool whole = true;
    out.reserve(text.size());
    std::mbstate_t state{};
    char buffer[MB_LEN_MAX];
    for (size_t pos = 0; pos < text.size();) {
        uint32_t c = '?';
        const size_t length = decodeUtf8(text, pos, c);
        pos += length == 0 ? 1 : length;
        whole = whole && length != 0;
        if (c < 0x80) {
            out += static_cast<char>(c);
            continue;
        }
        size_t written = static_cast<size_t>(-1);
        if (c <= static_cast<uint32_t>(WCHAR_MAX)) {
            written = std::wcrtomb(buffer, static_cast<wchar_t>(c), &state);
        }
        if (written == static_cast<size_t>(-1)) {
            whole = false;
            out += '?';
            state = std::mbstate_t{};
        } else {
            out.append(buffer, written);
        }
    }
    return whole;
}
