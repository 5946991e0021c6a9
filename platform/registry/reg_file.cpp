// Reader of the .reg text format. The grammar, one logical line at a time:
//
//   file      = [byte-order mark] [header] { line }
//   header    = "Windows Registry Editor Version 5.00" | "REGEDIT4"
//   line      = blank | ";" comment | keyLine | valueLine
//   keyLine   = "[" hive { "\" name } "]"           hive starts with "HKEY_"
//             | "[-" path "]"                        a deletion: ignored
//   valueLine = ( "@" | quoted ) "=" data            "@" is the default value
//   data      = quoted                               REG_SZ
//             | "dword:" 1*8 hexdigit                REG_DWORD
//             | "hex:" bytes                         REG_BINARY
//             | "hex(" 1*8 hexdigit "):" bytes       that type
//             | "-"                                  a deletion: ignored
//   quoted    = '"' { char | "\\" | "\"" } '"'       any other backslash stands for itself
//   bytes     = [ hh { "," hh } [","] ]              continued on the next line after a final "\"
//
// Lines end in LF or CRLF; blanks and tabs may surround the parts. A first line that is not a
// header is read as an ordinary line of a "5.00" file. In "5.00" files the data of hex(1),
// hex(2) and hex(7) is UTF-16LE text; in "REGEDIT4" files it is already in the locale's bytes.
#include "platform/registry/reg_file.h"

#include "platform/ascii.h"
#include "platform/locale_text.h"
#include "platform/platform.h"

#include <algorithm>
#include <climits>
#include <cwchar>

