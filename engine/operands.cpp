// engine/operands.cpp - point literals and the operands whose values come from the host.
#include <cmath>
#include <cstring>

#include "contract/kvs.h"
#include "engine/engine.h"
#include "geometry/geometry.h"
#include "messages/messageNumbers.h"

namespace {

constexpr int unitNameLength = 2 * maxNameLength + 1;  // two words and the blank between

const char* const getvarUsage = "GETVAR(Korvane_system_variable)";

bool endsComponent(Token t) {
    return t == Token::Comma || t == Token::Angle || t == Token::CloseBracket;
}

// One component of a point literal: omitted, or an expression whose value is a number.
void parseComponent(double& component) {
    if (endsComponent(token)) return;
    Value value;
    parseExpression(value);
    if (ErrorCode != 0) return;
    if (!isScalar(value)) {
        reportError(errorComponentKind, nullptr);
        return;
    }
    component = value.num;
}

Point3 readLastPointRecord() {
    ResultBuffer rb{};  // a host that cannot answer leaves the origin
    rb.type = KVS_RT3DPOINT;
    kvs_getvar("LASTPOINT", &rb);
    return Point3{rb.value.point[0], rb.value.point[1], rb.value.point[2]};
}

Point3 literalBase(bool relative, bool world) {
    if (!relative) return Point3{0, 0, 0};
    Point3 base = readLastPointRecord();
    if (world) ucsToWorld(base, base);
    return base;
}

// The point of the literal from its components and the kinds of its two separators.
bool composePoint(const double c[3], bool firstAngle, bool secondAngle, const Point3& b,
                  Point3& point) {
    if (!firstAngle && !secondAngle) {
        point = Point3{b.x + c[0], b.y + c[1], b.z + c[2]};
    } else if (firstAngle && !secondAngle) {
        double cosA, sinA;
        cosSinDegrees(c[1], cosA, sinA);
        point = Point3{b.x + c[0] * cosA, b.y + c[0] * sinA, b.z + c[2]};
    } else if (firstAngle && secondAngle) {
        double cosA, sinA, cosE, sinE;
        cosSinDegrees(c[1], cosA, sinA);
        cosSinDegrees(c[2], cosE, sinE);
        point = Point3{b.x + c[0] * cosA * cosE, b.y + c[0] * sinA * cosE, b.z + c[0] * sinE};
    } else {
        reportError(errorPointSyntax, nullptr);
        return false;
    }
    return true;
}

// The components and separators between '[' and ']'; false after an error.
bool parseLiteralBody(double c[3], bool& firstAngle, bool& secondAngle) {
    parseComponent(c[0]);
    if (ErrorCode != 0) return false;
    if (!endsComponent(token)) {
        reportError(errorCommaMissing, nullptr);
        return false;
    }
    if (token == Token::CloseBracket) return true;
    firstAngle = token == Token::Angle;
    nextToken();
    parseComponent(c[1]);
    if (ErrorCode != 0) return false;
    if (!endsComponent(token)) {
        reportError(errorCommaMissing, nullptr);
        return false;
    }
    if (token == Token::CloseBracket) return true;
    secondAngle = token == Token::Angle;
    nextToken();
    if (token != Token::CloseBracket) parseComponent(c[2]);
    if (ErrorCode != 0) return false;
    if (token != Token::CloseBracket) {
        reportError(errorBracketMissing, nullptr);
        return false;
    }
    return true;
}

// Appends the identifier token as written to name: the host tells Mm (megametre) from mm.
void appendSpelling(char* name) {
    size_t used = std::strlen(name);
    std::memcpy(name + used, tokenSpelling, static_cast<size_t>(tokenSpellingLength));
    name[used + static_cast<size_t>(tokenSpellingLength)] = '\0';
}

// A unit name of one or two identifier tokens, as written.
bool readUnitName(char* name) {
    if (token != Token::Identifier) return false;
    name[0] = '\0';
    appendSpelling(name);
    nextToken();
    if (token == Token::Identifier) {
        std::strcat(name, " ");
        appendSpelling(name);
        nextToken();
    }
    return ErrorCode == 0;
}

bool convertOne(double& value, const char* from, const char* to) {
    double converted = 0;
    if (kvs_cvunit(value, from, to, &converted) != KVS_RTNORM) {
        reportError(errorCvunitFailed, nullptr);
        return false;
    }
    value = converted;
    return true;
}

bool expectToken(Token expected, int error, const char* text) {
    if (ErrorCode != 0) return false;
    if (token != expected) {
        reportError(error, text);
        return false;
    }
    return true;
}

bool systemVariableValue(ResultBuffer& rb, Value& value) {
    switch (rb.type) {
        case KVS_RTREAL:
        case KVS_RTANG:
        case KVS_RTORINT: value = makeReal(rb.value.real); return true;
        case KVS_RTPOINT:
        case KVS_RT3DPOINT:
            value = makeVector(rb.value.point[0], rb.value.point[1], rb.value.point[2]);
            return true;
        case KVS_RTSHORT: value = makeInteger(rb.value.shortInt); return true;
        case KVS_RTLONG: value = makeInteger(rb.value.longInt); return true;
        case KVS_RTSTR:
            korv_free(rb.value.text);  // the text belongs to the module now
            return false;
        default: return false;
    }
}

}  // namespace

