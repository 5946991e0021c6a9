// The .reg reader, and the registry import's precedence, limits and guard run against the
// store: .reg files on POSIX, the real registry (under Wine in the cross build) on Windows.
#include "derovezo/derovezo.h"
#include "platform/platform.h"
#include "platform/reg_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include "platform/registry_posix.h"
#endif

namespace {

// NULs shown as "\0".
std::string shown(std::string data) {
    for (size_t at = 0; (at = data.find('\0', at)) != std::string::npos; at += 2)
        data.replace(at, 1, "\\0");
    return data;
}

// "path\name=type:data" per value, by key in order, values before subkeys.
std::string dump(const RegFileKey& key, const std::string& path = "") {
    std::string out;
    for (const RegFileValue& value : key.values)
        out += path + "\\" + value.name + "=" + std::to_string(value.type) + ":" +
               shown(value.data) + "\n";
    for (const RegFileKey& subkey : key.subkeys)
        out += dump(subkey, path.empty() ? subkey.name : path + "\\" + subkey.name);
    return out;
}

std::string parsed(const std::string& text, RegFileText target = regFileUtf8) {
    RegFileKey root;
    regFileParse(text.data(), text.size(), target, root);
    return dump(root);
}

const char fixtureDump[] = R"(Software\Quenlow\Environment\QL_HOME=1:C:\Quenlow\0
Software\Quenlow\Orvanta\5.0\COBOL\5.0\Environment\LIB=2:%QL_HOME%\lib;%LIB%\0
Software\Quenlow\Orvanta\5.0\COBOL\Environment\COBDIR=2:%QL_HOME%\cobol;%COBDIR%\0
Software\Quenlow\Orvanta\5.0\Tools\Version=1:2.1\0
Software\Quenlow\Orvanta\5.0\Tools\2.1\Environment\TOOLS_PATH=1:C:\Quenlow\tools "quoted" \\server\share\0
Software\Quenlow\Orvanta\5.0\Tools\Environment\=1:default ignored\0
Software\Quenlow\Orvanta\5.0\Tools\Environment\JP_TEXT=1:日本語\0
Software\Quenlow\Orvanta\5.0\Tools\Environment\TOOLS_LEVEL=4:*\0\0\0
Software\Quenlow\Orvanta\5.0\Tools\Environment\TOOLS_LIST=7:first\0second\0\0
)";

std::string readFixture() {
    std::ostringstream bytes;
    bytes << std::ifstream(VELDRA_TEST_DATA "/quenlow-export.reg", std::ios::binary).rdbuf();
    return bytes.str();
}

TEST(RegFile, ReadsTheExportedFixture) {
    EXPECT_EQ(fixtureDump, parsed(readFixture()));
    // In the "C" locale the Japanese text has no form and becomes '?' per character.
    const std::string previous = std::setlocale(LC_CTYPE, nullptr);
    std::setlocale(LC_CTYPE, "C");
    EXPECT_NE(std::string::npos, parsed(readFixture(), regFileLocale).find("JP_TEXT=1:???\\0"));
    std::setlocale(LC_CTYPE, previous.c_str());
}

const char* const storeFiles[] = {"veldra-test-machine.reg", "veldra-test-user.reg"};

// Makes the .reg file the keys of HKEY_LOCAL_MACHINE (index 0) or HKEY_CURRENT_USER (1): on
// Windows with `reg import` into the 32-bit view that veldra reads (Wine's drive Z: is the
// Unix root), elsewhere as the store file.
void installStore(int index, const std::string& regFile) {
    std::ofstream(storeFiles[index], std::ios::binary) << regFile;
#ifdef _WIN32
    ASSERT_EQ(0,
              std::system(
                  ("reg import " + std::string(storeFiles[index]) + " /reg:32 >NUL 2>&1").c_str()));
#else
    registrySetStoreFiles(storeFiles[0], storeFiles[1]);
#endif
}

void removeStore() {
#ifdef _WIN32
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        HKEY software;
        if (RegOpenKeyExA(root, "Software", 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY, &software) == 0) {
            RegDeleteTreeA(software, "Quenlow");
            RegCloseKey(software);
        }
    }
#else
    registrySetStoreFiles(nullptr, nullptr);
