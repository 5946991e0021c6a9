// tessor: the entry-point names tool of the reference toolchain. veldra runs it on the objects
// of a link; it reads their COFF symbol tables and writes, in the current directory:
//
//   the names object   <base>.obj (/O<base>, else vdrlds.obj): one read-only section holding
//                      the record `zo_names` that the runtime's start-up reads (see
//                      tools/reference/runtime/zorun32.h): the main entry, its calling style,
//                      the runtime word, the /Z value and a table of the objects' public
//                      functions (name, address), plus the /I symbols; a .drectve section
//                      asks the linker to /INCLUDE each /I symbol.
//   the response file  <base>.lnk with /S: the names object and every object, one per line.
//   a definition file  with /D<name>: LIBRARY and EXPORTS, the objects' public functions
//                      minus the /X symbols.
//   a runtime list     with /LIST:RTS /O<name>: an object whose `zo_runtime_list` names the
//                      objects the module is built from.
//
// Words (option letters in either case):
//   /N /V /S /G        no banner, verbose, write the response file, windows subsystem
//   /O<name>           base name of the names object (with /LIST:RTS: the list object's name)
//   /P<digit>          machine: 0 ix86 (the default), 1 alpha, 2 ia64, 3 amd64
//   /F<t> /R<m> /B<l>  runtime word: kept in the names object
//   /I<sym> /X<sym>    include in the image; leave out of the exports
//   /M<name>           main entry: a COBOL program of that name (case ignored), else main or
//                      wmain (under /G WinMain or wWinMain first), else any public function
//                      of that name (case ignored)
//   /D<file>           write that module-definition file; a word ending in .def names the
//                      user's own, and then none is written
//   /Z<number>         system flags, kept in the names object
//   @<file>            a linker response file: passed on as it is, its words read for objects
//   anything else      an object file. A word beginning with "/" that holds another "/" is a
//                      path, not an option.
//
// Exit status: 0; 200 when an object asks for the per-flavour runtime through a linker
// directive /DEFAULTLIB naming a library whose name begins with "zolrun" (veldra links with
// -nodefaultlib, so the linker would drop that request; the answer makes veldra name the
// per-flavour libraries itself); 1 with a one-line message for a bad word, a missing,
// unreadable or non-COFF input, an object of another machine than the link's (/P), a missing
// main entry or a file that cannot be written.

#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

enum : uint16_t {
    machineI386 = 0x14c,
    machineAlpha = 0x184,
    machineIa64 = 0x200,
    machineAmd64 = 0x8664,
    machineArm64 = 0xAA64,
    machineArm = 0x1C4,
};

struct Symbol {
    std::string name; // as in the object: decorated on x86
    std::string object;
    bool cobol; // a COBOL program's entry: its object enters the COBOL runtime
};

// What the words asked for, and what the objects hold.
struct Run {
    bool verbose = false, responseFile = false, gui = false, listRun = false, dll = false;
    std::string outputBase; // empty: the default name
    uint16_t machine = machineI386;
    std::string runtimeWord;
    std::string mainName;
    std::string definitionFile; // to write; empty: none
    unsigned sysFlags = 0;
    std::vector<std::string> includes, excludes;
    std::vector<std::string> entries;     // object files and "@" entries, as given
    std::vector<std::string> objectFiles; // every object to read, response files expanded
    std::vector<Symbol> functions;        // public functions of the objects, in object order
    std::vector<std::string> defined;     // every public symbol of the objects
    bool perFlavourRuntime = false;
};

Run run;

[[noreturn]] void fail(const std::string& what) {
    std::printf("tessor: %s\n", what.c_str());
    std::fflush(stdout);
    std::exit(1);
}

std::string lowerCase(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool endsWithNoCase(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() &&
           lowerCase(text.substr(text.size() - suffix.size())) == suffix;
}

bool readFile(const std::string& path, std::string* content) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return false;
    char buffer[65536];
    size_t got;
    content->clear();
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        content->append(buffer, got);
    bool ok = !std::ferror(file);
    std::fclose(file);
    return ok;
}

void writeFile(const std::string& path, const std::string& content) {
    FILE* file = std::fopen(path.c_str(), "wb");
    bool ok = file && std::fwrite(content.data(), 1, content.size(), file) == content.size();
    if (file && std::fclose(file) != 0)
        ok = false;
    if (!ok)
        fail(path + ": cannot write");
}

