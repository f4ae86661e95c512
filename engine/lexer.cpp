// engine/lexer.cpp - turns expression text into tokens, one per nextToken call.
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "engine/engine.h"
#include "host/kvs.h"
#include "messages/messageNumbers.h"

// ---- lexer state: one statement at a time, on the host's thread ----
static const char* cursor = nullptr;     // next unread character; the caller owns the text
static int currentChar = ' ';            // upper-cased, 0..255; a blank once the end is read
static bool atEnd = false;               // the terminating NUL has been read
Token token = Token::End;                // the current token, read by the evaluator
char tokenText[maxNameLength + 1];       // identifier or quoted name, cut to 32
double tokenNumber = 0;                  // value of the current number token
FunctionHandler tokenHandler = nullptr;  // handler of the current Token::Function
// The host's answers for each character code, asked the first time the code is read and kept
// while the module is loaded: the classes depend on the character alone, and asking the host
// four times for every character read cost more than the rest of the lexer together.
static uint8_t characterClasses[256];    // classKnown and the host's classes; 0: not asked yet
static uint8_t upperCases[256];          // kvs_toupper's answer, valid once classKnown is set

namespace {

enum CharacterClass : uint8_t {
    classKnown = 1,
    classLetter = 2,           // kvs_isalpha
    classLetterOrDigit = 4,    // kvs_isalnum
    classDigit = 8,            // kvs_isdigit
};

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

// Asks the host about character code c and keeps the answers.
__attribute__((noinline)) uint8_t askHostAbout(int c) {
    uint8_t classes = classKnown;
    if (kvs_isalpha(c)) classes |= classLetter;
    if (kvs_isalnum(c)) classes |= classLetterOrDigit;
    if (kvs_isdigit(c)) classes |= classDigit;
    upperCases[c] = static_cast<uint8_t>(kvs_toupper(c) & 0xFF);
    characterClasses[c] = classes;
    return classes;
}

// The host's classes of character code c (0..255).
inline uint8_t classesOf(int c) {
    uint8_t classes = characterClasses[c];
    return classes != 0 ? classes : askHostAbout(c);
}

inline bool isDigit(int c) { return (classesOf(c) & classDigit) != 0; }
inline bool isLetter(int c) { return (classesOf(c) & classLetter) != 0; }
inline bool isLetterOrDigit(int c) { return (classesOf(c) & classLetterOrDigit) != 0; }
inline int upperCaseOf(int c) {
    classesOf(c);
    return upperCases[c];
}

// readChar, inline for the lexer's own loops: it runs once for every character of the text.
inline void advance() {
    unsigned char c = static_cast<unsigned char>(*cursor);
    if (c != '\0') {
        currentChar = upperCaseOf(c);
        cursor++;
    } else {
        currentChar = ' ';
        atEnd = true;
    }
}

// Position in the text of currentChar.
const char* currentPosition() { return atEnd ? cursor : cursor - 1; }

void skipBlanks() {
    while (currentChar == ' ' && !atEnd) advance();
}

void readIdentifier() {
    int length = 0;
    while (isLetterOrDigit(currentChar) || currentChar == '_') {
        if (length < maxNameLength) {  // a longer identifier is cut without error
            tokenText[length++] = static_cast<char>(upperCaseOf(currentChar));
        }
        advance();
    }
    tokenText[length] = '\0';
    for (const Keyword& keyword : keywordTable) {
        // The first letters differ for almost every identifier: no call to compare the rest.
        if (tokenText[0] == keyword.name[0] && std::strcmp(tokenText, keyword.name) == 0) {
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
        advance();
        if (atEnd || length == maxNameLength || currentChar == '\'') break;
        tokenText[length++] = static_cast<char>(currentChar);
    }
    tokenText[length] = '\0';
    if (atEnd) {
        reportError(errorUnexpectedEnd, nullptr);
    } else if (currentChar != '\'') {
        reportError(errorQuotedTooLong, tokenText);
    } else {
        advance();
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

// The numerals most texts hold - at most 15 significant digits and a small exponent - are
// converted directly: the digits make an exact integer below 2^53 and the power of ten up to
// 1e22 is exact too, so one multiplication or division rounds once, to the very double strtod
// gives. Anything else (more digits, a large exponent, no digit at all) returns false and goes
// to strtod.
bool convertShortNumeral(const char* start, size_t length, double& number) {
    static const double powersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                         1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                         1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    constexpr int maxSignificantDigits = 15;  // 10^15 < 2^53: every such integer is exact
    constexpr int maxExactPower = 22;
    const char* p = start;
    const char* end = start + length;
    long long mantissa = 0;
    int digits = 0, exponent = 0;
    bool anyDigit = false, inFraction = false;
    for (; p < end && *p != 'e' && *p != 'E'; p++) {
        if (*p == '.' && !inFraction) {
            inFraction = true;
            continue;
        }
        if (*p < '0' || *p > '9') return false;
        anyDigit = true;
        if (mantissa == 0 && *p == '0') {  // leading zeros add no significant digit
            if (inFraction) exponent--;
            continue;
        }
        if (++digits > maxSignificantDigits) return false;
        mantissa = mantissa * 10 + (*p - '0');
        if (inFraction) exponent--;
    }
    if (!anyDigit) return false;
    if (p < end) {  // the exponent: a sign and at most two digits
        p++;
        bool negative = p < end && *p == '-';
        if (p < end && (*p == '-' || *p == '+')) p++;
        if (p == end || end - p > 2) return false;
        int value = 0;
        for (; p < end; p++) {
            if (*p < '0' || *p > '9') return false;
            value = value * 10 + (*p - '0');
        }
        exponent += negative ? -value : value;
    }
    if (exponent < -maxExactPower || exponent > maxExactPower) return false;
    double exact = static_cast<double>(mantissa);
    number = exponent >= 0 ? exact * powersOfTen[exponent] : exact / powersOfTen[-exponent];
    return true;
}

// Converts the whole numeral, however long. A short one is copied first so that the
// conversion cannot read past it ("0x1" would otherwise be taken as hexadecimal); a long one
// cannot start with "0x" and is converted in place, its end checked.
bool convertNumeral(const char* start, size_t length, double& number) {
    if (convertShortNumeral(start, length, number)) return true;
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
    while (isDigit(currentChar)) advance();
}

// The digits of one number: integral part, fraction, exponent.
void scanNumeral() {
    if (ErrorCode != 0) return;
    token = Token::Integer;
    const char* start = currentPosition();
    readDigits();
    if (currentChar == '.') {
        token = Token::Real;
        advance();
        readDigits();
    }
    if (currentChar == 'E') {
        token = Token::Real;
        advance();
        if (currentChar == '+' || currentChar == '-') advance();
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
        reportError(errorIntegerLiteralRange, nullptr);
    }
}

// <deg>D[<min>'][<sec>"]
void readDegreesForm() {
    double degrees = tokenNumber, minutes = 0, seconds = 0;
    advance();
    if (isDigit(currentChar)) {
        scanNumeral();
        if (ErrorCode != 0) return;
        if (currentChar == '\'') {
            minutes = tokenNumber;
            advance();
            if (isDigit(currentChar)) {
                scanNumeral();
                if (ErrorCode != 0) return;
                if (currentChar != '"') {
                    reportError(errorAngleFormat, nullptr);
                    return;
                }
                seconds = tokenNumber;
                advance();
            }
        } else if (currentChar == '"') {
            seconds = tokenNumber;
            advance();
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
    advance();
    if (currentChar == '-') advance();  // separates feet from inches; not an operator
    if (isDigit(currentChar)) {
        scanNumeral();
        if (ErrorCode != 0) return;
        if (currentChar != '"') {
            reportError(errorFeetInches, nullptr);
            return;
        }
        inches = tokenNumber;
        advance();
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
            advance();
            break;
        case 'R':
            tokenNumber *= radiansToDegrees;
            token = Token::Real;
            advance();
            break;
        case 'D':
            readDegreesForm();
            break;
        case '\'':
            readFeetForm();
            break;
        case '"':
            token = Token::Real;  // inches alone: the number is already in inches
            advance();
            break;
        default:
            break;
    }
}

// A switch rather than a table search: it is asked for every operator and bracket.
bool readSingleCharToken() {
    Token single;
    switch (currentChar) {
        case '[': single = Token::OpenBracket; break;
        case ']': single = Token::CloseBracket; break;
        case '(': single = Token::OpenParen; break;
        case ')': single = Token::CloseParen; break;
        case '@': single = Token::At; break;
        case '<': single = Token::Angle; break;
        case '+': single = Token::Plus; break;
        case '-': single = Token::Minus; break;
        case '*': single = Token::Times; break;
        case '/': single = Token::Divide; break;
        case '&': single = Token::Cross; break;
        case '^': single = Token::Power; break;
        case ',': single = Token::Comma; break;
        case '=': single = Token::Assign; break;
        default: return false;
    }
    token = single;
    advance();
    return true;
}

}  // namespace

void forgetCharacterClasses() {
    for (uint8_t& classes : characterClasses) classes = 0;
}

void readChar() { advance(); }

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
    if (isLetter(currentChar)) {
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
