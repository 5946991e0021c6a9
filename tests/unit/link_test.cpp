// What the end-to-end tests cannot see cheaply: the runtime library words of every flavour
// (as the runtime options settle it) and names-tool answer, and the derivation of the output
// name. Whole link command lines are checked end to end.
#include <gtest/gtest.h>

#include <string>

#include "driver/generated_names.h"
#include "driver/link_options.h"
#include "driver/main_sequence.h"
#include "link/link_steps.h"
#include "process/command_buffer.h"
#include "test_support.h"

namespace {

TEST(LinkSteps, RuntimeLibraryWords) {
    struct Case {
        const char* options;
        int namesResult; // 200: the per-flavour COBOL runtime
        int crtdllOnly;  // the C runtime found is crtdll.lib, not msvcrt.lib
        const char* words;
    };
    const Case cases[] = {
        {"", 200, 0, "zolrunsi.lib oopss.lib msvcrt.lib kernel32.lib"},
        {"-J", 200, 0, "zolrunmi.lib oopsm.lib msvcrt.lib kernel32.lib"},
        {"-FM", 0, 0, "zorun32.lib msvcrt.lib kernel32.lib"},
        {"-BM -FS", 200, 0, "zolrunsi.lib oopss.lib msvcrt.lib kernel32.lib"},
        {"-bsmf", 200, 0, "zolrunm.lib msvcrt.lib kernel32.lib user32.lib gdi32.lib advapi32.lib"},
        {"-FS -T", 0, 0, "zorun32s.lib msvcrt.lib kernel32.lib user32.lib gdi32.lib advapi32.lib"},
        {"-RS -T", 200, 0, "zolruns.lib msvcrt.lib kernel32.lib user32.lib gdi32.lib advapi32.lib"},
        {"-T -RS", 200, 0,
         "zolrung.lib msvcrt.lib kernel32.lib kernel32.lib user32.lib gdi32.lib advapi32.lib"},
        {"-FM -RS", 0, 0,
         "zorun32.lib msvcrt.lib kernel32.lib kernel32.lib user32.lib gdi32.lib advapi32.lib"},
        {"-P3", 0, 0, "zorun32.lib msvcrt.lib bufferoverflowu.lib kernel32.lib"},
        {"-G", 0, 0, "zorun32.lib msvcrt.lib kernel32.lib user32.lib gdi32.lib advapi32.lib"},
        {"-RS", 0, 1, "zorun32.lib crtdll.lib kernel32.lib user32.lib gdi32.lib advapi32.lib"},
        {"-P3", 0, 1, "zorun32.lib crtdll.lib"},
        {"", 3, 1, "crtdll.lib"},
    };

    for (const Case& c : cases) {
        ASSERT_EQ(-1, scanLine((std::string("veldra ") + c.options).c_str()));
        resetCommandBuffer();
        appendRuntimeLibraryWords(c.namesResult, !c.crtdllOnly, c.crtdllOnly);
        std::string words(commandBuffer.data, commandBuffer.length);
        EXPECT_EQ(std::string(c.words) + " ", words) << c.options << " " << c.namesResult;
    }
}

TEST(LinkSteps, OutputNames) {
    struct Case {
        const char* line;
        const char* output;
        const char* base;
    };
    const Case cases[] = {
        {"-D mod.obj", "mod.dll", "mod"},        {"dir\\sub\\prog.obj", "prog.exe", "prog"},
        {"my.app.obj", "my.app.exe", "my.app"},  {"@resp", "resp.exe", "resp"},
        {"..\\lib.x\\prog", "prog.exe", "prog"}, {"-Oout a.obj", "out.exe", "out"},
        {"-Oout.bin a.obj", "out.bin", "out"},   {"-O..\\bin\\out a.obj", "..\\bin\\out", "out"},
        {"a.lib app.res", "app.exe", "app"},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(-1, scanLine((std::string("veldra ") + c.line).c_str()));
        settleOutputName();
        EXPECT_STREQ(c.output, linkOptions.outputName) << c.line;
        EXPECT_STREQ(c.base, outputBaseName) << c.line;
    }
}

} // namespace
