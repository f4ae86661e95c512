// functions/scalar.cpp - the functions of one number, ABS of a number or a vector, and MAX.
#include <cmath>

#include "functions/handlers.h"
#include "messages/messageNumbers.h"
#include "messages/messages.h"

namespace {

constexpr double tolerance = 1e-10;
constexpr double arcSineLimit = 1.1;  // a little beyond +-1 is rounding, and taken as +-1
constexpr double smallestInteger = -32768;
constexpr double largestInteger = 32767;

bool inIntegerRange(double x) { return x >= smallestInteger && x <= largestInteger; }

// The argument of ASIN and ACOS, clamped to -1..1; false (error 13) beyond 1.1.
bool readSineArgument(double& x) {
    x = numberArgument(0);
    if (!(std::fabs(x) <= arcSineLimit)) {
        reportError(errorArcSineRange, nullptr);
        return false;
    }
    x = std::fmax(-1.0, std::fmin(1.0, x));
    return true;
}

// The argument of LN and LOG; false (error 38) when it is not positive.
bool readPositive(const char* name, double& x) {
    x = numberArgument(0);
    if (!(x > 0)) {
        reportError(errorNeedsPositive, name);
        return false;
    }
    return true;
}

void reportMaxMessage(int number) { reportError(0, getMessage(moduleMax, number)); }

}  // namespace

void sinFunction() {
    double cosine, sine;
    cosSinDegrees(numberArgument(0), cosine, sine);
    returnReal(sine);
}

void cosFunction() {
    double cosine, sine;
    cosSinDegrees(numberArgument(0), cosine, sine);
    returnReal(cosine);
}

void tangFunction() {
    double x = numberArgument(0);
    if (std::fabs(std::fmod(std::fabs(x), 180.0) - 90.0) < tolerance) {
        reportError(errorTangentPole, nullptr);
        return;
    }
    returnReal(tanDegrees(x));
}

void asinFunction() {
    double x;
    if (readSineArgument(x)) returnReal(std::asin(x) * radiansToDegrees);
}

void acosFunction() {
    double x;
    if (readSineArgument(x)) returnReal(std::acos(x) * radiansToDegrees);
}

void atanFunction() { returnReal(std::atan(numberArgument(0)) * radiansToDegrees); }

// ABS takes a number or a vector: the one function of this family that accepts either.
void absFunction() {
    const Value& v = callFrame.args[0];
    if (v.kind == ValueKind::Vector) {
        returnReal(length(pointArgument(0)));
    } else {
        returnReal(std::fabs(v.num));
    }
}

void lnFunction() {
    double x;
    if (readPositive("LN", x)) returnReal(std::log(x));
}

void logFunction() {
    double x;
    if (readPositive("LOG", x)) returnReal(std::log10(x));
}

// EXP and EXP10 leave overflow to the evaluator's check of every operand (error 23).
void expFunction() { returnReal(std::exp(numberArgument(0))); }

void exp10Function() { returnReal(std::pow(10.0, numberArgument(0))); }

void sqrFunction() {
    double x = numberArgument(0);
    returnReal(x * x);
}

void sqrtFunction() {
    double x = numberArgument(0);
    if (x < -tolerance) {
        reportError(errorNegativeRoot, nullptr);
        return;
    }
    returnReal(x < 0 ? 0.0 : std::sqrt(x));  // a rounding below zero counts as zero
}

void r2dFunction() { returnReal(numberArgument(0) * radiansToDegrees); }

void d2rFunction() { returnReal(numberArgument(0) * degreesToRadians); }

// Halves round upwards, and the range test applies to the rounded value.
void roundFunction() {
    double x = numberArgument(0);
    double rounded = std::floor(x + 0.5);
    if (!inIntegerRange(rounded)) {
        reportError(errorRoundRange, nullptr);
        return;
    }
    returnInteger(rounded);
}

// The range test applies to the argument itself, so 32767.5 is refused.
void truncFunction() {
    double x = numberArgument(0);
    if (!inIntegerRange(x)) {
        reportError(errorRoundRange, nullptr);
        return;
    }
    returnInteger(std::trunc(x));
}

// MAX reports through the general error with texts of its own. The running maximum starts at
// the first argument, so arguments of any size compare correctly.
void maxFunction() {
    if (ErrorCode != 0) return;
    if (callFrame.argCount < 2) {
        reportMaxMessage(maxTooFewArguments);
        return;
    }
    bool allIntegers = true;
    double largest = 0;
    for (int i = 0; i < callFrame.argCount; i++) {
        const Value& v = callFrame.args[i];
        if (v.kind == ValueKind::Vector) {
            reportMaxMessage(maxNeedsNumbers);
            return;
        }
        if (v.kind == ValueKind::Real) allIntegers = false;
        if (i == 0 || v.num > largest) largest = v.num;
    }
    if (allIntegers) {
        returnInteger(largest);
    } else {
        returnReal(largest);
    }
}
