// engine/evaluator.cpp - recursive descent that computes while it parses; no tree is built.
#include <cmath>
#include <new>

#include "engine/engine.h"
#include "geometry/geometry.h"
#include "messages/messageNumbers.h"

namespace {

constexpr double zeroTolerance = 1e-10;

ValueKind scalarKind(const Value& a, const Value& b) {
    return a.kind == ValueKind::Real || b.kind == ValueKind::Real ? ValueKind::Real
                                                                  : ValueKind::Integer;
}

// left +/- right; sign is +1 or -1.
void combineSum(Value& left, const Value& right, double sign) {
    if (isScalar(left) && isScalar(right)) {
        left.kind = scalarKind(left, right);
        left.num = left.num + sign * right.num;
    } else if (!isScalar(left) && !isScalar(right)) {
        left.x = left.x + sign * right.x;
        left.y = left.y + sign * right.y;
        left.z = left.z + sign * right.z;
    } else {
        reportError(errorSumKinds, nullptr);
    }
}

void combineProduct(Value& left, const Value& right) {
    if (isScalar(left) && isScalar(right)) {
        left.kind = scalarKind(left, right);
        left.num = left.num * right.num;
    } else if (!isScalar(left) && !isScalar(right)) {
        double dot = (left.x * right.x + left.z * right.z) + left.y * right.y;
        left = makeReal(dot);
    } else if (isScalar(left)) {
        left = makeVector(left.num * right.x, left.num * right.y, left.num * right.z);
    } else {
        left = makeVector(left.x * right.num, left.y * right.num, left.z * right.num);
    }
}

void combineQuotient(Value& left, const Value& right) {
    if (!isScalar(right)) {
        reportError(errorDivideKinds, nullptr);
    } else if (std::fabs(right.num) < zeroTolerance) {
        reportError(errorDivisionByZero, nullptr);
    } else if (isScalar(left)) {
        left = makeReal(left.num / right.num);
    } else {
        left = makeVector(left.x / right.num, left.y / right.num, left.z / right.num);
    }
}

void combineCross(Value& left, const Value& right) {
    if (isScalar(left) || isScalar(right)) {
        reportError(errorCrossKinds, nullptr);
        return;
    }
    left = makeVector(left.y * right.z - left.z * right.y, left.z * right.x - left.x * right.z,
                      left.x * right.y - left.y * right.x);
}

// Tested without converting to an integer, which is undefined for doubles out of range.
bool isWholeInt32(double d) {
    return d >= -2147483648.0 && d <= 2147483647.0 && d == std::trunc(d);
}

// left ^ right by the power rules; the result is always a Real.
void combinePower(Value& left, const Value& right) {
    if (!isScalar(left) || !isScalar(right)) {
        reportError(errorPowerKinds, nullptr);
        return;
    }
    if (left.num == 0) {
        left = makeReal(left.num);  // 0^0 and 0^-1 are 0, of the base's sign
    } else if (right.num == 0) {
        left = makeReal(1);
    } else if (left.num < 0 && !isWholeInt32(right.num)) {
        reportError(errorNegativeBase, nullptr);
    } else {
        left = makeReal(std::pow(left.num, right.num));
        checkValue(left, 0);
    }
}

// How tightly each binary operator binds; every one of them is left-associative. One row per
// token, in the order of Token's numbers.
enum Priority : uint8_t { notAnOperator = 0, sumPriority = 1, termPriority = 2, powerPriority = 3 };
const uint8_t operatorPriorities[] = {
    notAnOperator,  // Identifier
    notAnOperator,  // Real
    notAnOperator,  // Integer
    notAnOperator,  // Function
    notAnOperator,  // OpenBracket
    notAnOperator,  // CloseBracket
    notAnOperator,  // OpenParen
    notAnOperator,  // CloseParen
    notAnOperator,  // At
    notAnOperator,  // Angle
    sumPriority,    // Plus
    sumPriority,    // Minus
    termPriority,   // Times
    termPriority,   // Divide
    termPriority,   // Cross
    powerPriority,  // Power
    notAnOperator,  // Pi
    notAnOperator,  // Comma
    notAnOperator,  // Getvar
    notAnOperator,  // Cvunit
    notAnOperator,  // Assign
    notAnOperator,  // End
};
static_assert(sizeof operatorPriorities == static_cast<size_t>(Token::End) + 1,
              "one priority for every token");

int priorityOf(Token t) { return operatorPriorities[static_cast<int>(t)]; }

void combine(Token op, Value& left, const Value& right) {
    switch (op) {
        case Token::Plus: combineSum(left, right, 1.0); break;
        case Token::Minus: combineSum(left, right, -1.0); break;
        case Token::Times: combineProduct(left, right); break;
        case Token::Divide: combineQuotient(left, right); break;
        case Token::Cross: combineCross(left, right); break;
        default: combinePower(left, right); break;
    }
}

bool isNumeral(Token t) { return t == Token::Real || t == Token::Integer; }

// An operand that is a numeral, as parseUnary reads it; false after an error.
inline bool readNumeralOperand(Value& out) {
    out = token == Token::Real ? makeReal(tokenNumber) : makeInteger(tokenNumber);
    nextToken();
    // checkValue without its errno test: the lexer has already failed on any range or domain
    // error that errno held. A unit form can still overflow ("1e308'").
    return (std::isfinite(out.num) && ErrorCode == 0) || checkValueFully(out, 0);
}

// The three binary levels of the grammar, each operator left-associative:
//   expression -> term { ('+' | '-') term }           sumPriority
//   term       -> power { ('*' | '/' | '&') power }    termPriority
//   power      -> unary { '^' unary }                  powerPriority
// Applies to left every operator of at least minPriority that follows, each with its right
// operand; an operand first takes the operators that bind tighter than the one before it, so a
// right operand of '+' is a whole term and one of '*' a whole power. The operators are applied in
// the very order the levels would apply them, each result checked at once, so every error is the
// one the levels would report.
void applyOperators(Value& left, int minPriority) {
    for (;;) {
        int priority = priorityOf(token);
        if (ErrorCode != 0 || priority < minPriority) return;
        Token op = token;
        nextToken();
        Value right;
        if (isNumeral(token)) {
            if (!readNumeralOperand(right)) return;
        } else {
            parseUnary(right);
        }
        if (priorityOf(token) > priority) applyOperators(right, priority + 1);
        if (ErrorCode == 0) combine(op, left, right);
        if (!checkValue(left, 0)) return;
    }
}

// The same as to = from, field by field. A loop of whole-Value copies is compiled into a block
// move whose start-up costs more than the two or three arguments of a call, and a wide load of
// the result that the handler has just stored field by field has to wait for those stores.
void copyFields(Value& to, const Value& from) {
    to.kind = from.kind;
    to.x = from.x;
    to.y = from.y;
    to.z = from.z;
    to.num = from.num;
}

// name [ '(' [ expression { ',' expression } [','] ] ')' ]
void parseFunctionCall(Value& out) {
    const FunctionEntry& entry = *tokenFunction;  // stays in the table: tokenFunction changes
    const char* name = entry.name;  // the table's copy: tokenText changes as we read on
    nextToken();
    // This call's own arguments; nested calls have their own. Left raw, so that a call of one
    // argument does not clear twenty Values: each is made only when its argument is parsed.
    alignas(Value) unsigned char argStorage[maxArguments * sizeof(Value)];
    Value* args = reinterpret_cast<Value*>(argStorage);
    int count = 0;
    if (token == Token::OpenParen) {
        nextToken();
        while (ErrorCode == 0 && token != Token::CloseParen && count < maxArguments) {
            parseExpression(*new (&args[count]) Value());
            count++;
            if (token == Token::Comma) {
                nextToken();
            } else if (token != Token::CloseParen) {
                reportError(errorCommaExpected, name);
            }
        }
        if (token != Token::CloseParen) reportError(errorTooManyArguments, name);
        nextToken();  // read before the handler runs, so a lexical error comes first
    }
    if (ErrorCode != 0) return;
    callFrame.argCount = count;
    uint32_t vectors = 0;  // bit i: argument i is a Vector, for the check of the kinds
    for (int i = 0; i < count; i++) {
        copyFields(callFrame.args[i], args[i]);
        vectors |= static_cast<uint32_t>(args[i].kind == ValueKind::Vector) << i;
    }
    if (entry.accepts != nullptr && !argumentsFit(entry, vectors)) return;
    entry.handler();
    if (ErrorCode != 0) return;
    copyFields(out, callFrame.result);
}

void parseParenthesised(Value& out) {
    nextToken();
    Value inner;
    parseExpression(inner);
    if (ErrorCode != 0) return;
    if (token != Token::CloseParen) {
        reportError(errorParenMissing, nullptr);
        return;
    }
    nextToken();
    out = inner;
}

// Out of line, with the call's argument block, so that parseUnary saves no registers for a numeral.
__attribute__((noinline)) void parsePrimary(Value& out) {
    switch (token) {
        case Token::Identifier: readQuilletVariable(out); break;
        case Token::Function: parseFunctionCall(out); break;
        case Token::Real:
            out = makeReal(tokenNumber);
            nextToken();
            break;
        case Token::Integer:
            out = makeInteger(tokenNumber);
            nextToken();
            break;
        case Token::Pi:
            out = makeReal(pi);
            nextToken();
            break;
        case Token::Getvar: readSystemVariable(out); break;
        case Token::Cvunit: convertUnits(out); break;
        case Token::At: readLastPoint(out); break;
        case Token::OpenParen: parseParenthesised(out); break;
        case Token::OpenBracket: parseVectorLiteral(out); break;
        case Token::End: reportError(errorUnexpectedEnd, nullptr); break;
        default: reportError(errorSyntax, nullptr); break;
    }
}

}  // namespace

