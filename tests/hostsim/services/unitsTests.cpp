// tests/hostsim/services/unitsTests.cpp - kvs_cvunit: names as users type them, and refusals.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "hostsim/shell/shell.h"

TEST(Units, ConvertsBetweenUnitsOfOneDimension) {
    ASSERT_TRUE(hostsim::unitsAvailable());
    struct Case {
        int line;
        double value;
        const char* from;
        const char* to;
        double want;
    };
    const Case cases[] = {
        {__LINE__, 1, "INCH", "CM", 2.54},
        {__LINE__, 3, "FEET", "INCHES", 36},
        {__LINE__, 25.4, "MM", "INCH", 1},
        {__LINE__, 1, "MILE", "KM", 1.609344},
        {__LINE__, 1, "SQ INCH", "SQ CM", 6.4516},
        {__LINE__, 1, "SQUARE FEET", "SQ INCHES", 144},
        {__LINE__, 1, "CU FT", "LITERS", 28.316846592},
        {__LINE__, 1, "ACRE", "SQ M", 4046.8726098742},
        {__LINE__, 180, "DEGREE", "RADIAN", 3.141592653589793},
        {__LINE__, 180, "DEG", "RADIANS", 3.141592653589793},
        {__LINE__, 100, "GRAD", "DEGREES", 90},
        {__LINE__, 200, "GRADS", "DEGREE", 180},
        {__LINE__, 400, "GON", "REVOLUTION", 1},
        {__LINE__, 1, "SQ GRAD", "SQ DEGREE", 0.81},
        {__LINE__, 2, "HOURS", "SECONDS", 7200},
        {__LINE__, 1, "LBS", "KG", 0.45359237},
        {__LINE__, 16, "OZ", "POUND", 1},
        {__LINE__, 1, "GAL", "LITER", 3.785411784},
        {__LINE__, 1, "GALLONS", "CU INCH", 231},
        {__LINE__, 100000, "PA", "BAR", 1},
        {__LINE__, 1, "N", "DYNE", 1e5},
        {__LINE__, 1, "KILOHERTZ", "HZ", 1000},
        {__LINE__, 1, "MPH", "KPH", 1.609344},
        {__LINE__, 72, "POINTS", "INCH", 0.996264},  // printer's points: 0.013837 inch
        {__LINE__, 100, "CELSIUS", "FAHRENHEIT", 212},
        {__LINE__, 1, "NAUTICAL MILE", "M", 1852},
        {__LINE__, 1, "NEWTON METER", "JOULE", 1},
        {__LINE__, 1, "  inch ", "\tcm", 2.54},  // blanks at either end
        {__LINE__, 1, "sq   inch", "SQ CM", 6.4516},
        {__LINE__, -2, "Inch", "mm", -50.8},
        {__LINE__, 1, "Mm", "m", 1e6},    // as written first: a megametre, not a millimetre
        {__LINE__, 1, "MM", "M", 0.001},  // then folded, as older scripts write names
        {__LINE__, 2, "kN", "N", 2000},
        {__LINE__, 1, "MPa", "psi", 145.037737730209},
        {__LINE__, 60, "S", "MIN", 1},  // S is siemens as written; of one kind with MIN folded
        // long words are read whole
        {__LINE__, 1e6, "MICROUNIFIED_ATOMIC_MASS_UNITS^1", "UNIFIED_ATOMIC_MASS_UNITS", 1},
        {__LINE__, 1, "SQ MICROUNIFIED_ATOMIC_MASS_UNITS", "SQ UNIFIED_ATOMIC_MASS_UNITS", 1e-12},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        double result = 0;
        ASSERT_EQ(KVS_RTNORM, kvs_cvunit(c.value, c.from, c.to, &result));
        EXPECT_NEAR(c.want, result, 1e-9 * std::max(1.0, std::fabs(c.want)));
    }
}

TEST(Units, RefusesWhatItCannotConvert) {
    const std::string word32(32, 'Q');
    const std::string twoWords32 = word32 + " " + std::string(32, 'Z');
    const std::string huge(5000, 'm');
    struct Case {
        int line;
        const char* from;
        const char* to;
        const char* says;
    };
    const Case cases[] = {
        {__LINE__, "INCH", "SECOND", "\"INCH\" and \"SECOND\" are not of one kind (m against s)"},
        {__LINE__, "SQ INCH", "INCH", "(m2 against m)"},
        {__LINE__, "CU M", "SQ M", "(m3 against m2)"},
        {__LINE__, "CELSIUS", "METER", "(K against m)"},
        {__LINE__, "kN", "MPa", "(m.kg.s-2 against m-1.kg.s-2)"},
        {__LINE__, "NOSUCHUNIT", "INCH", "No unit is named \"NOSUCHUNIT\""},
        {__LINE__, "INCH", "SQ NOSUCH", "No unit is named \"SQ NOSUCH\""},
        {__LINE__, "SQ", "INCH", "No unit is named \"SQ\""},
        {__LINE__, "CU", "KG", "No unit is named \"CU\""},
        {__LINE__, "", "INCH", "No unit is named \"\""},  // udunits2 reads "" as the number 1
        {__LINE__, "   ", "", "No unit is named \"\""},
        {__LINE__, "1/0", "1", "No unit is named \"1/0\""},  // no unit from a success status
        {__LINE__, word32.c_str(), "INCH", "No unit is named \"QQQQ"},
        {__LINE__, twoWords32.c_str(), "INCH", "Q ZZZZ...\""},  // cut to 40 characters
        {__LINE__, huge.c_str(), "M", "mmmmmm...\""},
        {__LINE__, "INCH\xe9", "CM", "No unit is named \"INCH\xe9\""},
        {__LINE__, nullptr, "CM", "No unit is named"},
        {__LINE__, "CM", nullptr, "No unit is named"},
        {__LINE__, "SQ Mm", "inch", "(m2 against m)"},
    };
    hostsim::captureOutput(true);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        double result = 42;
        hostsim::takeOutput();
        EXPECT_NE(KVS_RTNORM, kvs_cvunit(1, c.from, c.to, &result));
        EXPECT_EQ(42, result);
        hostsim::printNoticesAfterModule();
        std::string notice = hostsim::takeOutput();
        EXPECT_NE(std::string::npos, notice.find(c.says)) << notice;
    }
    hostsim::captureOutput(false);
    EXPECT_NE(KVS_RTNORM, kvs_cvunit(1, "INCH", "CM", nullptr));
    double result = 42;
    EXPECT_NE(KVS_RTNORM, kvs_cvunit(1e308, "KM", "MM", &result));  // overflows to infinity
    EXPECT_EQ(42, result);
}

// 20 Celsius is 68 Fahrenheit to the last bit, not 67.99999999999994: a reading exact on both
// scales converts exactly.
TEST(Units, ConvertsTemperaturesExactly) {
    struct Case {
        int line;
        double value;
        const char* from;
        const char* to;
        double want;
    };
    const Case cases[] = {
        {__LINE__, 20, "celsius", "fahrenheit", 68},
        {__LINE__, -40, "degF", "degC", -40},
        {__LINE__, 68, "DEGREES FAHRENHEIT", "K", 293.15},
        {__LINE__, 293.15, "kelvin", "celsius", 20},
        {__LINE__, 491.67, "RANKINE", "FAHRENHEIT", 32},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        double result = 0;
        ASSERT_EQ(KVS_RTNORM, kvs_cvunit(c.value, c.from, c.to, &result));
        EXPECT_EQ(c.want, result);
    }
}
