// functions/functions.h - the table of named calculator functions and the call frame.
#ifndef VECTRIN_FUNCTIONS_FUNCTIONS_H
#define VECTRIN_FUNCTIONS_FUNCTIONS_H

#include <cstdint>

#include "engine/value.h"

constexpr int maxFunctions = 200;
constexpr int maxNameLength = 32;  // function names, identifiers and quoted names
constexpr int maxArguments = 20;

// A handler reads callFrame.argCount and args and writes callFrame.result.
typedef void (*FunctionHandler)();

struct FunctionEntry {
    char name[maxNameLength + 1];  // upper case
    FunctionHandler handler;
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

// Enters name (upper-cased) with its handler; failures go through reportError.
void cal_register_function(const char* name, FunctionHandler handler);

// Empties the table; the module does this when it is unloaded.
void clearFunctionTable();

// Registers the built-in functions in their fixed order, then MAX (functions/builtins.cpp).
void registerBuiltinFunctions();
void registerMaxFunction();

#endif
