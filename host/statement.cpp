// host/statement.cpp - evaluateStatement: an expression, or one assigned to a Quillet variable.
#include <cstring>

#include "contract/kvs.h"
#include "engine/engine.h"
#include "host/calculator.h"
#include "messages/messageNumbers.h"

namespace {

// The record a value is stored as; false for a kind that has none.
bool valueRecord(const Value& value, ResultBuffer& rb) {
    rb.next = nullptr;
    switch (value.kind) {
        case ValueKind::Vector:
            rb.type = KVS_RT3DPOINT;
            rb.value.point[0] = value.x;
            rb.value.point[1] = value.y;
            rb.value.point[2] = value.z;
            return true;
        case ValueKind::Real:
            rb.type = KVS_RTREAL;
            rb.value.real = value.num;
            return true;
        case ValueKind::Integer:
            rb.type = KVS_RTSHORT;
            rb.value.shortInt = static_cast<int16_t>(value.num);
            return true;
    }
    return false;
}

bool assignVariable(const char* name, const Value& value) {
    ResultBuffer rb{};
    if (!valueRecord(value, rb)) {
        reportError(internalError, nullptr);
        return false;
    }
    if (kvs_putsym(name, &rb) != KVS_RTNORM) {
        reportError(errorAssignFailed, name);
        return false;
    }
    return true;
}

}  // namespace

// statement -> [ identifier '=' ] expression
bool evaluateStatement(const char* text, Value& out) {
    char name[maxNameLength + 1];
    name[0] = '\0';
    startLexer(text);
    if (token == Token::Identifier) {
        std::memcpy(name, tokenText, sizeof name);
        nextToken();
        if (ErrorCode != 0) return false;
        if (token == Token::Assign) {
            nextToken();
        } else {
            name[0] = '\0';
            startLexer(text);  // the identifier is read again as the first operand
        }
    }
    if (ErrorCode != 0) return false;
    Value value;
    parseExpression(value);
    if (ErrorCode != 0) return false;
    if (token != Token::End) {
        reportError(errorSyntax, nullptr);
        return false;
    }
    if (value.kind == ValueKind::Integer && (value.num > 32767 || value.num < -32768)) {
        reportError(errorIntegerResult, nullptr);
        return false;
    }
    if (name[0] != '\0' && !assignVariable(name, value)) return false;
    out = value;
    return true;
}
