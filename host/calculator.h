// host/calculator.h - the calculator entry behind CAL and C:CAL, and the statement level.
#ifndef VECTRIN_HOST_CALCULATOR_H
#define VECTRIN_HOST_CALCULATOR_H

#include "engine/value.h"

constexpr int maxExpressionLength = 131;  // the host's prompt answer, without its terminator

// Evaluates "name = expression" or "expression". On success the value is in out (and in the
// Quillet variable when one is named); on failure ErrorCode is set and out is unchanged.
bool evaluateStatement(const char* text, Value& out);

// The handler of all four host names: 1 finished, 3 prompt failed, 0 bad argument.
int calEntry();

#endif