// Each level below builds its value in the caller's out rather than in a local copied up at
// the end: a Value copied from one level to the next at every step cost more than the
// arithmetic. A caller never reads out after a failure, so a partly built value does no harm.
// Every value is checked once, where it is made: by parseUnary (or readNumeralOperand) for an
// operand, and after each operator. The levels share one loop, applyOperators, which takes the
// operators of a level and those above it: an operand is read by parseUnary directly, not
// through a routine for each level in turn, and a numeral without even that call.

// expression -> term { ('+' | '-') term }, the terms and powers by applyOperators
// An expression that starts with a numeral reads it here: most arguments and point components
// are one numeral, and need no call of the levels below.
void parseExpression(Value& out) {
    if (ErrorCode != 0) return;
    if (isNumeral(token)) {
        if (!readNumeralOperand(out)) return;
    } else {
        parseUnary(out);
    }
    if (priorityOf(token) != notAnOperator) applyOperators(out, sumPriority);
}

// unary -> [ '-' | '+' ] primary
void parseUnary(Value& out) {
    if (ErrorCode != 0) return;
    bool negate = false;
    if (token == Token::Minus) {
        negate = true;
        nextToken();
    } else if (token == Token::Plus) {
        nextToken();
    }
    if (isNumeral(token)) {  // most operands: no call to dispatch
        if (!readNumeralOperand(out)) return;
    } else {
        parsePrimary(out);
        if (!checkValue(out, 0)) return;
    }
    if (negate) {
        out.x = -out.x;
        out.y = -out.y;
        out.z = -out.z;
        out.num = -out.num;
    }
}
