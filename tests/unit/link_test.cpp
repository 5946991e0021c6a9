#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "driver/main_sequence.h"
#include "driver/options.h"
#include "link/link_steps.h"
#include "platform/platform.h"
#include "test_support.h"

namespace {

// Collapses the runs of blanks in a command line, as a child's argument split sees it.
std::string words(const std::string& line) {
    std::string result;
    for (char c : line) {
        if (c == ' ' && (result.empty() || result.back() == ' '))
            continue;
        result += c;
    }
    while (!result.empty() && result.back() == ' ')
        result.pop_back();
    return result;
}

std::string pidText() {
    char text[16];
    std::snprintf(text, sizeof text, "%08X", platformProcessId());
    return text;
}

// Runs the names step and the linker for a command line whose inputs are all objects.
// Returns the child command lines, blanks collapsed, with the process id written as PID.
std::vector<std::string> link(const std::string& line, bool crtdllOnly = false) {
    resetRunState();
    EXPECT_EQ(-1, scanLine(("veldra " + line).c_str()));
    settleOutputName();
    std::FILE* runtime = std::fopen(crtdllOnly ? "crtdll.lib" : "msvcrt.lib", "w");
    std::fclose(runtime);
    platformSetEnvironment("LIB", "nowhere");
    runLinkSteps();
    std::remove(crtdllOnly ? "crtdll.lib" : "msvcrt.lib");
    std::vector<std::string> result;
    for (const std::string& command : childCommands) {
        std::string text = words(command);
        for (size_t at; (at = text.find(pidText())) != std::string::npos;)
            text.replace(at, 8, "PID");
        result.push_back(text);
    }
    return result;
}

TEST(LinkSteps, WorkedCommandLines) {
    struct Case {
        const char* line;
        std::vector<std::string> commands;
    };
    const Case cases[] = {
        {"main.obj sub.obj",
         {"tessor /N /OvdrldsPID /FS /S /MMAIN main.obj sub.obj",
          "link -subsystem:console -base:0x400000 -nodefaultlib @vdrldsPID.lnk -out:main.exe "
          "zorun32.lib msvcrt.lib kernel32.lib"}},
        {"-S main.obj sub.obj",
         {"tessor /N /OvdrldsPID /FS /MMAIN main.obj sub.obj",
          "link -subsystem:console -base:0x400000 -nodefaultlib vdrldsPID.obj main.obj sub.obj "
          "-out:main.exe zorun32.lib msvcrt.lib kernel32.lib"}},
        {"-D main.obj sub.obj",
         {"tessor /N /OvdrldsPID /FS /S /Dmain.def main.obj sub.obj",
          "tessor /LIST:RTS /OvdrlstPID.obj main.obj sub.obj",
          "link -subsystem:console -dll -entry:LibMain@12 -nodefaultlib @vdrldsPID.lnk "
          "vdrlstPID.obj -out:main.dll zorun32.lib msvcrt.lib kernel32.lib -def:main.def"}},
        {"-T -IMYSYM main.obj",
         {"tessor /N /OvdrldsPID /S /BBS /IMYSYM /MMAIN main.obj",
          "link -subsystem:console -base:0x400000 -nodefaultlib @vdrldsPID.lnk -out:main.exe "
          "zorun32s.lib msvcrt.lib kernel32.lib user32.lib gdi32.lib advapi32.lib"}},
        {"-P3 main.obj",
         {"tessor /N /OvdrldsPID /P3 /FS /S /MMAIN main.obj",
          "link -subsystem:console -base:0x400000 -nodefaultlib -machine:amd64 @vdrldsPID.lnk "
          "-out:main.exe zorun32.lib msvcrt.lib bufferoverflowu.lib kernel32.lib"}},
        {"-K -V -G main.obj",
         {"tessor /N /FS /V /S /G /MMAIN main.obj",
          "link -subsystem:windows -base:0x400000 -nodefaultlib @vdrlds.lnk -out:main.exe "
          "zorun32.lib msvcrt.lib kernel32.lib user32.lib gdi32.lib advapi32.lib"}},
        {"-N -G -L main.obj",
         {"tessor /N /OvdrldsPID /FS /S /G /MMAIN main.obj",
          "link /nologo -subsystem:windows -base:0x400000 -nodefaultlib @vdrldsPID.lnk "
          "-out:main.exe -map:main.map zorun32.lib msvcrt.lib kernel32.lib user32.lib gdi32.lib "
          "advapi32.lib"}},
        {"app.res",
         {"link -subsystem:console -base:0x400000 -nodefaultlib -machine:ix86 app.res "
          "-out:app.exe zolrunsi.lib oopss.lib msvcrt.lib kernel32.lib"}},
        {"-D -K -Xa -Xb -Zsys -P2 x.def \"my obj.obj\" -Mignored",
         {"tessor /N /P2 /FS /S x.def /Xb /Xa /Z1 \"my obj.obj\"",
          "tessor /P2 /LIST:RTS /Ovdrlst.obj \"my obj.obj\"",
          "link -subsystem:console -dll -entry:LibMain -nodefaultlib -machine:ia64 @vdrlds.lnk "
          "vdrlst.obj -out:\"my obj.dll\" zorun32.lib msvcrt.lib bufferoverflowu.lib "
          "kernel32.lib -def:x.def"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(c.commands, link(c.line));
    }
}

TEST(LinkSteps, RuntimeWords) {
    struct Case {
        const char* options;
        unsigned namesResult;
        bool crtdllOnly;
        const char* tail; // the link command from the runtime words on
    };
    const Case cases[] = {
        {"", 200, false, "zolrunsi.lib oopss.lib msvcrt.lib kernel32.lib"},
        {"-J", 200, false, "zolrunmi.lib oopsm.lib msvcrt.lib kernel32.lib"},
        {"-FM", 0, false, "zorun32.lib msvcrt.lib kernel32.lib"},
        {"-BM", 200, false,
         "zolrunm.lib msvcrt.lib kernel32.lib user32.lib gdi32.lib advapi32.lib"},
        {"-BLMD", 0, false,
         "zorun32s.lib msvcrt.lib kernel32.lib user32.lib gdi32.lib advapi32.lib"},
        {"-RS", 200, false,
         "zolrung.lib msvcrt.lib kernel32.lib kernel32.lib user32.lib gdi32.lib advapi32.lib"},
        {"-RS", 0, true, "zorun32.lib crtdll.lib kernel32.lib user32.lib gdi32.lib advapi32.lib"},
        {"", 0, true, "zorun32.lib crtdll.lib"},
        {"-P3", 0, true, "zorun32.lib crtdll.lib"},
        {"-G", 0, true, "zorun32.lib crtdll.lib kernel32.lib user32.lib gdi32.lib advapi32.lib"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.options);
        resetRunState();
        std::vector<std::string> commands;
        // The names tool's answer picks the library family.
        std::string line = std::string(c.options) + " a.obj";
        resetRunState();
        setChildExitCode("tessor", c.namesResult);
        ASSERT_EQ(-1, scanLine(("veldra " + line).c_str()));
        settleOutputName();
        std::FILE* runtime = std::fopen(c.crtdllOnly ? "crtdll.lib" : "msvcrt.lib", "w");
        std::fclose(runtime);
        platformSetEnvironment("LIB", "nowhere");
        runLinkSteps();
        std::remove(c.crtdllOnly ? "crtdll.lib" : "msvcrt.lib");
        std::string linker = words(childCommands.back());
        std::string tail = c.tail;
        ASSERT_GE(linker.size(), tail.size());
        EXPECT_EQ(tail, linker.substr(linker.size() - tail.size()));
    }
}

TEST(LinkSteps, NamesStepFailureSkipsLinker) {
    resetRunState();
    setChildExitCode("tessor", 3);
    ASSERT_EQ(-1, scanLine("veldra -D a.obj"));
    settleOutputName();
    EXPECT_EQ(3, runLinkSteps());
    ASSERT_EQ(2u, childCommands.size()) << "the runtime-list run still happens";
    EXPECT_EQ(0u, childCommands[1].find("tessor /LIST:RTS"));
}

TEST(LinkSteps, NoCRuntime) {
    resetRunState();
    std::FILE* runtime = std::fopen("msvcrt.lib", "w");
    std::fclose(runtime);
    ASSERT_EQ(-1, scanLine("veldra a.obj"));
    settleOutputName();
    platformSetEnvironment("LIB", "");
    try {
        runLinkSteps();
        ADD_FAILURE() << "no fatal error";
    } catch (const FatalExit& fatal) {
        EXPECT_EQ(11, fatal.id);
    }
    std::remove("msvcrt.lib");
    EXPECT_EQ(1u, childCommands.size()) << "the names tool ran, the linker did not";
}

TEST(LinkSteps, OutputNames) {
    struct Case {
        const char* line;
        const char* output;
        const char* base;
    };
    const Case cases[] = {
        {"-D mod.obj", "mod.dll", "mod"},
        {"dir\\sub\\prog.obj", "prog.exe", "prog"},
        {"@resp", "resp.exe", "resp"},
        {"..\\lib.x\\prog", "prog.exe", "prog"},
        {"-Oout a.obj", "out.exe", "out"},
        {"-Oout.bin a.obj", "out.bin", "out"},
        {"-O..\\bin\\out a.obj", "..\\bin\\out", "out"},
        {"a.lib app.res", "app.exe", "app"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        resetRunState();
        ASSERT_EQ(-1, scanLine((std::string("veldra ") + c.line).c_str()));
        settleOutputName();
        EXPECT_STREQ(c.output, linkOptions.outputName);
        EXPECT_STREQ(c.base, outputBaseName);
    }
}

} // namespace