namespace {

const size_t maximumKeyDepth = 512; // Windows' own limit of key nesting
const char unicodeHeader[] = "Windows Registry Editor Version 5.00";
const char ansiHeader[] = "REGEDIT4";

struct ParseState {
    RegFileText target;
    bool textIsUtf8;     // false: the file is in the locale's bytes and kept as written
    bool unicodeData;    // hex(1)/hex(2)/hex(7) data is UTF-16LE
    RegFileKey* current; // key of the last good key line; nullptr after a deletion or a bad one
};

int foldedByte(char c) {
    return static_cast<unsigned char>(asciiUpper(c));
}

bool startsWithIgnoringCase(const std::string& text, size_t pos, const char* prefix) {
    for (; *prefix != 0; ++prefix, ++pos) {
        if (pos >= text.size() || foldedByte(text[pos]) != foldedByte(*prefix)) {
            return false;
        }
    }
    return true;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

size_t skipBlanks(const std::string& text, size_t pos) {
    while (pos < text.size() && isBlank(text[pos])) {
        ++pos;
    }
    return pos;
}

// Position just past the last character that is not a blank.
size_t trimmedEnd(const std::string& text) {
    size_t end = text.size();
    while (end > 0 && isBlank(text[end - 1])) {
        --end;
    }
    return end;
}

int hexDigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    const int folded = foldedByte(c);
    return folded >= 'A' && folded <= 'F' ? folded - 'A' + 10 : -1;
}

void appendUtf8(std::string& out, uint32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// An odd last byte is dropped; a lone surrogate becomes U+FFFD.
std::string utf8FromUtf16(const char* bytes, size_t size) {
    std::string out;
    out.reserve(size);
    const size_t units = size / 2;
    const auto unitAt = [bytes](size_t i) {
        return static_cast<uint32_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                     static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
    };
    for (size_t i = 0; i < units; ++i) {
        uint32_t c = unitAt(i);
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units && unitAt(i + 1) >= 0xDC00 &&
            unitAt(i + 1) <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (unitAt(i + 1) - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        appendUtf8(out, c);
    }
    return out;
}

bool isValidUtf8(const std::string& text) {
    uint32_t c = 0;
    for (size_t pos = 0; pos < text.size();) {
        const size_t length = decodeUtf8(text, pos, c);
        if (length == 0) {
            return false;
        }
        pos += length;
    }
    return true;
}

std::string inLocale(const std::string& utf8) {
    std::string text;
    localeFromUtf8(utf8, text);
    return text;
}

// Names and quoted strings of the file.
std::string fileText(const std::string& text, const ParseState& state) {
    return state.target == regFileLocale && state.textIsUtf8 ? inLocale(text) : text;
}

// The data of hex(1), hex(2) and hex(7).
std::string dataText(const std::string& bytes, const ParseState& state) {
    if (!state.unicodeData) {
        return bytes;
    }
    const std::string utf8 = utf8FromUtf16(bytes.data(), bytes.size());
    return state.target == regFileLocale ? inLocale(utf8) : utf8;
}

bool nameLess(const RegFileKey& key, const std::string& name) {
    return regFileCompareNames(key.name.c_str(), name.c_str()) < 0;
}

RegFileKey& subkeyOf(RegFileKey& key, const std::string& name) {
    auto place = std::lower_bound(key.subkeys.begin(), key.subkeys.end(), name, nameLess);
    if (place != key.subkeys.end() && regFileCompareNames(place->name.c_str(), name.c_str()) == 0) {
        return *place;
    }
    place = key.subkeys.insert(place, RegFileKey());
    place->name = name;
    return *place;
}

void setValue(RegFileKey& key, const std::string& name, uint32_t type, const std::string& data) {
    for (RegFileValue& value : key.values) {
        if (regFileCompareNames(value.name.c_str(), name.c_str()) == 0) {
            value.type = type;
            value.data = data;
            return;
        }
    }
    key.values.push_back(RegFileValue{name, type, data});
}

// At text[pos] == '"'; on success pos is past the closing quote.
bool parseQuoted(const std::string& text, size_t& pos, std::string& out) {
    for (++pos; pos < text.size(); ++pos) {
        if (text[pos] == '"') {
            ++pos;
            return true;
        }
        if (text[pos] == '\\' && pos + 1 < text.size() &&
            (text[pos + 1] == '\\' || text[pos + 1] == '"')) {
            ++pos;
        }
        out += text[pos];
    }
    return false;
}

// 1 to 8 hexadecimal digits from text[pos]; pos moves past them.
bool parseHexNumber(const std::string& text, size_t& pos, uint32_t& value) {
    size_t digits = 0;
    value = 0;
    for (; pos < text.size() && hexDigitValue(text[pos]) >= 0; ++pos, ++digits) {
        value = value << 4 | static_cast<uint32_t>(hexDigitValue(text[pos]));
    }
    return digits >= 1 && digits <= 8;
}

bool parseByteList(const std::string& text, size_t pos, std::string& out) {
    for (;;) {
        pos = skipBlanks(text, pos);
        if (pos == text.size()) {
            return true;
        }
        size_t digits = 0;
        int value = 0;
        for (; pos < text.size() && hexDigitValue(text[pos]) >= 0 && digits < 3; ++pos) {
            value = value << 4 | hexDigitValue(text[pos]);
            ++digits;
        }
        if (digits == 0 || digits > 2) {
            return false;
        }
        out += static_cast<char>(value);
        pos = skipBlanks(text, pos);
        if (pos == text.size()) {
            return true;
        }
        if (text[pos] != ',') {
            return false;
        }
        ++pos;
    }
}

// "hex:" or "hex(N):" at text[pos].
bool parseHexData(const std::string& text, size_t pos, const ParseState& state, uint32_t& type,
                  std::string& data) {
    pos += 3;
    type = registryBinary;
    if (pos < text.size() && text[pos] == '(') {
        ++pos;
        if (!parseHexNumber(text, pos, type) || pos >= text.size() || text[pos] != ')') {
            return false;
        }
        ++pos;
    }
    if (pos >= text.size() || text[pos] != ':' || !parseByteList(text, pos + 1, data)) {
        return false;
    }
    if (type == registryString || type == registryExpandString || type == registryMultiString) {
        data = dataText(data, state);
    }
    return true;
}

void parseKeyLine(const std::string& line, size_t pos, RegFileKey& root, ParseState& state) {
    state.current = nullptr;
    const size_t close = line.rfind(']');
    if (close == std::string::npos || close <= pos) {
        return;
    }
    const std::string path = line.substr(pos + 1, close - pos - 1);
    if (path.empty() || path[0] == '-' || path.find('\0') != std::string::npos ||
        !startsWithIgnoringCase(path, 0, "HKEY_")) {
        return;
    }
    std::vector<std::string> names;
    for (size_t start = path.find('\\'); start != std::string::npos;) {
        const size_t end = path.find('\\', start + 1);
        names.push_back(path.substr(start + 1, end == std::string::npos ? end : end - start - 1));
        if (names.back().empty() || names.size() > maximumKeyDepth) {
            return;
        }
        start = end;
    }
    RegFileKey* key = &root;
    for (const std::string& name : names) {
        key = &subkeyOf(*key, fileText(name, state));
    }
    state.current = key;
}

// The line at lines[index] starts a value at pos; hex data may take following lines with it.
void parseValueLine(const std::vector<std::string>& lines, size_t& index, size_t pos,
                    ParseState& state) {
    std::string line = lines[index];
    std::string name;
    if (line[pos] == '@') {
        ++pos;
    } else if (!parseQuoted(line, pos, name) || name.find('\0') != std::string::npos) {
        return;
    }
    pos = skipBlanks(line, pos);
    if (pos == line.size() || line[pos] != '=') {
        return;
    }
    pos = skipBlanks(line, pos + 1);
    uint32_t type = registryString;
    std::string data;
    if (startsWithIgnoringCase(line, pos, "hex")) {
        // Continuation lines belong to this value even when it proves malformed.
        for (size_t end = trimmedEnd(line); end > pos && line[end - 1] == '\\';
             end = trimmedEnd(line)) {
            line.erase(end - 1);
            if (index + 1 == lines.size()) {
                break;
            }
            const std::string& next = lines[++index];
            line.append(next, skipBlanks(next, 0), std::string::npos);
        }
        if (!parseHexData(line, pos, state, type, data)) {
            return;
        }
    } else if (startsWithIgnoringCase(line, pos, "dword:")) {
        pos += 6;
        uint32_t number = 0;
        if (!parseHexNumber(line, pos, number) || skipBlanks(line, pos) != line.size()) {
            return;
        }
        type = registryDword;
        for (int shift = 0; shift < 32; shift += 8) {
            data += static_cast<char>(number >> shift & 0xFF);
        }
    } else if (line[pos] == '"') {
        std::string text;
        if (!parseQuoted(line, pos, text) || skipBlanks(line, pos) != line.size()) {
            return;
        }
        data = fileText(text, state);
        data += '\0';
    } else {
        return; // "-" (a deletion) or something unreadable
    }
    if (state.current != nullptr) {
        setValue(*state.current, fileText(name, state), type, data);
    }
}

} // namespace

int regFileCompareNames(const char* a, const char* b) {
    for (;; ++a, ++b) {
        const int left = foldedByte(*a);
        const int right = foldedByte(*b);
        if (left != right || left == 0) {
            return left - right;
        }
    }
}

const RegFileKey* regFileFindKey(const RegFileKey& key, const char* path) {
    const RegFileKey* found = &key;
    const std::string text = path;
    if (text.empty()) {
        return found;
    }
    for (size_t start = 0; start <= text.size();) {
        size_t end = text.find('\\', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        const std::string name = text.substr(start, end - start);
        const auto place =
            std::lower_bound(found->subkeys.begin(), found->subkeys.end(), name, nameLess);
        if (name.empty() || place == found->subkeys.end() ||
            regFileCompareNames(place->name.c_str(), name.c_str()) != 0) {
            return nullptr;
        }
        found = &*place;
        start = end + 1;
    }
    return found;
}

const RegFileValue* regFileFindValue(const RegFileKey& key, const char* name) {
    for (const RegFileValue& value : key.values) {
        if (regFileCompareNames(value.name.c_str(), name) == 0) {
            return &value;
        }
    }
    return nullptr;
}

void regFileParse(const char* bytes, size_t size, RegFileText text, RegFileKey& root) {
    ParseState state{text, true, true, nullptr};
    std::string content;
    const auto byteAt = [bytes](size_t i) { return static_cast<unsigned char>(bytes[i]); };
    if (size >= 2 && byteAt(0) == 0xFF && byteAt(1) == 0xFE) {
        content = utf8FromUtf16(bytes + 2, size - 2);
    } else {
        const size_t start =
            size >= 3 && byteAt(0) == 0xEF && byteAt(1) == 0xBB && byteAt(2) == 0xBF ? 3 : 0;
        content.assign(bytes + start, size - start);
        state.textIsUtf8 = isValidUtf8(content);
    }

    std::vector<std::string> lines;
    for (size_t start = 0; start < content.size();) {
        size_t end = content.find('\n', start);
        if (end == std::string::npos) {
            end = content.size();
        }
        lines.push_back(content.substr(start, end - start));
        start = end + 1;
    }

    size_t index = 0;
    if (!lines.empty()) {
        const std::string first = lines[0].substr(0, trimmedEnd(lines[0]));
        if (first.size() == sizeof unicodeHeader - 1 &&
            startsWithIgnoringCase(first, 0, unicodeHeader)) {
            index = 1;
        } else if (first.size() == sizeof ansiHeader - 1 &&
                   startsWithIgnoringCase(first, 0, ansiHeader)) {
            index = 1;
            state.unicodeData = false;
        }
    }
    for (; index < lines.size(); ++index) {
        const std::string& line = lines[index];
        const size_t pos = skipBlanks(line, 0);
        if (pos == line.size() || line[pos] == ';') {
            continue;
        }
        if (line[pos] == '[') {
            parseKeyLine(line, pos, root, state);
        } else if (line[pos] == '@' || line[pos] == '"') {
            parseValueLine(lines, index, pos, state);
        }
    }
}