// Splits a response file into words: blanks and line ends separate, double quotes group.
std::vector<std::string> splitWords(const std::string& text) {
    std::vector<std::string> words;
    std::string word;
    bool quoted = false, any = false;
    for (char c : text) {
        if (c == '"') {
            quoted = !quoted;
            any = true;
        } else if (!quoted && (c == ' ' || c == '\t' || c == '\r' || c == '\n')) {
            if (any)
                words.push_back(word);
            word.clear();
            any = false;
        } else {
            word += c;
            any = true;
        }
    }
    if (any)
        words.push_back(word);
    return words;
}

// A response file's objects are read too; its options (words beginning with "/" or "-") and
// libraries belong to the linker.
void addEntry(const std::string& entry, int depth) {
    if (entry[0] != '@') {
        run.objectFiles.push_back(entry);
        return;
    }
    std::string content;
    if (depth > 8)
        fail(entry.substr(1) + ": response files nested too deep");
    if (!readFile(entry.substr(1), &content))
        fail(entry.substr(1) + ": cannot read the response file");
    for (const std::string& word : splitWords(content)) {
        if (word.empty() ||
            ((word[0] == '/' || word[0] == '-') && word.find('/', 1) == std::string::npos))
            continue;
        if (word[0] == '@' || endsWithNoCase(word, ".obj"))
            addEntry(word, depth + 1);
    }
}

uint32_t get16(const std::string& data, size_t at) {
    return static_cast<uint8_t>(data[at]) | static_cast<uint8_t>(data[at + 1]) << 8;
}
uint32_t get32(const std::string& data, size_t at) {
    return get16(data, at) | get16(data, at + 2) << 16;
}

// "/DEFAULTLIB:zolrunsi.lib", "-defaultlib:\"zolrun\"": a request for the per-flavour runtime.
void readDirectives(const std::string& text) {
    for (std::string word : splitWords(text)) {
        word = lowerCase(word);
        if (!word.empty() && (word[0] == '/' || word[0] == '-') &&
            word.compare(1, 11, "defaultlib:") == 0 && word.compare(12, 6, "zolrun") == 0)
            run.perFlavourRuntime = true;
    }
}

// The name a C programmer wrote: x86 adds "_" in front of cdecl and stdcall names and "@n"
// after stdcall ones.
std::string plainName(const std::string& name) {
    if (run.machine != machineI386 || name.empty() || name[0] != '_')
        return name;
    std::string plain = name.substr(1);
    size_t at = plain.rfind('@');
    if (at != std::string::npos && at > 0 &&
        plain.find_first_not_of("0123456789", at + 1) == std::string::npos && at + 1 < plain.size())
        plain.resize(at);
    return plain;
}

const char* machineName(uint32_t machine) {
    switch (machine) {
    case machineI386:
        return "x86";
    case machineAmd64:
        return "x64";
    case machineIa64:
        return "ia64";
    case machineAlpha:
        return "alpha";
    case machineArm64:
        return "arm64";
    case machineArm:
        return "arm";
    }
    return nullptr;
}

// An object of another machine would only fail later, in the linker or as a missing entry
// point; the usual cause is a COBOL source translated for the default machine.
std::string wrongMachine(const std::string& path, uint32_t machine) {
    std::string link = machineName(run.machine);
    std::string text = path + ": an " + machineName(machine) + " object in an " + link + " link";
    if (run.machine == machineI386 || run.machine == machineAmd64) {
        text +=
            "; build it for " + link + " (a COBOL source: set VELDRA_COBOL_MACHINE=" + link + ")";
        if (run.machine == machineI386 && machine == machineAmd64)
            text += ", or link for x64 with -P3";
    }
    return text;
}

