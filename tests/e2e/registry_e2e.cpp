// The registry import end to end: LIB from the registry reaches the search for msvcrt.lib, and
// VEZIDU_PARSED=True reaches the children. Natively the keys are the .reg store of
// HKEY_CURRENT_USER under XDG_CONFIG_HOME; under Wine the same file is imported into the prefix
// with `reg import` and the keys deleted after each case.

#include "e2e/harness.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <unistd.h>

namespace {

using namespace e2e;

TEST(RegistryE2e, SettingsReachTheChildren) {
    const std::string key = "\r\n[HKEY_CURRENT_USER\\Software\\Quenlow\\";
    const std::string lib = "]\r\n\"LIB\"=\"lib\"\r\n"; // relative: lib/ of the working directory
    const std::string parsed = " VEZIDU_PARSED=True";
    const Env env = {{"LIB", "%D/nowhere"}, {"VELDRA_STANDIN_ENV", "VEZIDU_PARSED"}};
    const std::vector<std::pair<std::string, Case>> rows = {
        // A component's setting replaces a variable set before the start.
        {key + "Orvanta\\5.0\\COBOL\\Environment" + lib,
         {.args = {"main.obj"},
          .children = {names("/FS /S /MMAIN main.obj") + parsed, lnk("main.exe") + parsed},
          .made = {"main.exe"},
          .env = env}},
        // The maker-wide key does not; the version key sets the guard.
        {key + "Environment" + lib + key + "Orvanta\\5.0]\r\n",
         {.args = {"main.obj"},
          .out = error(11, "Cannot find C runtime library"),
          .status = 8,
          .children = {names("/FS /S /MMAIN main.obj") + parsed},
          .made = {"vdrlds%P.obj", "vdrlds%P.lnk"},
          .env = env}},
    };
    const std::string file = "/tmp/veldra-e2e-" + std::to_string(getpid()) + ".reg";
    const std::string reg = std::string(wine ? std::getenv("VELDRA_LAUNCHER") : "") + " reg ";
    for (auto [text, c] : rows) {
        text = "Windows Registry Editor Version 5.00\r\n" + text;
        c.have.push_back("c/quenlow/registry.reg=" + text);
        if (wine) {
            std::ofstream(file, std::ios::binary) << text;
            std::system((reg + "import Z:" + file + " >/dev/null 2>&1").c_str());
        }
        runCases({c});
        if (wine)
            std::system((reg + "delete 'HKCU\\Software\\Quenlow' /f >/dev/null 2>&1").c_str());
    }
    std::remove(file.c_str());
    // Under Wine: HKEY_LOCAL_MACHINE is read in the 32-bit view, where the 32-bit installer
    // writes, by both builds; a value only in the 64-bit view is not imported.
    if (wine) {
        const std::string add =
            reg + "add 'HKLM\\Software\\Quenlow\\Orvanta\\5.0\\COBOL\\Environment' /v QV /f /d ";
        std::system((add + "32 /reg:32 >/dev/null 2>&1").c_str());
        std::system((add + "64 /reg:64 >/dev/null 2>&1").c_str());
        const std::string seen = parsed + " QV=32";
        runCases({{.args = {"main.obj"},
                   .children = {names("/FS /S /MMAIN main.obj") + seen, lnk("main.exe") + seen},
                   .made = {"main.exe"},
                   .env = {{"VELDRA_STANDIN_ENV", "VEZIDU_PARSED,QV"}}}});
        for (const char* view : {"32", "64"})
            std::system(
                (reg + "delete 'HKLM\\Software\\Quenlow' /f /reg:" + view + " >/dev/null 2>&1")
                    .c_str());
    }
}

} // namespace
