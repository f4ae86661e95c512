// hostsim/symbols.cpp - the Quillet symbol table, and its face to the module.
//
// A symbol without a value and a symbol set to nil are the same thing here: neither is in the
// table, and kvs_getsym answers both with 5100 and an empty list.
#include "hostsim/hostsim.h"

#include <map>

// ---- symbol state: every Quillet symbol with a value, by upper-case name ----
static std::map<std::string, hostsim::QValue> symbolTable;

namespace hostsim {

std::string upperName(const std::string& name) {
    std::string upper = name;
    for (char& c : upper) c = static_cast<char>(kvs_toupper(c));
    return upper;
}

void setSymbol(const std::string& name, const QValue& value) {
    if (value.isNil()) {
        symbolTable.erase(upperName(name));
    } else {
        symbolTable[upperName(name)] = value;
    }
}

QValue getSymbol(const std::string& name) {
    auto found = symbolTable.find(upperName(name));
    return found == symbolTable.end() ? QValue::nil() : found->second;
}

void clearSymbols() { symbolTable.clear(); }

}  // namespace hostsim

// value: the symbol's value as a fresh list for kvs_relrb; empty for an unknown or nil symbol.
// A value with no record form (a symbol, a nested list) answers KVS_RTERROR and no list.
extern "C" int kvs_getsym(const char* name, ResultBuffer** value) {
    hostsim::ErrnoGuard keepErrno;
    if (value == nullptr) return KVS_RTERROR;
    *value = nullptr;
    if (name == nullptr || *name == '\0') return KVS_RTERROR;
    return hostsim::valueToList(hostsim::getSymbol(name), value) ? KVS_RTNORM : KVS_RTERROR;
}

// value: one record or a list, copied; NULL sets the symbol to nil.
extern "C" int kvs_putsym(const char* name, const ResultBuffer* value) {
    hostsim::ErrnoGuard keepErrno;
    if (name == nullptr || *name == '\0') return KVS_RTERROR;
    hostsim::QValue copy;
    if (!hostsim::listToValue(value, copy)) return KVS_RTERROR;
    hostsim::setSymbol(name, copy);
    return KVS_RTNORM;
}
