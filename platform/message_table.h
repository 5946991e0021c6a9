// The string table of the POSIX build, generated from resources/messages_*.txt.
#pragma once

struct MessageEntry {
    int id;           // -1 ends a table
    const char* text; // UTF-8
};

extern const MessageEntry englishMessages[];
extern const MessageEntry japaneseMessages[];
