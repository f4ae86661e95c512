// tests/hostsim/shell/commandLineTests.cpp - functions defined with the host, prompts, and errno
// kept across host calls; all without a module, through handlers registered here.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "hostsim/shell/shell.h"

namespace {

// What the last handler call saw.
int seenCode = 0;
std::string seenTypes;

// Returns its argument records' types, and the sum of its integer arguments.
int describeArguments() {
    seenCode = kvs_getfuncode();
    seenTypes.clear();
    int sum = 0;
    for (const ResultBuffer* rb = kvs_getargs(); rb != nullptr; rb = rb->next) {
        seenTypes += std::to_string(rb->type) + " ";
        if (rb->type == KVS_RTSHORT) sum += rb->value.shortInt;
    }
    kvs_retint(sum);
    return 1;
}

int returnPoint() {
    const double point[3] = {1.0, 2.5, -3.0};
    kvs_retpoint(point);
    return 1;
}

int returnNothing() { return 1; }

class HostFunctions : public ::testing::Test {
protected:
    void SetUp() override {
        hostsim::resetHostState();
        hostsim::captureOutput(true);
        hostsim::releaseHeldText();  // what the test before left held or its line open
        hostsim::takeOutput();
        hostsim::noteLineEnded();
    }
    void TearDown() override {
        hostsim::setPrintPrecision(hostsim::PrintPrecision{});  // PRECISION outlives a reset
        hostsim::forgetModuleFunctions();
        hostsim::useStandardInput();
        hostsim::clearQueuedAnswers();
        EXPECT_EQ(0u, hostsim::outstandingLists()) << "an argument list was not released";
        hostsim::releaseHeldText();  // a point answer refused last holds what follows it
        hostsim::takeOutput();       // nothing printed here may reach the next test's capture
        hostsim::captureOutput(false);
    }

    static std::string evaluate(const std::string& text) {
        std::size_t pos = 0;
        hostsim::QValue form, value;
        std::string error;
        if (!hostsim::readQuillet(text, pos, form, error)) return "read error: " + error;
        if (!hostsim::evaluateQuillet(form, value, error)) return "error: " + error;
        return hostsim::formatValue(value);
    }
};

}  // namespace

TEST_F(HostFunctions, RefusesNamesTheCommandLineCannotCall) {
    struct Case {
        int line;
        const char* name;
        int want;
    };
    const Case cases[] = {
        {__LINE__, "good", KVS_RTNORM},       {__LINE__, "C:GOOD", KVS_RTNORM},
        {__LINE__, "", KVS_RTERROR},          {__LINE__, nullptr, KVS_RTERROR},
        {__LINE__, "two words", KVS_RTERROR}, {__LINE__, "paren(", KVS_RTERROR},
        {__LINE__, "quote\"", KVS_RTERROR},   {__LINE__, "tick'", KVS_RTERROR},
        {__LINE__, "tab\t", KVS_RTERROR},     {__LINE__, "C:", KVS_RTERROR},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(c.want, kvs_defun(c.name, 4));
    }
    EXPECT_EQ(KVS_RTERROR, kvs_defun("negative", -1));
    EXPECT_TRUE(hostsim::isFunctionDefined("Good"));  // kept upper case, found in any case
    EXPECT_TRUE(hostsim::isFunctionDefined("c:good"));
}