// '[' ['@'] ['*'] [c1] [(',' | '<') [c2] [(',' | '<') [c3]]] ']'
void parseVectorLiteral(Value& out) {
    if (ErrorCode != 0) return;
    double c[3] = {0, 0, 0};
    bool relative = false, world = false, firstAngle = false, secondAngle = false;
    nextToken();
    if (token == Token::At) {
        relative = true;
        nextToken();
    }
    if (token == Token::Times) {
        world = true;
        nextToken();
    }
    if (!parseLiteralBody(c, firstAngle, secondAngle)) return;
    nextToken();
    if (ErrorCode != 0) return;
    Point3 point;
    if (!composePoint(c, firstAngle, secondAngle, literalBase(relative, world), point)) return;
    if (world) worldToUcs(point, point);
    Value value = makeVector(point.x, point.y, point.z);
    if (checkValue(value, 0)) out = value;
}

void readLastPoint(Value& out) {
    if (ErrorCode != 0) return;
    Point3 last = readLastPointRecord();
    out = makeVector(last.x, last.y, last.z);
    nextToken();
}

void readQuilletVariable(Value& out) {
    if (ErrorCode != 0) return;
    ResultBuffer* list = nullptr;
    if (kvs_getsym(tokenText, &list) != KVS_RTNORM || list == nullptr) {
        reportError(errorNoValue, tokenText);
        if (list != nullptr) kvs_relrb(list);
        return;
    }
    switch (list->type) {
        case KVS_RTREAL: out = makeReal(list->value.real); break;
        case KVS_RTPOINT:
        case KVS_RT3DPOINT:
            out = makeVector(list->value.point[0], list->value.point[1], list->value.point[2]);
            break;
        case KVS_RTSHORT: out = makeInteger(list->value.shortInt); break;
        default: reportError(errorQuilletKind, tokenText); break;
    }
    kvs_relrb(list);
    if (ErrorCode == 0) nextToken();
}

// GETVAR '(' name ')'
void readSystemVariable(Value& out) {
    if (ErrorCode != 0) return;
    nextToken();
    if (!expectToken(Token::OpenParen, errorUsage, getvarUsage)) return;
    nextToken();
    if (!expectToken(Token::Identifier, errorUsage, getvarUsage)) return;
    ResultBuffer rb{};
    if (kvs_getvar(tokenText, &rb) != KVS_RTNORM) {
        reportError(errorUnknownSysvar, tokenText);
        return;
    }
    Value value;
    if (!systemVariableValue(rb, value)) {
        reportError(errorSysvarKind, nullptr);
        return;
    }
    nextToken();
    if (!expectToken(Token::CloseParen, errorParenMissing, nullptr)) return;
    nextToken();
    if (ErrorCode == 0) out = value;
}

// CVUNIT '(' expression ',' unit ',' unit ')'
void convertUnits(Value& out) {
    if (ErrorCode != 0) return;
    nextToken();
    if (!expectToken(Token::OpenParen, errorCvunitUse, nullptr)) return;
    nextToken();
    Value value;
    parseExpression(value);
    char from[unitNameLength + 1], to[unitNameLength + 1];
    if (!expectToken(Token::Comma, errorCvunitUse, nullptr)) return;
    nextToken();
    if (ErrorCode != 0) return;
    if (!readUnitName(from)) {
        reportError(errorCvunitUse, nullptr);
        return;
    }
    if (!expectToken(Token::Comma, errorCvunitUse, nullptr)) return;
    nextToken();
    if (ErrorCode != 0) return;
    if (!readUnitName(to)) {
        reportError(errorCvunitUse, nullptr);
        return;
    }
    if (!expectToken(Token::CloseParen, errorCvunitUse, nullptr)) return;
    if (value.kind == ValueKind::Vector) {
        if (!convertOne(value.x, from, to) || !convertOne(value.y, from, to) ||
            !convertOne(value.z, from, to)) {
            return;
        }
    } else {
        if (!convertOne(value.num, from, to)) return;
        value.kind = ValueKind::Real;
    }
    nextToken();
    if (ErrorCode == 0) out = value;
}
