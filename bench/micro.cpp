// Micro-benchmarks of the driver's hot paths, on inputs far larger than a build ever gives:
// the two passes of the tokenizer, the command buffer, the companion-list reader, the library
// search along LIB, and the -I symbol list with the names step that writes it.
//
// Over the fake platform layer: children are never started (they answer 0), and a fatal error
// aborts the run (FakeExit is not caught), since it means the benchmark itself is broken.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include "driver/generated_names.h"
#include "driver/link_options.h"
#include "driver/main_sequence.h"
#include "driver/messages.h"
#include "driver/tokenizer.h"
#include "inputs/companion_list.h"
#include "inputs/input_files.h"
#include "link/link_steps.h"
#include "platform/command_words.h"
#include "platform/platform.h"
#include "platform/platform_fake.h"
#include "process/command_buffer.h"
#include "process/runner.h"

namespace fs = std::filesystem;

namespace {

const int manyNames = 10000;

// A fresh run state, with the names tool on the fake's program path.
void freshRun() {
    resetRunState();
    fakePlatform = FakePlatform();
    fakePlatform.files = {"bin/tessor"};
    linkOptions.noBanner = 1;
    suppressBanner();
}

std::string objectName(int i) {
    char name[32];
    std::snprintf(name, sizeof name, "build/obj/module%05d.obj", i);
    return name;
}

const std::vector<std::string>& objectNames() {
    static std::vector<std::string> names = [] {
        std::vector<std::string> list;
        for (int i = 0; i < manyNames; ++i)
            list.push_back(objectName(i));
        return list;
    }();
    return names;
}

// The command line behind the program name: 10,000 object names separated by blanks.
const std::string& longCommandLine() {
    static std::string line = [] {
        std::string text;
        for (const std::string& name : objectNames())
            text += " " + name;
        return text;
    }();
    return line;
}

// A scratch directory, removed when the benchmarks end.
const fs::path& scratchDirectory() {
    struct Scratch {
        fs::path path;
        Scratch() {
            path =
                fs::temp_directory_path() / ("veldra-bench-" + std::to_string(platformProcessId()));
            fs::create_directories(path);
        }
        ~Scratch() {
            std::error_code ignored;
            fs::current_path(fs::temp_directory_path(), ignored);
            fs::remove_all(path, ignored);
        }
    };
    static Scratch scratch;
    return scratch.path;
}

// The first pass measures every name; the second measures it again and copies it out, as
// addInputFile does.
void BM_TokenizerTwoPasses(benchmark::State& state) {
    static const char delimiters[] = {',', '+', '\0', '\0'};
    const std::string& line = longCommandLine();
    char name[textCapacity];
    for (auto _ : state) {
        for (int pass = 0; pass < 2; ++pass) {
            const char* p = line.c_str();
            while (*p != '\0') {
                if (*p == ' ') {
                    ++p;
                    continue;
                }
                int length = scanToken(scanMeasure, p, const_cast<char*>(delimiters), -1, 4);
                if (pass == 1)
                    scanToken(scanCopy, p, name, length, textCapacity);
                benchmark::DoNotOptimize(name);
                p += length;
            }
        }
    }
    state.SetItemsProcessed(state.iterations() * manyNames);
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(line.size()) * 2);
}
BENCHMARK(BM_TokenizerTwoPasses);

// Both passes of the main sequence, names classified into objectFiles.
void BM_ScanCommandLine(benchmark::State& state) {
    freshRun();
    const std::string& line = longCommandLine();
    for (auto _ : state) {
        scanCommandLine(line.c_str(), false);
        scanCommandLine(line.c_str(), true);
        state.PauseTiming();
        resetLinkOptions();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * manyNames);
}
BENCHMARK(BM_ScanCommandLine);

// The raw text of the POSIX platform layer: argv joined back into one command line.
void BM_BuildCommandLine(benchmark::State& state) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>("veldra"));
    for (const std::string& name : objectNames())
        argv.push_back(const_cast<char*>(name.c_str()));
    for (auto _ : state) {
        std::string line = buildCommandLine(static_cast<int>(argv.size()), argv.data());
        benchmark::DoNotOptimize(line.data());
    }
    state.SetItemsProcessed(state.iterations() * manyNames);
}
BENCHMARK(BM_BuildCommandLine);

// The names step's pattern: raw " " and the token per object, the buffer reset each time.
// The larger counts stand for a long companion list: the buffer grows by 1024 bytes at a
// time, so its growth must stay linear too.
void BM_AppendCommandText(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i)
        names.push_back(objectName(i));
    freshRun();
    for (auto _ : state) {
        // From no storage at all, as in a run, so that every growth step is counted.
        state.PauseTiming();
        std::free(commandBuffer.data);
        commandBuffer = CommandBuffer{};
        state.ResumeTiming();
        for (const std::string& name : names) {
            appendCommandText(" ", 0);
            appendCommandText(name.c_str(), 1);
        }
        benchmark::DoNotOptimize(commandBuffer.data);
    }
    state.SetItemsProcessed(state.iterations() * count);
    state.SetComplexityN(count);
    state.counters["capacity"] = commandBuffer.capacity;
}
BENCHMARK(BM_AppendCommandText)
    ->Arg(manyNames)
    ->Arg(100000)
    ->Arg(400000)
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMicrosecond);

