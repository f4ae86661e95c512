// engine/functionTable.h - the table of named calculator functions, the call frame and the check
// of a call's arguments: what the evaluator calls through, and what each function enters.
#ifndef VECTRIN_ENGINE_FUNCTION_TABLE_H
#define VECTRIN_ENGINE_FUNCTION_TABLE_H

#include <cstdint>

#include "engine/value.h"
#include "messages/messageNumbers.h"

constexpr int maxFunctions = 200;
constexpr int maxNameLength = 32;  // function names, identifiers and quoted names
constexpr int maxArguments = 20;

// A handler reads callFrame.argCount and args and writes callFrame.result.
typedef void (*FunctionHandler)();

// One list of arguments a function takes: how many, and the kind of each, bit i for argument i.
struct ArgumentList {
    int32_t count;
    uint32_t vectors;  // the arguments that must be Vectors
    uint32_t checked;  // the arguments whose kind is checked: Vectors, and Reals or Integers
};

constexpr int maxArgumentLists = 4;

// The arguments a function takes, checked before its handler runs, so that a handler only ever
// sees arguments it can use.
struct ArgumentForm {
    int32_t listCount;  // 0: any arguments, which the handler checks itself
    ArgumentList lists[maxArgumentLists];
    // Reported when no list fits: errorNeedsOneArgument (a single argument of the wrong kind is
    // then errorNeedsVector or errorNeedsReal), errorTakesNoArguments or errorUsage.
    int32_t error;
    const char* shown;  // what that error quotes: the usage text, or the name; nullptr: the name
};

void moreArgumentListsThanAFormHolds();  // never defined: a call at compile time fails the build

// The form of letters: argument lists, '|' between them, a letter an argument: 'n' a Real or an
// Integer, 'v' a Vector, 'x' either.
constexpr ArgumentForm argumentForm(const char* letters, int32_t error, const char* shown) {
    ArgumentForm form{};
    form.listCount = 1;
    form.error = error;
    form.shown = shown;
    int position = 0;
    for (const char* letter = letters; *letter != '\0'; letter++) {
        if (*letter == '|') {
            if (form.listCount == maxArgumentLists) moreArgumentListsThanAFormHolds();
            form.listCount++;
            position = 0;
            continue;
        }
        ArgumentList& list = form.lists[form.listCount - 1];
        if (*letter != 'x') list.checked |= 1u << position;
        if (*letter == 'v') list.vectors |= 1u << position;
        list.count = ++position;
    }
    return form;
}

// The forms of the function list (functions/functionList.h); shown as for ArgumentForm.
constexpr ArgumentForm oneNumber(const char* shown = nullptr) {
    return argumentForm("n", errorNeedsOneArgument, shown);
}
constexpr ArgumentForm oneVector(const char* shown = nullptr) {
    return argumentForm("v", errorNeedsOneArgument, shown);
}
constexpr ArgumentForm oneNumberOrVector(const char* shown = nullptr) {
    return argumentForm("x", errorNeedsOneArgument, shown);
}
constexpr ArgumentForm noArguments(const char* shown = nullptr) {
    return argumentForm("", errorTakesNoArguments, shown);
}
constexpr ArgumentForm usage(const char* lists, const char* usageText) {
    return argumentForm(lists, errorUsage, usageText);
}
constexpr ArgumentForm checkedByHandler() { return ArgumentForm{}; }

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
constexpr unsigned addToNameHash(unsigned hash, unsigned char c) { return (hash ^ c) * 16777619u; }
constexpr unsigned hashOfName(const char* name) {
    unsigned hash = nameHashStart;
    for (; *name != '\0'; name++) hash = addToNameHash(hash, static_cast<unsigned char>(*name));
    return hash;
}

// The entry registered under an upper-case name whose hash is given, or nullptr. The entry stays
// where it is until the table is cleared.
const FunctionEntry* findFunctionEntry(const char* name, unsigned hash);

// Enters name (upper-cased) with its handler and the arguments it accepts (kept by address:
// static storage; argumentsFit, below, checks them); failures go through reportError.
void cal_register_function(const char* name, FunctionHandler handler,
                           const ArgumentForm* accepts = nullptr);

// Reports the error of entry's form for the call's arguments (engine/arguments.cpp).
void reportArgumentMismatch(const FunctionEntry& entry);

// The check of a call's arguments (callFrame) against what entry accepts: true when a list fits,
// else false after reporting the form's error. vectors has bit i set when argument i is a Vector:
// the evaluator notes it as it copies the arguments. Inline, as it runs before every call.
inline bool argumentsFit(const FunctionEntry& entry, uint32_t vectors) {
    const ArgumentForm& form = *entry.accepts;
    if (form.listCount == 0) return true;
    int argCount = callFrame.argCount;
    for (int k = 0; k < form.listCount; k++) {
        const ArgumentList& list = form.lists[k];
        if (list.count == argCount && ((vectors ^ list.vectors) & list.checked) == 0) return true;
    }
    reportArgumentMismatch(entry);
    return false;
}

// Empties the table; the module does this when it is unloaded.
void clearFunctionTable();

#endif
