// host/entry.cpp - the module's exports: lifecycle messages, registration and dispatch.
#include "contract/kvs.h"
#include "engine/engine.h"
#include "functions/functions.h"
#include "host/calculator.h"
#include "messages/messageNumbers.h"
#include "messages/messages.h"

namespace {

enum Message : unsigned {
    messageLoad = 1,
    messageUnload = 2,
    messageDefine = 3,
    messageInvoke = 5,
};

enum EntryStatus { entrySuccess = 0, entryFailure = 3 };
enum RoutineStatus { routineSuccess = 1, routineFailure = 3 };

struct HostFunction {
    const char* fixedName;
    int localisedMessage;  // number in module 37 of the localised name
    int (*handler)();
};

// Row i is defined under code i, its localised name under code i + 2.
const HostFunction hostFunctions[] = {
    {"CAL", entryCalName, calEntry},
    {"C:CAL", entryCalCommandName, calEntry},
};
constexpr int hostFunctionCount = sizeof hostFunctions / sizeof hostFunctions[0];

// ---- lifecycle state: set at load, on the host's thread ----
bool needsRegistration = true;  // cleared after the first successful registration

void abortWithMessage(const char* text) { hmod_abort("\n\n%s\n", text); }

int defineHostFunctions() {
    for (int i = 0; i < hostFunctionCount; i++) {
        const HostFunction& row = hostFunctions[i];
        const char* localisedName = getMessage(moduleEntry, row.localisedMessage);
        if (kvs_defun(row.fixedName, i) != KVS_RTNORM) return routineFailure;
        if (kvs_regfunc(row.handler, i) != KVS_RTNORM) return routineFailure;
        if (kvs_defun(localisedName, i + hostFunctionCount) != KVS_RTNORM) return routineFailure;
        if (kvs_regfunc(row.handler, i + hostFunctionCount) != KVS_RTNORM) return routineFailure;
    }
    return routineSuccess;
}

int dispatchHostFunction() {
    int code = kvs_getfuncode();
    if (code < 0 || code >= hostFunctionCount) return routineFailure;
    kvs_retnil();  // a handler that returns no value leaves nil
    hostFunctions[code].handler();
    return routineSuccess;
}

int loadModule() {
    clearFunctionTable();
    forgetCharacterClasses();
    needsRegistration = true;
    if (openCatalogue(kvs_getappname(), abortWithMessage) == -1) {
        kvs_printf("Can't open external message file for vectrin.");
        return entryFailure;
    }
    return entrySuccess;
}

int defineFunctions() {
    if (needsRegistration) {
        // The error of the last evaluation may still be set: a module that stays mapped across
        // an unload keeps its statics, and registration is judged by ErrorCode alone.
        ErrorCode = 0;
        registerBuiltinFunctions();
        registerMaxFunction();
        if (ErrorCode != 0) {
            closeCatalogue();
            kvs_printf("\nvectrin initialization failed");
            return entryFailure;
        }
        needsRegistration = false;
    }
    defineHostFunctions();  // a name the host refuses does not fail the message
    return entrySuccess;
}

}  // namespace

int hmodEntryPoint(unsigned message) {
    switch (message) {
        case messageLoad: return loadModule();
        case messageUnload: closeCatalogue(); return entrySuccess;
        case messageDefine: return defineFunctions();
        case messageInvoke: dispatchHostFunction(); return entrySuccess;
        default: return entrySuccess;
    }
}

long hmodGetApiVersion(void) { return KVS_API_VERSION; }

int _SethmodPtp(void*) { return 0; }