// The POSIX runner splits the child's command line back into argv words.
void BM_SplitCommandWords(benchmark::State& state) {
    std::string command = "tessor /N /Ovdrlds00001234 /FS /S /MMODULE00000" + longCommandLine();
    for (auto _ : state) {
        std::vector<std::string> words = commandWords(command);
        benchmark::DoNotOptimize(words.data());
    }
    state.SetItemsProcessed(state.iterations() * manyNames);
}
BENCHMARK(BM_SplitCommandWords);

// A companion list of state.range(0) MB (10 MB the case of interest), CR LF line ends, read
// and classified into objectFiles.
void BM_ReadCompanionList(benchmark::State& state) {
    const long long listSize = state.range(0) * 1024LL * 1024;
    std::string list;
    long long names = 0;
    for (int i = 0; static_cast<long long>(list.size()) < listSize; ++i) {
        char line[40];
        int n = std::snprintf(line, sizeof line, "obj\\module%07d.obj\r\n", i);
        list.append(line, static_cast<size_t>(n));
        ++names;
    }
    freshRun();
    // The fake platform's file: the list is read from memory, as the real layer reads it in
    // one piece.
    fakePlatform.contents["bench.eom"] = list;
    for (auto _ : state) {
        readCompanionList("bench");
        state.PauseTiming();
        if (!linkOptions.objectFiles.head)
            state.SkipWithError("the list was not read");
        resetLinkOptions();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * names);
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(list.size()));
    state.SetComplexityN(names);
}
BENCHMARK(BM_ReadCompanionList)
    ->Arg(1)
    ->Arg(10)
    ->ArgName("MB")
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMillisecond);

// LIB of 100 directories, the library in the last one (state.range(0) 1), or nowhere (0). The
// item walk only: the fake platform answers each directory from memory.
void BM_FindLibraryOnPath(benchmark::State& state) {
    const bool present = state.range(0) != 0;
    fs::path root = scratchDirectory() / "lib";
    std::string lib;
    for (int i = 0; i < 100; ++i) {
        fs::path directory = root / ("dir" + std::to_string(i));
        fs::create_directories(directory);
        if (!lib.empty())
            lib += ';';
        lib += directory.string();
    }
    fs::path library = root / "dir99" / "msvcrt.lib";
    if (present)
        std::ofstream(library).flush();
    else
        fs::remove(library);
    fs::create_directories(scratchDirectory() / "cwd");
    fs::current_path(scratchDirectory() / "cwd");
    freshRun();
    platformSetEnvironment("LIB", lib.c_str());
    if (present)
        fakePlatform.files.insert(library.string()); // the fake's search sees no file system
    for (auto _ : state) {
        unsigned found = findLibraryOnPath("msvcrt.lib");
        if ((found != 0) != present)
            state.SkipWithError("unexpected search result");
        benchmark::DoNotOptimize(found);
    }
    state.SetItemsProcessed(state.iterations() * 101); // "." and the 100 directories
    platformSetEnvironment("LIB", nullptr);
    fs::current_path(scratchDirectory());
}
BENCHMARK(BM_FindLibraryOnPath)->Arg(1)->Arg(0)->ArgName("found");

std::string symbolName(int i) {
    char name[32];
    std::snprintf(name, sizeof name, "_ENTRY%05d", i);
    return name;
}

// -I symbols appended at the end of their chain: linear in the number of symbols.
void BM_AddIncludeSymbol(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    std::vector<std::string> symbols;
    for (int i = 0; i < count; ++i)
        symbols.push_back(symbolName(i));
    freshRun();
    for (auto _ : state) {
        for (const std::string& symbol : symbols)
            addIncludeSymbol(symbol.c_str());
        state.PauseTiming();
        resetLinkOptions();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * count);
    state.SetComplexityN(count);
}
BENCHMARK(BM_AddIncludeSymbol)
    ->Arg(100)
    ->Arg(1000)
    ->Arg(3000)
    ->Arg(10000)
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMicrosecond);

// The names step of a static-runtime EXE writing the -I symbols ("/I" word " " each); the
// chain is rebuilt before every run, since the step consumes it.
void BM_NamesStepIncludeSymbols(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    std::vector<std::string> symbols;
    for (int i = 0; i < count; ++i)
        symbols.push_back(symbolName(i));
    for (auto _ : state) {
        state.PauseTiming();
        freshRun();
        linkOptions.staticRuntime = 1;
        appendName(&linkOptions.objectFiles, "main.obj");
        for (const std::string& symbol : symbols)
            addIncludeSymbol(symbol.c_str());
        state.ResumeTiming();
        benchmark::DoNotOptimize(runNamesStep());
    }
    state.SetItemsProcessed(state.iterations() * count);
    state.counters["commandBytes"] = commandBuffer.length;
}
BENCHMARK(BM_NamesStepIncludeSymbols)->Arg(10000)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
