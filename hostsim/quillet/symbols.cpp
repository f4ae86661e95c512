// hostsim/quillet/symbols.cpp - the Quillet symbol table.
//
// A symbol without a value and a symbol set to nil are the same thing here: neither is in the
// table (the module's kvs_getsym answers both with KVS_RTNORM and an empty list). T and NIL are
// constants: they are never in the table, T always stands for itself and NIL for nil.
#include "hostsim/quillet/quillet.h"

#include <map>

// ---- symbol state: every Quillet symbol with a value, by upper-case name ----
static std::map<std::string, hostsim::QValue> symbolTable;

namespace hostsim {

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

std::vector<std::string> symbolNames() {
    std::vector<std::string> names;
    for (const auto& entry : symbolTable) names.push_back(entry.first);
    return names;
}

}  // namespace hostsim
