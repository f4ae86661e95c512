// functions/functions.h - the table of named calculator functions and the call frame.
#ifndef VECTRIN_FUNCTIONS_FUNCTIONS_H
#define VECTRIN_FUNCTIONS_FUNCTIONS_H

#include <cstdint>

#include "engine/value.h"
#include "messages/messageNumbers.h"

constexpr int maxFunctions = 200;
constexpr int maxNameLength = 32;  // function names, identifiers and quoted names
constexpr int maxArguments = 20;

// A handler reads callFrame.argCount and args and writes callFrame.result.
typedef void (*FunctionHandler)();

// The arguments a function takes, checked before its handler runs, so that a handler only ever
// sees arguments it can use.
struct ArgumentForm {
    // The argument lists it takes, '|' between them, one letter an argument: 'n' a Real or an
    // Integer, 'v' a Vector, 'x' either. nullptr: any, the handler checks them itself.
    const char* lists;
    // Reported when no list fits: errorNeedsOneArgument (a single argument of the wrong kind is
    // then errorNeedsVector or errorNeedsReal), errorTakesNoArguments or errorUsage.
    int error;
    const char* shown;  // what that error quotes: the usage text, or the name; nullptr: the name
};

// The forms of the function list (functions/functionList.h); shown as for ArgumentForm.
constexpr ArgumentForm oneNumber(const char* shown = nullptr) {
    return {"n", errorNeedsOneArgument, shown};
}
constexpr ArgumentForm oneVector(const char* shown = nullptr) {
    return {"v", errorNeedsOneArgument, shown};
}
constexpr ArgumentForm oneNumberOrVector(const char* shown = nullptr) {
    return {"x", errorNeedsOneArgument, shown};
}
constexpr ArgumentForm noArguments(const char* shown = nullptr) {
    return {"", errorTakesNoArguments, shown};
}
constexpr ArgumentForm usage(const char* lists, const char* usageText) {
    return {lists, errorUsage, usageText};
}
constexpr ArgumentForm checkedByHandler() { return {nullptr, 0, nullptr}; }

struct FunctionEntry {
    char name[maxNameLength + 1];  // upper case
    FunctionHandler handler;
    const ArgumentForm* accepts;  // nullptr: the handler checks its arguments itself
};

struct FunctionTable {
    int32_t count;
    FunctionEntry entries[maxFunctions];
};

// The module-wide argument block of the function being called.
struct CallFrame {
    int32_t argCount;
    Value args[maxArguments];
    Value result;
};

extern FunctionTable functionTable;
extern CallFrame callFrame;

// The handler registered under an upper-case name, or nullptr.
FunctionHandler findFunction(const char* name);

// The names' hash (FNV-1a), a byte at a time, for a caller that reads a name byte by byte anyway.
constexpr unsigned nameHashStart = 2166136261u;
constexpr unsigned addToNameHash(unsigned hash, unsigned char c) {
    return (hash ^ c) * 16777619u;
}
constexpr unsigned hashOfName(const char* name) {
    unsigned hash = nameHashStart;
    for (; *name != '\0'; name++) hash = addToNameHash(hash, static_cast<unsigned char>(*name));
    return hash;
}

// The entry registered under an upper-case name whose hash is given, or nullptr. The entry stays
// where it is until the table is cleared.
const FunctionEntry* findFunctionEntry(const char* name, unsigned hash);

// Enters name (upper-cased) with its handler and the arguments it accepts (kept by address:
// static storage); failures go through reportError.
void cal_register_function(const char* name, FunctionHandler handler,
                           const ArgumentForm* accepts = nullptr);

// The check of a call's arguments (callFrame) against what entry accepts: true when they fit,
// else false after reporting the form's error (functions/arguments.cpp).
bool argumentsFit(const FunctionEntry& entry);

// Empties the table; the module does this when it is unloaded.
void clearFunctionTable();

// Registers the built-in functions in their fixed order, then MAX: the rows of
// functions/functionList.h (functions/builtins.cpp).
void registerBuiltinFunctions();
void registerMaxFunction();

#endif
