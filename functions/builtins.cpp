// functions/builtins.cpp - the built-in functions and the order they enter the function table.
#include "functions/handlers.h"

namespace {

struct BuiltinEntry {
    const char* name;
    FunctionHandler handler;
};

// Registration order is part of the contract: lookups scan in this order, and the final
// order is fixed.
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
