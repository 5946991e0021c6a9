// The runtime library words of every flavour, as the runtime options settle it, by the names
// tool's answer and the C runtime found.
#include <gtest/gtest.h>

#include <string>

#include "test_support.h"

namespace {

TEST(Link, RuntimeLibraryWords) {
    const std::string system = " kernel32.lib user32.lib gdi32.lib advapi32.lib";
    const struct {
        std::string options;
        unsigned namesAnswer = 0; // 200: the per-flavour COBOL runtime
        bool crtdllOnly = false;  // the C runtime found is crtdll.lib, not msvcrt.lib
        std::string words;
    } cases[] = {
        {.options = "",
         .namesAnswer = 200,
         .words = "zolrunsi.lib oopss.lib msvcrt.lib kernel32.lib"},
        {.options = "-J",
         .namesAnswer = 200,
         .words = "zolrunmi.lib oopsm.lib msvcrt.lib kernel32.lib"},
        {.options = "-FM", .words = "zorun32.lib msvcrt.lib kernel32.lib"},
        {.options = "-BM -FS",
         .namesAnswer = 200,
         .words = "zolrunsi.lib oopss.lib msvcrt.lib kernel32.lib"},
        {.options = "-bsmf", .namesAnswer = 200, .words = "zolrunm.lib msvcrt.lib" + system},
        {.options = "-FS -T", .words = "zorun32s.lib msvcrt.lib" + system},
        {.options = "-RS -T", .namesAnswer = 200, .words = "zolruns.lib msvcrt.lib" + system},
        {.options = "-T -RS",
         .namesAnswer = 200,
         .words = "zolrung.lib msvcrt.lib kernel32.lib" + system},
        {.options = "-FM -RS", .words = "zorun32.lib msvcrt.lib kernel32.lib" + system},
        {.options = "-P3", .words = "zorun32.lib msvcrt.lib bufferoverflowu.lib kernel32.lib"},
        {.options = "-P2 -T", .words = "zorun32s.lib msvcrt.lib bufferoverflowu.lib" + system},
        {.options = "-G", .words = "zorun32.lib msvcrt.lib" + system},
        {.options = "-RS", .crtdllOnly = true, .words = "zorun32.lib crtdll.lib" + system},
        {.options = "-P3", .crtdllOnly = true, .words = "zorun32.lib crtdll.lib"},
    };
    for (const auto& c : cases) {
        fakePlatform = standardPlatform();
        fakePlatform.exitCodes["tessor"] = c.namesAnswer;
        if (c.crtdllOnly)
            fakePlatform.files = {"bin/tessor", "bin/link", "lib/crtdll.lib"};
        runLine("veldra main.obj " + c.options);
        const std::string link = fakePlatform.children.back();
        const size_t words = link.find("-out:main.exe  ") + 15;
        EXPECT_EQ(c.words + " ", link.substr(words)) << c.options;
    }
}

} // namespace
