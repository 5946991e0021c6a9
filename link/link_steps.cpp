#include "link/link_steps.h"

#include <cstring>
#include <string>

#include "driver/generated_names.h"
#include "driver/link_options.h"
#include "driver/messages.h"
#include "driver/tokenizer.h"
#include "inputs/input_files.h"
#include "platform/platform.h"
#include "process/command_buffer.h"
#include "process/runner.h"

namespace {

const char* const machineWords[] = {"-machine:ix86 ", "-machine:alpha ", "-machine:ia64 ",
                                    "-machine:amd64 "};

bool isWideMachine() {
    return linkOptions.machine == machineIa64 || linkOptions.machine == machineAmd64;
}

} // namespace

int runLinkSteps() {
    if (isWideMachine()) {
        // Never restored: the names tool, the linker and every later search see it.
        std::string lib64;
        if (platformGetEnvironment("LIB64", lib64) && !lib64.empty())
            platformSetEnvironment("LIB", lib64.c_str());
    }
    int namesResult = runNamesStep();
    if (namesResult != 0 && namesResult != namesAnswerPerFlavour)
        return namesResult;
    return runLinker(namesResult);
}

unsigned findLibraryOnPath(const char* name) {
    std::string lib;
    if (!platformGetEnvironment("LIB", lib) || lib.empty())
        return 0;
    unsigned found = platformFindLibrary(".", name, scratchPath, textCapacity);
    uint32_t listState = 0;
    const char* position = lib.c_str();
    char directory[textCapacity];
    while (found == 0) {
        nextListItem(&listState, &position, directory, textCapacity);
        if (listState & listDone)
            break;
        found = platformFindLibrary(directory, name, scratchPath, textCapacity);
    }
    return found;
}

void addProductInfoObject() {
    if (findLibraryOnPath("zoprinfo.obj") == 0)
        return;
    addExcludeSymbol("_zOprdata");
    addInputFile("zoprinfo.obj", 12);
}

int runLinker(int namesResult) {
    const LinkOptions& o = linkOptions;
    int msvcrtFound = findLibraryOnPath("msvcrt.lib") != 0;
    int crtdllFound = 0;
    if (!msvcrtFound)
        crtdllFound = findLibraryOnPath("crtdll.lib") != 0;
    if (!msvcrtFound && !crtdllFound)
        fatalError(msgNoCRuntime);

    const bool haveObjects = o.objectFiles.head != nullptr;
    resetCommandBuffer();
    appendRaw(" ");
    if (o.noBanner)
        appendRaw("/nologo ");
    appendRaw(o.guiApplication ? "-subsystem:windows " : "-subsystem:console ");
    if (o.buildDll) {
        appendRaw("-dll ");
        if (haveObjects)
            appendRaw(o.machine == machineIx86 ? "-entry:LibMain@12 " : "-entry:LibMain ");
    } else {
        appendRaw("-base:0x400000 ");
    }
    appendRaw("-nodefaultlib ");
    if (o.machine != machineIx86 || (!haveObjects && o.otherInputs.head))
        appendRaw(machineWords[o.machine]);
    appendRaw(" ");
    if (haveObjects) {
        if (o.linkSystemPrograms) {
            appendRaw(namesResponseReference);
        } else {
            appendRaw(namesObjectName);
            appendBlankAndNames(o.objectFiles.head);
        }
        if (o.buildDll && !o.staticRuntime) {
            appendRaw(" ");
            appendToken(listObjectName);
        }
    }
    appendBlankAndNames(o.otherInputs.head);
    appendRaw(" ");
    appendRaw("-out:");
    appendToken(o.outputName);
    appendRaw(" ");
    if (o.generateMap) {
        appendRaw("-map:");
        appendToken(outputBaseName);
        appendRaw(".map");
    }
    appendRaw(" ");
    for (NameNode* node = o.libraries.head; node; node = node->next) {
        appendToken(node->text);
        appendRaw(" ");
    }
    appendRuntimeLibraryWords(namesResult, msvcrtFound, crtdllFound);
    if (o.hasDefinitionFile || (o.buildDll && o.useGeneratedDefinitionFile)) {
        appendRaw(" ");
        appendRaw("-def:");
        if (o.hasDefinitionFile) {
            appendToken(o.definitionFile);
        } else {
            appendToken(outputBaseName);
            appendRaw(".def");
        }
    }
    return static_cast<int>(runChildProgram("link", commandBuffer.data));
}
