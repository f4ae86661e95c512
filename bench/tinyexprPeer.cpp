// bench/tinyexprPeer.cpp - tinyexpr as a one-shot peer: compile, evaluate and free each text.
//
// tinyexpr has no long-lived parser: a program that evaluates a text once compiles it, evaluates
// the tree and frees it, which is what is timed. Its functions are case-sensitive and take
// radians, so the calculator's upper-case, degree-based ones are given as its variables.
#include <cstdio>

#include "bench/bench.h"

#ifdef VECTRIN_HAS_TINYEXPR
#include <tinyexpr.h>
#endif

namespace bench {

#ifdef VECTRIN_HAS_TINYEXPR

namespace {

te_variable functionOf(const char* name, double (*function)(double)) {
    return te_variable{name, reinterpret_cast<const void*>(function), TE_FUNCTION1 | TE_FLAG_PURE,
                       nullptr};
}

const te_variable calculatorFunctions[] = {
    functionOf("SIN", sinDegrees),    functionOf("COS", cosDegrees),
    functionOf("ATAN", atanDegrees),  functionOf("SQRT", squareRoot),
    functionOf("EXP", exponential),   functionOf("ABS", absolute),
    functionOf("ROUND", roundHalfUp),
};
constexpr int calculatorFunctionCount = sizeof calculatorFunctions / sizeof calculatorFunctions[0];

}  // namespace

bool tinyexprAvailable() { return true; }

bool tinyexprNumber(int index, double& number) {
    int errorAt = 0;
    te_expr* tree = te_compile(oneShotExpressions[index], calculatorFunctions,
                               calculatorFunctionCount, &errorAt);
    if (tree == nullptr) {
        std::fprintf(stderr, "tinyexpr: %s: error at character %d\n", oneShotExpressions[index],
                     errorAt);
        return false;
    }
    number = te_eval(tree);
    te_free(tree);
    return true;
}

#else

bool tinyexprAvailable() { return false; }

bool tinyexprNumber(int, double&) { return false; }

#endif

}  // namespace bench
