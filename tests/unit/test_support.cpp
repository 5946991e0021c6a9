#include "test_support.h"

#include "driver/generated_names.h"
#include "driver/link_options.h"
#include "driver/main_sequence.h"
#include "driver/messages.h"
#include "driver/tokenizer.h"
#include "process/runner.h"

int scanLine(const char* commandLine) {
    resetLinkOptions();
    resetMessages();
    fatalErrorHook = [](int id) { throw id; };
    childProgramHook = [](const char*, const char*) { return 0u; };
    try {
        int nameLength = scanToken(scanCopy, commandLine, nullptr, -1, 0);
        scanCommandLine(commandLine + nameLength, false);
        scanCommandLine(commandLine + nameLength, true);
    } catch (int id) {
        return id;
    }
    return -1;
}
