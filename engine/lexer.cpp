// engine/lexer.cpp - turns expression text into tokens, one per nextToken call.
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "engine/engine.h"
#include "host/kvs.h"

// ---- lexer state: one statement at a time, on the host's thread ----
static const char* cursor = nullptr;     // next unread character; the caller owns the text
static int currentChar = ' ';            // upper-cased, 0..255; a blank once the end is read
static bool atEnd = false;               // the terminating NUL has been read
Token token = Token::End;                // the current token, read by the evaluator
char tokenText[maxNameLength + 1];       // identifier or quoted name, cut to 32
double tokenNumber = 0;                  // value of the current number token
FunctionHandler tokenHandler = nullptr;  // handler of the current Token::Function

namespace {

constexpr int errorWrongReal = 1;
constexpr int errorIllegalCharacter = 2;
constexpr int errorIntegerRange = 3;
constexpr int errorUnexpectedEnd = 9;
constexpr int errorFeetInches = 22;
constexpr int errorQuotedTooLong = 31;
constexpr int errorAngleFormat = 34;

constexpr double gradsToDegrees = 0.9;
constexpr double radiansToDegrees = 57.29577951308232;
constexpr double minutesToDegrees = 0.016666666666666666;
constexpr double secondsToDegrees = 0.0002777777777777778;
constexpr int numeralCopyLength = 64;  // numerals at least this long are converted in place

struct Keyword {
    const char* name;
    Token token;
};

// Searched in this order, before the function table.
const Keyword keywordTable[] = {
    {"PI", Token::Pi},
    {"GETVAR", Token::Getvar},
    {"CVUNIT", Token::Cvunit},
};

struct CharToken {
    char c;
    Token token;
};

const CharToken singleCharTokens[] = {
    {'[', Token::OpenBracket}, {']', Token::CloseBracket}, {'(', Token::OpenParen},
    {')', Token::CloseParen},  {'@', Token::At},           {'<', Token::Angle},
    {'+', Token::Plus},        {'-', Token::Minus},        {'*', Token::Times},
    {'/', Token::Divide},      {'&', Token::Cross},        {'^', Token::Power},
    {',', Token::Comma},       {'=', Token::Assign},
};

bool isDigit(int c) { return kvs_isdigit(c) != 0; }

// Position in the text of currentChar.
const char* currentPosition() { return atEnd ? cursor : cursor - 1; }

void skipBlanks() {
    while (currentChar == ' ' && !atEnd) readChar();
}

void readIdentifier() {
    int length = 0;
    while (kvs_isalnum(currentChar) || currentChar == '_') {
        if (length < maxNameLength) {  // a longer identifier is cut without error
            tokenText[length++] = static_cast<char>(kvs_toupper(currentChar) & 0xFF);
        }
        readChar();
    }
    tokenText[length] = '\0';
    for (const Keyword& keyword : keywordTable) {
        if (std::strcmp(tokenText, keyword.name) == 0) {
            token = keyword.token;
            return;
        }
    }
    tokenHandler = findFunction(tokenText);
    token = tokenHandler != nullptr ? Token::Function : Token::Identifier;
}

// 'any characters', upper-cased, at most 32 of them.
void readQuotedName() {
    token = Token::Identifier;
    int length = 0;
    for (;;) {
        readChar();
        if (atEnd || length == maxNameLength || currentChar == '\'') break;
        tokenText[length++] = static_cast<char>(currentChar);
    }
    tokenText[length] = '\0';
    if (atEnd) {
        reportError(errorUnexpectedEnd, nullptr);
    } else if (currentChar != '\'') {
        reportError(errorQuotedTooLong, tokenText);
    } else {
        readChar();
    }
}

// The numeral's text, cut to 32 characters, as quoted in an error message.
void reportWrongNumeral(const char* start, size_t length) {
    char quoted[maxNameLength + 1];
    size_t shown = length < static_cast<size_t>(maxNameLength) ? length : maxNameLength;
    std::memcpy(quoted, start, shown);
    quoted[shown] = '\0';
    reportError(errorWrongReal, quoted);
}

// Converts the whole numeral, however long. A short one is copied first so that the
// conversion cannot read past it ("0x1" would otherwise be taken as hexadecimal); a long one
// cannot start with "0x" and is converted in place, its end checked.
bool convertNumeral(const char* start, size_t length, double& number) {
    char* end = nullptr;
    if (length < static_cast<size_t>(numeralCopyLength)) {
        char copy[numeralCopyLength];
        std::memcpy(copy, start, length);
        copy[length] = '\0';
        number = std::strtod(copy, &end);
        return length > 0 && end == copy + length;
    }
    number = std::strtod(start, &end);
    return end == start + length;
}

void readDigits() {
    while (isDigit(currentChar)) readChar();
}

// The digits of one number: integral part, fraction, exponent.
void scanNumeral() {
    if (ErrorCode != 0) return;
    token = Token::Integer;
    const char* start = currentPosition();
    readDigits();
    if (currentChar == '.') {
        token = Token::Real;
        readChar();
        readDigits();
    }
    if (currentChar == 'E') {
        token = Token::Real;
        readChar();
        if (currentChar == '+' || currentChar == '-') readChar();
        if (!isDigit(currentChar)) {
            reportError(errorWrongReal, nullptr);
            return;
        }
        readDigits();
    }
    size_t length = static_cast<size_t>(currentPosition() - start);
    double number = 0;
    bool converted = convertNumeral(start, length, number);
    if (!converted || errno == ERANGE || errno == EDOM || std::isinf(number) ||
        std::isnan(number)) {
        reportWrongNumeral(start, length);
        return;
    }
    tokenNumber = number;
    if (token == Token::Integer && (number > 32767 || number < -32768)) {
        reportError(errorIntegerRange, nullptr);
    }
}

// <deg>D[<min>'][<sec>"]
void readDegreesForm() {
    double degrees = tokenNumber, minutes = 0, seconds = 0;
    readChar();
    if (isDigit(currentChar)) {
        scanNumeral();
        if (ErrorCode != 0) return;
        if (currentChar == '\'') {
            minutes = tokenNumber;
            readChar();
            if (isDigit(currentChar)) {
                scanNumeral();
                if (ErrorCode != 0) return;
                if (currentChar != '"') {
                    reportError(errorAngleFormat, nullptr);
                    return;
                }
                seconds = tokenNumber;
                readChar();
            }
        } else if (currentChar == '"') {
            seconds = tokenNumber;
            readChar();
        } else {
            reportError(errorAngleFormat, nullptr);
            return;
        }
    }
    tokenNumber = (minutes * minutesToDegrees + seconds * secondsToDegrees) + degrees;
    token = Token::Real;
}

// <feet>'[-][<inches>"]
void readFeetForm() {
    double feet = tokenNumber, inches = 0;
    readChar();
    if (currentChar == '-') readChar();  // separates feet from inches; not an operator
    if (isDigit(currentChar)) {
        scanNumeral();
        if (ErrorCode != 0) return;
        if (currentChar != '"') {
            reportError(errorFeetInches, nullptr);
            return;
        }
        inches = tokenNumber;
        readChar();
    }
    tokenNumber = feet * 12 + inches;
    token = Token::Real;
}

// A number and the unit form that directly follows it.
void lexNumber() {
    if (ErrorCode != 0) return;
    scanNumeral();
    if (ErrorCode != 0) return;
    switch (currentChar) {
        case 'G':
            tokenNumber *= gradsToDegrees;
            token = Token::Real;
            readChar();
            break;
        case 'R':
            tokenNumber *= radiansToDegrees;
            token = Token::Real;
            readChar();
            break;
        case 'D':
            readDegreesForm();
            break;
        case '\'':
            readFeetForm();
            break;
        case '"':
            token = Token::Real;  // inches alone: the number is already in inches
            readChar();
            break;
        default:
            break;
    }
}

bool readSingleCharToken() {
    for (const CharToken& entry : singleCharTokens) {
        if (currentChar == static_cast<unsigned char>(entry.c)) {
            token = entry.token;
            readChar();
            return true;
        }
    }
    return false;
}

}  // namespace

void readChar() {
    if (*cursor != '\0') {
        currentChar = kvs_toupper(static_cast<unsigned char>(*cursor)) & 0xFF;
        cursor++;
    } else {
        currentChar = ' ';
        atEnd = true;
    }
}

void startLexer(const char* text) {
    ErrorCode = 0;
    errno = 0;
    currentChar = ' ';
    atEnd = false;
    cursor = text;
    token = Token::End;
    readChar();
    nextToken();
}

void nextToken() {
    if (ErrorCode != 0) return;
    skipBlanks();
    if (currentChar == ' ') {
        token = Token::End;
        return;
    }
    if (kvs_isalpha(currentChar)) {
        readIdentifier();
    } else if (currentChar == '\'') {
        readQuotedName();
    } else if (isDigit(currentChar) || currentChar == '.') {
        lexNumber();
    } else if (!readSingleCharToken()) {
        tokenText[0] = static_cast<char>(currentChar);
        tokenText[1] = '\0';
        reportError(errorIllegalCharacter, tokenText);
    }
}
