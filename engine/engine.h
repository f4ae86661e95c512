// engine/engine.h - the expression engine: lexer state, parsing routines and host-backed operands.
#ifndef VECTRIN_ENGINE_ENGINE_H
#define VECTRIN_ENGINE_ENGINE_H

#include "engine/functionTable.h"
#include "engine/value.h"

enum class Token : int32_t {
    Identifier = 0,
    Real = 1,
    Integer = 2,
    Function = 3,
    OpenBracket = 4,
    CloseBracket = 5,
    OpenParen = 6,
    CloseParen = 7,
    At = 8,
    Angle = 9,
    Plus = 10,
    Minus = 11,
    Times = 12,
    Divide = 13,
    Cross = 14,
    Power = 15,
    Pi = 16,
    Comma = 17,
    Getvar = 18,
    Cvunit = 19,
    Assign = 20,
    End = 21
};

// ---- lexer (engine/lexer.cpp) ----
extern Token token;                         // the current token
extern char tokenText[maxNameLength + 1];   // identifier or quoted name, upper case
extern double tokenNumber;                  // value of a number token
extern const FunctionEntry* tokenFunction;  // the table's entry of a Token::Function
// An identifier's or quoted name's characters as written (not upper-cased), read in place in
// the statement's text; as many as tokenText holds.
extern const char* tokenSpelling;
extern int tokenSpellingLength;

// Begins a statement: clears ErrorCode and errno and makes the first token current.
// The text is read in place and must stay unchanged while the evaluation runs.
void startLexer(const char* text);
void nextToken();
// The lexer keeps the host's character classes once asked; a newly loaded module asks again.
void forgetCharacterClasses();

// ---- evaluator (engine/evaluator.cpp) ----
void parseExpression(Value& out);
void parseUnary(Value& out);

// ---- point literals and host-backed operands (engine/operands.cpp) ----
void parseVectorLiteral(Value& out);
void readQuilletVariable(Value& out);
void readLastPoint(Value& out);
void readSystemVariable(Value& out);
void convertUnits(Value& out);

#endif
