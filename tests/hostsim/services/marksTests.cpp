// tests/hostsim/services/marksTests.cpp - the marks the host keeps: a point result's label, and
// the cap on how many are kept.
#include <gtest/gtest.h>

#include <string>

#include "hostsim/shell/shell.h"

namespace {

class Marks : public ::testing::Test {
protected:
    void SetUp() override { hostsim::resetHostState(); }
    void TearDown() override { hostsim::resetHostState(); }
};

// What the module would do: the text evaluated, perhaps a variable set, then the result. The
// mark's label, then its kind and the value a click on it copies: "P1 = (1.0 2.0 0.0) [0 [1,2,0]]".
// The label shows the result as printed at the precision of its time (digits), whatever it is
// when the marks are read.
std::string labelOf(const std::string& expression, const char* assigned,
                    const hostsim::QValue& assignedValue, const hostsim::QValue& result,
                    int digits = 15) {
    std::size_t before = hostsim::drawingMarks().size();
    hostsim::setPrintPrecision(digits);
    hostsim::beginEvaluation(expression);
    if (assigned != nullptr) hostsim::noteAssignment(assigned, assignedValue);
    hostsim::endEvaluation(result);
    hostsim::setPrintPrecision(15);
    const auto& marks = hostsim::drawingMarks();
    if (marks.size() == before) return "(no mark)";
    return marks.back().label + " [" + std::to_string(static_cast<int>(marks.back().kind)) + " " +
           marks.back().value + "]";
}

TEST_F(Marks, LabelsAPointResultByItsVariableElseItsText) {
    const hostsim::QValue point = hostsim::QValue::point(1, 2, 0);
    const hostsim::QValue other = hostsim::QValue::point(5, 5, 0);
    const std::string longText(45, '1');
    struct Case {
        int line;
        std::string expression;
        const char* assigned;
        hostsim::QValue value;
        hostsim::QValue result;
        std::string want;
        int digits = 15;
    };
    const Case cases[] = {
        {__LINE__, "P1=[1,2]", "P1", point, point, "P1 = (1.0 2.0 0.0) [0 [1,2,0]]"},
        {__LINE__, "  [1,2]  ", nullptr, point, point, "[1,2] = (1.0 2.0 0.0) [0 [1,2,0]]"},
        {__LINE__, "A=[5,5]+B", "B", other, point,
         "A=[5,5]+B = (1.0 2.0 0.0) [0 [1,2,0]]"},  // not the result's
        {__LINE__, longText.substr(0, 40), nullptr, point, point,
         longText.substr(0, 40) + " = (1.0 2.0 0.0) [0 [1,2,0]]"},  // as long as a label shows
        {__LINE__, longText, nullptr, point, point,
         longText.substr(0, 37) + "... = (1.0 2.0 0.0) [0 [1,2,0]]"},
        {__LINE__, "", nullptr, point, point, "Result 5 = (1.0 2.0 0.0) [0 [1,2,0]]"},
        // numbers are listed, not placed; a vector function's result is a direction
        {__LINE__, "2+3", nullptr, point, hostsim::QValue::integer(5), "2+3 = 5 [3 5]"},
        {__LINE__, "D=33.0", nullptr, point, hostsim::QValue::real(33), "D=33.0 = 33.0 [3 33.0]"},
        {__LINE__, "N = nor([0,0,0],[1,0,0],[0,1,0])", nullptr, point, point,
         "N = nor([0,0,0],[1,0,0],[0,1,0]) = (1.0 2.0 0.0) [4 [1,2,0]]"},
        {__LINE__, "VEE", nullptr, point, point, "VEE = (1.0 2.0 0.0) [4 [1,2,0]]"},
        {__LINE__, "NEE", nullptr, point, point, "NEE = (1.0 2.0 0.0) [4 [1,2,0]]"},
        // a click copies the value itself, not the digits printed
        {__LINE__, "Q", nullptr, point, hostsim::QValue::point(0.1 + 0.2, 1e-20, 12384.973),
         "Q = (0.3 0.0 12384.973) [0 [0.30000000000000004,1e-20,12384.973]]"},
        {__LINE__, "R", nullptr, point, hostsim::QValue::real(1e20 / 3),
         "R = 3.33333333333333e+19 [3 3.333333333333333e+19]"},
        {__LINE__, "NOR([1,0,0])*2", nullptr, point, point,
         "NOR([1,0,0])*2 = (1.0 2.0 0.0) [0 [1,2,0]]"},
        {__LINE__, "NOR([1,0,0])*(2)", nullptr, point, point,
         "NOR([1,0,0])*(2) = (1.0 2.0 0.0) [0 [1,2,0]]"},
        {__LINE__, "\"text\"", nullptr, point, hostsim::QValue::textValue("t"), "(no mark)"},
        {__LINE__, "S", nullptr, point, hostsim::QValue::real(1.0 / 3),
         "S = 0.3333 [3 0.3333333333333333]", 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        hostsim::clearMarks();
        for (int i = 0; i < 4; ++i)
            labelOf("[1,2]", nullptr, point, point);  // "Result N" counts them
        EXPECT_EQ(c.want, labelOf(c.expression, c.assigned, c.value, c.result, c.digits));
    }
}

TEST_F(Marks, KeepsTheNewestUpToTheCapAndOnlyWhileEvaluating) {
    hostsim::noteSnappedPoint({1, 1, 0});  // no evaluation runs: not marked
    EXPECT_TRUE(hostsim::drawingMarks().empty());
    for (std::size_t i = 0; i <= hostsim::maxMarks; ++i) {
        hostsim::beginEvaluation("");
        hostsim::noteSnappedPoint({static_cast<double>(i), 0, 0});
        hostsim::endEvaluation(hostsim::QValue::nil());
    }
    ASSERT_EQ(hostsim::maxMarks, hostsim::drawingMarks().size());
    EXPECT_EQ(1.0, hostsim::drawingMarks().front().world[0]);
    EXPECT_EQ(static_cast<double>(hostsim::maxMarks), hostsim::drawingMarks().back().world[0]);
    std::uint64_t revision = hostsim::marksRevision();
    hostsim::openDemoDrawing();
    EXPECT_TRUE(hostsim::drawingMarks().empty());   // they belonged to the drawing that was open
    EXPECT_NE(revision, hostsim::marksRevision());  // and whoever copies them learns so
}

}  // namespace
