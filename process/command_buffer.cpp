#include "process/command_buffer.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

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

} // namespace

void appendCommandText(const char* text, int asToken) {
    if (commandBuffer.capacity == 0) {
        commandBuffer.data = static_cast<char*>(std::malloc(growthStep));
        if (!commandBuffer.data)
            fatalError(msgCommandTooLong);
        commandBuffer.capacity = growthStep;
        commandBuffer.data[0] = '\0';
    }
    if (!asToken) {
        if (text[0] != '\0' && text[1] == '\0') {
            // One character, mostly the blank between two words.
            makeRoomFor(1);
            commandBuffer.data[commandBuffer.length++] = text[0];
            commandBuffer.data[commandBuffer.length] = '\0';
            return;
        }
        int32_t length = static_cast<int32_t>(std::strlen(text));
        makeRoomFor(length);
        std::memcpy(commandBuffer.data + commandBuffer.length, text,
                    static_cast<size_t>(length) + 1);
        commandBuffer.length += length;
        return;
    }
    // A word without blanks and double quotes is its own token form: copied straight in.
    const size_t plain = findWordStop(text, SIZE_MAX, false);
    if (text[plain] == '\0' && plain > 0 && plain <= tokenLimit) {
        const int32_t length = static_cast<int32_t>(plain);
        makeRoomFor(length);
        std::memcpy(commandBuffer.data + commandBuffer.length, text, plain);
        commandBuffer.length += length;
        commandBuffer.data[commandBuffer.length] = '\0';
        return;
    }
    char token[272];
    int length = scanToken(scanQuote, text, token, -1, 270);
    if (length == 0)
        fatalError(msgCommandTooLong);
    makeRoomFor(length);
    std::memcpy(commandBuffer.data + commandBuffer.length, token, static_cast<size_t>(length));
    commandBuffer.length += length;
    commandBuffer.data[commandBuffer.length] = '\0';
}