TEST_F(HostFunctions, PassesArgumentsAsRecordsAndReturnsTheResult) {
    ASSERT_EQ(KVS_RTNORM, kvs_defun("describe", 6));
    ASSERT_EQ(KVS_RTNORM, kvs_regfunc(describeArguments, 6));
    struct Case {
        int line;
        const char* text;
        const char* want;
        const char* types;
    };
    const Case cases[] = {
        {__LINE__, "(describe)", "0", ""},
        {__LINE__, "(DESCRIBE 1 2 3)", "6", "5003 5003 5003 "},
        {__LINE__, "(describe 40000 1.5 \"t\")", "0", "5010 5001 5005 "},
        {__LINE__, "(describe '(1 2) '(1 2 3))", "0", "5002 5009 "},
        {__LINE__, "(describe nil 7)", "7", "5019 5003 "},
        {__LINE__, "(describe '(1 (2)))",
         "error: an argument of DESCRIBE is a list the module cannot take", ""},
        {__LINE__, "(describe 'sym)",
         "error: an argument of DESCRIBE is a list the module cannot take", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        seenTypes.clear();
        EXPECT_EQ(c.want, evaluate(c.text));
        EXPECT_EQ(c.types, seenTypes);
    }
    EXPECT_EQ(6, seenCode);
    EXPECT_EQ(KVS_RTERROR, kvs_getfuncode());  // no call in progress
    EXPECT_EQ(nullptr, kvs_getargs());
    EXPECT_EQ(KVS_RTERROR, kvs_retint(1));
}

TEST_F(HostFunctions, StartsEachCallWithANilResult) {
    kvs_defun("point", 1);
    kvs_regfunc(returnPoint, 1);
    kvs_defun("nothing", 2);
    kvs_regfunc(returnNothing, 2);
    kvs_defun("unhandled", 3);  // no handler and no module: message 5 goes nowhere
    EXPECT_EQ("(1.0 2.5 -3.0)", evaluate("(point)"));
    EXPECT_EQ("nil", evaluate("(nothing)"));
    EXPECT_EQ("nil", evaluate("(unhandled)"));
    kvs_regfunc(nullptr, 1);  // the handler taken away: back to message 5
    EXPECT_EQ("nil", evaluate("(point)"));
    hostsim::forgetModuleFunctions();
    EXPECT_EQ("error: no function definition: POINT", evaluate("(point)"));
}

TEST_F(HostFunctions, RunsModuleCommandsWithTheirFirstAnswer) {
    kvs_defun("C:SUM", 5);
    kvs_regfunc(describeArguments, 5);
    hostsim::useInputText("");
    struct Case {
        int line;
        const char* text;
        hostsim::LineOutcome want;
        const char* printed;
    };
    const Case cases[] = {
        {__LINE__, "sum", hostsim::LineOutcome::Value, "0\n"},  // the handler's 0, shown
        {__LINE__, "  SUM   ", hostsim::LineOutcome::Value, "0\n"},
        {__LINE__, "c:sum", hostsim::LineOutcome::Value, "0\n"},
        {__LINE__, "nosuch", hostsim::LineOutcome::NoValue,
         "Unknown command \"NOSUCH\". Type HELP for the list.\n"},
        {__LINE__, "quit", hostsim::LineOutcome::Quit, ""},
        {__LINE__, "(+ 1", hostsim::LineOutcome::NoValue, "error: missing )\n"},
        {__LINE__, "(+ 1 2)", hostsim::LineOutcome::Value, "3\n"},
        {__LINE__, "(setq z 2)", hostsim::LineOutcome::Value, "2\n"},
        {__LINE__, "!z", hostsim::LineOutcome::Value, "2\n"},
        {__LINE__, "!unset", hostsim::LineOutcome::NoValue, "nil\n"},
        {__LINE__, "! a b", hostsim::LineOutcome::NoValue,
         "error: ! must be followed by one symbol name\n"},
        {__LINE__, "", hostsim::LineOutcome::NoValue, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        hostsim::LineOutcome outcome = hostsim::runCommandLine(c.text);
        std::string printed = hostsim::takeOutput();
        EXPECT_EQ(c.want, outcome);
        EXPECT_EQ(c.printed, printed);
    }
}

// An empty line typed at Command: runs the last command again, unless the line's source would
// have refused that command typed (a page may not repeat what it could not type).
TEST_F(HostFunctions, RepeatsTheLastCommandOnlyWhereItCouldBeTyped) {
    struct Case {
        int line;
        const char* typed;
        bool checked;
        const char* printed;
    };
    const Case cases[] = {{__LINE__, "PRECISION 5", false, "Command: PRECISION 5\n"},
                          {__LINE__, "", false, "Command: \nPRECISION 5\n"},
                          {__LINE__, "", true, "Command: \nrefused\n"}};
    auto refusePrecision = [](const std::string& line, std::string& reason) {
        reason = "refused";
        return hostsim::firstCommandWord(line) != "PRECISION";
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        hostsim::useLineSource([&c, refusePrecision](std::string& line) {
            line = c.typed;
            if (c.checked) hostsim::checkSourceLineWith(refusePrecision);
            return true;
        });
        std::string line;
        ASSERT_TRUE(hostsim::readInputLine("Command: ", line, hostsim::LineKind::Command));
        hostsim::runPromptedLine(line);
        EXPECT_EQ(c.printed, hostsim::takeOutput());
    }
    hostsim::useLineSource(nullptr);
}

// HELP knows the calculator by every name the module gave it (told by its handler), and shows
// what it cannot find without letting a control character act on the terminal.
TEST_F(HostFunctions, HelpsWithTheModulesNamesOfTheCalculator) {
    const char* const names[] = {"CAL", "C:CAL", "BERECHNEN", "C:BERECHNEN"};
    for (int code = 0; code < 4; ++code) {
        kvs_defun(names[code], code);
        kvs_regfunc(describeArguments, code);
    }
    kvs_defun("C:SUM", 4);
    kvs_regfunc(returnPoint, 4);
    struct Case {
        int line;
        std::string text;
        const char* want;
    };
    const Case cases[] = {
        {__LINE__, "HELP",
         "  CAL [EXPR]          the calculator (the module's command); BERECHNEN too\n"},
        {__LINE__, "help c:berechnen", "BERECHNEN is the module's name for CAL"},
        {__LINE__, "HELP BERECHNEN", "(berechnen \"EXPR\") evaluates one.\n\nThe calculator: "},
        {__LINE__, "HELP SUM", "No help for \"SUM\"."},
        {__LINE__, "HELP CALC", "No help for \"CALC\"."},
        {__LINE__, std::string("HELP a\0\x1b[2J", 11), "No help for \"A\\000\\e[2J\". Type HELP"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        hostsim::runCommandLine(c.text);
        std::string printed = hostsim::takeOutput();
        EXPECT_NE(std::string::npos, printed.find(c.want)) << printed;
    }
}

TEST_F(HostFunctions, ReadsAnswersWithoutOverrunningTheBuffer) {
    struct Case {
        int line;
        const char* input;
        int allowBlanks;
        std::size_t size;
        int want;
        const char* text;
    };
    const Case cases[] = {
        {__LINE__, "1+2\n", 1, 8, KVS_RTNORM, "1+2"},
        {__LINE__, "a b c\n", 1, 8, KVS_RTNORM, "a b c"},
        {__LINE__, "a b c\n", 0, 8, KVS_RTNORM, "a"},  // a blank ends the answer
        {__LINE__, "\n", 1, 8, KVS_RTNORM, ""},
        {__LINE__, "abc\r\n", 1, 8, KVS_RTNORM, "abc"},
        {__LINE__, "1234567\n", 1, 8, KVS_RTNORM, "1234567"},
        {__LINE__, "12345678\nshort\n", 1, 8, KVS_RTNORM, "short"},  // too long: asked again
        {__LINE__, "x\n", 1, 1, KVS_RTCAN, ""},                      // only "" fits; then the end
        {__LINE__, "*cancel*\n", 1, 8, KVS_RTCAN, ""},
        {__LINE__, "", 1, 8, KVS_RTCAN, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        char buffer[16];
        std::memset(buffer, '#', sizeof buffer);
        hostsim::useInputText(c.input);
        EXPECT_EQ(c.want, kvs_getstring(c.allowBlanks, "? ", buffer, c.size));
        EXPECT_STREQ(c.text, buffer);
        for (std::size_t i = c.size; i < sizeof buffer; ++i)
            ASSERT_EQ('#', buffer[i]) << "written past the buffer";
    }
    hostsim::useInputText("too long\n");
    hostsim::takeOutput();
    char small[4];
    EXPECT_EQ(KVS_RTCAN, kvs_getstring(1, "Say: ", small, sizeof small));
    EXPECT_EQ(
        "Say: too long\nThe answer is longer than 3 characters; please enter a shorter one.\nSay: "
        "\n",
        hostsim::takeOutput());
    EXPECT_EQ(KVS_RTERROR, kvs_getstring(1, "? ", small, 0));
}

// Relative answers start from LASTPOINT (1,2,3); polar angles are degrees from ANGBASE.
TEST_F(HostFunctions, ReadsPointsAndAsksAgainAfterAMalformedOne) {
    const double quarterTurn = 1.5707963267948966;
    struct Case {
        int line;
        const char* input;
        int initget;
        int want;
        hostsim::Point point;
        double angleBase = 0.0;
    };
    const Case cases[] = {
        {__LINE__, "1,2\n", 0, KVS_RTNORM, {1, 2, 0}},
        {__LINE__, " 1.5 , -2 , 3e1\n", 0, KVS_RTNORM, {1.5, -2, 30}},
        {__LINE__, "1\n1,2,3,4\n1,\nx,y\n4,5\n", 0, KVS_RTNORM, {4, 5, 0}},
        {__LINE__, "1,2,\n4,5\n", 0, KVS_RTNORM, {4, 5, 0}},  // a third part left empty
        {__LINE__, "\n", 0, KVS_RTCAN, {0, 0, 0}},
        {__LINE__, "\n7,8\n", 1, KVS_RTNORM, {7, 8, 0}},  // may not be empty: asked again
        {__LINE__, "*cancel*\n", 0, KVS_RTCAN, {0, 0, 0}},
        {__LINE__, "1e999,0\n", 0, KVS_RTCAN, {0, 0, 0}},  // refused, then the end
        {__LINE__, "@1,1\n", 0, KVS_RTNORM, {2, 3, 3}},
        {__LINE__, " @ -1, 0.5 ,2\n", 0, KVS_RTNORM, {0, 2.5, 5}},
        {__LINE__, "@\n", 0, KVS_RTNORM, {1, 2, 3}},
        {__LINE__, "10<90\n", 0, KVS_RTNORM, {0, 10, 0}},
        {__LINE__, "2<30\n", 0, KVS_RTNORM, {1.7320508075688772, 1, 0}},
        {__LINE__, "@2<-180\n", 0, KVS_RTNORM, {-1, 2, 3}},  // z stays the last point's
        {__LINE__, "1<90\n", 0, KVS_RTNORM, {-1, 0, 0}, quarterTurn},
        {__LINE__, "@1<\n<5\n@@1,2\n1<2<3\n1<2,3\n4,5\n", 0, KVS_RTNORM, {4, 5, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        ASSERT_TRUE(hostsim::setSysvarPoint("LASTPOINT", {1, 2, 3}));
        ASSERT_TRUE(hostsim::setSysvarReal("ANGBASE", c.angleBase));
        hostsim::useInputText(c.input);
        if (c.initget != 0) kvs_initget(c.initget, nullptr);
        double point[3] = {0, 0, 0};
        EXPECT_EQ(c.want, kvs_getpoint(nullptr, "Point: ", point));
        EXPECT_DOUBLE_EQ(c.point[0], point[0]);
        EXPECT_DOUBLE_EQ(c.point[1], point[1]);
        EXPECT_DOUBLE_EQ(c.point[2], point[2]);
    }
}

TEST_F(HostFunctions, KeepErrnoAsTheModuleLeftIt) {
    char text[8];
    double result = 0.0;
    ResultBuffer rb = {};
    hostsim::useInputText("");  // reading past the end sets errno inside the stream library
    struct Case {
        int line;
        const char* call;
        int (*run)(char*, double*, ResultBuffer*);
    };
    const Case cases[] = {
        {__LINE__, "kvs_printf",
         [](char*, double*, ResultBuffer*) { return kvs_printf("%s", "x"); }},
        {__LINE__, "kvs_getstring",
         [](char* t, double*, ResultBuffer*) { return kvs_getstring(1, "", t, 8); }},
        {__LINE__, "kvs_cvunit",
         [](char*, double* r, ResultBuffer*) { return kvs_cvunit(1, "furlong", "nosuchunit", r); }},
        {__LINE__, "kvs_getvar",
         [](char*, double*, ResultBuffer* b) { return kvs_getvar("nosuch", b); }},
        {__LINE__, "kvs_putsym",
         [](char*, double*, ResultBuffer* b) { return kvs_putsym("x", b); }},
        {__LINE__, "kvs_defun", [](char*, double*, ResultBuffer*) { return kvs_defun("x", 1); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.call);
        errno = ERANGE;
        c.run(text, &result, &rb);
        EXPECT_EQ(ERANGE, errno);
    }
}
