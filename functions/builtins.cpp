// functions/builtins.cpp - the built-in functions enter the function table, from the function
// list, in its order.
#include "functions/functions.h"
#include "functions/handlers.h"

namespace {

struct BuiltinEntry {
    const char* name;
    FunctionHandler handler;
    ArgumentForm accepts;
};

// Row i of functions/functionList.h, which says why the order matters.
constexpr BuiltinEntry builtinFunctions[] = {
#define CALCULATOR_FUNCTION(name, handler, accepts, ...) {name, handler, accepts},
#include "functions/functionList.h"
#undef CALCULATOR_FUNCTION
};
constexpr int lastRow = sizeof builtinFunctions / sizeof builtinFunctions[0] - 1;

constexpr bool sameText(const char* a, const char* b) {
    return *a == *b && (*a == '\0' || sameText(a + 1, b + 1));
}
static_assert(sameText(builtinFunctions[lastRow].name, "MAX"),
              "MAX stays the last row of functions/functionList.h: add a new function above it");

void registerRow(const BuiltinEntry& row) {
    cal_register_function(row.name, row.handler, &row.accepts);
}

}  // namespace

void registerBuiltinFunctions() {
    for (int i = 0; i < lastRow; i++) registerRow(builtinFunctions[i]);
}

// MAX comes after the rest: it reports its failures with texts of its own.
void registerMaxFunction() { registerRow(builtinFunctions[lastRow]); }
