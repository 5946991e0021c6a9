#include "process/runner.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "driver/link_options.h"
#include "driver/messages.h"
#include "driver/tokenizer.h"
#include "platform/platform.h"

namespace {

enum { pathBufferSize = 1024 };

// For a 64-bit target the linker of the matching toolset is looked for along ZELBIND64.
// Fills `program` with the token form of its full path and `path` with the path itself.
bool findLinkerAlongZelbind(char* program, char* path) {
    std::string directories;
    if (!platformGetEnvironment("ZELBIND64", directories) || directories.empty())
        return false;
    // A path that does not fit could not be one word either.
    unsigned found = platformFindProgram("link", directories.c_str(), path, pathBufferSize);
    if (found == 0 || found >= pathBufferSize)
        return false;
    char token[pathBufferSize + 1];
    int length = scanToken(scanQuote, path, token, -1, pathBufferSize);
    // A path too long for one word would leave the command line without a program name; the
    // standard lookup then decides instead.
    if (length == 0)
        return false;
    std::memcpy(program, token, static_cast<size_t>(length));
    program[length] = '\0';
    return true;
}

} // namespace

unsigned runChildProgram(const char* program, const char* commandText) {
    printBanner();
    char programName[pathBufferSize + 1];
    std::vector<char> path(pathBufferSize);
    bool special = std::strcmp(program, "link") == 0 && linkOptions.machine != machineIx86 &&
                   findLinkerAlongZelbind(programName, path.data());
    if (!special) {
        std::strncpy(programName, program, pathBufferSize);
        programName[pathBufferSize] = '\0';
        unsigned found = platformFindProgram(program, nullptr, path.data(), pathBufferSize);
        // A longer path (POSIX only) is looked up again with room for it.
        if (found >= pathBufferSize) {
            path.resize(found + 1);
            found = platformFindProgram(program, nullptr, path.data(), found + 1);
        }
        if (found == 0 || found >= path.size())
            fatalFileError(msgCannotFindProgram, program);
    }
    std::string commandLine = std::string(programName) + commandText;
    if (linkOptions.verbose) {
        std::fputs("Executing:", stdout);
        std::fputs(programName, stdout);
        std::fputs(commandText, stdout);
        std::fputs("\n\n", stdout);
    }
    std::fflush(stdout);
    unsigned exitCode = 0;
    if (!platformRunChild(path.data(), commandLine.c_str(), &exitCode))
        fatalFileError(msgCannotExecuteProgram, programName);
    if (linkOptions.verbose)
        std::fputs("\n", stdout);
    return exitCode;
}
