#include "driver/messages.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "platform/platform.h"

namespace {

char messageBuffer[256];
bool bannerShown = false;
bool bannerSuppressed = false; // -N

// VELDRA_VERSION_TEXT comes from the project's version: 5.4.14 is written "5.004.0014".
const char bannerText[] = "Quenlow Orvanta - VELDRA utility\nVersion " VELDRA_VERSION_TEXT
                          " Copyright (C) 2026 Quenlow. All rights reserved.\n\n";

} // namespace

const char* loadMessage(MessageId id) {
    // The loader is told of 255 characters, so a longer text would come out cut to 254.
    if (platformLoadString(id, messageBuffer, 255) <= 0)
        std::strcpy(messageBuffer, "Error message not found\n");
    return messageBuffer;
}

void printBanner() {
    if (bannerSuppressed || bannerShown)
        return;
    std::fputs(bannerText, stdout);
    bannerShown = true;
}

void printMessage(const char* format, ...) {
    printBanner();
    va_list arguments;
    va_start(arguments, format);
    std::vprintf(format, arguments);
    va_end(arguments);
}

void printMessageText(MessageId id) {
    printMessage("%s", loadMessage(id));
}

void printUsage() {
    printMessage("%s\n", loadMessage(msgUsage));
    static const MessageId helpIds[] = {
        msgHelpPurpose, msgHelpSource,    msgHelpVerbose,     msgHelpSystem,      msgHelpDll,
        msgHelpGui,     msgHelpMap,       msgHelpKeep,        msgHelpMain,        msgHelpInclude,
        msgHelpExclude, msgHelpOutput,    msgHelpCompiler,    msgHelpStatic,      msgHelpImported,
        msgHelpBound,   msgHelpBoundMode, msgHelpBoundEither, msgHelpBoundRelease};
    for (MessageId id : helpIds)
        printMessageText(id);
}

void fatalError(MessageId id) {
    printMessage("ERROR: (%d) %s\n", static_cast<int>(id), loadMessage(id));
    if (id == msgIllegalCommandLine || id == msgInvalidOption)
        printMessage("%s\n", loadMessage(msgUsage));
    platformExit(8);
}

void reportFileError(MessageId id, const char* name) {
    printMessage("ERROR: (%d) %s %s\n", static_cast<int>(id), loadMessage(id), name);
}

void fatalFileError(MessageId id, const char* name) {
    reportFileError(id, name);
    platformExit(8);
}

void suppressBanner() {
    bannerSuppressed = true;
}

void resetMessages() {
    bannerShown = false;
    bannerSuppressed = false;
}
