#include "driver/messages.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "driver/link_options.h"
#include "platform/platform.h"

namespace {

char messageBuffer[256];
bool bannerShown = false;

const char productTitle[] = "Quenlow Orvanta";
const char bannerText[] = " - VELDRA utility\nVersion 5.004.0014";
const char rightsNotice[] = " Copyright (C) 2026 Quenlow. All rights reserved.";

} // namespace

const char* loadMessage(int id) {
    // The loader is told of 255 characters, so a longer text would come out cut to 254.
    if (platformLoadString(id, messageBuffer, 255) <= 0)
        std::strcpy(messageBuffer, "Error message not found\n");
    return messageBuffer;
}

void printBanner() {
    if (linkOptions.noBanner || bannerShown)
        return;
    std::printf(productTitle);
    std::printf(bannerText);
    std::printf(rightsNotice);
    std::printf("\n\n");
    bannerShown = true;
}

void printMessage(const char* format, ...) {
    printBanner();
    va_list arguments;
    va_start(arguments, format);
    std::vprintf(format, arguments);
    va_end(arguments);
}

void printText(const char* text) {
    printBanner();
    std::fputs(text, stdout);
}

void printUsage() {
    printMessage("%s\n", loadMessage(msgUsage));
    static const int helpIds[] = {40, 41, 50, 51, 52, 53, 54, 62, 56, 69,
                                  70, 55, 57, 64, 63, 65, 66, 67, 68};
    for (int id : helpIds)
        printMessage(loadMessage(id));
}

void fatalError(int id) {
    printMessage("ERROR: (%d) %s\n", id, loadMessage(id));
    if (id == msgIllegalCommandLine || id == msgInvalidOption)
        printMessage("%s\n", loadMessage(msgUsage));
    platformExit(8);
}

void reportFileError(int id, const char* name) {
    printMessage("ERROR: (%d) %s %s\n", id, loadMessage(id), name);
}

void fatalFileError(int id, const char* name) {
    reportFileError(id, name);
    platformExit(8);
}

void resetMessages() {
    bannerShown = false;
}
