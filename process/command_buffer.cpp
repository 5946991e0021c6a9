#include "process/command_buffer.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "driver/link_options.h"
#include "driver/messages.h"
#include "driver/tokenizer.h"

CommandBuffer commandBuffer;

namespace {

const int32_t growthStep = 1024;

// One step always suffices: raw texts are shorter than 1024 bytes and tokens at most 259.
void makeRoomFor(int32_t needed) {
    if (needed < commandBuffer.capacity - commandBuffer.length)
        return;
    char* grown = static_cast<char*>(
        std::realloc(commandBuffer.data, static_cast<size_t>(commandBuffer.capacity) + growthStep));
    if (!grown)
        fatalError(msgCommandTooLong);
    commandBuffer.data = grown;
    commandBuffer.capacity += growthStep;
}

// The first append of the run allocates the storage.
void allocateCommandBuffer() {
    commandBuffer.data = static_cast<char*>(std::malloc(growthStep));
    if (!commandBuffer.data)
        fatalError(msgCommandTooLong);
    commandBuffer.capacity = growthStep;
    commandBuffer.data[0] = '\0';
}

// Appends the token form of a text that needs quotes (or cannot have a token form at all).
void appendQuotedToken(const char* text) {
    char token[272];
    int length = scanToken(scanQuote, text, token, -1, 270);
    if (length == 0)
        fatalError(msgCommandTooLong);
    makeRoomFor(length);
    std::memcpy(commandBuffer.data + commandBuffer.length, token, static_cast<size_t>(length));
    commandBuffer.length += length;
    commandBuffer.data[commandBuffer.length] = '\0';
}

} // namespace

void appendCommandText(const char* text, int asToken) {
    if (commandBuffer.capacity == 0)
        allocateCommandBuffer();
    const size_t length = std::strlen(text);
    // A word without blanks and double quotes is its own token form: copied straight in.
    if (asToken && (length > tokenLimit || !needsNoQuotes(text, length))) {
        appendQuotedToken(text);
        return;
    }
    const int32_t count = static_cast<int32_t>(length);
    makeRoomFor(count);
    char* end = commandBuffer.data + commandBuffer.length;
    std::memcpy(end, text, length);
    end[length] = '\0';
    commandBuffer.length += count;
}

void appendBlankAndNames(const NameNode* first) {
    if (commandBuffer.capacity == 0)
        allocateCommandBuffer();
    for (const NameNode* name = first; name != nullptr; name = name->next) {
        if (!name->isWord) {
            appendCommandText(" ", 0);
            appendCommandText(name->text, 1);
            continue;
        }
        // Plain words go in without a terminator after each: the next append, or the one
        // below, ends the text.
        const int32_t count = static_cast<int32_t>(name->length) + 1;
        makeRoomFor(count);
        char* end = commandBuffer.data + commandBuffer.length;
        end[0] = ' ';
        std::memcpy(end + 1, name->text, name->length);
        commandBuffer.length += count;
    }
    commandBuffer.data[commandBuffer.length] = '\0';
}
