// engine/registry.cpp - cal_register_function: entering a named handler with its checks.
#include <cstring>

#include "contract/kvs.h"
#include "engine/functionTable.h"
#include "messages/messageNumbers.h"

namespace {

// Upper-cases name into copy; false when a character is not a letter, digit or '_'.
bool copyIdentifier(const char* name, char* copy) {
    if (!kvs_isalpha(static_cast<unsigned char>(name[0]))) return false;
    size_t i = 0;
    for (; name[i] != '\0'; i++) {
        int upper = kvs_toupper(static_cast<unsigned char>(name[i])) & 0xFF;
        if (!kvs_isalnum(upper) && upper != '_') return false;
        copy[i] = static_cast<char>(upper);
    }
    copy[i] = '\0';
    return true;
}

}  // namespace

void cal_register_function(const char* name, FunctionHandler handler, const ArgumentForm* accepts) {
    if (ErrorCode != 0) return;  // the first failed registration is the one reported
    if (functionTable.count >= maxFunctions) {
        reportError(errorTooManyFunctions, nullptr);
        return;
    }
    if (name == nullptr || handler == nullptr) {
        reportError(errorNullRegistration, nullptr);
        return;
    }
    if (std::strlen(name) > static_cast<size_t>(maxNameLength)) {
        reportError(errorNameTooLong, name);
        return;
    }
    char copy[maxNameLength + 1];
    if (!copyIdentifier(name, copy)) {
        reportError(errorNotIdentifier, name);
        return;
    }
    // The lookup's hash index rather than a scan: a scan made registering the built-ins
    // quadratic in their number.
    if (findFunctionEntry(copy, hashOfName(copy)) != nullptr) {
        reportError(errorAlreadyRegistered, name);
        return;
    }
    FunctionEntry& entry = functionTable.entries[functionTable.count];
    std::memcpy(entry.name, copy, sizeof copy);
    entry.handler = handler;
    entry.accepts = accepts;
    functionTable.count++;
}
