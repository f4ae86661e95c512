// tests/functions/scalarTests.cpp - functions of one number, ABS and MAX.
#include "tests/functions/functionsFixture.h"

namespace {

class ScalarFunctions : public FunctionsTest {};

constexpr ValueKind Real = ValueKind::Real;
constexpr ValueKind Integer = ValueKind::Integer;

TEST_F(ScalarFunctions, ComputeInDegreesAndReturnReals) {
    const ScalarCase cases[] = {
        {__LINE__, "SIN(30)", Real, 0.5},
        {__LINE__, "SIN(30.0)", Real, 0.5},
        {__LINE__, "COS(60)", Real, 0.5},
        {__LINE__, "TANG(45)", Real, 1},
        {__LINE__, "TANG(-45)", Real, -1},
        {__LINE__, "TANG(90.001)", Real, -57295.77950699098},  // the double 90.001's, to 17 digits
        {__LINE__, "COS(90)", Real, 0},
        {__LINE__, "SIN(-540)", Real, 0},
        {__LINE__, "COS(1e6+170)", Real, 0},
        {__LINE__, "SIN(1e9+110)", Real, 0.5},  // reduced in degrees: in radians 1e-9 is lost
        {__LINE__, "TANG(180)", Real, 0},
        {__LINE__, "TANG(-135)", Real, 1},
        {__LINE__, "ASIN(0.5)", Real, 30},
        {__LINE__, "ASIN(1.05)", Real, 90},  // slightly past 1 is rounding, taken as 1
        {__LINE__, "ASIN(-1.1)", Real, -90},
        {__LINE__, "ACOS(-1.1)", Real, 180},
        {__LINE__, "ACOS(0)", Real, 90},
        {__LINE__, "ATAN(1)", Real, 45},
        {__LINE__, "ATAN(-1e300)", Real, -90},
        {__LINE__, "SIN(ASIN(0.5))", Real, 0.5},  // nested calls share one frame
        {__LINE__, "R2D(PI)", Real, 180},
        {__LINE__, "D2R(180)", Real, 3.141592653589793},
    };
    expectScalars(cases);
}

TEST_F(ScalarFunctions, ComputePowersRootsAndLogarithms) {
    const ScalarCase cases[] = {
        {__LINE__, "LN(1)", Real, 0},
        {__LINE__, "LN(EXP(2))", Real, 2},
        {__LINE__, "LOG(1000)", Real, 3},
        {__LINE__, "EXP(0)", Real, 1},
        {__LINE__, "EXP10(3)", Real, 1000},
        {__LINE__, "EXP10(-2)", Real, 0.01},
        {__LINE__, "EXP(-1000)", Real, 0},  // underflows are answers, not overflows
        {__LINE__, "EXP(-1000)+1", Real, 1},
        {__LINE__, "EXP(-740)", Real, std::exp(-740.0)},  // a subnormal
        {__LINE__, "EXP10(-400)", Real, 0},
        {__LINE__, "SQR(3)", Real, 9},
        {__LINE__, "SQR(-1.5)", Real, 2.25},
        {__LINE__, "SQRT(16)", Real, 4},
        {__LINE__, "SQRT(0)", Real, 0},
        {__LINE__, "SQRT(-1e-11)", Real, 0},  // rounding below zero counts as zero
        {__LINE__, "ABS(-3)", Real, 3},       // a Real even for an Integer
        {__LINE__, "ABS(-2.5)", Real, 2.5},
        {__LINE__, "ABS([3,4,0])", Real, 5},
        {__LINE__, "ABS([1,2,2])", Real, 3},
    };
    expectScalars(cases);
}

TEST_F(ScalarFunctions, RoundAndTruncateToIntegers) {
    const ScalarCase cases[] = {
        {__LINE__, "ROUND(2.5)", Integer, 3},
        {__LINE__, "ROUND(-2.5)", Integer, -2},  // halves go up
        {__LINE__, "ROUND(-2.6)", Integer, -3},
        {__LINE__, "ROUND(32767.49)", Integer, 32767},
        {__LINE__, "ROUND(-32768.5)", Integer, -32768},
        {__LINE__, "TRUNC(-2.7)", Integer, -2},
        {__LINE__, "TRUNC(2.7)", Integer, 2},
        {__LINE__, "TRUNC(-32768.0)", Integer, -32768},
        {__LINE__, "TRUNC(32767)", Integer, 32767},
    };
    expectScalars(cases);
}

TEST_F(ScalarFunctions, MaxKeepsIntegersAndCompares) {
    const ScalarCase cases[] = {
        {__LINE__, "MAX(1,2)", Integer, 2},
        {__LINE__, "MAX(1,2.5)", Real, 2.5},
        {__LINE__, "MAX(3,2.0)", Real, 3},  // one Real makes the result Real
        {__LINE__, "MAX(-5,-7,-2,-9)", Integer, -2},
        {__LINE__, "MAX(-1e31,-1e32)", Real, -1e31},  // below any fixed starting value
        {__LINE__, "MAX(-1e32,-1e31)", Real, -1e31},
        {__LINE__, "MAX(1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20)", Integer, 20},
    };
    expectScalars(cases);
}

TEST_F(ScalarFunctions, ReportArgumentErrorsWithTheirNames) {
    const ErrorCase cases[] = {
        {__LINE__, "SIN(1,2)", 4, "Function SIN requires one argument"},
        {__LINE__, "ATAN(1,2)", 4, "Function ATAN requires one argument"},
        {__LINE__, "ABS", 4, "Function ABS requires one argument"},
        {__LINE__, "ABS()", 4, "Function ABS requires one argument"},
        {__LINE__, "SQR(1,2)", 4, "Function SQR requires one argument"},
        {__LINE__, "EXP10", 4, "Function EXP10 requires one argument"},
        {__LINE__, "SQR([1,2,3])", 12, "Function SQR requires real argument"},
        {__LINE__, "ROUND([1,2,3])", 12, "Function ROUND requires real argument"},
        {__LINE__, "LN([1,0,0])", 12, "Function LN requires real argument"},
    };
    expectErrors(cases);
}

TEST_F(ScalarFunctions, RefuseArgumentsOutsideTheirDomains) {
    const ErrorCase cases[] = {
        {__LINE__, "ASIN(1.2)", 13, "Argument to ASIN, ACOS must be between -1 and 1"},
        {__LINE__, "ACOS(-1.10001)", 13, "Argument to ASIN, ACOS must be between -1 and 1"},
        {__LINE__, "ROUND(32767.5)", 14,
         "Argument to ROUND and TRUNC must be between -32768 and 32767"},
        {__LINE__, "ROUND(-32768.6)", 14,
         "Argument to ROUND and TRUNC must be between -32768 and 32767"},
        {__LINE__, "TRUNC(32767.5)", 14,  // tested before the fraction is cut
         "Argument to ROUND and TRUNC must be between -32768 and 32767"},
        {__LINE__, "TRUNC(-32768.1)", 14,
         "Argument to ROUND and TRUNC must be between -32768 and 32767"},
        {__LINE__, "SQRT(-1e-9)", 15, "Argument to SQRT cannot be negative"},
        {__LINE__, "TANG(90)", 24, "Function TANG does not accept arguments 90+k*180 degrees"},
        {__LINE__, "TANG(-270)", 24, "Function TANG does not accept arguments 90+k*180 degrees"},
        {__LINE__, "TANG(450)", 24, "Function TANG does not accept arguments 90+k*180 degrees"},
        {__LINE__, "LN(0)", 38, "Function LN requires positive argument"},
        {__LINE__, "LOG(-1)", 38, "Function LOG requires positive argument"},
        {__LINE__, "EXP(1000)", 23, "Numeric overflow"},
        {__LINE__, "EXP10(400)", 23, "Numeric overflow"},
    };
    expectErrors(cases);
}

TEST_F(ScalarFunctions, MaxReportsItsOwnTexts) {
    struct Case {
        int line;
        const char* text;
        int messageNumber;
    };
    const Case cases[] = {
        {__LINE__, "MAX(4)", 1},
        {__LINE__, "MAX", 1},
        {__LINE__, "MAX([1,2,3],4)", 2},
        {__LINE__, "MAX(1,2,[1,2,3])", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        std::string printed;
        EXPECT_EQ(generalError, errorOf(c.text, &printed)) << c.text;
        EXPECT_EQ(heading() + getMessage(28, c.messageNumber) + ".\n\n", printed);
    }
}

}  // namespace
