#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "driver/generated_names.h"
#include "driver/link_options.h"
#include "link/link_steps.h"
#include "platform/file_names.h"
#include "platform/platform.h"
#include "process/command_buffer.h"
#include "process/runner.h"

namespace {

// "/P" and the machine digit, for every target but ix86.
void appendMachineWord(const char* prefix) {
    if (linkOptions.machine == machineIx86)
        return;
    char word[16];
    std::snprintf(word, sizeof word, "%s%d ", prefix, static_cast<int>(linkOptions.machine));
    appendRaw(word);
}

// The main entry name of an EXE: the first object's name part, without a leading "@" and its
// extension, upper-cased by the run's locale.
void deriveMainEntryName() {
    const char* entry = linkOptions.objectFiles.head->text;
    const char* namePart = findNamePart(entry);
    if (*namePart == '@')
        ++namePart;
    size_t length = stemLength(namePart);
    std::memcpy(scratchPath, namePart, length);
    scratchPath[length] = '\0';
    platformUpperCase(scratchPath);
}

// Writes each symbol as `prefix` and its token, releasing its node: the list ends empty.
void appendSymbols(SymbolList* list, const char* prefix) {
    while (list->head) {
        SymbolNode* node = list->head;
        appendRaw(prefix);
        appendToken(node->text);
        appendRaw(" ");
        list->head = node->next;
        std::free(node);
    }
}

void appendObjectFiles() {
    appendBlankAndNames(linkOptions.objectFiles.head);
}

} // namespace

int runNamesStep() {
    LinkOptions& o = linkOptions;
    if (!o.objectFiles.head) {
        if (o.buildDll)
            o.useGeneratedDefinitionFile = 0;
        return namesAnswerPerFlavour;
    }
    const unsigned pid = platformProcessId();

    resetCommandBuffer();
    appendRaw(" /N ");
    if (!o.keepTemporaries) {
        std::snprintf(namesResponseReference, sizeof namesResponseReference, "@vdrlds%08X.lnk",
                      pid);
        std::snprintf(namesObjectName, sizeof namesObjectName, "vdrlds%08X", pid);
        appendRaw("/O");
        appendRaw(namesObjectName);
        appendRaw(" ");
        std::strcat(namesObjectName, ".obj");
    }
    appendMachineWord("/P");
    if (o.boundSharedRuntime) {
        appendRaw("/R");
        appendRaw(o.boundRuntimeMode);
        appendRaw(" ");
    } else if (!o.staticRuntime) {
        appendRaw("/F");
        appendRaw(o.importedThreadLetter);
        appendRaw(" ");
    }
    if (o.verbose)
        appendRaw("/V ");
    if (o.linkSystemPrograms)
        appendRaw("/S ");
    if (o.staticRuntime) {
        appendRaw("/B");
        appendRaw(o.staticRuntimeLetters);
        appendRaw(" ");
        appendSymbols(&o.includeSymbols, "/I");
    }
    if (!o.buildDll) {
        if (o.guiApplication)
            appendRaw("/G ");
        appendRaw("/M");
        if (o.mainEntryName[0] != '\0') {
            appendToken(o.mainEntryName);
        } else {
            deriveMainEntryName();
            appendToken(scratchPath);
        }
    } else {
        if (o.hasDefinitionFile) {
            appendRaw(" ");
            appendToken(o.definitionFile);
        } else {
            appendRaw("/D");
            appendToken(outputBaseName);
            appendRaw(".def");
        }
        if (o.excludeSymbols.head) {
            appendRaw(" ");
            appendSymbols(&o.excludeSymbols, "/X");
        }
    }
    if (o.namesToolFlags != 0) {
        char word[24];
        std::snprintf(word, sizeof word, " /Z%u", static_cast<unsigned>(o.namesToolFlags));
        appendRaw(word);
    }
    appendObjectFiles();
    const int result = static_cast<int>(runChildProgram("tessor", commandBuffer.data));

    if (o.buildDll && !o.staticRuntime) {
        resetCommandBuffer();
        appendMachineWord(" /P");
        appendRaw(" /LIST:RTS /O");
        if (o.keepTemporaries)
            std::strcpy(listObjectName, "vdrlst.obj");
        else
            std::snprintf(listObjectName, sizeof listObjectName, "vdrlst%08X.obj", pid);
        appendToken(listObjectName);
        appendObjectFiles();
        runChildProgram("tessor", commandBuffer.data); // its verdict does not matter
    }
    return result;
}
