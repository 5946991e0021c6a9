#include "driver/options.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "driver/link_options.h"
#include "driver/messages.h"
#include "driver/tokenizer.h"
#include "platform/ascii.h"
#include "platform/platform.h"

namespace {

bool endsGroup(char c) {
    return c == '\0' || isWordSeparator(c);
}

void warn(MessageId id) {
    printMessageText(id);
}

// Reads a decimal integer as the C library does: leading white space, an optional sign,
// digits; *end is the character after the last digit. Returns false when there are no digits.
// More than an int holds is false too, unless `saturate`, which then gives INT_MAX or INT_MIN
// as the library's conversion does.
bool readInteger(const char* p, long* value, const char** end, bool saturate = false) {
    while (*p == ' ' || (*p >= '\t' && *p <= '\r'))
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-')
        negative = *p++ == '-';
    if (*p < '0' || *p > '9')
        return false;
    long long result = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        if (result <= 0x80000000LL)
            result = result * 10 + (*p - '0');
    }
    const long long limit = negative && saturate ? 0x80000000LL : 0x7fffffffLL;
    if (result > limit) {
        if (!saturate)
            return false;
        result = limit;
    }
    *value = static_cast<long>(negative ? -result : result);
    *end = p;
    return true;
}

// Text argument of -M, -O, -U, -I and -X: the token right after the letter, up to a blank, NUL,
// "," or "+" outside quotes, copied without its quotes. Empty, unbalanced or longer than 259
// characters as written is fatal (after the option's own message, -U having none).
const char* scanOptionArgument(const char* position, int capacity, char* destination, char letter) {
    const int length = measureToken(position, static_cast<int>(strnlen(position, tokenLimit)));
    // The measure stops at 259; a longer argument runs on past it. As written, it ends only
    // at a blank, NUL, "," or "+": a tab or line break is part of it.
    const char next = position[length];
    bool tooLong =
        length == tokenLimit && next != ' ' && next != '\0' && next != ',' && next != '+';
    if (length == 0 || tooLong) {
        switch (letter) {
        case 'm':
            warn(msgMainNameRequired);
            break;
        case 'o':
            warn(msgOutputNameRequired);
            break;
        case 'i':
            warn(msgIncludeSymbolRequired);
            break;
        case 'x':
            warn(msgExcludeSymbolRequired);
            break;
        default:
            break;
        }
        fatalError(msgInvalidOption);
    }
    scanToken(scanCopy, position, destination, length, capacity);
    return position + length;
}

// -B letters: a run of B, D, F, L, M, S; each acts on its position of the letters.
const char* parseStaticRuntimeLetters(const char* position, char* letters, bool apply) {
    for (;; ++position) {
        char c = asciiUpper(*position);
        switch (c) {
        case 'B':
        case 'F':
        case 'L':
            letters[0] = c;
            break;
        case 'S':
            letters[1] = 'S';
            if (apply)
                linkOptions.singleThreaded = 1;
            break;
        case 'M':
            letters[1] = 'M';
            if (apply)
                linkOptions.singleThreaded = 0;
            break;
        case 'D':
            letters[2] = 'D';
            break;
        default:
            return position;
        }
    }
}

// -R argument: mode letter S, M or E; an optional V; optionally "," [sign] major ["." minor],
// written back as "%02.2d.%02.2d". Returns null when malformed.
const char* parseBoundRuntimeMode(const char* position, char* destination) {
    char text[64];
    int out = 0;
    char mode = asciiUpper(*position);
    if (mode != 'S' && mode != 'M' && mode != 'E')
        return nullptr;
    text[out++] = mode;
    ++position;
    if (asciiUpper(*position) == 'V') {
        text[out++] = 'V';
        ++position;
    }
    if (*position == ',') {
        ++position;
        text[out++] = ',';
        if (*position == '-' || *position == '+')
            text[out++] = *position++;
        long major = 0;
        long minor = 0;
        if (!readInteger(position, &major, &position))
            return nullptr;
        if (*position == '.') {
            if (!readInteger(position + 1, &minor, &position))
                return nullptr;
        }
        // Each number with at least two digits, zero-padded, a minus sign in front.
        out += std::snprintf(text + out, sizeof text - out, "%2.2ld.%2.2ld", major, minor);
    }
    text[out] = '\0';
    // The field holds 15 characters; a longer release number is refused like any bad argument.
    if (out > 15)
        return nullptr;
    std::strcpy(destination, text);
    return position;
}

// -Z word: "sys" in any case, up to the end of the group.
const char* parseNamesToolFlag(const char* position, bool secondPass) {
    const char* end = position;
    while (!endsGroup(*end))
        ++end;
    bool isSys = end - position == 3 && asciiUpper(position[0]) == 'S' &&
                 asciiUpper(position[1]) == 'Y' && asciiUpper(position[2]) == 'S';
    if (!isSys)
        fatalError(msgInvalidOption);
    if (!secondPass)
        linkOptions.namesToolFlags |= 1;
    return end;
}

