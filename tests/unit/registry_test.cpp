// The .reg reader, and the registry import's precedence, limits and guard run against the
// store: .reg files on POSIX, the real registry (under Wine in the cross build) on Windows.
#include "derovezo/derovezo.h"
#include "platform/platform.h"
#include "platform/reg_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include "platform/registry_posix.h"
#include <unistd.h>
#endif

namespace {

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// NUL as "\0", other control bytes as "\xHH"; everything else as it is.
std::string shown(const std::string& data) {
    std::string out;
    for (const char c : data) {
        char code[8];
        std::snprintf(code, sizeof code, c == 0 ? "\\0" : "\\x%02x", c & 0xFF);
        out += static_cast<unsigned char>(c) < 0x20 ? std::string(code) : std::string(1, c);
    }
    return out;
}

// "[path]" per key, "name=type:data" per value, values before subkeys.
void dump(const RegFileKey& key, const std::string& path, std::string& out) {
    if (!path.empty()) {
        out += "[" + path + "]\n";
    }
    for (const RegFileValue& value : key.values) {
        out += value.name + "=" + std::to_string(value.type) + ":" + shown(value.data) + "\n";
    }
    for (const RegFileKey& subkey : key.subkeys) {
        dump(subkey, path.empty() ? subkey.name : path + "\\" + subkey.name, out);
    }
}

std::string parsed(const std::string& text, RegFileText target = regFileUtf8) {
    RegFileKey root;
    regFileParse(text.data(), text.size(), target, root);
    std::string out;
    dump(root, "", out);
    return out;
}

const std::string fixturePath = VELDRA_TEST_DATA "/quenlow-export.reg";

const char fixtureDump[] = R"([Software\Quenlow]
[Software\Quenlow\Environment]
QL_HOME=1:C:\Quenlow\0
[Software\Quenlow\Orvanta]
[Software\Quenlow\Orvanta\5.0]
[Software\Quenlow\Orvanta\5.0\COBOL]
[Software\Quenlow\Orvanta\5.0\COBOL\5.0]
[Software\Quenlow\Orvanta\5.0\COBOL\5.0\Environment]
LIB=2:%QL_HOME%\lib;%LIB%\0
[Software\Quenlow\Orvanta\5.0\COBOL\Environment]
COBDIR=2:%QL_HOME%\cobol;%COBDIR%\0
[Software\Quenlow\Orvanta\5.0\Tools]
Version=1:2.1\0
[Software\Quenlow\Orvanta\5.0\Tools\2.1]
[Software\Quenlow\Orvanta\5.0\Tools\2.1\Environment]
TOOLS_PATH=1:C:\Quenlow\tools "quoted" \\server\share\0
[Software\Quenlow\Orvanta\5.0\Tools\Environment]
=1:default ignored\0
JP_TEXT=1:日本語\0
TOOLS_LEVEL=4:*\0\0\0
TOOLS_LIST=7:first\0second\0\0
)";

TEST(RegFile, readsTheExportedFixture) {
    const std::string bytes = readFile(fixturePath);
    ASSERT_FALSE(bytes.empty());
    EXPECT_EQ("[Software]\n" + std::string(fixtureDump), parsed(bytes));
    // In the "C" locale the Japanese text has no form and becomes '?' per character.
    const std::string previous = std::setlocale(LC_CTYPE, nullptr);
    std::setlocale(LC_CTYPE, "C");
    EXPECT_NE(std::string::npos, parsed(bytes, regFileLocale).find("JP_TEXT=1:???\\0\n"));
    std::setlocale(LC_CTYPE, previous.c_str());
    // Cut anywhere (mid-character, mid-line), it still reads without a fault.
    for (size_t size = 0; size < bytes.size(); ++size) {
        parsed(bytes.substr(0, size));
    }
}

