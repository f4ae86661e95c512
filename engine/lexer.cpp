// engine/lexer.cpp - turns expression text into tokens, one per nextToken call.
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "contract/kvs.h"
#include "engine/engine.h"
#include "geometry/geometry.h"
#include "messages/messageNumbers.h"

// ---- lexer state: one statement at a time, on the host's thread ----
static const unsigned char* cursor = nullptr;  // the current character; the caller owns the text
Token token = Token::End;                      // the current token, read by the evaluator
char tokenText[maxNameLength + 1];             // identifier or quoted name, cut to 32
double tokenNumber = 0;                        // value of the current number token
const FunctionEntry* tokenFunction = nullptr;  // the entry of the current Token::Function
const char* tokenSpelling = nullptr;   // the identifier or quoted name as written, in the text
int tokenSpellingLength = 0;           // cut to 32 characters, as tokenText is
static int* statementErrno = nullptr;  // errno of the statement's thread, found by startLexer
// The host's answers for every character code, asked when the first statement after a module
// load starts and kept while the module is loaded: the classes depend on the character alone,
// and asking the host for every character read cost more than the rest of the lexer together.
// A character is read through its upper case, so each code keeps the classes of its upper case.
static bool classesKnown = false;
static uint8_t characterClasses[256];  // the classes of each code's upper case; none for NUL
static uint8_t upperCases[256];        // kvs_toupper's answer; a blank for NUL, the end
static uint8_t tokenStarts[256];       // what a token starting with each code is: a TokenStart