// The runtime options conflict: the later one wins. Which setting in force gives way to which
// option letter, with its warning, in the order the warnings come.
struct RuntimeConflict {
    char letter;
    int LinkOptions::*setting;
    int inForce; // the value that conflicts; giving way sets the other one
    MessageId warning;
};
const RuntimeConflict runtimeConflicts[] = {
    {'B', &LinkOptions::importedSharedRuntime, 1, msgFIgnoredForB},
    {'B', &LinkOptions::boundSharedRuntime, 1, msgRIgnoredForB},
    {'F', &LinkOptions::boundSharedRuntime, 1, msgRIgnoredForF},
    {'F', &LinkOptions::staticRuntime, 1, msgBIgnoredForF},
    {'J', &LinkOptions::boundSharedRuntime, 1, msgRIgnoredForJ},
    {'R', &LinkOptions::staticRuntime, 1, msgBIgnoredForR},
    {'R', &LinkOptions::importedSharedRuntime, 1, msgFIgnoredForR},
    {'R', &LinkOptions::singleThreaded, 0, msgJIgnoredForR},
    {'T', &LinkOptions::boundSharedRuntime, 1, msgRIgnoredForT},
};

void giveWayTo(char letter) {
    for (const RuntimeConflict& c : runtimeConflicts) {
        if (c.letter == letter && linkOptions.*c.setting == c.inForce) {
            warn(c.warning);
            linkOptions.*c.setting = !c.inForce;
        }
    }
}

void setMachine(const char* position) {
    long value = 0;
    const char* end = nullptr;
    if (*position == 'x' || *position == 'X') {
        value = platformNativeMachine();
    } else if (!readInteger(position, &value, &end, true)) {
        value = 0;
    }
    if (value >= machineCount)
        fatalError(msgInvalidOption);
    // A negative value is no machine either; refuse it rather than keep a value no step knows.
    if (value < 0)
        fatalError(msgInvalidOption);
    linkOptions.machine = static_cast<MachineType>(value);
}

} // namespace

void parseOptionGroup(const char** position, bool secondPass) {
    const char* p = *position + 1;
    if (endsGroup(*p))
        fatalError(msgIllegalCommandLine);
    const bool apply = !secondPass;
    LinkOptions& o = linkOptions;
    while (!endsGroup(*p)) {
        // Letters are folded by ASCII, not by the run's locale: under a Turkish one the
        // locale's upper case of "i" is no "I", and a letter outside ASCII never becomes one.
        char letter = asciiUpper(*p);
        ++p;
        switch (letter) {
        case '-':
        case '/':
            break;
        case 'B':
            if (apply) {
                giveWayTo('B');
            }
            p = parseStaticRuntimeLetters(p, apply ? o.staticRuntimeLetters : scratchPath, apply);
            if (apply)
                o.staticRuntime = 1;
            break;
        case 'D':
            if (apply)
                o.buildDll = 1;
            break;
        case 'E':
            if (apply)
                o.useCompanionList = 1;
            break;
        case 'F': {
            // -F takes the next character whatever it is, but never the terminator.
            char m = *p;
            if (m == '\0')
                fatalError(msgInvalidOption);
            ++p;
            if (apply) {
                giveWayTo('F');
                o.importedThreadLetter[0] = asciiUpper(m);
                o.importedSharedRuntime = 1;
                o.singleThreaded = asciiUpper(m) != 'M';
            }
            break;
        }
        case 'G':
            if (apply)
                o.guiApplication = 1;
            break;
        case 'I':
            p = scanOptionArgument(p, textCapacity, scratchPath, 'i');
            if (apply)
                addIncludeSymbol(scratchPath);
            break;
        case 'J':
            if (apply) {
                giveWayTo('J');
                o.singleThreaded = 0;
                o.staticRuntimeLetters[1] = 'M';
                o.importedThreadLetter[0] = 'M';
            }
            break;
        case 'K':
            if (apply)
                o.keepTemporaries = 1;
            break;
        case 'L':
            if (apply)
                o.generateMap = 1;
            break;
        case 'M':
            p = scanOptionArgument(p, textCapacity, apply ? o.mainEntryName : scratchPath, 'm');
            break;
        case 'N':
            if (apply) {
                o.noBanner = 1;
                suppressBanner();
            }
            break;
        case 'O':
            p = scanOptionArgument(p, textCapacity, apply ? o.outputName : scratchPath, 'o');
            break;
        case 'P':
            // -P takes the next character whatever it is, but never the terminator.
            if (*p == '\0')
                fatalError(msgInvalidOption);
            if (apply)
                setMachine(p);
            ++p;
            break;
        case 'R':
            if (apply)
                giveWayTo('R');
            p = parseBoundRuntimeMode(p, apply ? o.boundRuntimeMode : scratchPath);
            if (!p)
                fatalError(msgInvalidOption);
            if (apply)
                o.boundSharedRuntime = 1;
            break;
        case 'S':
            if (apply)
                o.linkSystemPrograms = 0;
            break;
        case 'T':
            if (apply) {
                giveWayTo('T');
                o.staticRuntime = 1;
            }
            break;
        case 'U':
            p = scanOptionArgument(p, textCapacity, apply ? o.compilerDirectives : scratchPath,
                                   'u');
            break;
        case 'V':
            if (apply)
                o.verbose = 1;
            break;
        case 'X':
            p = scanOptionArgument(p, textCapacity, scratchPath, 'x');
            if (apply)
                addExcludeSymbol(scratchPath);
            break;
        case 'Z':
            p = parseNamesToolFlag(p, secondPass);
            break;
        default:
            fatalError(msgInvalidOption);
        }
    }
    *position = p;
}
