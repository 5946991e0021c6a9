#include "platform/platform_fake.h"

#include <cstdlib>
#include <cstring>

#include "platform/ascii.h"
#include "platform/expand_environment.h"
#include "platform/file_names.h"
#include "platform/message_table.h"
#include "platform/platform.h"
#include "platform/registry/registry_tree.h"

FakePlatform fakePlatform;

namespace {

// The first directory of `directories` that holds name; empty when none does.
std::string findIn(const std::vector<std::string>& directories, const std::string& name) {
    for (const std::string& directory : directories) {
        if (!directory.empty() && fakePlatform.files.count(directory + "/" + name) != 0)
            return directory + "/" + name;
    }
    return std::string();
}

} // namespace

int platformLoadString(int id, char* buffer, int size) {
    fakePlatform.messages.push_back(id);
    for (const MessageEntry* entry = englishMessages; entry->id != -1; ++entry) {
        if (entry->id == id) {
            std::strncpy(buffer, entry->text, static_cast<size_t>(size) - 1);
            buffer[size - 1] = '\0';
            return static_cast<int>(std::strlen(buffer));
        }
    }
    return 0;
}

const char* platformCharNext(const char* text) {
    return *text == '\0' ? text : text + 1;
}

void platformUpperCase(char* text) {
    for (; *text != '\0'; ++text)
        *text = asciiUpper(*text);
}

bool platformGetEnvironment(const char* name, std::string& value) {
    auto found = fakePlatform.environment.find(name);
    if (found == fakePlatform.environment.end())
        return false;
    value = found->second;
    return true;
}

bool platformIsEnvironmentSet(const char* name) {
    return fakePlatform.environment.count(name) != 0;
}

void platformSetEnvironment(const char* name, const char* value) {
    if (value == nullptr) {
        fakePlatform.environment.erase(name);
        fakePlatform.settings.push_back(name);
    } else {
        fakePlatform.environment[name] = value;
        fakePlatform.settings.push_back(std::string(name) + "=" + value);
    }
}

unsigned platformExpandEnvironment(const char* text, char* out, unsigned size) {
    return expandEnvironmentReferences(text, out, size);
}

unsigned platformProcessId() {
    return fakePlatform.processId;
}

unsigned platformFindProgram(const char* name, const char* dirList, char* out, unsigned size) {
    std::vector<std::string> directories = fakePlatform.programPath;
    if (dirList != nullptr) {
        fakePlatform.lookups.push_back(std::string(name) + " in " + dirList);
        directories.clear();
        std::string list = dirList;
        for (size_t start = 0, end; start <= list.size(); start = end + 1) {
            end = list.find(';', start);
            end = end == std::string::npos ? list.size() : end;
            directories.push_back(list.substr(start, end - start));
        }
    } else {
        fakePlatform.lookups.push_back(name);
    }
    return platformStoreFoundPath(findIn(directories, name), out, size);
}

unsigned platformFindLibrary(const char* dir, const char* name, char* out, unsigned size) {
    return platformStoreFoundPath(
        findIn({*dir != '\0' ? dir : "."}, withDefaultExtension(name, ".lib")), out, size);
}

bool platformRunChild(const char* programPath, const char* programWord, const char* commandText,
                      unsigned* exitCode) {
    std::string program = programPath;
    program = program.substr(program.rfind('/') + 1);
    if (fakePlatform.unstartable.count(program) != 0)
        return false;
    fakePlatform.children.push_back(std::string(programWord) + commandText);
    auto code = fakePlatform.exitCodes.find(program);
    *exitCode = code == fakePlatform.exitCodes.end() ? 0 : code->second;
    return true;
}

char* platformReadFile(const char* name, size_t* size) {
    auto found = fakePlatform.contents.find(name);
    if (found == fakePlatform.contents.end())
        return nullptr;
    char* text = static_cast<char*>(std::malloc(found->second.size() + 1));
    std::memcpy(text, found->second.data(), found->second.size());
    text[found->second.size()] = '\0';
    *size = found->second.size();
    return text;
}

void platformRemoveFile(const char* name) {
    fakePlatform.removals.push_back(name);
}

void platformExit(int status) {
    throw FakeExit{status};
}

void* platformLoadLibrary(const char*) {
    return nullptr;
}

void platformFreeLibrary(void*) {}

// The keys of a root, read from its text each time the root is opened, as the POSIX store
// reads its file once a run.
const RegFileKey& registryRootTree(RegistryRoot root) {
    static RegFileKey trees[2];
    const int index = root == rootLocalMachine ? 0 : 1;
    const std::string& text = fakePlatform.registry[index];
    trees[index] = RegFileKey();
    regFileParse(text.data(), text.size(), regFileLocale, trees[index]);
    return trees[index];
}

int platformNativeMachine() {
    return fakePlatform.nativeMachine;
}
