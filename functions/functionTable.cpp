// functions/functionTable.cpp - the FunctionTable, its lookup and the CallFrame.
#include <cstring>

#include "functions/functions.h"

// ---- function table and call frame: module-wide, on the host's thread ----
FunctionTable functionTable;  // filled at initialisation, in registration order
CallFrame callFrame;          // arguments are copied in only at the moment of a call

FunctionHandler findFunction(const char* name) {
    for (int32_t i = 0; i < functionTable.count; i++) {
        if (std::strcmp(functionTable.entries[i].name, name) == 0) {
            return functionTable.entries[i].handler;
        }
    }
    return nullptr;
}

void clearFunctionTable() { functionTable.count = 0; }
