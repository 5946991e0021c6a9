#include "driver/main_sequence.h"

#include <clocale>
#include <cstring>
#include <string>

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

// The file-name tokens that the first pass measured, in their order, for the second pass over
// the same line: the line does not change in between, so neither do they, and its option
// groups, applied in the first pass, change nothing in the second. The second pass takes them
// only right after a first pass over that very line, and uses them up. Each is the node that
// will stand in an input list when its name can be pointed at where it stands.
struct MeasuredNames {
    const char* line = nullptr;
    NameList names = {nullptr, nullptr};
} measuredNames;

// Hands a measured name to classification. A plain name shorter than the measure's limit
// ended at a blank, "," "+" or the end of the line: it is terminated there, where it stands,
// since the line lives to the end of the run and the second pass reads it no more. Any other
// is copied.
void classifyMeasuredName(NameNode* name) {
    char* text = const_cast<char*>(name->text);
    if (name->isWord && name->length < tokenLimit) {
        text[name->length] = '\0';
        addInputNode(name);
    } else {
        addInputFile(text, static_cast<int>(name->length), name->isWord != 0);
    }
}

} // namespace

void resetGeneratedNames() {
    std::strcpy(namesResponseReference, "@vdrlds.lnk");
    std::strcpy(namesObjectName, "vdrlds.obj");
    listObjectName[0] = '\0';
    outputBaseName[0] = '\0';
}

void scanCommandLine(char* position, bool secondPass) {
    MeasuredNames& measured = measuredNames;
    char* const line = position;
    if (secondPass && measured.line == line) {
        measured.line = nullptr;
        NameNode* name = measured.names.head;
        measured.names = {nullptr, nullptr};
        while (name != nullptr) {
            NameNode* next = name->next; // classification may put the node in a list
            classifyMeasuredName(name);
            name = next;
        }
        return;
    }
    measured.line = secondPass ? nullptr : line;
    measured.names = {nullptr, nullptr};
    while (*position != '\0') {
        if (isWordSeparator(*position)) {
            ++position;
        } else if (platformOpensOptionGroup(*position)) {
            const char* group = position;
            parseOptionGroup(&group, secondPass);
            position = line + (group - line);
        } else {
            bool plain; // no blank, double quote or NUL in it
            const int length = measureToken(position, tokenLimit, &plain);
            if (length == 0)
                fatalError(msgIllegalCommandLine);
            if (secondPass)
                addInputFile(position, length, plain);
            else
                appendNameNode(&measured.names,
                               newKeptNameNode(position, static_cast<size_t>(length), plain));
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

int runMainSequence(int argumentCount, char* commandLine) {
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
