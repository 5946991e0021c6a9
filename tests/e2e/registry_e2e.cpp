// The registry import end to end: settings kept below Software\Quenlow reach the children.
// Natively the store is the .reg file of HKEY_CURRENT_USER under XDG_CONFIG_HOME; under Wine
// the keys are written into the prefix with `wine reg add` and deleted again after each case.
// LIB from the registry finds msvcrt.lib (without it: error 11), and VEZIDU_PARSED tells the
// children that the import was made.

#include "e2e/harness.h"
#include "e2e/hostile_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace {

const char kMakerKey[] = "Software\\Quenlow";

// One value below the maker key; an empty name only makes the key.
struct RegValue {
    std::string key; // below Software\Quenlow
    std::string name;
    std::string data;
    bool expandable = false; // REG_EXPAND_SZ, else REG_SZ
};

// The POSIX store as `reg export` would write it: version 5.00, expandable text as hex(2) in
// UTF-16LE.
std::string regFileText(const std::vector<RegValue>& values) {
    std::string text = "Windows Registry Editor Version 5.00\r\n";
    std::string lastKey;
    for (const RegValue& value : values) {
        if (value.key != lastKey || lastKey.empty())
            text +=
                "\r\n[HKEY_CURRENT_USER\\" + std::string(kMakerKey) + "\\" + value.key + "]\r\n";
        lastKey = value.key;
        if (value.name.empty())
            continue;
        text += "\"" + value.name + "\"=";
        if (value.expandable) {
            text += "hex(2):";
            for (char c : value.data) {
                char bytes[8];
                std::snprintf(bytes, sizeof bytes, "%02x,00,", static_cast<unsigned char>(c));
                text += bytes;
            }
            text += "00,00";
        } else {
            text += "\"";
            for (char c : value.data)
                text += c == '\\' || c == '"' ? std::string("\\") + c : std::string(1, c);
            text += "\"";
        }
        text += "\r\n";
    }
    return text;
}

// The keys in the Wine prefix of the run, for the life of the object.
class WineRegistry {
  public:
    explicit WineRegistry(const std::vector<RegValue>& values) {
        removeAll();
        for (const RegValue& value : values) {
            std::vector<std::string> argv = {launcher(), "reg", "add", keyPath(value.key)};
            if (!value.name.empty()) {
                argv.insert(argv.end(),
                            {"/v", value.name, "/t", value.expandable ? "REG_EXPAND_SZ" : "REG_SZ",
                             "/d", value.data});
            }
            argv.push_back("/f");
            EXPECT_EQ(hostile::runProgram(argv), 0) << "reg add " << keyPath(value.key);
        }
    }
    ~WineRegistry() { removeAll(); }
    WineRegistry(const WineRegistry&) = delete;
    WineRegistry& operator=(const WineRegistry&) = delete;

  private:
    static std::string launcher() { return std::getenv("VELDRA_LAUNCHER"); }
    static std::string keyPath(const std::string& key) {
        return "HKCU\\" + std::string(kMakerKey) + (key.empty() ? "" : "\\" + key);
    }
    // Fails harmlessly when the key is not there.
    static void removeAll() {
        hostile::runProgram({launcher(), "reg", "delete", keyPath(""), "/f"});
    }
};

TEST(RegistryE2e, RegistrySettingsReachTheChildren) {
    hostile::TempDir dir("registry");
    dir.writeFile("lib/msvcrt.lib");
    dir.makeDir("nolib");
    const bool wine = e2e::underWine();
    const std::string lib = e2e::programPath(dir.path() + "/lib");
    const std::string noLib = e2e::programPath(dir.path() + "/nolib");
    const std::string expandable = std::string("%VELDRA_LIBROOT%") + (wine ? "\\" : "/") + "lib";
    const std::string component = "Orvanta\\5.0\\COBOL\\Environment";
    struct Row {
        Row(std::string what, std::vector<RegValue> values, e2e::EnvOverrides env, bool found,
            std::string libSeen, std::string parsedSeen)
            : what(std::move(what)), values(std::move(values)), env(std::move(env)), found(found),
              libSeen(std::move(libSeen)), parsedSeen(std::move(parsedSeen)) {}
        std::string what;
        std::vector<RegValue> values;
        e2e::EnvOverrides env;  // set before the start
        bool found;             // msvcrt.lib found along LIB, so the linker runs
        std::string libSeen;    // LIB as the last child saw it
        std::string parsedSeen; // VEZIDU_PARSED as the children saw it
    };
    const RegValue fromComponent = {component, "LIB", lib};
    const RegValue fromMaker = {"Environment", "LIB", lib};
    const e2e::EnvOverrides libBefore = {{"LIB", noLib}};
    const std::vector<Row> rows = {
        Row("LIB from the COBOL component", {fromComponent}, {}, true, lib, "True"),
        // The guard is set only once the version key was reached.
        Row("LIB from the maker-wide key alone", {fromMaker}, {}, true, lib, "<unset>"),
        Row("no registry", {}, {}, false, "<unset>", "<unset>"),
        Row("a variable set before beats the maker-wide key", {fromMaker, {"Orvanta\\5.0", "", ""}},
            libBefore, false, noLib, "True"),
        Row("a component beats a variable set before", {fromComponent}, libBefore, true, lib,
            "True"),
        Row("an imported run skips the components", {fromComponent}, {{"VEZIDU_PARSED", "True"}},
            false, "<unset>", "True"),
        Row("an imported run still fills gaps from the maker-wide key", {fromMaker},
            {{"VEZIDU_PARSED", "True"}}, true, lib, "True"),
        Row("\"true\" is no guard", {fromComponent}, {{"VEZIDU_PARSED", "true"}}, true, lib,
            "True"),
        Row("an expandable value", {{component, "LIB", expandable, true}},
            {{"VELDRA_LIBROOT", e2e::programPath(dir.path())}}, true, lib, "True"),
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        hostile::TempDir config("config");
        e2e::EnvOverrides env = hostile::baseEnvironment(config.path());
        hostile::add(env, row.env);
        hostile::add(env, {{"VELDRA_STANDIN_ENV", "LIB,VEZIDU_PARSED"}});
        if (!wine && !row.values.empty())
            config.writeFile("quenlow/registry.reg", regFileText(row.values));
        WineRegistry keys(wine ? row.values : std::vector<RegValue>{});

        e2e::Sandbox box;
        box.writeFile("prog.obj");
        e2e::RunResult result = box.run({"prog.obj"}, env);
        const std::string pid = hostile::runPid(result);
        EXPECT_EQ(result.out, std::string(e2e::kBanner) +
                                  (row.found ? "" : "ERROR: (11) Cannot find C runtime library\n"));
        EXPECT_EQ(result.status, row.found ? 0 : 8);
        ASSERT_EQ(result.children.size(), row.found ? 2u : 1u);
        for (const auto& child : result.children)
            EXPECT_EQ(hostile::childSetting(child, "VEZIDU_PARSED"), row.parsedSeen);
        EXPECT_EQ(hostile::childSetting(result.children.back(), "LIB"), row.libSeen);
        hostile::expectFiles(
            box,
            row.found ? std::vector<std::string>{"prog.obj", "prog.exe"}
                      : std::vector<std::string>{"prog.obj", "vdrlds{pid}.obj", "vdrlds{pid}.lnk"},
            pid);
    }
}

} // namespace