TEST(RegFile, readsHandWrittenText) {
    const struct {
        const char* text;
        const char* expected;
    } cases[] = {
        // REGEDIT4, LF: escapes, a final backslash that is data, hex(2)/hex(7) bytes kept,
        // continuation, dword, default value; bad lines and values under bad keys skipped.
        {"REGEDIT4\n\n; comment\n[HKEY_LOCAL_MACHINE\\S\\Env]\n"
         "\"A\"=\"C:\\\\\"\n\"Q\"=\"say \\\"hi\\\" \\n\"\n"
         "\"B\"=hex(2):25,41,25,\\\n  00\n\"M\"=hex(7):61,00,62,00,00\n"
         "\"C\"=dword:FFFFFFFF\n@=\"d\"\n\"a\"=\"replaced in place\"\n"
         "\"bad\"=\"unterminated\n\"bad\"=dword:123456789\n\"bad\"=hex:1,2,zz\n"
         "\"bad\"=\"x\" junk\nbad line\n\"bad\"=hex(2\n"
         "[-HKEY_LOCAL_MACHINE\\S\\Gone]\n\"F\"=\"after deletion\"\n"
         "[NoHive\\S]\n\"G\"=\"after a bad key\"\n[HKEY_LOCAL_MACHINE\\S\\\\Empty]\n\"H\"=\"1\"\n",
         "[S]\n[S\\Env]\nA=1:replaced in place\\0\nQ=1:say \"hi\" \\n\\0\nB=2:%A%\\0\n"
         "M=7:a\\0b\\0\\0\nC=4:\xff\xff\xff\xff\n=1:d\\0\n"},
        // UTF-8 with a mark, CRLF, no values before a key line: keys merge without regard to
        // case and sort as Windows does (letters upper-cased: "1" < "B" < "_"); hex(2) of a
        // "5.00" file is UTF-16LE.
        {"\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n\"lost\"=\"1\"\r\n"
         "[HKEY_CURRENT_USER\\K\\b]\r\n[HKEY_CURRENT_USER\\K\\A_B]\r\n"
         "[HKEY_CURRENT_USER\\K\\AB]\r\n[HKEY_CURRENT_USER\\K\\a1]\r\n\"x\"=\"1\"\r\n"
         "[hkey_current_user\\k\\A1]\r\n\"X\"=\"2\"\r\n"
         "\"名前\" = hex(2):e5,65,2c,67,3d,d8,00,de,00,d8,00,00\r\n",
         "[K]\n[K\\a1]\nx=1:2\\0\n名前=2:日本😀\xef\xbf\xbd\\0\n[K\\AB]\n[K\\A_B]\n[K\\b]\n"},
        // No header, text that is not UTF-8: read as a "5.00" file, bytes kept as written.
        {"[HKEY_CURRENT_USER\\K]\n\"V\"=\"caf\xE9\"\n", "[K]\nV=1:caf\xE9\\0\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.expected, parsed(c.text)) << c.text;
    }
}

#ifdef _WIN32
std::string utf8(const wchar_t* text, size_t length) {
    std::string out(length * 4, '\0');
    out.resize(WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), &out[0],
                                   static_cast<int>(out.size()), nullptr, nullptr));
    return out;
}

void dumpRegistry(HKEY key, const std::string& path, std::string& out) {
    out += "[" + path + "]\n";
    wchar_t name[16384];
    BYTE data[16384];
    DWORD nameLength = 16384, size = sizeof data, type = 0;
    for (DWORD i = 0; RegEnumValueW(key, i, name, &nameLength, nullptr, &type, data, &size) == 0;
         ++i, nameLength = 16384, size = sizeof data) {
        const bool text = type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
        const std::string bytes = text ? utf8(reinterpret_cast<wchar_t*>(data), size / 2)
                                       : std::string(reinterpret_cast<char*>(data), size);
        out += utf8(name, nameLength) + "=" + std::to_string(type) + ":" + shown(bytes) + "\n";
    }
    for (DWORD i = 0; nameLength = 16384,
               RegEnumKeyExW(key, i, name, &nameLength, nullptr, nullptr, nullptr, nullptr) == 0;
         ++i) {
        HKEY subkey = nullptr;
        ASSERT_EQ(0, RegOpenKeyExW(key, name, 0, KEY_READ, &subkey));
        dumpRegistry(subkey, path + "\\" + utf8(name, nameLength), out);
        RegCloseKey(subkey);
    }
}

