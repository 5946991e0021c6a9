// The registry import's precedence, limits and guard. Built twice: into the unit tests, over
// the fake platform's registry and environment, and (VELDRA_REAL_REGISTRY) into the platform
// tests, over the real ones: the store of .reg files on POSIX, the registry (under Wine in
// the cross build) on Windows. The fake must answer as the real layers do.
#include "derovezo/derovezo.h"
#include "platform/platform.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#ifndef VELDRA_REAL_REGISTRY
#include "platform/platform_fake.h"
#elif !defined(_WIN32)
#include "platform/registry/registry_posix.h"
#endif

namespace {

#ifdef VELDRA_REAL_REGISTRY
// The .reg files of HKEY_LOCAL_MACHINE (index 0) and HKEY_CURRENT_USER (1), named for this
// process: the unit tests run beside the platform tests in the same folder.
std::string storeFile(int index) {
    return std::string(index == 0 ? "machine" : "user") + "-store-" +
           std::to_string(platformProcessId()) + ".reg";
}
#endif

std::string readFixture() {
    std::ostringstream bytes;
    bytes << std::ifstream(VELDRA_TEST_DATA "/quenlow-export.reg", std::ios::binary).rdbuf();
    return bytes.str();
}

// Makes the .reg file the keys of HKEY_LOCAL_MACHINE (index 0) or HKEY_CURRENT_USER (1): the
// fake's text; on Windows `reg import` into the 32-bit view that veldra reads (Wine's drive Z:
// is the Unix root); on POSIX the store file.
void installStore(int index, const std::string& regFile) {
#ifndef VELDRA_REAL_REGISTRY
    fakePlatform.registry[index] = regFile;
#else
    std::ofstream(storeFile(index), std::ios::binary) << regFile;
#ifdef _WIN32
    ASSERT_EQ(0, std::system(("reg import " + storeFile(index) + " /reg:32 >NUL 2>&1").c_str()));
#else
    registrySetStoreFiles(storeFile(0).c_str(), storeFile(1).c_str());
#endif
#endif
}

void removeStore() {
#ifndef VELDRA_REAL_REGISTRY
    fakePlatform.registry[0] = fakePlatform.registry[1] = "";
#elif defined(_WIN32)
    for (const std::string root : {"HKLM", "HKCU"})
        std::system(("reg delete " + root + "\\Software\\Quenlow /f /reg:32 >NUL 2>&1").c_str());
#else
    registrySetStoreFiles(nullptr, nullptr);
#endif
}

// Settings of the environment: a name with its value, or nullptr for one that is unset.
typedef std::vector<std::pair<std::string, const char*>> Settings;

// A key below Software\Quenlow (of whichever hive the file is made for), its values following.
std::string key(const std::string& path) {
    return "\n[\\" + path + "]\n";
}
std::string text(const std::string& name, const std::string& value) {
    return "\"" + name + "\"=\"" + value + "\"\n";
}
std::string expandable(const std::string& name, const std::string& value) {
    std::string line = "\"" + name + "\"=hex(2):";
    for (const unsigned char c : value + '\0') {
        char byte[8];
        std::snprintf(byte, sizeof byte, "%02x,", c);
        line += byte;
    }
    line.back() = '\n';
    return line;
}
std::string regFile(const std::string& keys, const std::string& hive) {
    std::string out = "REGEDIT4\r\n" + keys;
    for (size_t at = 0; (at = out.find("\n[\\", at)) != std::string::npos; ++at)
        out.replace(at + 2, 1, hive + "\\Software\\Quenlow\\");
    return out;
}

struct ImportCase {
    std::string machine = ""; // the keys of HKEY_LOCAL_MACHINE
    std::string user;         // and of HKEY_CURRENT_USER, or a whole exported file
    Settings before = {};
    Settings after; // checked after the import
};

void expectImports(const std::vector<ImportCase>& cases) {
    for (const ImportCase& c : cases) {
#ifndef VELDRA_REAL_REGISTRY
        fakePlatform = FakePlatform();
#endif
        // Each case starts from the variables it names, set or unset as it says, and from no
        // import before it.
        platformSetEnvironment("VEZIDU_PARSED", nullptr);
        for (const auto& [name, value] : c.after)
            platformSetEnvironment(name.c_str(), nullptr);
        for (const auto& [name, value] : c.before)
            platformSetEnvironment(name.c_str(), value);
        removeStore();
        installStore(0, regFile(c.machine, "HKEY_LOCAL_MACHINE"));
        installStore(1, c.user[0] == '\n' ? regFile(c.user, "HKEY_CURRENT_USER") : c.user);
        importRegistryEnvironment();
        for (const auto& [name, value] : c.after) {
            std::string found;
            const bool set = platformGetEnvironment(name.c_str(), found);
            EXPECT_EQ(value ? "=" + std::string(value) : "unset", set ? "=" + found : "unset");
        }
        removeStore();
    }
#ifdef VELDRA_REAL_REGISTRY
    std::remove(storeFile(0).c_str());
    std::remove(storeFile(1).c_str());
#endif
}

// The environment before the start beats the maker-wide key, not a component key; the machine's
// maker key hides the user's; VEZIDU_PARSED=True (exactly) applies only the maker-wide key; the
// exported fixture gives every kind of value, the default value ignored, a character the
// codeset cannot hold read as "?".
TEST(RegistryImport, Precedence) {
    const std::string cobol = "Orvanta\\5.0\\COBOL\\Environment";
    const std::string store = key("Environment") + text("VRT_OLD", "maker") +
                              text("VRT_EMPTY", "maker") + text("VRT_BOTH", "maker") +
                              text("VRT_NEW", "maker") + key(cobol) + text("VRT_BOTH", "cobol");
    // clang-format off
    expectImports({
        {.user = store, .before = {{"VRT_OLD", "old"}, {"VRT_EMPTY", ""}, {"VRT_BOTH", "old"}},
         .after = {{"VRT_OLD", "old"}, {"VRT_EMPTY", ""}, {"VRT_BOTH", "cobol"}, {"VRT_NEW", "maker"},
                   {"VEZIDU_PARSED", "True"}}},
        {.user = store, .before = {{"VRT_OLD", "old"}, {"VEZIDU_PARSED", "True"}},
         .after = {{"VRT_OLD", "old"}, {"VRT_NEW", "maker"}, {"VRT_BOTH", "maker"}}},
        {.user = store, .before = {{"VEZIDU_PARSED", "true"}}, .after = {{"VRT_BOTH", "cobol"}}},
        {.machine = key("Environment") + text("VRT_A", "machine"),
         .user = key("Environment") + text("VRT_B", "user") + key(cobol) + text("VRT_C", "user"),
         .after = {{"VRT_A", "machine"}, {"VRT_B", nullptr}, {"VRT_C", nullptr}, {"VEZIDU_PARSED", nullptr}}},
        {.user = readFixture(), .before = {{"LIB", "old"}},
         .after = {{"QL_HOME", "C:\\Quenlow"}, {"LIB", "C:\\Quenlow\\lib;old"},
                   {"COBDIR", "C:\\Quenlow\\cobol;%COBDIR%"},
                   {"TOOLS_PATH", "C:\\Quenlow\\tools \"quoted\" \\\\server\\share"},
                   {"TOOLS_LEVEL", "42"}, {"TOOLS_LIST", "first"},
                   {"JP_TEXT", "???"}, // the locale's (or ANSI) codeset cannot hold it
                   {"VEZIDU_PARSED", "True"}}},
    });
    // clang-format on
}

// A value that does not fit (name over 259 characters, data over 1024 bytes) ends its key only;
// a component name over 259 characters ends the walk; COBOL first, then the registry's order,
// each component's versioned key before its own, the version key's own Environment key no
// component.
TEST(RegistryImport, LimitsAndOrder) {
    const std::string fit(1023, 'f');
    const std::string name259 = "VRT_B" + std::string(254, 'N'),
                      name260 = "VRT_G" + std::string(255, 'M');
    const std::string v = "Orvanta\\5.0\\";
    // clang-format off
    std::vector<ImportCase> cases = {
        {.user = key(v + "COBOL\\5.0\\Environment") + text("VRT_A1", "1") + text(name259, "n") +
                 text("VRT_CFIT", fit) + text("VRT_DHUGE", fit + "h") + text("VRT_E2", "2") +
                 key(v + "COBOL\\Environment") + text("VRT_F3", "3") + text(name260, "m") +
                 text("VRT_H4", "4") + key(v + "Tools\\Environment") + text("VRT_I5", "5"),
         .after = {{"VRT_A1", "1"}, {name259, "n"}, {"VRT_CFIT", fit.c_str()}, {"VRT_DHUGE", nullptr},
                   {"VRT_E2", nullptr}, {"VRT_F3", "3"}, {name260, nullptr}, {"VRT_H4", nullptr},
                   {"VRT_I5", "5"}}},
        {.user = key("Environment") + text("VRT_ORDER", ">") + key(v + "ENVIRONMENT") +
                 expandable("VRT_ORDER", "%VRT_ORDER%_env") + key(v + "beta\\Environment") +
                 expandable("VRT_ORDER", "%VRT_ORDER%_beta") + key(v + "Alpha") +
                 text("Version", "1") + key(v + "Alpha\\1\\Environment") +
                 expandable("VRT_ORDER", "%VRT_ORDER%_Alpha1") + key(v + "Alpha\\Environment") +
                 expandable("VRT_ORDER", "%VRT_ORDER%_Alpha") + key(v + "cobol\\Environment") +
                 expandable("VRT_ORDER", "%VRT_ORDER%_cobol") + key(v + "cobol\\5.0\\Environment") +
                 expandable("VRT_ORDER", "%VRT_ORDER%_cobol5"),
         .after = {{"VRT_ORDER", ">_cobol5_cobol_Alpha1_Alpha_beta"}}},
    };
    // clang-format on
#ifndef _WIN32 // Windows keeps key names to 255 characters, and no empty ones
    // A key path with an empty name in it is no key: its values are dropped, and no component
    // without a name opens the version key's own Environment key.
    cases.push_back({.user = key(v + "Environment") + text("VRT_E", "env") +
                             key(v + "\\Environment") + text("VRT_Z", "z"),
                     .after = {{"VRT_E", nullptr}, {"VRT_Z", nullptr}}});
    cases.push_back(
        {.user = key(v + "A\\Environment") + text("VRT_W1", "1") +
                 key(v + std::string(259, 'B') + "\\Environment") + text("VRT_W2", "2") +
                 key(v + std::string(260, 'C') + "\\Environment") + text("VRT_W3", "3") +
                 key(v + "D\\Environment") + text("VRT_W4", "4"),
         .after = {{"VRT_W1", "1"}, {"VRT_W2", "2"}, {"VRT_W3", nullptr}, {"VRT_W4", nullptr}}});
#endif
    expectImports(cases);
}

} // namespace
