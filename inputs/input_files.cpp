#include "inputs/input_files.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "driver/messages.h"
#include "driver/options.h"
#include "driver/tokenizer.h"
#include "inputs/compile.h"
#include "platform/platform.h"

namespace {

bool sameText(const char* a, const char* b) {
    for (;; ++a, ++b) {
        char x = *a >= 'A' && *a <= 'Z' ? static_cast<char>(*a + 32) : *a;
        char y = *b >= 'A' && *b <= 'Z' ? static_cast<char>(*b + 32) : *b;
        if (x != y)
            return false;
        if (x == '\0')
            return true;
    }
}

void reportInvalidName(const char* text, int length) {
    std::string name(text, static_cast<size_t>(length));
    reportFileError(msgInvalidFileName, name.c_str());
}

// The nodes of the lists live until the run ends, so they are carved one after another out
// of large blocks: a heap allocation of its own for each of thousands of names costs more
// than everything else done with the name. Each block begins with the link to the one taken
// before it, so that releaseNameStorage can give them all back.
const size_t nameBlockSize = 64 * 1024;
char* nameBlock = nullptr; // the block being filled
size_t nameBlockUsed = 0;

} // namespace

void* takeNodeStorage(size_t size) {
    const size_t align = alignof(NameNode);
    size = (size + align - 1) / align * align;
    if (nameBlock == nullptr || nameBlockSize - nameBlockUsed < size) {
        char* block = static_cast<char*>(std::malloc(nameBlockSize));
        if (!block)
            fatalError(msgNotEnoughMemory);
        *reinterpret_cast<char**>(block) = nameBlock;
        nameBlock = block;
        nameBlockUsed = (sizeof(char*) + align - 1) / align * align;
    }
    void* storage = nameBlock + nameBlockUsed;
    nameBlockUsed += size;
    return storage;
}

void releaseNameStorage() {
    while (nameBlock != nullptr) {
        char* previous = *reinterpret_cast<char**>(nameBlock);
        std::free(nameBlock);
        nameBlock = previous;
    }
    nameBlockUsed = 0;
}

const char* findNamePart(const char* path) {
    const char* namePart = path;
    for (const char* p = path; *p != '\0'; p = platformCharNext(p)) {
        if (platformIsNameSeparator(*p))
            namePart = p + 1;
    }
    return namePart;
}

namespace {

void appendNameOfLength(NameList* list, const char* name, size_t length) {
    NameNode* node = static_cast<NameNode*>(takeNodeStorage(sizeof(NameNode) + length + 1));
    node->text = reinterpret_cast<char*>(node + 1);
    copyCharacters(node->text, name, length);
    node->text[length] = '\0';
    node->next = nullptr;
    if (list->tail)
        list->tail->next = node;
    else
        list->head = node;
    list->tail = node;
}

// The name of `length` characters ends in a "." and "obj" in any case, and that "." is not
// its first character. A byte with bit 5 set is "o", "b" or "j" only when it was one of
// those letters in either case; a "." before them makes "obj" its extension whatever the
// rest of the name holds.
bool hasObjectExtension(const char* name, size_t length) {
    if (length < 5)
        return false;
    const char* extension = name + length - 3;
    return extension[-1] == '.' && (extension[0] | 0x20) == 'o' && (extension[1] | 0x20) == 'b' &&
           (extension[2] | 0x20) == 'j';
}

} // namespace

void appendName(NameList* list, const char* name) {
    appendNameOfLength(list, name, std::strlen(name));
}

void addInputFile(const char* text, int length, bool plain) {
    // A name without blanks and double quotes is its own copy: taken whole, its length
    // known.
    LinkOptions& o = linkOptions;
    size_t nameLength;
    if (length > 0 && length <= tokenLimit &&
        (plain ||
         findWordStop(text, static_cast<size_t>(length), false) == static_cast<size_t>(length))) {
        nameLength = static_cast<size_t>(length);
        // Object files, nearly every name of a long line, go to their list straight away.
        if (hasObjectExtension(text, nameLength)) {
            appendNameOfLength(&o.objectFiles, text, nameLength);
            return;
        }
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
    bool cobol =
        sameText(extension, "cbl") || sameText(extension, "cob") || sameText(extension, "int");
    if (cobol || sameText(extension, "c")) {
        // The object's name is settled before the compile: the compile may reuse every
        // shared buffer, and a name that cannot be recorded is refused before anything runs.
        const char* namePart = findNamePart(name);
        size_t stemLength = static_cast<size_t>(lastDot - namePart);
        if (lastDot < namePart || stemLength + 4 > tokenLimit) {
            reportInvalidName(text, length);
            return;
        }
        char source[textCapacity];
        char objectName[textCapacity];
        std::strcpy(source, name);
        std::memcpy(objectName, namePart, stemLength);
        std::strcpy(objectName + stemLength, ".obj");
        if (cobol)
            compileCobolSource(source);
        else
            compileCSource(source);
        appendName(&o.objectFiles, objectName);
    } else if (sameText(extension, "def")) {
        o.hasDefinitionFile = 1;
        std::free(o.definitionFile);
        o.definitionFile = static_cast<char*>(std::malloc(nameLength + 1));
        if (!o.definitionFile)
            fatalError(msgNotEnoughMemory);
        std::memcpy(o.definitionFile, name, nameLength + 1);
    } else if (sameText(extension, "lib")) {
        appendName(&o.libraries, name);
    } else if (name[0] == '@') {
        appendName(&o.objectFiles, name);
    } else {
        appendName(&o.otherInputs, name);
    }
}