TEST(RegFile, readsTheFixtureAsTheRegistryImportsIt) {
    std::string path = fixturePath;
    if (path[0] == '/') {
        path = "Z:" + path; // Wine's drive for the Unix root
    }
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Quenlow");
    ASSERT_EQ(0, std::system(("reg import \"" + path + "\" >NUL 2>&1").c_str()));
    HKEY maker = nullptr;
    ASSERT_EQ(0, RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Quenlow", 0, KEY_READ, &maker));
    std::string registry;
    dumpRegistry(maker, "Software\\Quenlow", registry);
    RegCloseKey(maker);
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Quenlow");
    EXPECT_EQ(fixtureDump, registry);
}

void writeKeys(HKEY root, const RegFileKey& key, const std::string& path) {
    for (const RegFileKey& subkey : key.subkeys) {
        const std::string subPath = path.empty() ? subkey.name : path + "\\" + subkey.name;
        HKEY handle = nullptr;
        ASSERT_EQ(0, RegCreateKeyExA(root, subPath.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                     &handle, nullptr));
        for (const RegFileValue& value : subkey.values) {
            RegSetValueExA(handle, value.name.c_str(), 0, value.type,
                           reinterpret_cast<const BYTE*>(value.data.data()),
                           static_cast<DWORD>(value.data.size()));
        }
        RegCloseKey(handle);
        writeKeys(root, subkey, subPath);
    }
}

void removeStore() {
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software\\Quenlow");
    RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Quenlow");
}

// Writes the keys of the two .reg texts into the registry with the Win32 calls.
void installStore(const std::string& machine, const std::string& user) {
    removeStore();
    const std::pair<HKEY, const std::string*> roots[] = {{HKEY_LOCAL_MACHINE, &machine},
                                                         {HKEY_CURRENT_USER, &user}};
    for (const auto& root : roots) {
        RegFileKey tree;
        regFileParse(root.second->data(), root.second->size(), regFileUtf8, tree);
        writeKeys(root.first, tree, "");
    }
}
const bool longKeyNames = false; // Windows keeps key names to 255 characters
#else
std::string storeDir;

void removeStore() {
    std::remove((storeDir + "/machine.reg").c_str());
    std::remove((storeDir + "/user.reg").c_str());
    rmdir(storeDir.c_str());
    registrySetStoreFiles(nullptr, nullptr);
}

// The two .reg texts as the store files of HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER; an empty
// text leaves that file missing.
void installStore(const std::string& machine, const std::string& user) {
    char pattern[] = "/tmp/veldra-registry-XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(pattern));
    storeDir = pattern;
    const std::pair<std::string, const std::string*> files[] = {
        {storeDir + "/machine.reg", &machine}, {storeDir + "/user.reg", &user}};
    for (const auto& file : files) {
        if (!file.second->empty()) {
            std::ofstream(file.first, std::ios::binary) << *file.second;
        }
    }
    registrySetStoreFiles(files[0].first.c_str(), files[1].first.c_str());
}
const bool longKeyNames = true;
#endif

const char header[] = "Windows Registry Editor Version 5.00\r\n\r\n";

// A key line below Software\Quenlow; the hive named does not decide where it is written.
std::string key(const std::string& below) {
    return "[HKEY_CURRENT_USER\\Software\\Quenlow" + (below.empty() ? "" : "\\" + below) + "]\n";
}
std::string text(const std::string& name, const std::string& value) {
    return "\"" + name + "\"=\"" + value + "\"\n";
}
// REG_EXPAND_SZ as `reg export` writes it: UTF-16LE bytes with the terminator.
std::string expandable(const std::string& name, const std::string& value) {
    std::string line = "\"" + name + "\"=hex(2):";
    for (const char c : value + '\0') {
        char bytes[8];
        std::snprintf(bytes, sizeof bytes, "%02x,00,", c & 0xFF);
        line += bytes;
    }
    line.pop_back();
    return line + "\n";
}

// Environment settings as "NAME=value|NAME|...", where a bare NAME is unset.
std::vector<std::string> names(const std::string& settings) {
    std::vector<std::string> out;
    for (size_t start = 0, end = 0; start < settings.size(); start = end + 1) {
        end = std::min(settings.find('|', start), settings.size());
        const std::string name =
            settings.substr(start, std::min(settings.find('=', start), end) - start);
        if (!name.empty()) {
            out.push_back(name);
        }
    }
    return out;
}

void apply(const std::string& settings) {
    for (size_t start = 0, end = 0; start < settings.size(); start = end + 1) {
        end = std::min(settings.find('|', start), settings.size());
        const size_t equals = std::min(settings.find('=', start), end);
        const std::string value = equals < end ? settings.substr(equals + 1, end - equals - 1) : "";
        platformSetEnvironment(settings.substr(start, equals - start).c_str(),
                               equals < end ? value.c_str() : nullptr);
    }
}

std::string current(const std::vector<std::string>& variables) {
    std::string out;
    for (const std::string& name : variables) {
        std::string value;
        out += (out.empty() ? "" : "|") + name;
        out += platformGetEnvironment(name.c_str(), value) ? "=" + value : "";
    }
    return out;
}

struct ImportCase {
    const char* label;
    std::string machine; // .reg text of HKEY_LOCAL_MACHINE, "" for none
    std::string user;
    std::string before; // settings at start
    std::string after;  // settings expected after the import
};

// Wine keeps values sorted by name and orders names folded to lower case, where Windows keeps
// values in the order written and folds to upper case: the cases keep to names and orders on
// which all of them agree.
TEST(RegistryImport, precedenceLimitsAndGuard) {
    const std::string v = "Orvanta\\5.0\\";
    const std::string guardTree = key("Environment") + text("VRT_OLD", "maker") +
                                  text("VRT_NEW", "maker") + key(v + "COBOL\\5.0\\Environment") +
                                  text("VRT_C", "cobol") + key(v + "Tools\\Environment") +
                                  text("VRT_T", "tools");
    const std::string guardBefore = "VRT_OLD=old|VRT_NEW|VRT_C|VRT_T|VEZIDU_PARSED=";
    const std::string long700(700, 'L'), fit(1023, 'f');
    const std::string name259 = "VRT_B" + std::string(254, 'N');
    const std::string name260 = "VRT_G" + std::string(255, 'M');
    const std::string order = "%VRT_ORDER% ";
    std::vector<ImportCase> cases = {
        {"neither root holds the maker key", "", "", "VRT_A=kept", "VRT_A=kept|VEZIDU_PARSED"},
        {"set before start beats the maker-wide key, not a component key", "",
         key("Environment") + text("VRT_OLD", "maker") + text("VRT_EMPTY", "maker") +
             text("VRT_BOTH", "maker") + text("VRT_NEW", "maker") + key(v + "COBOL\\Environment") +
             text("VRT_BOTH", "cobol"),
         "VRT_OLD=old|VRT_EMPTY=|VRT_BOTH=old|VRT_NEW",
         "VRT_OLD=old|VRT_EMPTY=|VRT_BOTH=cobol|VRT_NEW=maker|VEZIDU_PARSED=True"},
        {"the machine's maker key hides the user's completely",
         key("Environment") + text("VRT_A", "machine"),
         key("Environment") + text("VRT_B", "user") + key(v + "COBOL\\Environment") +
             text("VRT_C", "user"),
         "VRT_A|VRT_B|VRT_C", "VRT_A=machine|VRT_B|VRT_C|VEZIDU_PARSED"},
        {"an expansion sees the environment of its moment", "",
         key("Environment") + text("VRT_BASE", "base") + key(v + "COBOL\\5.0\\Environment") +
             expandable("VRT_E1", "%VRT_BASE%\\x;%VRT_E9%;%VRT_NONE%") +
             expandable("VRT_E2", "%VRT_E1%!") + text("VRT_E9", "new"),
         "VRT_BASE|VRT_E9=old|VRT_NONE",
         "VRT_E1=base\\x;old;%VRT_NONE%|VRT_E2=base\\x;old;%VRT_NONE%!|VRT_E9=new"},
        {"expansions longer than 1024 bytes are set in full", "",
         key("Environment") + text("VRT_LONG", long700) +
             expandable("VRT_X1", "%VRT_LONG%" + std::string(324, 'e')) +
             expandable("VRT_X2", "%VRT_LONG%%VRT_LONG%%VRT_LONG%") +
             expandable("VRT_X3", "%VRT_LONG%%VRT_LONG%") + expandable("VRT_X4", "s"),
         "",
         "VRT_X1=" + long700 + std::string(324, 'e') + "|VRT_X2=" + long700 + long700 + long700 +
             "|VRT_X3=" + long700 + long700 + "|VRT_X4=s"},
        {"a value that does not fit ends its key only", "",
         key(v + "COBOL\\5.0\\Environment") + text("VRT_A1", "1") + text(name259, "n") +
             text("VRT_CFIT", fit) + text("VRT_DHUGE", std::string(1024, 'h')) +
             text("VRT_E2", "2") + key(v + "COBOL\\Environment") + text("VRT_F3", "3") +
             text(name260, "m") + text("VRT_H4", "4") + key(v + "Tools\\Environment") +
             text("VRT_I5", "5"),
         "",
         "VRT_A1=1|" + name259 + "=n|VRT_CFIT=" + fit + "|VRT_DHUGE|VRT_E2|VRT_F3=3|" + name260 +
             "|VRT_H4|VRT_I5=5"},
        {"VEZIDU_PARSED=True applies only the maker-wide key, keeping what is set", "", guardTree,
         guardBefore + "True", "VRT_OLD=old|VRT_NEW=maker|VRT_C|VRT_T|VEZIDU_PARSED=True"},
        {"VEZIDU_PARSED=true is not the guard", "", guardTree, guardBefore + "true",
         "VRT_OLD=old|VRT_NEW=maker|VRT_C=cobol|VRT_T=tools|VEZIDU_PARSED=True"},
        {"VEZIDU_PARSED='True ' is not the guard", "", guardTree, guardBefore + "True ",
         "VRT_C=cobol|VRT_T=tools|VEZIDU_PARSED=True"},
        {"the version key without components sets the guard", "", key("Orvanta\\5.0"), "",
         "VEZIDU_PARSED=True"},
        {"another version key neither imports components nor sets the guard", "",
         key("Environment") + text("VRT_A", "maker") + key("Orvanta\\5.1\\COBOL\\Environment") +
             text("VRT_B", "cobol"),
         "VRT_A|VRT_B", "VRT_A=maker|VRT_B|VEZIDU_PARSED"},
        {"a component's Version: missing subkey, 30 bytes fit, 31 do not", "",
         key(v + "Tools") + text("Version", "9.9") + key(v + "Tools\\Environment") +
             text("VRT_T", "own") + key(v + "Max") + text("Version", std::string(29, 'w')) +
             key(v + "Max\\" + std::string(29, 'w') + "\\Environment") +
             text("VRT_M", "versioned") + key(v + "Over") + text("Version", std::string(30, 'o')) +
             key(v + "Over\\" + std::string(30, 'o') + "\\Environment") +
             text("VRT_O", "versioned") + key(v + "Over\\Environment") + text("VRT_OWN", "own"),
         "VRT_O", "VRT_T=own|VRT_M=versioned|VRT_O|VRT_OWN=own"},
        {"COBOL first, then the registry's order; its own Environment key is no component", "",
         key("Environment") + text("VRT_ORDER", ">") + key(v + "ENVIRONMENT") +
             expandable("VRT_ORDER", order + "env") + key(v + "beta\\Environment") +
             expandable("VRT_ORDER", order + "beta") + key(v + "a1\\Environment") +
             expandable("VRT_ORDER", order + "a1") + key(v + "Alpha") + text("Version", "1") +
             key(v + "Alpha\\1\\Environment") + expandable("VRT_ORDER", order + "Alpha1") +
             key(v + "Alpha\\Environment") + expandable("VRT_ORDER", order + "Alpha") +
             key(v + "cobol\\Environment") + expandable("VRT_ORDER", order + "cobol") +
             key(v + "cobol\\5.0\\Environment") + expandable("VRT_ORDER", order + "cobol5"),
         "VRT_ORDER", "VRT_ORDER=> cobol5 cobol a1 Alpha1 Alpha beta"},
        {"non-text values: DWORD as decimal, binary skipped, first string of a multi-string", "",
         key("Environment") + "\"VRT_DW\"=dword:0000002a\n\"VRT_MAX\"=dword:ffffffff\n" +
             "\"VRT_BIN\"=hex:41,42,00\n\"VRT_MULTI\"=hex(7):66,00,00,00,67,00,00,00,00,00\n" +
             "@=\"default\"\n",
         "VRT_BIN", "VRT_DW=42|VRT_MAX=4294967295|VRT_BIN|VRT_MULTI=f"},
    };
    if (longKeyNames) {
        cases.push_back({"a component name over 259 characters ends the walk", "",
                         key(v + "A\\Environment") + text("VRT_W1", "1") +
                             key(v + std::string(259, 'B') + "\\Environment") +
                             text("VRT_W2", "2") +
                             key(v + std::string(260, 'C') + "\\Environment") +
                             text("VRT_W3", "3") + key(v + "D\\Environment") + text("VRT_W4", "4"),
                         "VRT_W3|VRT_W4", "VRT_W1=1|VRT_W2=2|VRT_W3|VRT_W4"});
    }

    for (const ImportCase& c : cases) {
        std::vector<std::string> touched = names(c.before + "|" + c.after);
        touched.push_back("VEZIDU_PARSED");
        const std::string saved = current(touched);
        platformSetEnvironment("VEZIDU_PARSED", nullptr);
        apply(c.before);
        installStore(c.machine.empty() ? "" : header + c.machine, header + c.user);

        importRegistryEnvironment();

        EXPECT_EQ(c.after, current(names(c.after))) << c.label;
        removeStore();
        apply(saved);
    }
}

} // namespace
