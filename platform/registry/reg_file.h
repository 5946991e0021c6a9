// The .reg text format (what `reg export` and the registry editor write, and what people write
// by hand) read into an in-memory key tree. Portable: no system calls, never prints.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct RegFileValue {
    std::string name; // empty for the key's default value ("@=")
    uint32_t type;    // REG_* number (registryString, registryExpandString, ...)
    std::string data; // the bytes a query returns: text with its terminator(s), a DWORD as
                      // 4 little-endian bytes, binary data as written
};

struct RegFileKey {
    std::string name;
    std::vector<RegFileKey> subkeys;  // sorted by regFileCompareNames, as Windows enumerates
    std::vector<RegFileValue> values; // in the order of the file; a repeated name replaces
                                      // the data in place
};

// What text (names, REG_SZ data, and the text of hex(1)/hex(2)/hex(7) data) is turned into.
enum RegFileText {
    regFileUtf8,   // UTF-8
    regFileLocale, // the multi-byte encoding of the current C locale (LC_CTYPE); a character
                   // it cannot hold becomes '?'
};

// Reads the .reg file `bytes` and adds its keys below `root`. The hive name that opens each key
// path (HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER, ...) is dropped: one file describes the keys of
// one root, whichever hive it was exported from. Keys named on the way down to a key exist
// even when the file has no line for them.
//
// Encodings: UTF-16LE with byte-order mark, or UTF-8 with or without one. A file that is not
// valid UTF-8 is taken to be in the locale's encoding already and kept as written; so is the
// data of hex(2)/hex(7) values in "REGEDIT4" files. Anything that cannot be read as described in
// reg_file.cpp is skipped line by line; no input makes it fail.
void regFileParse(const char* bytes, size_t size, RegFileText text, RegFileKey& root);

// Compares key or value names as the registry orders them: ASCII letters folded to upper case,
// everything else byte by byte. Negative, 0 or positive.
int regFileCompareNames(const char* a, const char* b);

// The key at `path` ("A\\B", compared by regFileCompareNames) below `key`; `key` itself for an
// empty path; nullptr when there is no such key or the path has an empty component.
const RegFileKey* regFileFindKey(const RegFileKey& key, const char* path);

// The value `name` of `key` (empty: the default value); nullptr when absent.
const RegFileValue* regFileFindValue(const RegFileKey& key, const char* name);
