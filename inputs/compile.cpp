#include "inputs/compile.h"

#include <cstdint>

#include "driver/link_options.h"
#include "driver/messages.h"
#include "process/command_buffer.h"
#include "process/runner.h"

void compileCobolSource(const char* source) {
    resetCommandBuffer();
    appendRaw(" ");
    appendToken(source);
    if (linkOptions.compilerDirectives[0] != '\0') {
        appendRaw(" use(");
        appendToken(linkOptions.compilerDirectives);
        appendRaw(")");
    }
    appendRaw(";");
    // Codes up to 8 are warnings; a code with the top bit set counts as success too.
    int32_t exitCode = static_cast<int32_t>(runChildProgram("cobol", commandBuffer.data));
    if (exitCode > 8)
        fatalError(msgProgramFailed);
}

void compileCSource(const char* source) {
    static const char* const machineFlags[] = {
        " -c -D_X86_=1 -DWIN32 -MD -Gd",
        " -c -D_ALPHA_=1 -DWIN32 -MD",
        " -c -D_IA64_=1 -DWIN32 -DWIN64 -MD",
        " -c -D_AMD64_=1 -DWIN32 -DWIN64 -MD",
    };
    resetCommandBuffer();
    if (linkOptions.machine >= 0 && linkOptions.machine < machineCount)
        appendRaw(machineFlags[linkOptions.machine]);
    appendRaw(" ");
    appendToken(source);
    // The C compiler's verdict is not ours to judge: the link will tell.
    runChildProgram("cl", commandBuffer.data);
}
