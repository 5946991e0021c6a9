#include "driver/main_sequence.h"

#include <clocale>
#include <cstdint>
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
#include "platform/platform.h"
#include "process/command_buffer.h"

char namesResponseReference[32];
char namesObjectName[32];
char listObjectName[32];
char outputBaseName[260];

namespace {

void* runtimeLibraryHandle = nullptr;

// The lengths of the file-name tokens that the first pass measured, in their order, for the
// second pass over the same line: the line does not change in between, so neither do they.
// The second pass takes them only right after a first pass over that very line, and uses
// them up.
const uint16_t plainName = 0x8000; // beside a length (at most 259): no blank or quote in it

struct MeasuredNames {
    const char* line = nullptr;
    std::vector<uint16_t> lengths;
    size_t next = 0;
} measuredNames;

} // namespace

void resetGeneratedNames() {
    std::strcpy(namesResponseReference, "@vdrlds.lnk");
    std::strcpy(namesObjectName, "vdrlds.obj");
    listObjectName[0] = '\0';
    outputBaseName[0] = '\0';
}

void scanCommandLine(const char* position, bool secondPass) {
    MeasuredNames& measured = measuredNames;
    const bool remembered = secondPass && measured.line == position;
    if (!secondPass) {
        measured.line = position;
        measured.lengths.clear();
    } else {
        measured.line = nullptr;
    }
    measured.next = 0;
    while (*position != '\0') {
        if (isWordSeparator(*position)) {
            ++position;
        } else if (platformOpensOptionGroup(*position)) {
            parseOptionGroup(&position, secondPass);
        } else {
            int length;
            bool plain; // no blank, double quote or NUL in it
            if (remembered && measured.next < measured.lengths.size()) {
                const uint16_t entry = measured.lengths[measured.next++];
                length = entry & plainName ? entry - plainName : entry;
                plain = (entry & plainName) != 0;
            } else {
                length = measureToken(position, tokenLimit, &plain);
                if (length == 0)
                    fatalError(msgIllegalCommandLine);
                if (!secondPass)
                    measured.lengths.push_back(
                        static_cast<uint16_t>(plain ? length + plainName : length));
            }
            if (secondPass)
                addInputFile(position, length, plain);
            position += length;
        }
    }
    if (secondPass)
        measured.lengths.clear();
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
    std::string name = linkOptions.outputName;
    size_t lastDot = name.rfind('.');
    if (lastDot != std::string::npos && !(keepLeadingDot && lastDot == 0))
        name.erase(lastDot);
    name += extension;
    platformRemoveFile(name.c_str());
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
