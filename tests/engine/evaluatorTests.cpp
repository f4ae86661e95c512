// tests/engine/evaluatorTests.cpp - operators by kind, precedence, power rules and call syntax.
#include <cmath>
#include <limits>
#include <string>

#include "tests/support/engineFixture.h"

namespace {

struct ScalarCase {
    int line;
    const char* text;
    ValueKind kind;
    double want;
};

class EvaluatorTest : public EngineTest {
protected:
    void expectScalars(const ScalarCase* cases, size_t count) {
        for (size_t i = 0; i < count; i++) {
            const ScalarCase& c = cases[i];
            SCOPED_TRACE(c.line);
            Value v = eval(c.text);
            EXPECT_EQ(0, ErrorCode) << c.text;
            EXPECT_EQ(c.kind, v.kind) << c.text;
            EXPECT_NEAR(c.want, v.num, 1e-12 * (1 + std::fabs(c.want))) << c.text;
        }
    }
};

TEST_F(EvaluatorTest, AppliesPrecedenceAndSigns) {
    const ScalarCase cases[] = {
        {__LINE__, "2+3*4", ValueKind::Integer, 14},
        {__LINE__, "(2+3)*4", ValueKind::Integer, 20},
        {__LINE__, "8/4/2", ValueKind::Real, 1},
        {__LINE__, "10-4-3", ValueKind::Integer, 3},
        {__LINE__, "10-2*3+4", ValueKind::Integer, 8},  // not 10-(2*3+4)
        {__LINE__, "2^3^2", ValueKind::Real, 64},       // left to right
        {__LINE__, "-2^2", ValueKind::Real, 4},         // the sign binds tighter than '^'
        {__LINE__, "2^-1", ValueKind::Real, 0.5},
        {__LINE__, "2*-3", ValueKind::Integer, -6},
        {__LINE__, "+5", ValueKind::Integer, 5},
        {__LINE__, "7/2", ValueKind::Real, 3.5},
        {__LINE__, "6/3", ValueKind::Real, 2},
        {__LINE__, "1+2.0", ValueKind::Real, 3},
        {__LINE__, "300*300-300*299", ValueKind::Integer, 300},
        {__LINE__, "200*200/2", ValueKind::Real, 20000},
        {__LINE__, "PI", ValueKind::Real, 3.141592653589793},
        {__LINE__, "5'6\"+2'", ValueKind::Real, 90},
        {__LINE__, "[1,2,3]*[4,5,6]", ValueKind::Real, 32},
        {__LINE__, "[1e16,1,-1e16]*[1,1,1]", ValueKind::Real, 1},  // (x + z) + y: no 1 lost
    };
    expectScalars(cases, std::size(cases));
}

TEST_F(EvaluatorTest, AppliesThePowerRules) {
    const ScalarCase cases[] = {
        {__LINE__, "2^3", ValueKind::Real, 8},
        {__LINE__, "2^0.5", ValueKind::Real, std::sqrt(2.0)},
        {__LINE__, "0^0", ValueKind::Real, 0},
        {__LINE__, "0^-1", ValueKind::Real, 0},
        {__LINE__, "5^0", ValueKind::Real, 1},
        {__LINE__, "(-2)^3", ValueKind::Real, -8},
        {__LINE__, "(-2)^-2", ValueKind::Real, 0.25},
        {__LINE__, "(-1)^2147483647.0", ValueKind::Real, -1},
        {__LINE__, "0.5^2000", ValueKind::Real, 0},  // an underflow, not an overflow
        {__LINE__, "0.5^2000+1", ValueKind::Real, 1},
    };
    expectScalars(cases, std::size(cases));
}

TEST_F(EvaluatorTest, ComputesVectorOperators) {
    struct Case {
        int line;
        const char* text;
        double x, y, z;
    };
    const Case cases[] = {
        {__LINE__, "[1,0,0]&[0,1,0]", 0, 0, 1}, {__LINE__, "2*[1,2,3]", 2, 4, 6},
        {__LINE__, "[1,2,3]*2", 2, 4, 6},       {__LINE__, "[1,2,3]+[4,5,6]*2", 9, 12, 15},
        {__LINE__, "[1,2,3]-[1,1,1]", 0, 1, 2}, {__LINE__, "[2,4,6]/2", 1, 2, 3},
        {__LINE__, "-[1,-2,3]", -1, 2, -3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        Value v = eval(c.text);
        ASSERT_EQ(0, ErrorCode);
        EXPECT_EQ(ValueKind::Vector, v.kind);
        EXPECT_DOUBLE_EQ(c.x, v.x);
        EXPECT_DOUBLE_EQ(c.y, v.y);
        EXPECT_DOUBLE_EQ(c.z, v.z);
    }
}

TEST_F(EvaluatorTest, ReportsOperatorAndSyntaxErrors) {
    struct Case {
        int line;
        const char* text;
        int error;
    };
    const Case cases[] = {
        {__LINE__, "(1+2", 5},
        {__LINE__, "", 9},
        {__LINE__, "1+", 9},
        {__LINE__, "--2", 10},
        {__LINE__, "+-2", 10},
        {__LINE__, "1 2", 10},
        {__LINE__, "*3", 10},
        {__LINE__, "[1,2,3]^2", 16},
        {__LINE__, "2^[1,2,3]", 16},
        {__LINE__, "(-8)^(1/3)", 17},
        {__LINE__, "(-2)^3e9", 17},  // whole but outside 32 bits
        {__LINE__, "(-2)^-3e9", 17},
        {__LINE__, "(-2)^1e300", 17},
        {__LINE__, "7/0", 18},
        {__LINE__, "7/1e-11", 18},
        {__LINE__, "[1,2,3]/0.0", 18},
        {__LINE__, "[1,2,3]/[1,2,3]", 19},
        {__LINE__, "2/[1,2,3]", 19},
        {__LINE__, "2&[1,2,3]", 20},
        {__LINE__, "[1,2,3]&2", 20},
        {__LINE__, "1+[1,2,3]", 21},
        {__LINE__, "[1,2,3]-1", 21},
        {__LINE__, "10^400", 23},
        {__LINE__, "1e300*1e300", 23},
        {__LINE__, "-1e300*1e300", 23},  // negative infinity is an overflow too
        {__LINE__, "[1e300,0,0]*1e300", 23},
        {__LINE__, "[0,-1e300,0]*1e300", 23},
        {__LINE__, "(-10)^401", 23},
        {__LINE__, "200*200", 41},
        {__LINE__, "300*300", 41},
        {__LINE__, "0-200*200", 41},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(c.error, errorOf(c.text)) << c.text;
    }
}

// Operators of all three priorities in one line are applied in the grammar's order, each result
// checked at once: the first failure in that order is the one reported. A numeral's unit form
// can overflow, and is checked like any operand.
TEST_F(EvaluatorTest, AppliesMixedPrioritiesInTheGrammarsOrder) {
    struct Case {
        int line;
        const char* text;
        int error;
        double want;
    };
    const Case cases[] = {
        {__LINE__, "1+2^3*4-5/8", 0, 32.375},
        {__LINE__, "2*3^2^2/4", 0, 40.5},
        {__LINE__, "1-2-3*2^2/4", 0, -4},
        {__LINE__, "2^3*[1,0,0]*[1,1,1]-6", 0, 2},
        {__LINE__, "[1,2,3]+1*2^[1,2,3]", 16, 0},  // the power fails before the sum
        {__LINE__, "1+2*[1,2,3]&2", 20, 0},        // the cross product before the sum
        {__LINE__, "1/0+[1,2,3]&2", 18, 0},        // the first term before the second
        {__LINE__, "[1,2,3]&2+1/0", 20, 0},
        {__LINE__, "[1,0,0]*[0,1,0]&[0,0,1]", 20, 0},  // '&' as a term: the dot product first
        {__LINE__, "1e300*1e300+[1,2,3]", 23, 0},
        {__LINE__, "1+[1,2,3]*1e300^2", 23, 0},
        {__LINE__, "1e308'", 23, 0},
        {__LINE__, "2+-1e308'*0", 23, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        Value v = eval(c.text);
        EXPECT_EQ(c.error, ErrorCode) << c.text;
        if (c.error == 0) {
            EXPECT_DOUBLE_EQ(c.want, v.num) << c.text;
        }
    }
}

// Records how it was called; reports error 4 for two arguments, as a real handler would.
int handlerCalls = 0;
int lastArgCount = -1;
void recordingHandler() {
    handlerCalls++;
    lastArgCount = callFrame.argCount;
    double sum = 0;
    for (int i = 0; i < callFrame.argCount; i++) sum += callFrame.args[i].num;
    callFrame.result = makeReal(sum);
}

void negatingHandler() {
    if (callFrame.argCount != 1) {
        reportError(4, "NEG");
        return;
    }
    callFrame.result = makeReal(-callFrame.args[0].num);
}

class CallSyntaxTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        cal_register_function("F", recordingHandler);
        cal_register_function("NEG", negatingHandler);
        handlerCalls = 0;
        lastArgCount = -1;
    }
};

std::string argumentList(int count) {
    std::string text = "F(";
    for (int i = 1; i <= count; i++) text += std::to_string(i) + (i < count ? "," : "");
    return text + ")";
}

TEST_F(CallSyntaxTest, CallsTheHandlerWithItsArguments) {
    struct Case {
        int line;
        std::string text;
        int argCount;
        double want;
    };
    const Case cases[] = {
        {__LINE__, "F", 0, 0},
        {__LINE__, "F()", 0, 0},
        {__LINE__, "F(1,)", 1, 1},
        {__LINE__, "F(1,2)", 2, 3},
        {__LINE__, argumentList(20), 20, 210},
        {__LINE__, "F(F(1,2),NEG(4))", 2, -1},
        {__LINE__, "NEG(F(1,2,3))*2", 3, -12},  // F ran last
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        lastArgCount = -1;
        Value v = eval(c.text.c_str());
        ASSERT_EQ(0, ErrorCode);
        EXPECT_EQ(c.argCount, lastArgCount);
        EXPECT_DOUBLE_EQ(c.want, v.num);
    }
}

TEST_F(CallSyntaxTest, RefusesMalformedArgumentListsBeforeTheHandlerRuns) {
    struct Case {
        int line;
        std::string text;
        int error;
        std::string printed;
    };
    const Case cases[] = {
        {__LINE__, argumentList(21), 50, "Too many arguments to function F"},
        {__LINE__, "F(1 2)", 49, "Comma expected in argument list of function F"},
        {__LINE__, "F(,1)", 10, "Wrong syntax of expression"},
        {__LINE__, "F(1", 49, "Comma expected in argument list of function F"},
        {__LINE__, "F(1)$", 2, "Illegal character '$'"},  // the next token is read first
        {__LINE__, "F $", 2, "Illegal character '$'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        handlerCalls = 0;
        std::string printed;
        EXPECT_EQ(c.error, errorOf(c.text.c_str(), &printed));
        EXPECT_EQ(0, handlerCalls);
        EXPECT_EQ(heading() + c.printed + ".\n\n", printed);
    }
}

TEST_F(CallSyntaxTest, EndsTheEvaluationWhenAHandlerFails) {
    std::string printed;
    EXPECT_EQ(4, errorOf("NEG(1,2)+F(1)", &printed));
    EXPECT_EQ(0, handlerCalls);
    EXPECT_EQ(heading() + "Function NEG requires one argument.\n\n", printed);
}

}  // namespace
