#include "test_support.h"

#include <cstring>
#include <map>

#include "driver/main_sequence.h"
#include "driver/messages.h"
#include "driver/options.h"
#include "driver/tokenizer.h"
#include "inputs/input_files.h"
#include "link/link_steps.h"
#include "platform/platform.h"
#include "process/command_buffer.h"
#include "process/runner.h"

std::vector<std::string> childCommands;

namespace {

std::map<std::string, unsigned> exitCodes;

void throwFatal(int id) {
    throw FatalExit{id};
}

unsigned recordChild(const char* program, const char* commandText) {
    childCommands.push_back(std::string(program) + commandText);
    auto found = exitCodes.find(program);
    return found == exitCodes.end() ? 0 : found->second;
}

} // namespace

void setChildExitCode(const std::string& program, unsigned code) {
    exitCodes[program] = code;
}

void resetRunState() {
    resetLinkOptions();
    resetGeneratedNames();
    resetMessages();
    resetCommandBuffer();
    childCommands.clear();
    exitCodes.clear();
    fatalErrorHook = throwFatal;
    childProgramHook = recordChild;
}

int scanLine(const char* commandLine) {
    try {
        int nameLength = scanToken(scanCopy, commandLine, nullptr,
                                   static_cast<int>(std::strlen(commandLine)), 0);
        if (nameLength == 0)
            fatalError(msgIllegalCommandLine);
        scanCommandLine(commandLine + nameLength, false);
        scanCommandLine(commandLine + nameLength, true);
    } catch (const FatalExit& fatal) {
        return fatal.id;
    }
    return -1;
}
