// tests/engine/statementTests.cpp - statements with assignment, the printed form of errors,
// checkValue and function registration.
#include <cerrno>
#include <cfloat>
#include <cmath>
#include <string>

#include "tests/support/engineFixture.h"

namespace {

using hostsim::QValue;

class StatementTest : public EngineTest {};

TEST_F(StatementTest, AssignsToQuilletVariablesAfterTheWholeTextEvaluates) {
    Value v = eval("A=1+2");
    ASSERT_EQ(0, ErrorCode);
    EXPECT_EQ(ValueKind::Integer, v.kind);
    EXPECT_EQ(QValue::integer(3), hostsim::getSymbol("A"));
    eval("a = [1,2,3]");
    EXPECT_EQ(QValue::point(1, 2, 3), hostsim::getSymbol("A"));
    eval("'my-var'=2.5");
    EXPECT_EQ(QValue::real(2.5), hostsim::getSymbol("MY-VAR"));
    hostsim::setSymbol("A", QValue::integer(2));
    v = eval("A+1");  // the lexer is restarted after the first identifier
    EXPECT_DOUBLE_EQ(3, v.num);
    v = eval("A");
    EXPECT_DOUBLE_EQ(2, v.num);
}

TEST_F(StatementTest, RefusesBadStatementsAndAssignsNothing) {
    struct Case {
        int line;
        const char* text;
        int error;
    };
    const Case cases[] = {
        {__LINE__, "PI=3", 10}, {__LINE__, "B=2=3", 10},     {__LINE__, "B=", 9},
        {__LINE__, "1=2", 10},  {__LINE__, "B=200*200", 41}, {__LINE__, "B=1+$", 2},
        {__LINE__, "B$=1", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(c.error, errorOf(c.text));
        EXPECT_TRUE(hostsim::getSymbol("B").isNil());
    }
}

TEST_F(StatementTest, PrintsErrorsWithTheHeadingAndTheirArgument) {
    struct Case {
        int line;
        int code;
        const char* text;
        int wantCode;
        std::string printed;  // after the heading
    };
    const Case cases[] = {
        {__LINE__, 18, nullptr, 18, "Division by 0.\n\n"},
        {__LINE__, 41, "ignored", 41,
         "Integer value of expression is not between -32768 and 32767.\n\n"},
        {__LINE__, 4, "SIN", 4, "Function SIN requires one argument.\n\n"},
        {__LINE__, 4, nullptr, 4, "Function  requires one argument.\n\n"},
        {__LINE__, 0, "Picked nothing", generalError, "Picked nothing.\n\n"},
        {__LINE__, internalError, nullptr, internalError, "-443\n\n"},
        {__LINE__, 99, "x", 99, "99\n\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        ErrorCode = 0;
        hostsim::takeOutput();
        reportError(c.code, c.text);
        EXPECT_EQ(c.wantCode, ErrorCode);
        EXPECT_EQ(heading() + c.printed, hostsim::takeOutput());
    }
}

TEST_F(StatementTest, ReportsOnlyTheFirstErrorAndTheSilentOneQuietly) {
    startLexer("1+2");
    reportSilentError();
    EXPECT_EQ(generalError, ErrorCode);
    EXPECT_EQ("", hostsim::takeOutput());
    startLexer("1+2");
    reportError(18, nullptr);
    EXPECT_EQ(Token::End, token);
    token = Token::Plus;
    reportError(23, nullptr);
    EXPECT_EQ(18, ErrorCode);
    EXPECT_EQ(Token::End, token);  // set again on every report
    EXPECT_EQ(heading() + "Division by 0.\n\n", hostsim::takeOutput());
}

TEST_F(StatementTest, CheckValueRefusesOverflowAndMathErrors) {
    const double inf = HUGE_VAL, nan = std::nan("");
    struct Case {
        int line;
        Value value;
        int errnoValue;
        bool passes;
    };
    Value vectorWithHugeNum = makeVector(1, 2, 3);
    vectorWithHugeNum.num = inf;
    Value realWithHugeX = makeReal(1);
    realWithHugeX.x = inf;
    const Case cases[] = {
        {__LINE__, makeVector(1, inf, 0), 0, false},
        {__LINE__, makeVector(1, 0, nan), 0, false},
        {__LINE__, makeVector(-inf, 0, 0), 0, false},
        {__LINE__, vectorWithHugeNum, 0, true},  // a Vector's num is never read
        {__LINE__, realWithHugeX, 0, true},
        {__LINE__, makeReal(-inf), 0, false},
        {__LINE__, makeInteger(nan), 0, false},
        // a range error is an overflow only with a huge result; else an underflow, usable
        {__LINE__, makeReal(0), ERANGE, true},
        {__LINE__, makeReal(1), ERANGE, true},
        {__LINE__, makeReal(DBL_MAX), ERANGE, false},
        {__LINE__, makeVector(0, -DBL_MAX, 0), ERANGE, false},
        {__LINE__, makeReal(1), EDOM, false},
        {__LINE__, makeReal(1), EINVAL, true},
        {__LINE__, makeReal(1e308), 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        ErrorCode = 0;
        errno = c.errnoValue;
        EXPECT_EQ(c.passes, checkValue(c.value, 0));
        EXPECT_EQ(c.passes ? 0 : 23, ErrorCode);
        if (c.passes && c.errnoValue == ERANGE) {
            EXPECT_EQ(0, errno);  // cleared, so that no later step takes it for its own failure
        }
        ErrorCode = 0;
        errno = c.errnoValue;
        EXPECT_EQ(c.passes, checkValue(c.value, 15));
        EXPECT_EQ(c.passes ? 0 : 15, ErrorCode);
    }
    errno = 0;
    ErrorCode = 7;
    EXPECT_FALSE(checkValue(makeReal(1), 0));
    EXPECT_EQ(7, ErrorCode);
}

void someHandler() { callFrame.result = makeInteger(1); }
void otherHandler() { callFrame.result = makeInteger(2); }

class RegistrationTest : public EngineTest {};

TEST_F(RegistrationTest, RefusesBadNamesQuotingThemAsPassed) {
    struct Case {
        int line;
        const char* name;
        FunctionHandler handler;
        int error;
        std::string printed;
    };
    const Case cases[] = {
        {__LINE__, "_A", someHandler, 42, "The function name _A is not an identifier"},
        {__LINE__, "1A", someHandler, 42, "The function name 1A is not an identifier"},
        {__LINE__, "a-b", someHandler, 42, "The function name a-b is not an identifier"},
        {__LINE__, "", someHandler, 42, "The function name  is not an identifier"},
        {__LINE__, nullptr, someHandler, 46,
         "Null function name or function pointer to cal_register_function()"},
        {__LINE__, "OK", nullptr, 46,
         "Null function name or function pointer to cal_register_function()"},
        {__LINE__, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefg", someHandler, 47,
         "Function name ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefg is too long"},
        {__LINE__, "max", someHandler, 60, "Function max was already registered"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        clearFunctionTable();
        ErrorCode = 0;
        cal_register_function("MAX", otherHandler);
        hostsim::takeOutput();
        cal_register_function(c.name, c.handler);
        EXPECT_EQ(c.error, ErrorCode);
        EXPECT_EQ(1, functionTable.count);
        EXPECT_EQ(heading() + c.printed + ".\n\n", hostsim::takeOutput());
    }
}

TEST_F(RegistrationTest, StoresNamesUpperCaseAndFindsTheFirst) {
    cal_register_function("a_1", someHandler);
    cal_register_function("ABCDEFGHIJKLMNOPQRSTUVWXYZ123456", otherHandler);
    ASSERT_EQ(0, ErrorCode);
    EXPECT_STREQ("A_1", functionTable.entries[0].name);
    EXPECT_EQ(someHandler, findFunction("A_1"));
    EXPECT_EQ(otherHandler, findFunction("ABCDEFGHIJKLMNOPQRSTUVWXYZ123456"));
    EXPECT_EQ(nullptr, findFunction("a_1"));  // lookups take names already upper case
    EXPECT_EQ(nullptr, findFunction("B"));
}

TEST_F(RegistrationTest, FillsTheTableToItsLimitAndStopsAfterAFailure) {
    char name[16];
    for (int i = 0; i < maxFunctions; i++) {
        std::snprintf(name, sizeof name, "F%d", i);
        cal_register_function(name, someHandler);
    }
    EXPECT_EQ(0, ErrorCode);
    EXPECT_EQ(maxFunctions, functionTable.count);
    cal_register_function("ONEMORE", someHandler);
    EXPECT_EQ(44, ErrorCode);
    EXPECT_EQ(maxFunctions, functionTable.count);

    clearFunctionTable();
    ErrorCode = 0;
    cal_register_function("1A", someHandler);
    hostsim::takeOutput();
    cal_register_function("GOOD", someHandler);  // nothing happens while an error is set
    EXPECT_EQ(42, ErrorCode);
    EXPECT_EQ(0, functionTable.count);
    EXPECT_EQ("", hostsim::takeOutput());
}

TEST_F(RegistrationTest, KeywordsShadowFunctionsOfTheSameName) {
    cal_register_function("PI", someHandler);
    ASSERT_EQ(0, ErrorCode);
    Value v = eval("PI");
    EXPECT_EQ(ValueKind::Real, v.kind);
    EXPECT_NEAR(3.14159, v.num, 1e-5);
}

}  // namespace
