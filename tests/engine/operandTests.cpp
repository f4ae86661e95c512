// tests/engine/operandTests.cpp - point literals, the last point, Quillet and system variables,
// units.
#include <cmath>
#include <string>

#include "tests/support/engineFixture.h"

namespace {

using hostsim::QValue;

class OperandTest : public EngineTest {
protected:
    void expectPoint(const char* text, double x, double y, double z) {
        SCOPED_TRACE(text);
        Value v = eval(text);
        ASSERT_EQ(0, ErrorCode) << hostsim::takeOutput();
        ASSERT_EQ(ValueKind::Vector, v.kind);
        const double want[] = {x, y, z}, got[] = {v.x, v.y, v.z};
        for (int i = 0; i < 3; i++) {  // a zero exactly: 6.1e-17 would be copied on as noise
            if (want[i] == 0) {
                EXPECT_EQ(0.0, got[i]) << i;
            }
            EXPECT_NEAR(want[i], got[i], 1e-12) << i;
        }
    }
};

struct PointCase {
    int line;
    const char* text;
    double x, y, z;
};

TEST_F(OperandTest, ReadsPointLiteralsInEveryNotation) {
    ASSERT_TRUE(hostsim::setSysvarPoint("LASTPOINT", {1, 1, 1}));
    const double s = std::sqrt(0.5);
    const PointCase cases[] = {
        {__LINE__, "[]", 0, 0, 0},
        {__LINE__, "[,]", 0, 0, 0},
        {__LINE__, "[,,]", 0, 0, 0},
        {__LINE__, "[1]", 1, 0, 0},
        {__LINE__, "[,,3]", 0, 0, 3},
        {__LINE__, "[5<]", 5, 0, 0},
        {__LINE__, "[2*3,1+1]", 6, 2, 0},
        {__LINE__, "[2<90]", 0, 2, 0},
        {__LINE__, "[2<90,5]", 0, 2, 5},
        {__LINE__, "[2<0<90]", 0, 0, 2},
        {__LINE__, "[2<45<45]", 1, 1, std::sqrt(2.0)},
        {__LINE__, "[1<45]", s, s, 0},
        {__LINE__, "@", 1, 1, 1},
        {__LINE__, "[@]", 1, 1, 1},
        {__LINE__, "[@2,0]", 3, 1, 1},
        {__LINE__, "[@2<90]", 1, 3, 1},
        {__LINE__, "[*1,2,3]", 1, 2, 3},
        {__LINE__, "[@*1,0,0]", 2, 1, 1},
        {__LINE__, "@+[1,2,3]", 2, 3, 4},
    };
    for (const PointCase& c : cases) {
        SCOPED_TRACE(c.line);
        expectPoint(c.text, c.x, c.y, c.z);
    }
}

TEST_F(OperandTest, ConvertsWorldPointsInARotatedUcs) {
    // UCS origin (10,0,0), x along world Y, y along world -X.
    ASSERT_TRUE(hostsim::setUcsByPoints({10, 0, 0}, {10, 1, 0}, {9, 0, 0}));
    ASSERT_TRUE(hostsim::setSysvarPoint("LASTPOINT", {1, 0, 0}));  // in the UCS: world (10,1,0)
    const PointCase cases[] = {
        {__LINE__, "[1,2,3]", 1, 2, 3},     // user coordinates as typed
        {__LINE__, "[*10,0,0]", 0, 0, 0},   // the UCS origin
        {__LINE__, "[*10,1,0]", 1, 0, 0},   // world (10,1,0) is user (1,0,0)
        {__LINE__, "[*0,0,5]", 0, 10, 5},   // world (0,0,5)
        {__LINE__, "[@1,0,0]", 2, 0, 0},    // relative in the UCS
        {__LINE__, "[@*1,0,0]", 1, -1, 0},  // world (11,1,0)
        {__LINE__, "[*1<90]", 1, 10, 0},    // world (0,1,0)
    };
    for (const PointCase& c : cases) {
        SCOPED_TRACE(c.line);
        expectPoint(c.text, c.x, c.y, c.z);
    }
}

TEST_F(OperandTest, ReportsMalformedPointLiterals) {
    struct Case {
        int line;
        const char* text;
        int error;
    };
    const Case cases[] = {
        {__LINE__, "[1,2<3]", 35},  {__LINE__, "[1 2]", 7},       {__LINE__, "[1,2 3]", 7},
        {__LINE__, "[1,2,3,4]", 8}, {__LINE__, "[[1,2,3]]", 6},   {__LINE__, "[*@1]", 6},
        {__LINE__, "[1,2", 7},      {__LINE__, "[1,[0,0,0]]", 6}, {__LINE__, "[1,2,3", 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(c.error, errorOf(c.text)) << c.text;
    }
}

TEST_F(OperandTest, ReadsQuilletVariablesOfEveryAcceptedType) {
    hostsim::setSymbol("R", QValue::real(2.5));
    hostsim::setSymbol("I", QValue::integer(-7));
    hostsim::setSymbol("P", QValue::point(1, 2, 3));
    hostsim::setSymbol("P2", QValue::point2(4, 5));
    hostsim::setSymbol("MY-VAR", QValue::integer(3));
    Value v = eval("R*2");
    EXPECT_EQ(ValueKind::Real, v.kind);
    EXPECT_DOUBLE_EQ(5, v.num);
    v = eval("I+1");
    EXPECT_EQ(ValueKind::Integer, v.kind);
    EXPECT_DOUBLE_EQ(-6, v.num);
    v = eval("P+p2");
    EXPECT_EQ(ValueKind::Vector, v.kind);
    EXPECT_DOUBLE_EQ(5, v.x);
    EXPECT_DOUBLE_EQ(7, v.y);
    EXPECT_DOUBLE_EQ(3, v.z);
    v = eval("'my-var'*2");
    EXPECT_DOUBLE_EQ(6, v.num);
}

TEST_F(OperandTest, RefusesQuilletVariablesWithoutAUsableValue) {
    hostsim::setSymbol("T", QValue::textValue("hello"));
    hostsim::setSymbol("E", QValue::objectName(1, 2));
    hostsim::setSymbol("BIG", QValue::integer(100000));  // needs 32 bits
    struct Case {
        int line;
        const char* text;
        int error;
        std::string printed;
    };
    const Case cases[] = {
        {__LINE__, "T", 43, "Value of Quillet variable T must be a point, real or integer"},
        {__LINE__, "e+1", 43, "Value of Quillet variable E must be a point, real or integer"},
        {__LINE__, "BIG", 43, "Value of Quillet variable BIG must be a point, real or integer"},
        {__LINE__, "NOSUCH", 45, "Quillet variable NOSUCH has no value"},
        {__LINE__, "1+'a b'", 45, "Quillet variable A B has no value"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        std::string printed;
        EXPECT_EQ(c.error, errorOf(c.text, &printed));
        EXPECT_EQ(heading() + c.printed + ".\n\n", printed);
        EXPECT_EQ(0u, hostsim::outstandingLists());  // released whether accepted or not
    }
}

TEST_F(OperandTest, ReadsSystemVariablesOfEveryNumericType) {
    ASSERT_TRUE(hostsim::setSysvarPoint("LASTPOINT", {1, 2, 3}));
    struct Case {
        int line;
        const char* text;
        ValueKind kind;
        double num;
    };
    const Case cases[] = {
        {__LINE__, "GETVAR(PICKBOX)", ValueKind::Integer, 3},                 // 16-bit integer
        {__LINE__, "GETVAR(MAXOBJMEM)-3*30000-9999", ValueKind::Integer, 1},  // 32-bit, kept whole
        {__LINE__, "GETVAR(VIEWSIZE)", ValueKind::Real, 20},
        {__LINE__, "GETVAR(ANGBASE)", ValueKind::Real, 0},
        {__LINE__, "GETVAR(VIEWTWIST)", ValueKind::Real, 0},
        {__LINE__, "getvar('pickbox')", ValueKind::Integer, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        hostsim::QValue current;
        Value v = eval(c.text);
        ASSERT_EQ(0, ErrorCode) << hostsim::takeOutput();
        EXPECT_EQ(c.kind, v.kind);
        if (std::string(c.text).find("VIEWSIZE") != std::string::npos) {
            ASSERT_TRUE(hostsim::getSysvar("VIEWSIZE", current));
            EXPECT_DOUBLE_EQ(current.number(), v.num);
        } else {
            EXPECT_DOUBLE_EQ(c.num, v.num);
        }
    }
    Value last = eval("GETVAR(LASTPOINT)");
    EXPECT_EQ(ValueKind::Vector, last.kind);
    EXPECT_DOUBLE_EQ(2, last.y);
    Value screen = eval("GETVAR(SCREENSIZE)");
    EXPECT_EQ(ValueKind::Vector, screen.kind);
}

TEST_F(OperandTest, ReportsSystemVariableErrors) {
    struct Case {
        int line;
        const char* text;
        int error;
        std::string printed;
    };
    const Case cases[] = {
        {__LINE__, "GETVAR(PI)", 26, "Use GETVAR(Korvane_system_variable)"},
        {__LINE__, "GETVAR PICKBOX", 26, "Use GETVAR(Korvane_system_variable)"},
        {__LINE__, "GETVAR()", 26, "Use GETVAR(Korvane_system_variable)"},
        {__LINE__, "GETVAR(NOSUCH)", 32, "Unknown Korvane system variable NOSUCH"},
        {__LINE__, "GETVAR(CLAYER)", 33,
         "Only real, integer or point Korvane system variables accepted"},
        {__LINE__, "GETVAR(PICKBOX", 5, "Right parenthesis ')' missing"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        std::string printed;
        EXPECT_EQ(c.error, errorOf(c.text, &printed));
        EXPECT_EQ(heading() + c.printed + ".\n\n", printed);
    }
    EXPECT_EQ(0u, hostsim::outstandingTexts());  // the layer's name was freed
}

TEST_F(OperandTest, ConvertsUnitsThroughTheHost) {
    struct Case {
        int line;
        const char* text;
        double want;
    };
    const Case cases[] = {
        {__LINE__, "CVUNIT(1,inch,cm)", 2.54},
        {__LINE__, "CVUNIT(1,sq inch,sq cm)", 6.4516},
        {__LINE__, "CVUNIT(2,feet,inches)", 24},
        {__LINE__, "CVUNIT(1,cu m, liter)", 1000},
        {__LINE__, "CVUNIT(180,degree,'radian')", 3.141592653589793},
        {__LINE__, "CVUNIT(1,Mm,m)", 1e6},  // the names as written: Mm is no millimetre
        {__LINE__, "CVUNIT(1,sq km,sq Mm)", 1e-6},
        {__LINE__, "CVUNIT(2,'kN',N)", 2000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        Value v = eval(c.text);
        ASSERT_EQ(0, ErrorCode) << hostsim::takeOutput();
        EXPECT_EQ(ValueKind::Real, v.kind);
        EXPECT_NEAR(c.want, v.num, 1e-9 * c.want);
    }
    Value v = eval("CVUNIT([1,2,3],inch,mm)");
    ASSERT_EQ(ValueKind::Vector, v.kind);
    EXPECT_NEAR(25.4, v.x, 1e-9);
    EXPECT_NEAR(50.8, v.y, 1e-9);
    EXPECT_NEAR(76.2, v.z, 1e-9);
}

TEST_F(OperandTest, ReportsUnitConversionErrors) {
    // Two words of 32 characters each fit the name buffer and reach the host whole.
    const std::string word(32, 'Q');
    const std::string longNames = "CVUNIT(1," + word + " " + word + ",inch)";
    struct Case {
        int line;
        std::string text;
        int error;
    };
    const Case cases[] = {
        {__LINE__, "CVUNIT(1,inch)", 63},      {__LINE__, "CVUNIT 1,inch,cm", 63},
        {__LINE__, "CVUNIT(1,inch,cm", 63},    {__LINE__, "CVUNIT(1,2,cm)", 63},
        {__LINE__, "CVUNIT(1 inch cm)", 63},   {__LINE__, "CVUNIT(1,inch,kg)", 64},
        {__LINE__, "CVUNIT(1,nosuch,cm)", 64}, {__LINE__, longNames, 64},
        {__LINE__, "CVUNIT(1,a b c,cm)", 63},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(c.error, errorOf(c.text.c_str())) << c.text;
    }
}

}  // namespace
