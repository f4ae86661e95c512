// hostsim/symbols.cpp - the Quillet symbol table, and its face to the module.
//
// A symbol without a value and a symbol set to nil are the same thing here: neither is in the
// table, and kvs_getsym answers both with 5100 and an empty list. T and NIL are constants: they
// are never in the table, T always stands for itself and NIL for nil.
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

bool isConstantSymbol(const std::string& name) {
    std::string upper = upperName(name);
    return upper == "T" || upper == "NIL";
}

bool setSymbol(const std::string& name, const QValue& value) {
    if (isConstantSymbol(name)) return false;
    if (value.isNil()) {
        symbolTable.erase(upperName(name));
    } else {
        symbolTable[upperName(name)] = value;
    }
    return true;
}

QValue getSymbol(const std::string& name) {
    std::string upper = upperName(name);
    if (upper == "T") return QValue::symbol(upper);
    auto found = symbolTable.find(upper);
    return found == symbolTable.end() ? QValue::nil() : found->second;
}

void clearSymbols() { symbolTable.clear(); }

}  // namespace hostsim

// value: the symbol's value as a fresh list for kvs_relrb; empty for an unknown or nil symbol.
extern "C" int kvs_getsym(const char* name, ResultBuffer** value) {
    hostsim::ErrnoGuard keepErrno;
    if (value == nullptr) return KVS_RTERROR;
    *value = nullptr;
    if (name == nullptr || *name == '\0') return KVS_RTERROR;
    return hostsim::valueToList(hostsim::getSymbol(name), value) ? KVS_RTNORM : KVS_RTERROR;
}

// value: one record or a list, copied; NULL sets the symbol to nil. T and NIL are refused.
extern "C" int kvs_putsym(const char* name, const ResultBuffer* value) {
    hostsim::ErrnoGuard keepErrno;
    if (name == nullptr || *name == '\0') return KVS_RTERROR;
    hostsim::QValue copy;
    if (!hostsim::listToValue(value, copy)) return KVS_RTERROR;
    return hostsim::setSymbol(name, copy) ? KVS_RTNORM : KVS_RTERROR;
}
