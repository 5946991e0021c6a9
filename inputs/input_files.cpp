#include "inputs/input_files.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "driver/link_options.h"
#include "driver/messages.h"
#include "driver/tokenizer.h"
#include "inputs/compile.h"
#include "platform/ascii.h"
#include "platform/file_names.h"
#include "platform/platform.h"

namespace {

void reportInvalidName(const char* text, int length) {
    std::string name(text, static_cast<size_t>(length));
    reportFileError(msgInvalidFileName, name.c_str());
}

// The name of `length` characters ends in ".obj", the letters in any case, and that "." is
// not its first character.
inline bool hasObjectExtension(const char* name, size_t length) {
    return length >= 5 && name[length - 4] == '.' && asciiLower(name[length - 3]) == 'o' &&
           asciiLower(name[length - 2]) == 'b' && asciiLower(name[length - 1]) == 'j';
}

// Every name but an object file without quotes: copied out of its quotes and classified by
// its extension.
void classifyByExtension(const char* text, int length) {
    LinkOptions& o = linkOptions;
    size_t nameLength;
    if (scanToken(scanCopy, text, scratchPath, length, textCapacity) != 0) {
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

void addInputFile(const char* text, int length) {
    // Object files, nearly every name of a long line, go to their list as they stand when
    // nothing in them is quoted (a token without double quotes holds no blank either).
    if (length > 0 && hasObjectExtension(text, static_cast<size_t>(length)) &&
        appendWord(&linkOptions.objectFiles, text, static_cast<size_t>(length)))
        return;
    classifyByExtension(text, length);
}
