#include "driver/link_options.h"
#include "link/link_steps.h"
#include "process/command_buffer.h"

namespace {

enum RuntimeLinkage { linkageShared, linkageImportedShared, linkageStatic, linkageBoundShared };

RuntimeLinkage runtimeLinkage() {
    if (linkOptions.boundSharedRuntime)
        return linkageBoundShared;
    if (linkOptions.staticRuntime)
        return linkageStatic;
    if (linkOptions.importedSharedRuntime)
        return linkageImportedShared;
    return linkageShared;
}

} // namespace

void appendRuntimeLibraryWords(int namesResult, int msvcrtFound, int crtdllFound) {
    const LinkOptions& o = linkOptions;
    const RuntimeLinkage linkage = runtimeLinkage();
    const bool shared = linkage == linkageShared || linkage == linkageImportedShared;
    const char* threadLetter = o.singleThreaded ? "s" : "m";

    if (namesResult == namesAnswerPerFlavour) {
        appendRaw("zolrun");
        appendRaw(linkage == linkageBoundShared ? "g" : threadLetter);
        if (shared)
            appendRaw("i");
        appendRaw(".lib ");
        if (shared) {
            appendRaw("oops");
            appendRaw(threadLetter);
            appendRaw(".lib ");
        }
    } else if (namesResult == 0) {
        appendRaw(linkage == linkageStatic ? "zorun32s.lib " : "zorun32.lib ");
    }

    if (msvcrtFound) {
        appendRaw("msvcrt.lib");
        if (o.machine == machineIa64 || o.machine == machineAmd64)
            appendRaw(" bufferoverflowu.lib");
        if (!o.guiApplication && !o.staticRuntime)
            appendRaw(" kernel32.lib");
    } else if (crtdllFound) {
        appendRaw("crtdll.lib");
    }
    appendRaw(" ");

    if (o.guiApplication || linkage == linkageStatic || linkage == linkageBoundShared)
        appendRaw("kernel32.lib user32.lib gdi32.lib advapi32.lib ");
}
