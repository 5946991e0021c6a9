#include "inputs/input_files.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "driver/link_options.h"
#include "driver/messages.h"
#include "driver/tokenizer.h"
#include "inputs/compile.h"
#include "platform/ascii.h"
#include "platform/platform.h"

namespace {

void reportInvalidName(const char* text, int length) {
    std::string name(text, static_cast<size_t>(length));
    reportFileError(msgInvalidFileName, name.c_str());
}

} // namespace

namespace {

// The name of `length` characters ends in a "." and "obj" in any case, and that "." is not
// its first character. A byte with bit 5 set is "o", "b" or "j" only when it was one of
// those letters in either case; a "." before them makes "obj" its extension whatever the
// rest of the name holds. The four characters are compared as one word, bit 5 set on the
// letters alone.
bool hasObjectExtension(const char* name, size_t length) {
    if (length < 5)
        return false;
    static const char lowerCase[4] = {'.', 'o', 'b', 'j'}, letterBits[4] = {0, 0x20, 0x20, 0x20};
    uint32_t extension, lower, letters;
    std::memcpy(&extension, name + length - 4, 4);
    std::memcpy(&lower, lowerCase, 4);
    std::memcpy(&letters, letterBits, 4);
    return (extension | letters) == lower;
}

// Object files, nearly every name of a long line, go to their list as they stand: a plain
// name (its own copy, its length known) with the extension "obj".
bool isPlainObjectName(const char* text, int length, bool plain) {
    return plain && length > 0 && length <= tokenLimit &&
           hasObjectExtension(text, static_cast<size_t>(length));
}

// Every other name.
void classifyInputFile(const char* text, int length, bool plain) {
    LinkOptions& o = linkOptions;
    size_t nameLength;
    if (plain && length > 0 && length <= tokenLimit) {
        nameLength = static_cast<size_t>(length);
        std::memcpy(scratchPath, text, nameLength);
        scratchPath[nameLength] = '\0';
    } else if (scanToken(scanCopy, text, scratchPath, length, textCapacity) != 0) {
        nameLength = std::strlen(scratchPath);
    } else {
        reportInvalidName(text, length);
        return;
    }
    const char* name = scratchPath;
    const char* lastDot = std::strrchr(name, '.');

    if (lastDot == nullptr || lastDot == name) {
        if (nameLength > 255) {
            reportInvalidName(text, length);
            return;
        }
        std::strcat(scratchPath, name[0] == '@' ? ".lnk" : ".obj");
        appendName(&o.objectFiles, scratchPath);
        return;
    }

    const char* extension = lastDot + 1;
    if (hasObjectExtension(name, nameLength)) {
        appendNameOfLength(&o.objectFiles, name, nameLength);
        return;
    }
    bool cobol = sameAsciiText(extension, "cbl") || sameAsciiText(extension, "cob") ||
                 sameAsciiText(extension, "int");
    if (cobol || sameAsciiText(extension, "c")) {
        // The object's name is settled before the compile: the compile may reuse every
        // shared buffer, and a name that cannot be recorded is refused before anything runs.
        const char* namePart = findNamePart(name);
        size_t stem = stemLength(namePart);
        if (namePart[stem] != '.' || stem + 4 > tokenLimit) {
            reportInvalidName(text, length);
            return;
        }
        char source[textCapacity];
        char objectName[textCapacity];
        std::strcpy(source, name);
        std::memcpy(objectName, namePart, stem);
        std::strcpy(objectName + stem, ".obj");
        if (cobol)
            compileCobolSource(source);
        else
            compileCSource(source);
        appendName(&o.objectFiles, objectName);
    } else if (sameAsciiText(extension, "def")) {
        o.hasDefinitionFile = 1;
        std::free(o.definitionFile);
        o.definitionFile = static_cast<char*>(std::malloc(nameLength + 1));
        if (!o.definitionFile)
            fatalError(msgNotEnoughMemory);
        std::memcpy(o.definitionFile, name, nameLength + 1);
    } else if (sameAsciiText(extension, "lib")) {
        appendName(&o.libraries, name);
    } else if (name[0] == '@') {
        appendName(&o.objectFiles, name);
    } else {
        appendName(&o.otherInputs, name);
    }
}

} // namespace

void addInputFile(const char* text, int length, bool plain) {
    if (isPlainObjectName(text, length, plain))
        appendNameOfLength(&linkOptions.objectFiles, text, static_cast<size_t>(length), true);
    else
        classifyInputFile(text, length, plain);
}

void addInputNode(NameNode* node) {
    const int length = static_cast<int>(node->length);
    if (isPlainObjectName(node->text, length, node->isWord != 0))
        appendNameNode(&linkOptions.objectFiles, node);
    else
        classifyInputFile(node->text, length, node->isWord != 0);
}
