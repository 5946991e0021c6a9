// The run as the system describes it, and where this code's mechanism differs from that
// description (the results are the same; these are not bugs):
//
// - Two passes over the command line. The first applies the option groups and measures each
//   file name; the second classifies the names. Here the first pass also records where each
//   name stands and how long it is, and the second takes those records instead of scanning
//   the line again: the line does not change in between, so the option groups would change
//   nothing in the second pass and the names would measure the same.
// - A node of the input lists also keeps its name's length and whether the name needs quotes
//   on a command line, so that the names tool's line is assembled without looking at each
//   name again (process/command_buffer.cpp).
// - Object files ("*.obj" without quotes), nearly every name of a long line, are recognised
//   first in addInputFile, before the general classification by extension.
// - Names are scanned for their end sixteen characters at a time where the processor can
//   (platform/word_stop.cpp).
// - On POSIX a child's command line is split into its argument words in one block beside
//   their pointers (platform/command_words.cpp) instead of as separate strings.
#include "driver/main_sequence.h"

#include <clocale>
#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "derovezo/derovezo.h"
#include "driver/generated_names.h"
#include "driver/link_options.h"
#include "driver/messages.h"
#include "driver/options.h"
#include "driver/tokenizer.h"
#include "inputs/companion_list.h"
#include "inputs/input_files.h"
#include "link/link_steps.h"
#include "platform/file_names.h"
#include "platform/platform.h"
#include "process/command_buffer.h"

char namesResponseReference[32];
char namesObjectName[32];
char listObjectName[32];
char outputBaseName[260];

namespace {

void* runtimeLibraryHandle = nullptr;

// The file names the first pass measured over `line`, in their order, for the second pass.
struct MeasuredName {
    const char* text;
    int length;
};
struct MeasuredNames {
    const char* line = nullptr;
    std::vector<MeasuredName> names;
} measured;

} // namespace

void resetGeneratedNames() {
    std::strcpy(namesResponseReference, "@vdrlds.lnk");
    std::strcpy(namesObjectName, "vdrlds.obj");
    listObjectName[0] = '\0';
    outputBaseName[0] = '\0';
}

void scanCommandLine(const char* line, bool secondPass) {
    if (secondPass && measured.line == line) {
        measured.line = nullptr;
        for (const MeasuredName& name : measured.names)
            addInputFile(name.text, name.length);
        measured.names.clear();
        return;
    }
    measured.line = secondPass ? nullptr : line;
    measured.names.clear();
    const char* const end = line + std::strlen(line);
    // Room for as many names as the line can hold (a character and a separator each), taken
    // once: only what is used is ever touched.
    if (!secondPass)
        measured.names.reserve(static_cast<size_t>(end - line) / 2 + 1);
    for (const char* position = line; *position != '\0';) {
        if (isWordSeparator(*position)) {
            ++position;
        } else if (platformOpensOptionGroup(*position)) {
            parseOptionGroup(&position, secondPass);
        } else {
            const ptrdiff_t rest = end - position;
            const int length = measureToken(position, rest < tokenLimit ? static_cast<int>(rest)
                                                                        : int{tokenLimit});
            if (length == 0)
                fatalError(msgIllegalCommandLine);
            if (secondPass)
                addInputFile(position, length);
            else
                measured.names.push_back({position, length});
            position += length;
        }
    }
}

namespace {

// Copies text and the extension into outputName, refusing a name that leaves no room.
void setOutputName(const char* text, size_t length, const char* extension) {
    if (length + std::strlen(extension) > tokenLimit) {
        std::string name(text, length);
        fatalFileError(msgInvalidFileName, name.c_str());
    }
    char name[textCapacity];
    std::memcpy(name, text, length);
    std::strcpy(name + length, extension);
    std::strcpy(linkOptions.outputName, name);
}

// The linker's import library or export file of the output: outputName cut at its last ".".
void removeOutputCompanion(const char* extension, bool keepLeadingDot) {
    const char* name = linkOptions.outputName;
    size_t stem = stemLength(name);
    if (stem == 0 && keepLeadingDot)
        stem = std::strlen(name);
    platformRemoveFile((std::string(name, stem) + extension).c_str());
}

void removeTemporaryFiles() {
    const LinkOptions& o = linkOptions;
    platformRemoveFile(namesObjectName);
    if (o.linkSystemPrograms)
        platformRemoveFile(namesResponseReference + 1);
    if (o.buildDll && !o.hasDefinitionFile)
        platformRemoveFile((std::string(outputBaseName) + ".def").c_str());
    removeOutputCompanion(".lib", false);
    removeOutputCompanion(".exp", true);
    if (listObjectName[0] != '\0')
        platformRemoveFile(listObjectName);
}

} // namespace

void settleOutputName() {
    LinkOptions& o = linkOptions;
    const char* extension = o.buildDll ? ".dll" : ".exe";
    if (o.outputName[0] == '\0') {
        const NameNode* first = o.objectFiles.head ? o.objectFiles.head : o.otherInputs.head;
        const char* namePart = findNamePart(first->text);
        if (*namePart == '@')
            ++namePart;
        setOutputName(namePart, stemLength(namePart), extension);
    } else if (std::strchr(o.outputName, '.') == nullptr) {
        setOutputName(o.outputName, std::strlen(o.outputName), extension);
    }
    const char* namePart = findNamePart(o.outputName);
    size_t length = stemLength(namePart);
    std::memcpy(outputBaseName, namePart, length);
    outputBaseName[length] = '\0';
}

void resetRunState() {
    resetLinkOptions();
    resetGeneratedNames();
    resetMessages();
    resetCommandBuffer();
}

int runMainSequence(int argumentCount, const char* commandLine) {
    std::setlocale(LC_ALL, "");
    importRegistryEnvironment();
    runtimeLibraryHandle = platformLoadLibrary("zorun32.dll");
    resetRunState();

    int nameLength =
        scanToken(scanCopy, commandLine, nullptr, static_cast<int>(std::strlen(commandLine)), 0);
    if (nameLength == 0)
        fatalError(msgIllegalCommandLine);
    scanCommandLine(commandLine + nameLength, false);
    scanCommandLine(commandLine + nameLength, true);

    LinkOptions& o = linkOptions;
    if (!o.staticRuntime && o.includeSymbols.head)
        printMessageText(msgIIgnored);
    if (!o.buildDll && o.excludeSymbols.head)
        printMessageText(msgXIgnored);
    if (argumentCount < 2) {
        printUsage();
        return 0;
    }
    if (!o.objectFiles.head && !o.otherInputs.head) {
        printMessageText(msgObjectRequired);
        printUsage();
        return 0;
    }
    settleOutputName();

    if (o.useCompanionList)
        readCompanionList(outputBaseName);
    addProductInfoObject();
    if (runtimeLibraryHandle) {
        platformFreeLibrary(runtimeLibraryHandle);
        runtimeLibraryHandle = nullptr;
    }
    int status = runLinkSteps();
    if (!o.keepTemporaries)
        removeTemporaryFiles();
    if (o.verbose)
        printMessageText(status == 0 ? msgCompleted : msgFinishedWithErrors);
    return status;
}
