// The platform layer on Windows: the Win32 calls themselves, in the order the driver has
// always made them.
#include "platform/platform.h"

#include <windows.h>

#include "platform/read_file.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

const char* platformCommandLine(int, char**) {
    return GetCommandLineA();
}

int platformLoadString(int id, char* buffer, int size) {
    return LoadStringA(GetModuleHandleA(nullptr), static_cast<UINT>(id), buffer, size);
}

const char* platformCharNext(const char* text) {
    return CharNextA(text);
}

void platformUpperCase(char* text) {
    CharUpperBuffA(text, static_cast<DWORD>(std::strlen(text)));
}

bool platformGetEnvironment(const char* name, std::string& value) {
    // The size query comes first; a set but empty variable reads as zero characters.
    SetLastError(ERROR_SUCCESS);
    DWORD needed = GetEnvironmentVariableA(name, nullptr, 0);
    if (needed == 0) {
        if (GetLastError() == ERROR_ENVVAR_NOT_FOUND)
            return false;
        value.clear();
        return true;
    }
    std::vector<char> buffer(needed);
    DWORD length = GetEnvironmentVariableA(name, buffer.data(), needed);
    if (length >= needed)
        length = 0;
    value.assign(buffer.data(), length);
    return true;
}

bool platformIsEnvironmentSet(const char* name) {
    SetLastError(ERROR_SUCCESS);
    return GetEnvironmentVariableA(name, nullptr, 0) != 0 ||
           GetLastError() != ERROR_ENVVAR_NOT_FOUND;
}

void platformSetEnvironment(const char* name, const char* value) {
    SetEnvironmentVariableA(name, value);
}

unsigned platformExpandEnvironment(const char* text, char* out, unsigned size) {
    // The system writes a cut-off result into a buffer that is too small; ask for the size
    // first so that `out` is only written when everything fits.
    DWORD needed = ExpandEnvironmentStringsA(text, nullptr, 0);
    if (needed != 0 && needed <= size)
        needed = ExpandEnvironmentStringsA(text, out, size);
    return needed;
}

unsigned platformProcessId() {
    return GetCurrentProcessId();
}

unsigned platformFindProgram(const char* name, const char* dirList, char* out, unsigned size) {
    DWORD length = SearchPathA(dirList, name, ".exe", size, out, nullptr);
    return length < size ? length : 0;
}

unsigned platformFindLibrary(const char* dir, const char* name, char* out, unsigned size) {
    DWORD length = SearchPathA(dir, name, ".lib", size, out, nullptr);
    return length < size ? length : 0;
}

bool platformRunChild(const char*, const char* programWord, const char* commandText,
                      unsigned* exitCode) {
    STARTUPINFOA startup;
    GetStartupInfoA(&startup);
    startup.dwFlags |= STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);

    // One line, which CreateProcessA may write into.
    std::string commandLine = std::string(programWord) + commandText;
    PROCESS_INFORMATION process;
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, TRUE,
                        CREATE_SUSPENDED | NORMAL_PRIORITY_CLASS, nullptr, nullptr, &startup,
                        &process))
        return false;

    // The child may open this event by its own process id; it must exist before the child's
    // first instruction, hence the suspended start. Nobody signals or waits on it here.
    char eventName[32];
    std::snprintf(eventName, sizeof eventName, "tessor_event_%08X",
                  static_cast<unsigned>(process.dwProcessId));
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, eventName);
    ResumeThread(process.hThread);

    DWORD code = 255;
    if (WaitForSingleObject(process.hProcess, INFINITE) == WAIT_FAILED ||
        !GetExitCodeProcess(process.hProcess, &code))
        code = 255;
    if (event != nullptr)
        CloseHandle(event);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    *exitCode = code;
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

void* platformLoadLibrary(const char* name) {
    return LoadLibraryA(name);
}

void platformFreeLibrary(void* handle) {
    if (handle != nullptr)
        FreeLibrary(static_cast<HMODULE>(handle));
}

namespace {

int machineOfArchitecture(WORD architecture) {
    switch (architecture) {
    case PROCESSOR_ARCHITECTURE_IA64:
        return 2;
    case PROCESSOR_ARCHITECTURE_AMD64:
        return 3;
    default:
        return 0;
    }
}

} // namespace

#ifndef _WIN64

namespace {

typedef BOOL(WINAPI* IsWow64ProcessFunction)(HANDLE, PBOOL);
typedef void(WINAPI* GetNativeSystemInfoFunction)(LPSYSTEM_INFO);

// Through the generic function pointer type, so that no compiler sees a cast between
// unrelated function types.
template <typename Function> Function lookUp(HMODULE module, const char* name) {
    FARPROC address = GetProcAddress(module, name);
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(address));
}

} // namespace

int platformNativeMachine() {
    // Both functions are looked up, not linked, so that the program still starts on systems
    // that lack them; a 32-bit process sees the 64-bit machine only under WOW64.
    HMODULE kernel = GetModuleHandleA("kernel32");
    IsWow64ProcessFunction isWow64Process =
        lookUp<IsWow64ProcessFunction>(kernel, "IsWow64Process");
    if (isWow64Process == nullptr)
        return 0;
    BOOL wow64 = FALSE;
    if (!isWow64Process(GetCurrentProcess(), &wow64) || !wow64)
        return 0;
    GetNativeSystemInfoFunction getNativeSystemInfo =
        lookUp<GetNativeSystemInfoFunction>(kernel, "GetNativeSystemInfo");
    if (getNativeSystemInfo == nullptr)
        return 0;
    SYSTEM_INFO info;
    getNativeSystemInfo(&info);
    return machineOfArchitecture(info.wProcessorArchitecture);
}

#else

// A 64-bit process never runs under WOW64; the native system is the answer a 32-bit build
// gets on the same machine.
int platformNativeMachine() {
    SYSTEM_INFO info;
    GetNativeSystemInfo(&info);
    return machineOfArchitecture(info.wProcessorArchitecture);
}

#endif
