// engine/functionTable.cpp - the FunctionTable, its lookup and the CallFrame.
#include "engine/functionTable.h"

#include <cstring>

namespace {
constexpr int indexSlots = 512;  // a power of two, over twice maxFunctions: probe runs stay short
constexpr unsigned indexMask = indexSlots - 1;
}  // namespace

// ---- function table and call frame: module-wide, on the host's thread ----
FunctionTable functionTable;  // filled at initialisation, in registration order
CallFrame callFrame;          // arguments are copied in only at the moment of a call
// A hash of the table's names, so that a lookup compares one name rather than scanning them all.
// Open addressing with linear probing; entries are indexed in registration order, so an entry
// always sits earlier on its probe run than any later one: the first equal name found is the
// first in registration order, as a scan from the first entry would find it.
static int16_t nameIndex[indexSlots];  // entry number + 1; 0 for an empty slot
static int32_t indexedCount = 0;       // entries 0 .. indexedCount - 1 are in the index

namespace {

// strcmp's answer for equality, without a library call for names of a few letters.
bool sameName(const char* a, const char* b) {
    while (*a == *b) {
        if (*a == '\0') return true;
        a++;
        b++;
    }
    return false;
}

void forgetIndex() {
    std::memset(nameIndex, 0, sizeof nameIndex);
    indexedCount = 0;
}

// Brings the index up to the table: the entries registered since the last lookup are added in
// order; a table that shrank (it was cleared) is indexed again from its first entry.
void updateIndex() {
    if (indexedCount > functionTable.count) forgetIndex();
    for (; indexedCount < functionTable.count; indexedCount++) {
        unsigned slot = hashOfName(functionTable.entries[indexedCount].name) & indexMask;
        while (nameIndex[slot] != 0) slot = (slot + 1) & indexMask;
        nameIndex[slot] = static_cast<int16_t>(indexedCount + 1);
    }
}

}  // namespace

const FunctionEntry* findFunctionEntry(const char* name, unsigned hash) {
    if (indexedCount != functionTable.count) updateIndex();
    for (unsigned slot = hash & indexMask; nameIndex[slot] != 0; slot = (slot + 1) & indexMask) {
        const FunctionEntry& entry = functionTable.entries[nameIndex[slot] - 1];
        if (sameName(entry.name, name)) return &entry;
    }
    return nullptr;
}

FunctionHandler findFunction(const char* name) {
    const FunctionEntry* entry = findFunctionEntry(name, hashOfName(name));
    return entry != nullptr ? entry->handler : nullptr;
}

void clearFunctionTable() {
    functionTable.count = 0;
    forgetIndex();  // a table filled again to the same count must not find the old names
}