#endif
}

// A store in short form, blank-separated: "[path]" a key below Software\Quenlow ("/" for "\",
// "5.0/" for "Orvanta/5.0/"), "NAME=text" a text value, "NAME:=text" an expandable one.
std::string regText(const std::string& store, const char* hive) {
    std::string out = "REGEDIT4\r\n\r\n", word;
    for (std::istringstream in(store); in >> word;) {
        std::replace(word.begin(), word.end(), '/', '\\');
        const size_t equals = word.find('=');
        if (word[0] == '[') {
            out += "[" + std::string(hive) + "\\Software\\Quenlow\\" +
                   (word.compare(1, 4, "5.0\\") ? "" : "Orvanta\\") + word.substr(1) + "\n";
        } else if (word[equals - 1] != ':') {
            out += "\"" + word.substr(0, equals) + "\"=\"" + word.substr(equals + 1) + "\"\n";
        } else { // REG_EXPAND_SZ: its bytes, with the terminator
            out += "\"" + word.substr(0, equals - 1) + "\"=hex(2):";
            for (const unsigned char c : word.substr(equals + 1) + '\0') {
                char bytes[8];
                std::snprintf(bytes, sizeof bytes, "%02x,", c);
                out += bytes;
            }
            out.back() = '\n';
        }
    }
    return out;
}

// Environment settings "NAME=value|NAME|..." (a bare NAME is unset): mode 's' sets them,
// 'u' unsets every NAME, 'r' reads the NAMEs back in the same form.
std::string environment(const std::string& settings, char mode) {
    std::string out, item, value;
    for (std::istringstream in(settings); std::getline(in, item, '|');) {
        const size_t equals = item.find('=');
        const std::string name = item.substr(0, equals);
        if (mode == 'r')
            out += (out.empty() ? "" : "|") + name +
                   (platformGetEnvironment(name.c_str(), value) ? "=" + value : "");
        else if (!name.empty())
            platformSetEnvironment(name.c_str(), mode == 's' && equals != std::string::npos
                                                     ? item.c_str() + equals + 1
                                                     : nullptr);
    }
    return out;
}

// Imports the .reg files of the two roots over the settings `before` and checks those of `after`.
void expectImport(const std::string& machine, const std::string& user, const std::string& before,
                  const std::string& after) {
    environment(before + "|" + after + "|VEZIDU_PARSED", 'u');
    environment(before, 's');
    removeStore();
    installStore(0, machine);
    installStore(1, user);
    importRegistryEnvironment();
    EXPECT_EQ(after, environment(after, 'r'));
    removeStore();
}

// The exported fixture as the user's keys: every kind of value, the default value ignored.
TEST(RegistryImport, TheExportedFixture) {
    expectImport(regText("", "HKEY_LOCAL_MACHINE"), readFixture(), "LIB=old|COBDIR",
                 "QL_HOME=C:\\Quenlow|LIB=C:\\Quenlow\\lib;old|COBDIR=C:\\Quenlow\\cobol;%COBDIR%|"
                 "TOOLS_PATH=C:\\Quenlow\\tools \"quoted\" \\\\server\\share|TOOLS_LEVEL=42|"
                 "TOOLS_LIST=first|VEZIDU_PARSED=True");
}