// Reads the symbol table of one COFF object, plain or big-object. Every offset is checked
// against the file's size before it is used.
void readObject(const std::string& path) {
    std::string data;
    if (!readFile(path, &data)) {
        // veldra goes on after a failed C compile, so a missing object usually means that.
        if (errno == ENOENT)
            fail(path + " does not exist: its compile probably failed (see the messages above)");
        fail(path + ": cannot read");
    }
    const std::string notCoff = path + ": not a COFF object file";
    if (data.size() < 20)
        fail(notCoff);
    size_t sections, sectionTable, symbolTable, symbols, symbolSize;
    uint32_t machine;
    if (get16(data, 0) == 0 && get16(data, 2) == 0xFFFF) {
        // Big-object header: ClassID tells it from an import object, which is no object here.
        static const unsigned char bigObjectClass[16] = {0xC7, 0xA1, 0xBA, 0xD1, 0xEE, 0xBA,
                                                         0xA9, 0x4B, 0xAF, 0x20, 0xFA, 0xF6,
                                                         0x6A, 0xA4, 0xDC, 0xB8};
        if (data.size() < 56 || get16(data, 4) < 2 ||
            std::memcmp(data.data() + 12, bigObjectClass, 16) != 0)
            fail(notCoff);
        machine = get16(data, 6);
        sections = get32(data, 44);
        symbolTable = get32(data, 48);
        symbols = get32(data, 52);
        sectionTable = 56;
        symbolSize = 20;
    } else {
        machine = get16(data, 0);
        sections = get16(data, 2);
        symbolTable = get32(data, 8);
        symbols = get32(data, 12);
        sectionTable = 20 + get16(data, 16);
        symbolSize = 18;
    }
    if (machineName(machine) == nullptr)
        fail(notCoff);
    if (machine != run.machine)
        fail(wrongMachine(path, machine));
    if (sectionTable + 40 * sections > data.size() || symbolTable > data.size() ||
        symbols > (data.size() - symbolTable) / symbolSize)
        fail(notCoff);
    size_t strings = symbolTable + symbols * symbolSize;
    size_t stringsSize = strings + 4 <= data.size() ? get32(data, strings) : 0;
    if (stringsSize > data.size() - strings)
        fail(notCoff);

    size_t firstFunction = run.functions.size();
    bool cobol = false;
    std::vector<bool> code(sections + 1, false);
    for (size_t i = 0; i < sections; ++i) {
        size_t header = sectionTable + 40 * i;
        code[i + 1] = (get32(data, header + 36) & 0x20) != 0; // IMAGE_SCN_CNT_CODE
        size_t size = get32(data, header + 16), at = get32(data, header + 20);
        if (std::strncmp(data.data() + header, ".drectve", 8) == 0 && at <= data.size() &&
            size <= data.size() - at)
            readDirectives(data.substr(at, size));
    }
    for (size_t i = 0; i < symbols; ++i) {
        size_t at = symbolTable + i * symbolSize;
        std::string name;
        if (get32(data, at) == 0) {
            size_t offset = get32(data, at + 4);
            if (offset >= stringsSize)
                fail(notCoff);
            name = std::string(data.c_str() + strings + offset,
                               strnlen(data.data() + strings + offset, stringsSize - offset));
        } else {
            name = std::string(data.data() + at, strnlen(data.data() + at, 8));
        }
        int32_t section = symbolSize == 20 ? static_cast<int32_t>(get32(data, at + 12))
                                           : static_cast<int16_t>(get16(data, at + 12));
        uint32_t type = get16(data, at + symbolSize - 4);
        uint32_t storageClass = static_cast<uint8_t>(data[at + symbolSize - 2]);
        uint32_t aux = static_cast<uint8_t>(data[at + symbolSize - 1]);
        if (storageClass == 2 && section > 0 && static_cast<size_t>(section) <= sections) {
            run.defined.push_back(name);
            if (code[section] || (type & 0xF0) == 0x20)
                run.functions.push_back({name, path, false});
        }
        // What GnuCOBOL's translation of a program calls first, in every entry of it.
        if (storageClass == 2 && section == 0 && plainName(name) == "cob_module_global_enter")
            cobol = true;
        i += aux;
    }
    for (size_t i = firstFunction; i < run.functions.size(); ++i)
        run.functions[i].cobol = cobol;
}

// The symbol an /I word names: as written when an object defines it, else decorated as C does.
std::string includeSymbol(const std::string& name) {
    for (const std::string& symbol : run.defined)
        if (symbol == name)
            return name;
    return run.machine == machineI386 ? "_" + name : name;
}

enum class Among { cobolPrograms, allFunctions };

const Symbol* findFunction(const std::string& name, bool anyCase, Among among) {
    for (const Symbol& symbol : run.functions) {
        if (among == Among::cobolPrograms && !symbol.cobol)
            continue;
        std::string plain = plainName(symbol.name);
        if (anyCase ? lowerCase(plain) == lowerCase(name) : plain == name)
            return &symbol;
    }
    return nullptr;
}

