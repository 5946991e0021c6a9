// Everything the driver itself writes: numbered texts of the string table, the banner, the
// usage text and the two ways of reporting an error. All of it goes to standard output, the
// banner first (once per run, unless -N).
#pragma once

#include "driver/message_ids.h"

// Text of message id in the shared 256-byte buffer, valid until the next load;
// "Error message not found\n" for an id the table lacks.
const char* loadMessage(MessageId id);

// Prints the banner (once, unless -N), then format with its arguments.
#if defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
void printMessage(const char* format, ...);

// Prints the banner (once, unless -N), then the text of message id as it stands.
void printMessageText(MessageId id);

void printBanner();
void printUsage();

// Prints "ERROR: (id) text" (and the usage line after 5 and 6) and ends the run with 8 through
// platformExit.
[[noreturn]] void fatalError(MessageId id);

// Prints "ERROR: (id) text name" and returns.
void reportFileError(MessageId id, const char* name);

// reportFileError, then ends the run with status 8 (a program that cannot be found or
// started, an output name that cannot be made).
[[noreturn]] void fatalFileError(MessageId id, const char* name);

// No banner for the rest of the run (-N).
void suppressBanner();

// Clears the banner flags, so that the next message brings the banner again.
void resetMessages();