namespace {

enum CharacterClass : uint8_t {
    classLetter = 1,         // kvs_isalpha
    classNameCharacter = 2,  // kvs_isalnum, or '_'
    classDigit = 4,          // kvs_isdigit
    classAsciiDigit = 8,     // '0' to '9', when the host takes it for a digit
    classUnitMark = 16,      // G, R, D, ' or ": a unit form follows a number
};

// The operators and brackets of one character start with their own token's number; the other
// kinds of token follow.
enum TokenStart : uint8_t {
    startName = static_cast<uint8_t>(Token::End) + 1,
    startQuotedName,
    startNumber,
    startBlank,
    startEnd,
    startIllegal,
};

constexpr double gradsToDegrees = 0.9;
constexpr double minutesToDegrees = 0.016666666666666666;
constexpr double secondsToDegrees = 0.0002777777777777778;
constexpr int numeralCopyLength = 64;  // numerals at least this long are converted in place
constexpr int maxExactPower = 22;      // 10^22 is the largest power of ten a double holds
constexpr int maxShortExponentDigits = 2;

struct Keyword {
    const char* name;
    Token token;
    unsigned hash;  // hashOfName(name): almost every identifier differs from it
};

// Searched in this order, before the function table.
const Keyword keywordTable[] = {
    {"PI", Token::Pi, hashOfName("PI")},
    {"GETVAR", Token::Getvar, hashOfName("GETVAR")},
    {"CVUNIT", Token::Cvunit, hashOfName("CVUNIT")},
};

// The token of an operator or bracket of one character; false for any other character.
bool isSingleCharacterToken(int c, Token& single) {
    switch (c) {
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
    return true;
}

// Read from the classes: the first of blank, letter, quote, digit or point, and single-character
// token that the code's upper case is decides.
uint8_t tokenStartOf(int c) {
    int upper = upperCases[c];
    uint8_t classes = characterClasses[c];
    Token single = Token::End;
    if (c == '\0') return startEnd;
    if (upper == ' ') return startBlank;
    if ((classes & classLetter) != 0) return startName;
    if (upper == '\'') return startQuotedName;
    if ((classes & classDigit) != 0 || upper == '.') return startNumber;
    if (isSingleCharacterToken(upper, single)) return static_cast<uint8_t>(single);
    return startIllegal;
}

// A unit form follows a number at G, R, D, ' or ".
bool isUnitMark(int upper) {
    switch (upper) {
        case 'G':
        case 'R':
        case 'D':
        case '\'':
        case '"': return true;
        default: return false;
    }
}

void askHostAboutCharacters() {
    upperCases[0] = ' ';
    characterClasses[0] = 0;
    tokenStarts[0] = tokenStartOf(0);
    for (int c = 1; c < 256; c++) {
        int upper = kvs_toupper(c) & 0xFF;
        uint8_t classes = 0;
        if (kvs_isalpha(upper)) classes |= classLetter;
        if (kvs_isalnum(upper) || upper == '_') classes |= classNameCharacter;
        if (kvs_isdigit(upper)) classes |= classDigit;
        if (isUnitMark(upper)) classes |= classUnitMark;
        if ((classes & classDigit) != 0 && c >= '0' && c <= '9') classes |= classAsciiDigit;
        upperCases[c] = static_cast<uint8_t>(upper);
        characterClasses[c] = classes;
        tokenStarts[c] = tokenStartOf(c);
    }
    classesKnown = true;
}

inline bool isDigit(unsigned char c) { return (characterClasses[c] & classDigit) != 0; }

// The current character, upper-cased; a blank at the end.
inline int currentChar() { return upperCases[*cursor]; }

inline void advance() {
    if (*cursor != '\0') cursor++;
}

// The calls below are kept out of line so that nextToken, which runs once for every token, saves
// no registers for an operator or bracket.
__attribute__((noinline)) void readIdentifier() {
    int length = 0;
    unsigned hash = nameHashStart;
    const unsigned char* p = cursor;
    for (; (characterClasses[*p] & classNameCharacter) != 0; p++) {
        if (length < maxNameLength) {  // a longer identifier is cut without error
            unsigned char upper = upperCases[upperCases[*p]];
            tokenText[length++] = static_cast<char>(upper);
            hash = addToNameHash(hash, upper);
        }
    }
    tokenSpelling = reinterpret_cast<const char*>(cursor);
    tokenSpellingLength = length;
    cursor = p;
    tokenText[length] = '\0';
    for (const Keyword& keyword : keywordTable) {
        if (hash == keyword.hash && std::strcmp(tokenText, keyword.name) == 0) {
            token = keyword.token;
            return;
        }
    }
    tokenFunction = findFunctionEntry(tokenText, hash);
    token = tokenFunction != nullptr ? Token::Function : Token::Identifier;
}

// 'any characters', upper-cased, at most 32 of them.
__attribute__((noinline)) void readQuotedName() {
    token = Token::Identifier;
    tokenSpelling = reinterpret_cast<const char*>(cursor + 1);
    int length = 0;
    for (;;) {
        advance();
        if (*cursor == '\0' || length == maxNameLength || currentChar() == '\'') break;
        tokenText[length++] = static_cast<char>(currentChar());
    }
    tokenText[length] = '\0';
    tokenSpellingLength = length;
    if (*cursor == '\0') {
        reportError(errorUnexpectedEnd, nullptr);
    } else if (currentChar() != '\'') {
        reportError(errorQuotedTooLong, tokenText);
    } else {
        advance();
    }
}

// The numeral's text, cut to 32 characters, as quoted in an error message.
__attribute__((cold, noinline)) void reportWrongNumeral(const char* start, size_t length) {
    char quoted[maxNameLength + 1];
    size_t shown = length < static_cast<size_t>(maxNameLength) ? length : maxNameLength;
    std::memcpy(quoted, start, shown);
    quoted[shown] = '\0';
    reportError(errorWrongReal, quoted);
}

// Converts the whole numeral, however long, as the library does. A short one is copied first so
// that the conversion cannot read past it ("0x1" would otherwise be taken as hexadecimal); a
// long one cannot start with "0x" and is converted in place, its end checked.
__attribute__((noinline)) bool convertNumeral(const char* start, size_t length, double& number) {
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

// A run of digits from p on, added to the numeral's mantissa. Any other character that the host
// takes for a digit makes plain false: such a numeral is left to the library.
inline const unsigned char* readDigits(const unsigned char* p, uint64_t& mantissa, bool& plain) {
    for (; (characterClasses[*p] & classAsciiDigit) != 0; p++) {
        mantissa = mantissa * 10 + (*p - '0');  // wraps beyond 19 digits, where it is not used
    }
    if (isDigit(*p)) {
        plain = false;
        while (isDigit(*p)) p++;
    }
    return p;
}

// The exponent's digits from p on; false in plain beyond two digits, which go to the library.
// Only the first two are added up, so an exponent of any length cannot overflow.
inline const unsigned char* readExponentDigits(const unsigned char* p, int& exponent, bool& plain) {
    for (int count = 0; isDigit(*p); p++, count++) {
        unsigned digit = *p - static_cast<unsigned>('0');
        if (digit > 9 || count >= maxShortExponentDigits) {
            plain = false;
        } else {
            exponent = exponent * 10 + static_cast<int>(digit);
        }
    }
    return p;
}

// The numerals most texts hold are converted directly: when the digits make an integer below
// 2^53 and the power of ten is at most 22, both are exact doubles, and one multiplication or
// division rounds once, to the very double the library gives. Anything else returns false.
bool convertExactly(uint64_t mantissa, int digitCount, int powerOfTen, double& number) {
    static const double powersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                         1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                         1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    constexpr int maxUnwrappedDigits = 19;  // 10^19 < 2^64
    constexpr uint64_t maxExactInteger = 1ULL << 53;
    if (digitCount == 0 || digitCount > maxUnwrappedDigits || mantissa > maxExactInteger) {
        return false;
    }
    if (powerOfTen < -maxExactPower || powerOfTen > maxExactPower) return false;
    double exact = static_cast<double>(mantissa);
    number = powerOfTen >= 0 ? exact * powersOfTen[powerOfTen] : exact / powersOfTen[-powerOfTen];
    return true;
}

// The digits of one number: integral part, fraction, exponent. plain stays true while the text
// holds only what the exact conversion reads: ASCII digits, '.', 'E' or 'e', and a sign.
void scanNumeral() {
    if (ErrorCode != 0) return;
    token = Token::Integer;
    const unsigned char* start = cursor;
    const unsigned char* p = cursor;
    uint64_t mantissa = 0;
    int powerOfTen = 0;
    bool plain = true;
    p = readDigits(p, mantissa, plain);
    int digitCount = static_cast<int>(p - start);
    if (upperCases[*p] == '.') {
        token = Token::Real;
        plain = plain && *p == '.';
        const unsigned char* fraction = p + 1;
        p = readDigits(fraction, mantissa, plain);
        powerOfTen = -static_cast<int>(p - fraction);
        digitCount -= powerOfTen;
    }
    if (upperCases[*p] == 'E') {
        token = Token::Real;
        plain = plain && (*p == 'E' || *p == 'e');
        p++;
        bool negative = upperCases[*p] == '-';
        if (negative || upperCases[*p] == '+') {
            plain = plain && *p == upperCases[*p];
            p++;
        }
        cursor = p;
        if (!isDigit(*p)) {
            reportError(errorWrongReal, nullptr);
            return;
        }
        int exponent = 0;
        p = readExponentDigits(p, exponent, plain);
        powerOfTen += negative ? -exponent : exponent;
    }
    cursor = p;
    const char* text = reinterpret_cast<const char*>(start);
    size_t length = static_cast<size_t>(p - start);
    double number = 0;
    bool converted = (plain && convertExactly(mantissa, digitCount, powerOfTen, number)) ||
                     convertNumeral(text, length, number);
    int error = *statementErrno;
    if (!converted || error == ERANGE || error == EDOM || std::isinf(number) ||
        std::isnan(number)) {
        reportWrongNumeral(text, length);
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
    if (isDigit(*cursor)) {
        scanNumeral();
        if (ErrorCode != 0) return;
        if (currentChar() == '\'') {
            minutes = tokenNumber;
            advance();
            if (isDigit(*cursor)) {
                scanNumeral();
                if (ErrorCode != 0) return;
                if (currentChar() != '"') {
                    reportError(errorAngleFormat, nullptr);
                    return;
                }
                seconds = tokenNumber;
                advance();
            }
        } else if (currentChar() == '"') {
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
    if (currentChar() == '-') advance();  // separates feet from inches; not an operator
    if (isDigit(*cursor)) {
        scanNumeral();
        if (ErrorCode != 0) return;
        if (currentChar() != '"') {
            reportError(errorFeetInches, nullptr);
            return;
        }
        inches = tokenNumber;
        advance();
    }
    tokenNumber = feet * 12 + inches;
    token = Token::Real;
}

// The unit form that directly follows a number, if any.
__attribute__((noinline)) void readUnitForm() {
    switch (currentChar()) {
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
        case 'D': readDegreesForm(); break;
        case '\'': readFeetForm(); break;
        case '"':
            token = Token::Real;  // inches alone: the number is already in inches
            advance();
            break;
        default: break;
    }
}

__attribute__((noinline)) void reportIllegalCharacter() {
    tokenText[0] = static_cast<char>(currentChar());
    tokenText[1] = '\0';
    reportError(errorIllegalCharacter, tokenText);
}

}  // namespace

void forgetCharacterClasses() { classesKnown = false; }

void startLexer(const char* text) {
    if (!classesKnown) askHostAboutCharacters();
    ErrorCode = 0;
    statementErrno = &errno;  // asked once: every numeral tests it
    *statementErrno = 0;
    cursor = reinterpret_cast<const unsigned char*>(text);
    token = Token::End;
    nextToken();
}

void nextToken() {
    if (ErrorCode != 0) return;
    uint8_t start = tokenStarts[*cursor];
    while (start == startBlank) start = tokenStarts[*++cursor];
    if (start < startName) {  // an operator or bracket
        token = static_cast<Token>(start);
        cursor++;
        return;
    }
    switch (start) {
        case startEnd: token = Token::End; break;
        case startName: readIdentifier(); break;
        case startQuotedName: readQuotedName(); break;
        case startNumber:  // a number and the unit form that directly follows it
            scanNumeral();
            if (ErrorCode == 0 && (characterClasses[*cursor] & classUnitMark) != 0) readUnitForm();
            break;
        default: reportIllegalCharacter(); break;
    }
}