// The main entry. veldra derives /M from the first object's name, which is right for a COBOL
// main program (PAYROLL from payroll.cbl) but would start a C program "tool.c" in a helper
// function tool() rather than in its main. A derived /M and a user's -M look alike here, so
// the objects decide: a COBOL program named /M, then the C entries, then any function named /M.
const Symbol* findMainEntry() {
    const Symbol* entry = findFunction(run.mainName, true, Among::cobolPrograms);
    // A windows-subsystem program starts in WinMain where it has one, as with MSVC's linker.
    const char* cEntries[] = {"WinMain", "wWinMain", "main", "wmain"};
    for (int i = run.gui ? 0 : 2; i < 4 && !entry; ++i)
        entry = findFunction(cEntries[i], false, Among::allFunctions);
    return entry ? entry : findFunction(run.mainName, true, Among::allFunctions);
}

// Builds one COFF object with a read-only data section (its relocations point at symbols by
// name) and, when `directives` is not empty, a .drectve section.
struct ObjectWriter {
    std::string data;
    std::vector<std::pair<uint32_t, std::string>> relocations; // offset, symbol
    std::vector<std::string> symbols;                          // [0] is defined at offset 0
};

void put16(std::string* out, uint32_t value) {
    out->push_back(static_cast<char>(value & 0xFF));
    out->push_back(static_cast<char>(value >> 8 & 0xFF));
}
void put32(std::string* out, uint32_t value) {
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

unsigned pointerSize() {
    return run.machine == machineAmd64 || run.machine == machineIa64 ? 8 : 4;
}

void putPointer(ObjectWriter* object, const std::string& symbol) {
    if (!symbol.empty())
        object->relocations.push_back({static_cast<uint32_t>(object->data.size()), symbol});
    object->data.append(pointerSize(), '\0');
}

size_t symbolIndex(ObjectWriter* object, const std::string& name) {
    for (size_t i = 0; i < object->symbols.size(); ++i)
        if (object->symbols[i] == name)
            return i;
    object->symbols.push_back(name);
    return object->symbols.size() - 1;
}

std::string coffObject(ObjectWriter* object, const std::string& directives) {
    uint16_t relocationType = run.machine == machineAmd64   ? 1    // ADDR64
                              : run.machine == machineIa64  ? 0x0E // DIR64
                              : run.machine == machineAlpha ? 1    // REFLONG
                                                            : 6;   // I386 DIR32
    // The section header counts relocations in 16 bits.
    if (object->relocations.size() > 0xFFFF)
        fail("too many public functions for one names object");
    std::vector<std::pair<uint32_t, size_t>> relocations;
    for (const auto& relocation : object->relocations)
        relocations.push_back({relocation.first, symbolIndex(object, relocation.second)});
    uint16_t sectionCount = directives.empty() ? 1 : 2;
    uint32_t dataAt = 20 + 40 * sectionCount;
    uint32_t relocationsAt = dataAt + static_cast<uint32_t>(object->data.size());
    uint32_t directivesAt = relocationsAt + 10 * static_cast<uint32_t>(relocations.size());
    uint32_t symbolsAt = directivesAt + static_cast<uint32_t>(directives.size());

    std::string out, strings;
    put16(&out, run.machine);
    put16(&out, sectionCount);
    put32(&out, 0);
    put32(&out, symbolsAt);
    put32(&out, static_cast<uint32_t>(object->symbols.size()));
    put32(&out, 0); // no optional header, no characteristics
    auto sectionHeader = [&](const char* name, uint32_t size, uint32_t at, uint32_t relocAt,
                             uint32_t relocs, uint32_t flags) {
        char field[8] = {};
        std::memcpy(field, name, std::strlen(name));
        out.append(field, 8);
        put32(&out, 0);
        put32(&out, 0);
        put32(&out, size);
        put32(&out, at);
        put32(&out, relocAt);
        put32(&out, 0);
        put16(&out, relocs);
        put16(&out, 0);
        put32(&out, flags);
    };
    // INITIALIZED_DATA | MEM_READ, aligned to 8 bytes
    sectionHeader(".rdata", static_cast<uint32_t>(object->data.size()), dataAt,
                  relocations.empty() ? 0 : relocationsAt,
                  static_cast<uint32_t>(relocations.size()), 0x40400040);
    if (!directives.empty()) // LNK_INFO | LNK_REMOVE, aligned to 1 byte
        sectionHeader(".drectve", static_cast<uint32_t>(directives.size()), directivesAt, 0, 0,
                      0x00100A00);
    out += object->data;
    for (const auto& relocation : relocations) {
        put32(&out, relocation.first);
        put32(&out, static_cast<uint32_t>(relocation.second));
        put16(&out, relocationType);
    }
    out += directives;
    for (size_t i = 0; i < object->symbols.size(); ++i) {
        const std::string& name = object->symbols[i];
        if (name.size() <= 8) {
            char field[8] = {};
            std::memcpy(field, name.data(), name.size());
            out.append(field, 8);
        } else {
            put32(&out, 0);
            put32(&out, static_cast<uint32_t>(4 + strings.size()));
            strings += name;
            strings.push_back('\0');
        }
        put32(&out, 0);              // value: offset 0 for the defined symbol
        put16(&out, i == 0 ? 1 : 0); // section 1, or undefined
        put16(&out, 0);              // type
        out.push_back(2);            // EXTERNAL
        out.push_back(0);            // no auxiliary records
    }
    put32(&out, static_cast<uint32_t>(4 + strings.size()));
    return out + strings;
}

std::string cSymbol(const char* name) {
    return (run.machine == machineI386 ? "_" : "") + std::string(name);
}

// Appends the strings after the table, each pointer patched by a relocation to `zo_names`
// plus the string's offset, written as the addend in place.
void putStrings(ObjectWriter* object, const std::vector<std::pair<size_t, std::string>>& texts) {
    for (const auto& text : texts) {
        uint64_t offset = object->data.size();
        for (unsigned byte = 0; byte < pointerSize(); ++byte)
            object->data[text.first + byte] = static_cast<char>(offset >> (8 * byte) & 0xFF);
        object->relocations.push_back({static_cast<uint32_t>(text.first), object->symbols[0]});
        object->data += text.second;
        object->data.push_back('\0');
    }
}

// How the start-up calls the main entry: 0 main, 1 WinMain, 2 wmain, 3 wWinMain.
uint32_t mainStyle(const Symbol* mainEntry) {
    std::string name = mainEntry ? lowerCase(plainName(mainEntry->name)) : "";
    return name == "winmain" ? 1 : name == "wmain" ? 2 : name == "wwinmain" ? 3 : 0;
}

void writeNamesObject(const Symbol* mainEntry) {
    ObjectWriter object;
    object.symbols.push_back(cSymbol("zo_names"));
    std::vector<std::pair<size_t, std::string>> texts;
    putPointer(&object, mainEntry ? mainEntry->name : "");
    texts.push_back({object.data.size(), run.runtimeWord});
    putPointer(&object, "");
    put32(&object.data, mainStyle(mainEntry));
    put32(&object.data, run.sysFlags);
    auto entry = [&](const std::string& name, const std::string& symbol) {
        texts.push_back({object.data.size(), name});
        putPointer(&object, "");
        putPointer(&object, symbol);
    };
    for (const Symbol& function : run.functions)
        entry(plainName(function.name), function.name);
    std::string directives;
    for (const std::string& name : run.includes) {
        entry(name, includeSymbol(name));
        directives += " /INCLUDE:" + includeSymbol(name);
    }
    putPointer(&object, "");
    putPointer(&object, "");
    putStrings(&object, texts);
    writeFile(run.outputBase + ".obj", coffObject(&object, directives));
}

std::string quoted(const std::string& word) {
    return word.find_first_of(" \t") == std::string::npos ? word : "\"" + word + "\"";
}

void writeDefinitionFile() {
    std::string base = run.definitionFile;
    size_t slash = base.find_last_of("/\\:");
    if (slash != std::string::npos)
        base.erase(0, slash + 1);
    if (base.rfind('.') != std::string::npos)
        base.resize(base.rfind('.'));
    std::string text = "LIBRARY " + quoted(base) + "\nEXPORTS\n";
    for (const Symbol& function : run.functions) {
        std::string plain = plainName(function.name);
        bool excluded = false;
        for (const std::string& name : run.excludes)
            excluded = excluded || name == plain || name == function.name;
        // The plain name: the linker finds the decorated symbol behind it (a stdcall name's
        // "@n" too) and exports it under the plain name, as a program asks for it.
        if (!excluded)
            text += "    " + plain + "\n";
    }
    writeFile(run.definitionFile, text);
}

void writeRuntimeList(const std::string& path) {
    ObjectWriter object;
    object.symbols.push_back(cSymbol("zo_runtime_list"));
    for (const std::string& name : run.objectFiles) {
        object.data += name;
        object.data.push_back('\0');
    }
    object.data.push_back('\0');
    writeFile(path, coffObject(&object, ""));
}

bool option(const std::string& word, const char* letters) {
    return lowerCase(word.substr(1, std::strlen(letters))) == letters;
}

void readWord(const std::string& word) {
    bool isOption = word.size() >= 2 && word[0] == '/' && word.find('/', 1) == std::string::npos;
    if (!isOption) {
        if (word.empty())
            fail("empty file name");
        if (endsWithNoCase(word, ".def")) {
            run.dll = true; // the user's module-definition file goes to the linker
            return;
        }
        run.entries.push_back(word);
        return;
    }
    std::string value = word.substr(2);
    switch (std::tolower(static_cast<unsigned char>(word[1]))) {
    case 'n':
        return;
    case 'v':
        run.verbose = true;
        return;
    case 's':
        run.responseFile = true;
        return;
    case 'g':
        run.gui = true;
        return;
    case 'o':
        run.outputBase = value;
        return;
    case 'p':
        if (value == "0" || value == "1" || value == "2" || value == "3") {
            static const uint16_t machines[] = {machineI386, machineAlpha, machineIa64,
                                                machineAmd64};
            run.machine = machines[value[0] - '0'];
            return;
        }
        break;
    case 'f':
    case 'r':
    case 'b':
        run.runtimeWord = word.substr(1);
        return;
    case 'i':
        if (!value.empty()) {
            run.includes.push_back(value);
            return;
        }
        break;
    case 'x':
        if (!value.empty()) {
            run.excludes.push_back(value);
            return;
        }
        break;
    case 'm':
        run.mainName = value;
        return;
    case 'd':
        if (!value.empty()) {
            run.definitionFile = value;
            run.dll = true;
            return;
        }
        break;
    case 'z': {
        char* end = nullptr;
        unsigned long flags = std::strtoul(value.c_str(), &end, 10);
        if (!value.empty() && *end == '\0') {
            run.sysFlags = static_cast<unsigned>(flags);
            return;
        }
        break;
    }
    case 'l':
        if (option(word, "list:rts")) {
            run.listRun = true;
            return;
        }
        break;
    }
    fail("unknown word " + word);
}

} // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        readWord(argv[i]);
    if (run.entries.empty())
        fail("no object files");
    for (const std::string& entry : run.entries)
        addEntry(entry, 0);
    for (const std::string& path : run.objectFiles)
        readObject(path);

    if (run.listRun) {
        writeRuntimeList(run.outputBase.empty() ? "vdrlst.obj" : run.outputBase);
        return 0;
    }
    if (run.outputBase.empty())
        run.outputBase = "vdrlds";
    // A DLL (/D, or a .def word) has no main entry; an EXE needs one.
    const Symbol* mainEntry = nullptr;
    if (!run.dll) {
        mainEntry = findMainEntry();
        if (!mainEntry)
            fail(run.entries[0] + ": no entry point " + run.mainName +
                 (run.gui ? ", WinMain, wWinMain, main or wmain" : ", main or wmain"));
    }
    if (!run.definitionFile.empty())
        writeDefinitionFile();
    writeNamesObject(mainEntry);
    if (run.responseFile) {
        std::string text = quoted(run.outputBase + ".obj") + "\n";
        for (const std::string& entry : run.entries)
            text += quoted(entry) + "\n";
        writeFile(run.outputBase + ".lnk", text);
    }
    if (run.verbose) {
        std::printf("tessor: %lu object(s), %lu public function(s), main entry %s\n",
                    static_cast<unsigned long>(run.objectFiles.size()),
                    static_cast<unsigned long>(run.functions.size()),
                    mainEntry ? mainEntry->name.c_str() : "(none)");
    }
    return run.perFlavourRuntime ? 200 : 0;
}
