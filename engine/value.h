// engine/value.h - the calculator's Value and the one error reporter, shared by every subsystem.
#ifndef VECTRIN_ENGINE_VALUE_H
#define VECTRIN_ENGINE_VALUE_H

#include <cerrno>
#include <cmath>
#include <cstdint>

#include "messages/messageNumbers.h"  // the numbers ErrorCode takes

// The error table's numbers with a text of their own: 1 up to the heading printed before each.
constexpr int lastErrorNumber = errorHeading - 1;

// ErrorCode values with no text in the catalogue.
constexpr int generalError = -999;   // left by a report with code 0: silent, or the caller's text
constexpr int internalError = -443;  // a value that cannot be assigned; printed as its number

enum class ValueKind : int32_t { Vector = 0, Real = 1, Integer = 2 };

// Passed and copied whole, never allocated. A Vector lives in x, y, z; a Real or an Integer
// in num (an Integer as a whole double). The fields of the other kind are left as they are.
struct Value {
    ValueKind kind = ValueKind::Real;
    double x = 0, y = 0, z = 0;
    double num = 0;
};

inline bool isScalar(const Value& v) { return v.kind != ValueKind::Vector; }

inline Value makeReal(double num) {
    Value v;
    v.kind = ValueKind::Real;
    v.num = num;
    return v;
}

inline Value makeInteger(double num) {
    Value v;
    v.kind = ValueKind::Integer;
    v.num = num;
    return v;
}

inline Value makeVector(double x, double y, double z) {
    Value v;
    v.kind = ValueKind::Vector;
    v.x = x;
    v.y = y;
    v.z = z;
    return v;
}

// The error of the current evaluation, 0 when none. Set only by reportError.
extern int ErrorCode;

// The only way a failure is recorded: sets ErrorCode and prints the numbered message once.
void reportError(int code, const char* text);

// The silent error: the evaluation stops and nothing more is printed. A cancelled or failed pick
// ends with it, having said what it had to.
inline void reportSilentError() { reportError(0, nullptr); }

// The overflow and domain test applied to every intermediate value; code 0 means 23. A range
// error whose result is not huge is an underflow: it passes, and errno is cleared.
// checkValue is inline because it runs several times for every operand: a finite value with no
// error pending and errno clear passes at once; anything else gets the full test and its report.
bool checkValueFully(const Value& value, int code);

inline bool checkValue(const Value& value, int code) {
    bool finite = value.kind == ValueKind::Vector
                      ? std::isfinite(value.x) && std::isfinite(value.y) && std::isfinite(value.z)
                      : std::isfinite(value.num);
    if (finite && ErrorCode == 0 && errno == 0) return true;
    return checkValueFully(value, code);  // errno may hold a code that is no failure
}

#endif
