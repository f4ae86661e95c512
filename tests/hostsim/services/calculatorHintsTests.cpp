// tests/hostsim/services/calculatorHintsTests.cpp - the notices the host adds to the calculator's
// failures: a whole number past 32767, and a name called like a function that is none.
#include <gtest/gtest.h>

#include <string>

#include "hostsim/shell/shell.h"

namespace {

TEST(CalculatorHints, NameTheWayOutOfAFailure) {
    // says: a part of the notice; "" for none
    struct Case {
        int line;
        const char* text;
        const char* nameWithoutValue;
        const char* says;
    };
    const Case cases[] = {
        {__LINE__, "[40000,30000]", nullptr, "as a real, with a point: 40000.0."},
        {__LINE__, "32767+000032767", nullptr, ""},
        {__LINE__, "2*040000", nullptr, ": 040000.0."},
        {__LINE__, "5'100000\"", nullptr, ": 100000.0."},  // the inches of feet-inches
        {__LINE__, "40000.5+.40000+4e40000+1E-40000", nullptr, ""},
        {__LINE__, "'40000'+X40000+A_40000", nullptr, ""},  // names, quoted or not
        {__LINE__, "DST([0,0],[3,4])", "DST",
         "DST is neither a function nor a variable; the "
         "nearest function is DIST.\n"},
        {__LINE__, "1+dst ([0,0],@)", "DST", "the nearest function is DIST."},
        {__LINE__, "ROTATE(@,[0,0],90)", "ROTATE", "the nearest function is ROT."},
        {__LINE__, "SQTR(2)", "SQTR", "the nearest function is SQRT."},
        {__LINE__, "FOO(2)", "FOO", "FOO is neither a function nor a variable.\n"},
        {__LINE__, "DST+1", "DST", ""},        // a variable, as it is used
        {__LINE__, "XDST(1)+DST", "DST", ""},  // DST alone is not called
    };
    hostsim::captureOutput(true);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        hostsim::forgetHintsGiven();
        hostsim::takeOutput();
        hostsim::noteExpressionGiven(c.text);
        if (c.nameWithoutValue != nullptr) hostsim::noteNameWithoutValue(c.nameWithoutValue);
        hostsim::printNoticesAfterModule();
        std::string said = hostsim::takeOutput();
        EXPECT_TRUE(*c.says == '\0' ? said.empty() : said.find(c.says) != std::string::npos)
            << said;
    }
    hostsim::captureOutput(false);
}

}  // namespace