// Cases: the stores of HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER, the settings at start, and
// those expected after the import. Wine keeps values sorted by name and orders names folded to
// lower case, where Windows keeps values in the order written and folds to upper case: the
// cases keep to names and orders on which all of them agree.
TEST(RegistryImport, PrecedenceLimitsAndGuard) {
    const std::string guardStore = "[Environment] VRT_OLD=maker VRT_NEW=maker "
                                   "[5.0/COBOL/5.0/Environment] VRT_C=cobol "
                                   "[5.0/Tools/Environment] VRT_T=tools";
    const std::string guardBefore = "VRT_OLD=old|VRT_NEW|VRT_C|VRT_T|VEZIDU_PARSED=";
    const std::string long700(700, 'L'), tail(324, 'e'), fit(1023, 'f');
    const std::string name259 = "VRT_B" + std::string(254, 'N'),
                      name260 = "VRT_G" + std::string(255, 'M');
    std::vector<std::array<std::string, 4>> cases = {
        // Set before start beats the maker-wide key, not a component key.
        {"",
         "[Environment] VRT_OLD=maker VRT_EMPTY=maker VRT_BOTH=maker VRT_NEW=maker "
         "[5.0/COBOL/Environment] VRT_BOTH=cobol",
         "VRT_OLD=old|VRT_EMPTY=|VRT_BOTH=old|VRT_NEW",
         "VRT_OLD=old|VRT_EMPTY=|VRT_BOTH=cobol|VRT_NEW=maker|VEZIDU_PARSED=True"},
        // The machine's maker key hides the user's completely.
        {"[Environment] VRT_A=machine",
         "[Environment] VRT_B=user [5.0/COBOL/Environment] VRT_C=user", "VRT_A|VRT_B|VRT_C",
         "VRT_A=machine|VRT_B|VRT_C|VEZIDU_PARSED"},
        // An expansion of more than 1024 bytes is set in full.
        {"", "[Environment] VRT_LONG=" + long700 + " VRT_X:=%VRT_LONG%" + tail, "",
         "VRT_X=" + long700 + tail},
        // A value that does not fit (name over 259, data over 1024 bytes) ends its key only.
        {"",
         "[5.0/COBOL/5.0/Environment] VRT_A1=1 " + name259 + "=n VRT_CFIT=" + fit +
             " VRT_DHUGE=" + fit + "h VRT_E2=2 [5.0/COBOL/Environment] VRT_F3=3 " + name260 +
             "=m VRT_H4=4 [5.0/Tools/Environment] VRT_I5=5",
         "",
         "VRT_A1=1|" + name259 + "=n|VRT_CFIT=" + fit + "|VRT_DHUGE|VRT_E2|VRT_F3=3|" + name260 +
             "|VRT_H4|VRT_I5=5"},
        // VEZIDU_PARSED=True (exactly) applies only the maker-wide key, keeping what is set.
        {"", guardStore, guardBefore + "True",
         "VRT_OLD=old|VRT_NEW=maker|VRT_C|VRT_T|VEZIDU_PARSED=True"},
        {"", guardStore, guardBefore + "true",
         "VRT_OLD=old|VRT_NEW=maker|VRT_C=cobol|VRT_T=tools|VEZIDU_PARSED=True"},
        {"", guardStore, guardBefore + "True ", "VRT_C=cobol|VRT_T=tools|VEZIDU_PARSED=True"},
        // COBOL first, then the registry's order, each component's versioned key before its
        // own; the version key's own Environment key is no component.
        {"",
         "[Environment] VRT_ORDER=> [5.0/ENVIRONMENT] VRT_ORDER:=%VRT_ORDER%_env "
         "[5.0/beta/Environment] VRT_ORDER:=%VRT_ORDER%_beta [5.0/Alpha] Version=1 "
         "[5.0/Alpha/1/Environment] VRT_ORDER:=%VRT_ORDER%_Alpha1 [5.0/Alpha/Environment] "
         "VRT_ORDER:=%VRT_ORDER%_Alpha [5.0/cobol/Environment] VRT_ORDER:=%VRT_ORDER%_cobol "
         "[5.0/cobol/5.0/Environment] VRT_ORDER:=%VRT_ORDER%_cobol5",
         "VRT_ORDER", "VRT_ORDER=>_cobol5_cobol_Alpha1_Alpha_beta"}};
    // A component name over 259 characters ends the walk.
#ifndef _WIN32 // Windows keeps key names to 255 characters
    cases.push_back({"",
                     "[5.0/A/Environment] VRT_W1=1 [5.0/" + std::string(259, 'B') +
                         "/Environment] VRT_W2=2 [5.0/" + std::string(260, 'C') +
                         "/Environment] VRT_W3=3 [5.0/D/Environment] VRT_W4=4",
                     "", "VRT_W1=1|VRT_W2=2|VRT_W3|VRT_W4"});
#endif
    for (const auto& c : cases)
        expectImport(regText(c[0], "HKEY_LOCAL_MACHINE"), regText(c[1], "HKEY_CURRENT_USER"), c[2],
                     c[3]);
    std::remove(storeFiles[0]);
    std::remove(storeFiles[1]);
}

} // namespace
