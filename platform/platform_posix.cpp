// The platform layer on Linux and other POSIX systems.
#include "platform/platform.h"

#include "platform/command_words.h"
#include "platform/expand_environment.h"
#include "platform/file_names.h"
#include "platform/locale_text.h"
#include "platform/message_table.h"
#include "platform/read_file.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <cwctype>
#include <langinfo.h>
#include <memory>
#include <signal.h>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

// "ja", "ja_JP", "ja_JP.eucJP", "ja_JP.UTF-8@modifier" and so on.
bool namesJapanese(const char* name) {
    return name != nullptr && std::strncmp(name, "ja", 2) == 0 &&
           (name[2] == '\0' || name[2] == '_' || name[2] == '.' || name[2] == '@');
}

// The message locale names Japanese: the one setlocale(LC_ALL, "") settled, or, when that
// locale is not installed and setlocale fell back to "C", the one the environment asks for
// (LC_ALL, else LC_MESSAGES, else LANG). The texts then stay UTF-8, as the "C" codeset
// cannot hold them.
bool japaneseLocale() {
    if (namesJapanese(setlocale(LC_MESSAGES, nullptr)))
        return true;
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = getenv(variable);
        if (value != nullptr && *value != '\0')
            return namesJapanese(value);
    }
    return false;
}

const char* findMessage(const MessageEntry* table, int id) {
    for (; table->id != -1; ++table) {
        if (table->id == id)
            return table->text;
    }
    return nullptr;
}

bool isAscii(const char* text) {
    for (; *text != '\0'; ++text) {
        if (static_cast<unsigned char>(*text) >= 0x80)
            return false;
    }
    return true;
}

// Bytes of the character at text: by UTF-8 lead and continuation bytes, or by the locale.
size_t characterLength(const char* text, bool utf8) {
    if (utf8) {
        size_t n = 1;
        while (text[n] != '\0' && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80)
            ++n;
        return n;
    }
    int n = mblen(text, MB_CUR_MAX);
    return n > 0 ? static_cast<size_t>(n) : 1;
}

bool isExecutableFile(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           access(path.c_str(), X_OK) == 0;
}

bool isRegularFile(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::string currentDirectory() {
    std::vector<char> buffer(PATH_MAX);
    while (getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE)
            return ".";
        buffer.resize(buffer.size() * 2);
    }
    return buffer.data();
}

// dir/name as a full path: an empty or relative dir is taken from the current directory,
// as the Windows path search reports full paths.
std::string fullPath(const std::string& dir, const char* name) {
    std::string path;
    if (dir.empty() || dir == ".")
        path = currentDirectory();
    else if (dir[0] != '/')
        path = currentDirectory() + "/" + dir;
    else
        path = dir;
    if (path.empty() || path.back() != '/')
        path += '/';
    return path + name;
}

// Walks `list` split at `separator`; true when visit accepted an item.
template <typename Visit> bool forEachItem(const char* list, char separator, Visit visit) {
    const char* start = list;
    for (;;) {
        const char* end = std::strchr(start, separator);
        std::string item = end != nullptr ? std::string(start, end) : std::string(start);
        if (visit(item))
            return true;
        if (end == nullptr)
            return false;
        start = end + 1;
    }
}

} // namespace

const char* platformCommandLine(int argc, char** argv) {
    // Read once, at the start of the run. From here on a write into a closed pipe only fails,
    // as it does on Windows, and the run goes on to its link and clean-up.
    signal(SIGPIPE, SIG_IGN);
    static std::string commandLine;
    commandLine = buildCommandLine(argc, argv);
    return commandLine.c_str();
}

int platformLoadString(int id, char* buffer, int size) {
    if (size <= 0)
        return 0;
    const char* text = findMessage(japaneseLocale() ? japaneseMessages : englishMessages, id);
    if (text == nullptr) {
        buffer[0] = '\0';
        return 0;
    }
    // The tables are UTF-8; a locale with another codeset gets its own encoding, and keeps
    // UTF-8 only when that codeset cannot hold the text.
    std::string converted;
    bool utf8 = true;
    if (!isAscii(text) && std::strcmp(nl_langinfo(CODESET), "UTF-8") != 0 &&
        localeFromUtf8(text, converted)) {
        text = converted.c_str();
        utf8 = false;
    }
    size_t limit = static_cast<size_t>(size) - 1;
    size_t length = 0;
    while (text[length] != '\0') {
        size_t n = characterLength(text + length, utf8);
        if (length + n > limit)
            break;
        length += n;
    }
    std::memcpy(buffer, text, length);
    buffer[length] = '\0';
    return static_cast<int>(length);
}

const char* platformCharNext(const char* text) {
    if (*text == '\0')
        return text;
    // Every code page a locale can have keeps the ASCII characters as single bytes; the
    // library is asked only about the others.
    if (static_cast<unsigned char>(*text) < 0x80)
        return text + 1;
    return text + characterLength(text, false);
}

