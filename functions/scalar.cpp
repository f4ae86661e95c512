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

// The one-argument check of every function of one number: exactly one Real or Integer.
bool readNumber(const char* name, double& x) {
    if (!checkOneArgument(name, false)) return false;
    x = numberArgument(0);
    return true;
}

bool inIntegerRange(double x) { return x >= smallestInteger && x <= largestInteger; }

// The argument of ASIN and ACOS, clamped to -1..1; false (error 13) beyond 1.1.
bool readSineArgument(const char* name, double& x) {
    if (!readNumber(name, x)) return false;
    if (!(std::fabs(x) <= arcSineLimit)) {
        reportError(errorArcSineRange, nullptr);
        return false;
    }
    x = std::fmax(-1.0, std::fmin(1.0, x));
    return true;
}

// The argument of LN and LOG; false (error 38) when it is not positive.
bool readPositive(const char* name, double& x) {
    if (!readNumber(name, x)) return false;
    if (!(x > 0)) {
        reportError(errorNeedsPositive, name);
        return false;
    }
    return true;
}

void reportMaxMessage(int number) { reportError(0, getMessage(moduleMax, number)); }

}  // namespace

void sinFunction() {
    double x;
    if (readNumber("SIN", x)) returnReal(std::sin(x * degreesToRadians));
}

void cosFunction() {
    double x;
    if (readNumber("COS", x)) returnReal(std::cos(x * degreesToRadians));
}

void tangFunction() {
    double x;
    if (!readNumber("TANG", x)) return;
    if (std::fabs(std::fmod(std::fabs(x), 180.0) - 90.0) < tolerance) {
        reportError(errorTangentPole, nullptr);
        return;
    }
    returnReal(std::tan(x * degreesToRadians));
}

void asinFunction() {
    double x;
    if (readSineArgument("ASIN", x)) returnReal(std::asin(x) * radiansToDegrees);
}

void acosFunction() {
    double x;
    if (readSineArgument("ACOS", x)) returnReal(std::acos(x) * radiansToDegrees);
}

void atanFunction() {
    double x;
    if (readNumber("ATAN", x)) returnReal(std::atan(x) * radiansToDegrees);
}

// ABS takes a number or a vector: the one function of this family that accepts either.
void absFunction() {
    if (ErrorCode != 0) return;
    if (callFrame.argCount != 1) {
        reportError(errorNeedsOneArgument, "ABS");
        return;
    }
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
void expFunction() {
    double x;
    if (readNumber("EXP", x)) returnReal(std::exp(x));
}

void exp10Function() {
    double x;
    if (readNumber("EXP10", x)) returnReal(std::pow(10.0, x));
}

void sqrFunction() {
    double x;
    if (readNumber("SQR", x)) returnReal(x * x);
}

void sqrtFunction() {
    double x;
    if (!readNumber("SQRT", x)) return;
    if (x < -tolerance) {
        reportError(errorNegativeRoot, nullptr);
        return;
    }
    returnReal(x < 0 ? 0.0 : std::sqrt(x));  // a rounding below zero counts as zero
}

void r2dFunction() {
    double x;
    if (readNumber("R2D", x)) returnReal(x * radiansToDegrees);
}

void d2rFunction() {
    double x;
    if (readNumber("D2R", x)) returnReal(x * degreesToRadians);
}

// Halves round upwards, and the range test applies to the rounded value.
void roundFunction() {
    double x;
    if (!readNumber("ROUND", x)) return;
    double rounded = std::floor(x + 0.5);
    if (!inIntegerRange(rounded)) {
        reportError(errorRoundRange, nullptr);
        return;
    }
    returnInteger(rounded);
}

// The range test applies to the argument itself, so 32767.5 is refused.
void truncFunction() {
    double x;
    if (!readNumber("TRUNC", x)) return;
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
