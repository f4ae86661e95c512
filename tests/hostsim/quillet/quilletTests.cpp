// tests/hostsim/quillet/quilletTests.cpp - the Quillet reader, evaluator and printer of the command
// line.
#include <gtest/gtest.h>

#include <string>

#include "hostsim/shell/shell.h"

namespace {

using hostsim::QValue;

// Reads and evaluates every expression of text; the printed values, or "error: ..." at the first
// failure, one a line.
std::string run(const std::string& text) {
    std::string shown;
    std::size_t pos = 0;
    QValue form, value;
    std::string error;
    while (hostsim::readQuillet(text, pos, form, error)) {
        if (!hostsim::evaluateQuillet(form, value, error)) return shown + "error: " + error;
        shown += hostsim::formatValue(value) + "\n";
    }
    return error.empty() ? shown : shown + "error: " + error;
}

class Quillet : public ::testing::Test {
protected:
    void SetUp() override { hostsim::resetHostState(); }
    void TearDown() override { hostsim::resetHostState(); }
};

}  // namespace

TEST_F(Quillet, ReadsAtomsTextsAndLists) {
    struct Case {
        int line;
        const char* text;
        const char* want;
    };
    const Case cases[] = {
        {__LINE__, "'42", "42\n"},
        {__LINE__, "'-7 '+7", "-7\n7\n"},
        {__LINE__, "'2147483647", "2147483647\n"},
        {__LINE__, "'2147483648", "2147483648.0\n"},  // past 32 bits: a real
        {__LINE__, "'-2147483649", "-2147483649.0\n"},
        {__LINE__, "'1.5 '.5 '2. '1e3", "1.5\n0.5\n2.0\n1000.0\n"},
        {__LINE__, "'abc '|Mixed Case|", "ABC\nMixed Case\n"},
        {__LINE__, "'1+ 'inf '1e", "1+\nINF\n1E\n"},  // not numbers: symbols
        {__LINE__, "\"a\\\"b\\\\c\\nd\"", "\"a\\\"b\\\\c\\nd\"\n"},
        // control characters print escaped, octal as the reader takes it; \400 is no byte
        {__LINE__, "\"\x1b[2J\\001\\101\\400\x7f\"", "\"\\e[2J\\001A 0\\177\"\n"},
        {__LINE__, "'(1 (2 \"x\") nil)", "(1 (2 \"x\") nil)\n"},
        {__LINE__, "'() nil NIL", "nil\nnil\nnil\n"},
        {__LINE__, "''x", "(QUOTE X)\n"},
        {__LINE__, "'x ; a comment\n'y", "X\nY\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(c.want, run(c.text));
    }
}

TEST_F(Quillet, RefusesMalformedTextWithOneMessage) {
    struct Case {
        int line;
        std::string text;
        const char* want;
    };
    const Case cases[] = {
        {__LINE__, "(+ 1 2", "error: missing )"},
        {__LINE__, ")", "error: unexpected )"},
        {__LINE__, "\"abc", "error: text without its closing \""},
        {__LINE__, "\"abc\\", "error: text without its closing \""},
        {__LINE__, "'|abc", "error: symbol without its closing |"},
        {__LINE__, "'", "error: expression missing"},
        {__LINE__, "'1e999", "error: number out of range: 1e999"},
        {__LINE__, std::string(100000, '('), "error: expression nested deeper than 200 levels"},
        {__LINE__, std::string(100000, '\''), "error: expression nested deeper than 200 levels"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(c.want, run(c.text));
    }
}

TEST_F(Quillet, ComputesIntegersAsIntegersAndRefusesOverflow) {
    struct Case {
        int line;
        const char* text;
        const char* want;
    };
    const Case cases[] = {
        {__LINE__, "(+ 1 2)", "3\n"},
        {__LINE__, "(+)", "0\n"},
        {__LINE__, "(*)", "1\n"},
        {__LINE__, "(- 5)", "-5\n"},
        {__LINE__, "(- 10 1 2)", "7\n"},
        {__LINE__, "(/ 7 2)", "3\n"},
        {__LINE__, "(/ -7 2)", "-3\n"},
        {__LINE__, "(/ 7 2.0)", "3.5\n"},
        {__LINE__, "(* 2 1.5)", "3.0\n"},
        {__LINE__, "(+ 2147483646 1)", "2147483647\n"},
        {__LINE__, "(+ 2147483647 1)", "error: integer overflow in +"},
        {__LINE__, "(- -2147483647 2)", "error: integer overflow in -"},
        {__LINE__, "(- -2147483647 1)", "-2147483648\n"},
        {__LINE__, "(- (- -2147483647 1))", "error: integer overflow in -"},
        {__LINE__, "(* 65536 32768)", "error: integer overflow in *"},
        {__LINE__, "(/ (- -2147483647 1) -1)", "error: integer overflow in /"},
        {__LINE__, "(/ 1 0)", "error: division by zero"},
        {__LINE__, "(/ 1.0 0.0)", "error: division by zero"},
        {__LINE__, "(/ 1 2 0)", "error: division by zero"},
        {__LINE__, "(-)", "error: too few arguments to -"},
        {__LINE__, "(+ 1 \"2\")", "error: bad argument type for +: \"2\""},
        {__LINE__, "(* 'a 2)", "error: bad argument type for *: A"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(c.want, run(c.text));
    }
}

TEST_F(Quillet, EvaluatesFormsSymbolsAndSystemVariables) {
    struct Case {
        int line;
        const char* text;
        const char* want;
    };
    const Case cases[] = {
        {__LINE__, "(setq a 1 b (+ a 1)) b", "2\n2\n"},
        {__LINE__, "(setq A 5) a", "5\n5\n"},  // names are case-insensitive
        {__LINE__, "(setq a 5) (setq a nil) a", "5\nnil\nnil\n"},
        {__LINE__, "unset T", "nil\nT\n"},
        {__LINE__, "(list 1 2 3) (list)", "(1 2 3)\nnil\n"},
        {__LINE__, "(quote (+ 1 2))", "(+ 1 2)\n"},
        {__LINE__, "(getvar \"pickbox\")", "3\n"},
        {__LINE__, "(setvar \"ANGBASE\" 0.5) (getvar \"angbase\")",
         "0.5\n0.5\n"},  // the table's first row
        {__LINE__, "(setvar \"PICKBOX\" 9) (getvar \"pickbox\")", "9\n9\n"},
        {__LINE__, "(setvar \"lastpoint\" (list 1 2))", "(1.0 2.0 0.0)\n"},
        {__LINE__, "(getvar \"nosuch\")", "nil\n"},
        {__LINE__, "(setvar \"ucsorg\" '(1 2 3))",
         "error: cannot set system variable UCSORG to (1 2 3)"},
        {__LINE__, "(setvar \"pickbox\" -1)", "error: cannot set system variable PICKBOX to -1"},
        {__LINE__, "(setvar \"screensize\" '(100001 800))",
         "error: cannot set system variable SCREENSIZE to (100001 800): each side takes 1 to "
         "100000 pixels"},
        {__LINE__, "(getvar 'pickbox)", "error: bad argument type for GETVAR: PICKBOX"},
        {__LINE__, "(getvar)", "error: too few arguments to GETVAR"},
        {__LINE__, "(quote 1 2)", "error: too many arguments to QUOTE"},
        {__LINE__, "(setq a)", "error: SETQ needs pairs of a name and a value"},
        {__LINE__, "(setq 1 2)", "error: SETQ cannot assign to 1"},
        {__LINE__, "(setq nil 2)", "error: SETQ cannot assign to nil"},
        {__LINE__, "(setq t 2)", "error: SETQ cannot change the constant T"},
        {__LINE__, "(setq |nil| 2)", "error: SETQ cannot change the constant NIL"},
        {__LINE__, "(frob 1)", "error: no function definition: FROB"},
        {__LINE__, "(1 2)", "error: bad function: 1"},
        {__LINE__, "(frob (/ 1 0))", "error: no function definition: FROB"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        hostsim::resetHostState();
        EXPECT_EQ(c.want, run(c.text));
    }
}

TEST_F(Quillet, BoundsTheDepthOfEvaluation) {
    // Forms built directly, deeper than the reader would take: evaluation must stop cleanly.
    QValue form = QValue::integer(1);
    for (int i = 0; i < 1000; ++i) {
        std::vector<QValue> call;
        call.push_back(QValue::symbol("LIST"));
        call.push_back(std::move(form));
        form = QValue::list(std::move(call));
    }
    QValue value;
    std::string error;
    EXPECT_FALSE(hostsim::evaluateQuillet(form, value, error));
    EXPECT_EQ("evaluation nested too deeply", error);
}

TEST(Printer, PrintsEachKindAsTheCommandLineShowsIt) {
    struct Case {
        int line;
        QValue value;
        int precision;
        const char* want;
    };
    const Case cases[] = {
        {__LINE__, QValue::integer(3), 15, "3"},
        {__LINE__, QValue::integer(-2147483647 - 1), 15, "-2147483648"},
        {__LINE__, QValue::real(3.0), 15, "3.0"},
        {__LINE__, QValue::real(-0.5), 15, "-0.5"},
        {__LINE__, QValue::real(1e20), 15, "1e+20"},
        {__LINE__, QValue::real(1e15), 15, "1e+15"},
        {__LINE__, QValue::real(123456789012345.0), 15, "123456789012345.0"},
        {__LINE__, QValue::real(0.1 + 0.2), 15, "0.3"},
        {__LINE__, QValue::real(0.1 + 0.2), 17, "0.30000000000000004"},
        {__LINE__, QValue::real(3.14159), 3, "3.14"},
        {__LINE__, QValue::real(1.0 / 0.0), 15, "inf"},
        {__LINE__, QValue::point(1, 2, 3), 15, "(1.0 2.0 3.0)"},
        {__LINE__, QValue::point2(0.25, -4), 15, "(0.25 -4.0)"},
        {__LINE__, QValue::textValue("say \"hi\"\\"), 15, "\"say \\\"hi\\\"\\\\\""},
        {__LINE__, QValue::nil(), 15, "nil"},
        {__LINE__, QValue::symbol("abc"), 15, "ABC"},
        {__LINE__, QValue::list({QValue::integer(1), QValue::list({QValue::textValue("a")})}), 15,
         "(1 (\"a\"))"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        hostsim::setPrintPrecision(c.precision);
        EXPECT_EQ(c.want, hostsim::formatValue(c.value));
    }
    hostsim::setPrintPrecision(15);
}

// A precision as PRECISION takes it: significant digits (15) or decimal places (".4").
struct PrecisionText {
    PrecisionText(int digits) : precision{digits, false} {}
    PrecisionText(const char* text) { EXPECT_TRUE(hostsim::parsePrintPrecision(text, precision)); }
    hostsim::PrintPrecision precision;
};

// A point's components share the absolute precision of its largest, or the decimal places set;
// a scalar keeps its digits.
TEST(Printer, RoundsAPointToItsLargestComponentAndNeverShowsMinusZero) {
    const double noise = 6.123233995736766e-17;  // what cos(90 degrees) leaves
    struct Case {
        int line;
        QValue value;
        PrecisionText precision;
        const char* want;
    };
    const Case cases[] = {
        {__LINE__, QValue::point(noise, 1, 0), 15, "(0.0 1.0 0.0)"},
        {__LINE__, QValue::point(-noise, -1, -0.0), 15, "(0.0 -1.0 0.0)"},
        {__LINE__, QValue::point(-0.0, -0.0, -0.0), 15, "(0.0 0.0 0.0)"},
        {__LINE__, QValue::point(1e-3, 1e-20, 0), 15, "(0.001 0.0 0.0)"},
        {__LINE__, QValue::point(1000, 0.123456, 0), 4, "(1000.0 0.0 0.0)"},
        {__LINE__, QValue::point(1000, 0.6, 0), 4, "(1000.0 1.0 0.0)"},
        {__LINE__, QValue::point(9.99996, 0.00004, 1), 5, "(10.0 0.0 1.0)"},
        {__LINE__, QValue::point(1e20, 123456, -0.5), 15, "(1e+20 0.0 0.0)"},
        {__LINE__, QValue::point(1e20, 1e6, 0), 15, "(1e+20 1000000.0 0.0)"},
        {__LINE__, QValue::point(-4.0320355280063877e+18, 0, 0), 17,
         "(-4.0320355280063877e+18 0.0 0.0)"},  // its own digits leave it as it is
        {__LINE__, QValue::point(-0.000999850023746063, 9.99950008748438, 0), 15,
         "(-0.00099985002375 9.99950008748438 0.0)"},
        {__LINE__, QValue::point(1.0 / 0.0, noise, 2), 15, "(inf 0.0 2.0)"},
        {__LINE__, QValue::real(noise), 15, "6.12323399573677e-17"},
        {__LINE__, QValue::real(-0.0), 15, "0.0"},
        {__LINE__, QValue::list({QValue::integer(-3), QValue::real(-noise)}), 15, "(-3 0.0)"},
        {__LINE__, QValue::point(12384.973, 10442.8, -noise), ".4",
         "(12384.9730 10442.8000 0.0000)"},
        {__LINE__, QValue::point(0.00049, -0.00051, 2), ".3", "(0.000 -0.001 2.000)"},
        {__LINE__, QValue::real(-0.00004), ".4", "0.0000"},
        {__LINE__, QValue::real(2.0), ".1", "2.0"},
        {__LINE__, QValue::real(-1.5e20), ".2", "-1.50e+20"},
        {__LINE__, QValue::list({QValue::integer(7), QValue::real(1.0 / 0.0)}), ".2", "(7 inf)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        hostsim::setPrintPrecision(c.precision.precision);
        EXPECT_EQ(c.want, hostsim::formatValue(c.value));
    }
    hostsim::setPrintPrecision(15);
}
