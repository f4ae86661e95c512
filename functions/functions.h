// functions/functions.h - the calculator's built-in functions: their handlers enter the engine's
// function table (engine/functionTable.h) from the rows of functions/functionList.h.
#ifndef VECTRIN_FUNCTIONS_FUNCTIONS_H
#define VECTRIN_FUNCTIONS_FUNCTIONS_H

// Registers the built-in functions in their fixed order, then MAX (functions/builtins.cpp).
void registerBuiltinFunctions();
void registerMaxFunction();

#endif
