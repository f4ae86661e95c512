// tests/engine/lexerTests.cpp - tokens, numbers with units, quoted names and lexical errors.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "tests/support/engineFixture.h"

namespace {

void dummyHandler() { callFrame.result = makeReal(0); }

class LexerTest : public EngineTest {};

TEST_F(LexerTest, ReadsNumbersAndTheirUnitForms) {
    struct Case {
        int line;
        const char* text;
        Token kind;
        double want;
    };
    const Case cases[] = {
        {__LINE__, "2e3", Token::Real, 2000},
        {__LINE__, "2E-3", Token::Real, 0.002},
        {__LINE__, "007", Token::Integer, 7},
        {__LINE__, "32767", Token::Integer, 32767},
        {__LINE__, "32768.0", Token::Real, 32768},
        {__LINE__, "1.", Token::Real, 1},
        {__LINE__, ".5", Token::Real, 0.5},
        {__LINE__, "5'", Token::Real, 60},
        {__LINE__, "5'6\"", Token::Real, 66},
        {__LINE__, "5'-6\"", Token::Real, 66},
        {__LINE__, "6\"", Token::Real, 6},
        {__LINE__, "1.5'0.5\"", Token::Real, 18.5},
        {__LINE__, "10d", Token::Real, 10},
        {__LINE__, "10d30'", Token::Real, 10.5},
        {__LINE__, "10d30'36\"", Token::Real, 10.51},
        {__LINE__, "10d36\"", Token::Real, 10.01},
        {__LINE__, "100G", Token::Real, 90},
        {__LINE__, "100g", Token::Real, 90},
        {__LINE__, "1R", Token::Real, 57.29577951308232},
        // a numeral is converted whole, not from its first 32 characters
        {__LINE__, "0000000000000000000000000000000000012", Token::Integer, 12},
        {__LINE__, "123456789012345678901234567890123456.0", Token::Real, 1.2345678901234568e35},
        {__LINE__, "0.00000000000000000000000000000000000015", Token::Real, 1.5e-37},
        {__LINE__, "1844674407370955162.1", Token::Real,
         1844674407370955162.1},  // 20 digits: past 2^64
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        startLexer(c.text);
        EXPECT_EQ(0, ErrorCode);
        EXPECT_EQ(c.kind, token);
        EXPECT_NEAR(c.want, tokenNumber, std::fabs(c.want) * 1e-15);
        nextToken();
        EXPECT_EQ(Token::End, token);
    }
}

TEST_F(LexerTest, SplitsTextIntoTokens) {
    cal_register_function("SIN", dummyHandler);
    struct Case {
        int line;
        const char* text;
        std::vector<Token> tokens;
    };
    const Case cases[] = {
        {__LINE__, "1.5.2", {Token::Real, Token::Real}},
        {__LINE__, "5' -6", {Token::Real, Token::Minus, Token::Integer}},  // a blank ends it
        {__LINE__, "30 G", {Token::Integer, Token::Identifier}},
        {__LINE__, "pi", {Token::Pi}},
        {__LINE__, "'pi'", {Token::Identifier}},
        {__LINE__, "getvar cvunit", {Token::Getvar, Token::Cvunit}},
        {__LINE__, "sin 'sin' sinx", {Token::Function, Token::Identifier, Token::Identifier}},
        {__LINE__,
         "[]()@<+-*/&^,=",
         {Token::OpenBracket, Token::CloseBracket, Token::OpenParen, Token::CloseParen, Token::At,
          Token::Angle, Token::Plus, Token::Minus, Token::Times, Token::Divide, Token::Cross,
          Token::Power, Token::Comma, Token::Assign}},
        {__LINE__, "", {}},
        {__LINE__, "    ", {}},
        {__LINE__, "0x1", {Token::Integer, Token::Identifier}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        startLexer(c.text);
        for (Token want : c.tokens) {
            EXPECT_EQ(want, token);
            nextToken();
        }
        EXPECT_EQ(Token::End, token);
        EXPECT_EQ(0, ErrorCode);
    }
}

TEST_F(LexerTest, KeepsNamesUpperCaseAndCutToTheLimit) {
    struct Case {
        int line;
        const char* text;
        const char* name;
    };
    const Case cases[] = {
        {__LINE__, "abc_1", "ABC_1"},
        {__LINE__, "'a b'", "A B"},
        {__LINE__, "''", ""},
        {__LINE__, "abcdefghijklmnopqrstuvwxyzabcdefghijklmn", "ABCDEFGHIJKLMNOPQRSTUVWXYZABCDEF"},
        {__LINE__, "'abcdefghijklmnopqrstuvwxyz123456'", "ABCDEFGHIJKLMNOPQRSTUVWXYZ123456"},
        {__LINE__, "'my-var'", "MY-VAR"},
        {__LINE__, "caf\xe9", "CAF\xc9"},  // letters beyond ASCII reach the host unsigned
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        startLexer(c.text);
        EXPECT_EQ(0, ErrorCode);
        EXPECT_EQ(Token::Identifier, token);
        EXPECT_STREQ(c.name, tokenText);
    }
}

TEST_F(LexerTest, ReportsLexicalErrorsWithTheirText) {
    struct Case {
        int line;
        const char* text;
        int error;
        std::string quoted;  // the text the message quotes
    };
    const Case cases[] = {
        {__LINE__, "2E", 1, "Wrong real number ''"},
        {__LINE__, "2e+", 1, "Wrong real number ''"},
        {__LINE__, ".", 1, "Wrong real number '.'"},
        {__LINE__, "1e999", 1, "Wrong real number '1e999'"},
        {__LINE__, "1e-999", 1, "Wrong real number '1e-999'"},
        {__LINE__, "2E111111111111111111111110", 1,
         "Wrong real number '2E111111111111111111111110'"},
        {__LINE__, "1234567890123456789012345678901234567890e999", 1,
         "Wrong real number '12345678901234567890123456789012'"},
        {__LINE__, "\t", 2, "Illegal character '\t'"},
        {__LINE__, "_x", 2, "Illegal character '_'"},
        {__LINE__, "$", 2, "Illegal character '$'"},
        {__LINE__, ";", 2, "Illegal character ';'"},
        {__LINE__, "\xd7", 2, "Illegal character '\xd7'"},
        {__LINE__, "32768", 3, "Integer numbers must be between -32768 and 32767"},
        {__LINE__, "'abc", 9, "Unexpected end of expression"},
        {__LINE__, "5'6", 22, "Invalid feet'-inches\" format"},
        {__LINE__, "'abcdefghijklmnopqrstuvwxyz1234567'", 31,
         "Quillet symbol 'ABCDEFGHIJKLMNOPQRSTUVWXYZ123456 ...' is too long"},
        {__LINE__, "10d30", 34, "Angles should be written in <deg>d<min>'<sec>\" format"},
        {__LINE__, "10d30'40", 34, "Angles should be written in <deg>d<min>'<sec>\" format"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        hostsim::takeOutput();
        startLexer(c.text);
        while (ErrorCode == 0 && token != Token::End) nextToken();
        EXPECT_EQ(c.error, ErrorCode);
        EXPECT_EQ(Token::End, token);
        EXPECT_EQ(heading() + c.quoted + ".\n\n", hostsim::takeOutput());
    }
}

TEST_F(LexerTest, NextTokenDoesNothingOnceAnErrorIsSet) {
    startLexer("$ 1 2");
    EXPECT_EQ(2, ErrorCode);
    nextToken();
    EXPECT_EQ(Token::End, token);
    EXPECT_EQ(2, ErrorCode);
}

}  // namespace

namespace {

// Numerals of up to 15 significant digits and small exponents are converted without strtod;
// every one must still give the very double strtod gives.
TEST_F(LexerTest, ConvertsNumeralsExactlyAsTheLibraryDoes) {
    const char* numerals[] = {
        "0",
        "7",
        "32767",
        "0.1",
        "0.3",
        "2.718281828",
        "1.5e3",
        "123456789012345.0",
        "1234567890123456.0",
        "999999999999999.9",
        "1e22",
        "1e23",
        "1e-22",
        "1.7976931348623157e308",
        "2.2250738585072014e-308",
        "0.000000000000000000001",
        "100000000000000000000000.0",
        "9007199254740993.0",
        "3.14159265358979323846",
        "1.e5",
        ".5e-3",
        "00012.50",
        "5e+02",
        "5E-02",
    };
    for (const char* text : numerals) {
        SCOPED_TRACE(text);
        startLexer(text);
        ASSERT_EQ(0, ErrorCode) << hostsim::takeOutput();
        EXPECT_EQ(std::strtod(text, nullptr), tokenNumber);
    }
    // A sweep of random short numerals: the fast path and strtod must agree to the bit.
    std::mt19937_64 random(20261208);
    char text[64];
    for (int i = 0; i < 20000; i++) {
        unsigned long long digits = random() % 1000000000000000ULL;
        int point = static_cast<int>(random() % 16);
        int exponent = static_cast<int>(random() % 61) - 30;
        std::string body = std::to_string(digits);
        if (point < static_cast<int>(body.size())) body.insert(body.size() - point, ".");
        std::snprintf(text, sizeof text, "%se%d", body.c_str(), exponent);
        startLexer(text);
        ASSERT_EQ(0, ErrorCode) << text;
        ASSERT_EQ(std::strtod(text, nullptr), tokenNumber) << text;
    }
}

// Mantissas of 16 to 19 digits: those up to 2^53 are converted exactly, the others by the library;
// either way the double must be the library's.
TEST_F(LexerTest, ConvertsLongMantissasExactlyAsTheLibraryDoes) {
    const char* numerals[] = {
        "9007199254740992.0",     "9007199254740993.0",         "9007199254740992e-22",
        "4503599627370497.5",     "1234567890123456789.0",      "12345678901234567890.0",
        "18446744073709551616.0", "0.000000000000000000001e22",
    };
    for (const char* text : numerals) {
        SCOPED_TRACE(text);
        startLexer(text);
        ASSERT_EQ(0, ErrorCode) << hostsim::takeOutput();
        EXPECT_EQ(std::strtod(text, nullptr), tokenNumber);
    }
    std::mt19937_64 random(20261209);
    char text[64];
    for (int i = 0; i < 20000; i++) {
        std::string body = std::to_string(random() % 10000000000000000000ULL);
        int point = static_cast<int>(random() % 20);
        if (point < static_cast<int>(body.size())) body.insert(body.size() - point, ".");
        int exponent = static_cast<int>(random() % 47) - 23;
        std::snprintf(text, sizeof text, "%se%d", body.c_str(), exponent);
        startLexer(text);
        ASSERT_EQ(0, ErrorCode) << text;
        ASSERT_EQ(std::strtod(text, nullptr), tokenNumber) << text;
    }
}

void firstHandler() { callFrame.result = makeInteger(1); }
void secondHandler() { callFrame.result = makeInteger(2); }

// The lookup index must give what a scan in registration order gives, also after the table
// is emptied and filled again to the same size.
TEST_F(LexerTest, FindsFunctionsAfterTheTableIsRefilled) {
    cal_register_function("ALPHA", firstHandler);
    cal_register_function("BETA", secondHandler);
    EXPECT_EQ(firstHandler, findFunction("ALPHA"));
    clearFunctionTable();
    cal_register_function("BETA", firstHandler);
    cal_register_function("GAMMA", secondHandler);
    EXPECT_EQ(nullptr, findFunction("ALPHA"));
    EXPECT_EQ(firstHandler, findFunction("BETA"));
    EXPECT_EQ(secondHandler, findFunction("GAMMA"));
    char name[16];
    for (int i = 2; i < maxFunctions; i++) {
        std::snprintf(name, sizeof name, "F%d", i);
        cal_register_function(name, i % 2 ? firstHandler : secondHandler);
    }
    ASSERT_EQ(0, ErrorCode);
    for (int i = 2; i < maxFunctions; i++) {
        std::snprintf(name, sizeof name, "F%d", i);
        EXPECT_EQ(i % 2 ? firstHandler : secondHandler, findFunction(name)) << name;
    }
    EXPECT_EQ(nullptr, findFunction("F200"));
    EXPECT_EQ(nullptr, findFunction(""));
}

// The host's character classes are kept once asked; forgetting them (a module load) gives the
// same tokens again.
TEST_F(LexerTest, KeepsTheHostsCharacterClassesAcrossStatements) {
    for (int round = 0; round < 2; round++) {
        SCOPED_TRACE(round);
        startLexer("caf\xe9 12 x_9");
        EXPECT_EQ(Token::Identifier, token);
        EXPECT_STREQ("CAF\xc9", tokenText);
        nextToken();
        EXPECT_EQ(Token::Integer, token);
        nextToken();
        EXPECT_STREQ("X_9", tokenText);
        forgetCharacterClasses();
    }
}

}  // namespace