void platformUpperCase(char* text) {
    while (*text != '\0') {
        int n = mblen(text, MB_CUR_MAX);
        if (n == 1) {
            *text = static_cast<char>(toupper(static_cast<unsigned char>(*text)));
            ++text;
            continue;
        }
        if (n <= 0) {
            ++text;
            continue;
        }
        // A wide character is upper-cased only where its encoding keeps its length, so the
        // text never moves.
        std::mbstate_t state{};
        wchar_t wide;
        if (std::mbrtowc(&wide, text, static_cast<size_t>(n), &state) == static_cast<size_t>(n)) {
            char encoded[MB_LEN_MAX];
            std::mbstate_t outState{};
            size_t m = std::wcrtomb(encoded, static_cast<wchar_t>(std::towupper(wide)), &outState);
            if (m == static_cast<size_t>(n))
                std::memcpy(text, encoded, m);
        }
        text += n;
    }
}

bool platformGetEnvironment(const char* name, std::string& value) {
    const char* found = getenv(name);
    if (found == nullptr)
        return false;
    value = found;
    return true;
}

bool platformIsEnvironmentSet(const char* name) {
    return getenv(name) != nullptr;
}

void platformSetEnvironment(const char* name, const char* value) {
    if (value == nullptr)
        unsetenv(name);
    else
        setenv(name, value, 1);
}

unsigned platformExpandEnvironment(const char* text, char* out, unsigned size) {
    return expandEnvironmentReferences(text, out, size);
}

unsigned platformProcessId() {
    return static_cast<unsigned>(getpid());
}

unsigned platformFindProgram(const char* name, const char* dirList, char* out, unsigned size) {
    if (std::strchr(name, '/') != nullptr)
        return isExecutableFile(name) ? platformStoreFoundPath(name, out, size) : 0;
    std::string found;
    auto tryDirectory = [&](const std::string& dir) {
        std::string path = fullPath(dir, name);
        if (!isExecutableFile(path))
            return false;
        found = path;
        return true;
    };
    if (dirList != nullptr) {
        // A ";" list as on Windows; an empty item names no directory.
        forEachItem(dirList, ';',
                    [&](const std::string& dir) { return !dir.empty() && tryDirectory(dir); });
    } else {
        // PATH as the shell reads it: an empty item is the current directory.
        const char* path = getenv("PATH");
        if (path != nullptr)
            forEachItem(path, ':', tryDirectory);
    }
    return found.empty() ? 0 : platformStoreFoundPath(found, out, size);
}

unsigned platformFindLibrary(const char* dir, const char* name, char* out, unsigned size) {
    std::string path = fullPath(dir, withDefaultExtension(name, ".lib").c_str());
    return isRegularFile(path) ? platformStoreFoundPath(path, out, size) : 0;
}

bool platformRunChild(const char* programPath, const char* programWord, const char* commandText,
                      unsigned* exitCode) {
    // The words go into one block beside their pointers: no string of its own for each of
    // thousands of names.
    const size_t wordLength = std::strlen(programWord), textLength = std::strlen(commandText);
    std::unique_ptr<char[]> storage(new char[wordLength + textLength + 1]);
    std::memcpy(storage.get(), programWord, wordLength);
    std::memcpy(storage.get() + wordLength, commandText, textLength + 1);
    std::unique_ptr<char*[]> argv(new char*[maxCommandWords(wordLength + textLength) + 2]);
    size_t count = splitCommandWords(storage.get(), argv.get());
    if (count == 0)
        argv[count++] = const_cast<char*>(programPath);
    argv[count] = nullptr;

    // The child starts with the default SIGPIPE, not the driver's ignored one.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
    // Exactly the file the lookup found: no second PATH search, no shell for a file that
    // cannot be executed.
    pid_t child;
    int spawned = posix_spawn(&child, programPath, nullptr, &attributes, argv.get(), environ);
    posix_spawnattr_destroy(&attributes);
    if (spawned != 0)
        return false;
    int status;
    pid_t waited;
    do {
        waited = waitpid(child, &status, 0);
    } while (waited == -1 && errno == EINTR);
    if (waited == -1)
        *exitCode = 255;
    else if (WIFEXITED(status))
        *exitCode = static_cast<unsigned>(WEXITSTATUS(status));
    else if (WIFSIGNALED(status))
        *exitCode = 128 + static_cast<unsigned>(WTERMSIG(status));
    else
        *exitCode = 255;
    return true;
}

char* platformReadFile(const char* name, size_t* size) {
    return readWholeFile(name, size);
}

void platformRemoveFile(const char* name) {
    std::remove(name);
}

void platformExit(int status) {
    std::exit(status);
}

void* platformLoadLibrary(const char*) {
    return nullptr;
}

void platformFreeLibrary(void*) {}

int platformNativeMachine() {
    struct utsname system;
    if (uname(&system) != 0)
        return 0;
    if (std::strcmp(system.machine, "x86_64") == 0)
        return 3;
    if (std::strcmp(system.machine, "ia64") == 0)
        return 2;
    return 0;
}
