// The one growable text in which a child's command line is assembled.
#pragma once

#include <cstdint>

struct CommandBuffer {
    char* data;       // absent until the first append
    int32_t length;   // characters in use, terminator not counted
    int32_t capacity; // 0, then 1024, growing by 1024
};

extern CommandBuffer commandBuffer;

// Starts a new command line; the storage stays.
inline void resetCommandBuffer() {
    commandBuffer.length = 0;
}

// Appends text raw (asToken 0) or in token form (asToken nonzero: one word, quoted when it
// holds a blank or a double quote). Raw texts must be shorter than 1024 bytes. Fatal error 12
// when storage runs out, or when a token is empty or longer than 259 characters.
void appendCommandText(const char* text, int asToken);

struct NameNode;

// Appends, for the name at `first` and each after it, a blank and the name in token form, as
// appendRaw(" ") and appendToken(name->text) do, without measuring or looking at a name that
// isWord again.
void appendBlankAndNames(const NameNode* first);

// The two forms every command is assembled from.
inline void appendRaw(const char* text) {
    appendCommandText(text, 0);
}
inline void appendToken(const char* text) {
    appendCommandText(text, 1);
}
