#include "process/runner.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "driver/link_options.h"
#include "driver/messages.h"
#include "platform/platform.h"
#include "platform/word_stop.h"

namespace {

enum { pathBufferSize = 1024 };

// Looks `name` up (along dirList when given) into `path`. A longer path than the first
// buffer holds (POSIX only; Windows does not find it) is looked up again with room for it.
bool findProgram(const char* name, const char* dirList, std::vector<char>& path) {
    path.resize(pathBufferSize);
    unsigned found = platformFindProgram(name, dirList, path.data(), pathBufferSize);
    if (found >= pathBufferSize) {
        path.resize(found + 1);
        found = platformFindProgram(name, dirList, path.data(), found + 1);
    }
    return found != 0 && found < path.size();
}

// A full path as the command line's first word. No length limit: the path found is what runs.
std::string pathWord(const char* path) {
    std::string word;
    quoteWord(word, path, std::strlen(path));
    return word;
}

// For a 64-bit target the linker of the matching toolset is looked for along ZELBIND64.
bool findLinkerAlongZelbind(std::string& program, std::vector<char>& path) {
    std::string directories;
    if (!platformGetEnvironment("ZELBIND64", directories) || directories.empty() ||
        !findProgram("link", directories.c_str(), path))
        return false;
    program = pathWord(path.data());
    return true;
}

} // namespace

unsigned runChildProgram(const char* program, const char* commandText) {
    printBanner();
    std::string programName = program;
    std::vector<char> path;
    bool special = std::strcmp(program, "link") == 0 && linkOptions.machine != machineIx86 &&
                   findLinkerAlongZelbind(programName, path);
    if (!special && !findProgram(program, nullptr, path))
        fatalFileError(msgCannotFindProgram, program);
    if (linkOptions.verbose) {
        std::fputs("Executing:", stdout);
        std::fputs(programName.c_str(), stdout);
        std::fputs(commandText, stdout);
        std::fputs("\n\n", stdout);
    }
    std::fflush(stdout);
    unsigned exitCode = 0;
    if (!platformRunChild(path.data(), programName.c_str(), commandText, &exitCode))
        fatalFileError(msgCannotExecuteProgram, programName.c_str());
    if (linkOptions.verbose)
        std::fputs("\n", stdout);
    return exitCode;
}
