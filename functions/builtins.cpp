// functions/builtins.cpp - the built-in functions and the order they enter the function table.
#include "functions/handlers.h"

namespace {

struct BuiltinEntry {
    const char* name;
    FunctionHandler handler;
};

// The order is fixed, and the table keeps it: entry i is row i here, and MAX follows as the
// last entry (tests/functions/vectorTests.cpp pins the whole order). Lookups do not depend on
// it: findFunction goes through a hash index, and a name can be registered only once. What does:
// registration stops at the first failure (cal_register_function does nothing while ErrorCode is
// set), so the order decides which names are in when one fails (error 44 at the 200-entry
// limit, 60 for a name taken twice) and which name the failure quotes.
// A new function goes at the end, after CUR, so that every entry keeps its place (its handler is
// declared in functions/handlers.h and lives in the file of its kind). Its name then joins the
// order test, README.md's list of named functions and fuzz/expression.dict; the last two are
// compared with this table by tests/functions/functionListTests.cpp.
const BuiltinEntry builtinFunctions[] = {
    {"END",   endFunction},
    {"MID",   midFunction},
    {"CEN",   cenFunction},
    {"INT",   intFunction},
    {"NEA",   neaFunction},
    {"NOD",   nodFunction},
    {"QUA",   quaFunction},
    {"PER",   perFunction},
    {"TAN",   tanFunction},
    {"INS",   insFunction},
    {"ANG",   angFunction},
    {"RAD",   radFunction},
    {"NOR",   norFunction},
    {"SIN",   sinFunction},
    {"COS",   cosFunction},
    {"TANG",  tangFunction},
    {"ASIN",  asinFunction},
    {"ACOS",  acosFunction},
    {"ATAN",  atanFunction},
    {"ABS",   absFunction},
    {"LN",    lnFunction},
    {"LOG",   logFunction},
    {"EXP",   expFunction},
    {"EXP10", exp10Function},
    {"SQR",   sqrFunction},
    {"SQRT",  sqrtFunction},
    {"XOF",   xofFunction},
    {"YOF",   yofFunction},
    {"ZOF",   zofFunction},
    {"RXOF",  rxofFunction},
    {"RYOF",  ryofFunction},
    {"RZOF",  rzofFunction},
    {"XYOF",  xyofFunction},
    {"YZOF",  yzofFunction},
    {"XZOF",  xzofFunction},
    {"R2D",   r2dFunction},
    {"D2R",   d2rFunction},
    {"ROUND", roundFunction},
    {"TRUNC", truncFunction},
    {"U2W",   u2wFunction},
    {"W2U",   w2uFunction},
    {"ILL",   illFunction},
    {"ILP",   ilpFunction},
    {"DPL",   dplFunction},
    {"DPP",   dppFunction},
    {"PLT",   pltFunction},
    {"PLD",   pldFunction},
    {"MEE",   meeFunction},
    {"DEE",   deeFunction},
    {"NEE",   neeFunction},
    {"VEE",   veeFunction},
    {"VEE1",  vee1Function},
    {"PLTEE", plteeFunction},
    {"PLDEE", pldeeFunction},
    {"ILLE",  illeFunction},
    {"DIST",  distFunction},
    {"VEC",   vecFunction},
    {"VEC1",  vec1Function},
    {"ROT",   rotFunction},
    {"CUR",   curFunction},
};

}  // namespace

void registerBuiltinFunctions() {
    for (const BuiltinEntry& entry : builtinFunctions) {
        cal_register_function(entry.name, entry.handler);
    }
}

// MAX is kept out of the built-in list: it reports its failures with texts of its own.
void registerMaxFunction() { cal_register_function("MAX", maxFunction); }
