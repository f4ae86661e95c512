// tests/functions/functionsFixture.h - the built-in functions registered, and case tables to
// check values and printed errors against.
#ifndef VECTRIN_TESTS_FUNCTIONS_FIXTURE_H
#define VECTRIN_TESTS_FUNCTIONS_FIXTURE_H

#include <cmath>
#include <string>

#include "functions/functions.h"
#include "functions/handlers.h"
#include "tests/support/engineFixture.h"

struct ScalarCase {
    int line;
    const char* text;
    ValueKind kind;
    double want;
};

struct VectorCase {
    int line;
    const char* text;
    double x, y, z;
};

// message: the text that follows the error heading, without the closing ".\n\n".
struct ErrorCase {
    int line;
    const char* text;
    int error;
    const char* message;
};

class FunctionsTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        registerBuiltinFunctions();
        registerMaxFunction();
        ASSERT_EQ(0, ErrorCode);
    }

    template <size_t N>
    void expectScalars(const ScalarCase (&cases)[N]) {
        for (const ScalarCase& c : cases) {
            SCOPED_TRACE(c.line);
            Value v = eval(c.text);
            ASSERT_EQ(0, ErrorCode) << c.text;
            EXPECT_EQ(c.kind, v.kind) << c.text;
            if (c.want == 0) {
                EXPECT_EQ(0.0, v.num) << c.text;  // not 6.1e-17, printed as noise
            }
            EXPECT_NEAR(c.want, v.num, 1e-12 * (1 + std::fabs(c.want))) << c.text;
        }
    }

    template <size_t N>
    void expectVectors(const VectorCase (&cases)[N]) {
        for (const VectorCase& c : cases) {
            SCOPED_TRACE(c.line);
            Value v = eval(c.text);
            ASSERT_EQ(0, ErrorCode) << c.text;
            EXPECT_EQ(ValueKind::Vector, v.kind) << c.text;
            EXPECT_NEAR(c.x, v.x, 1e-12 * (1 + std::fabs(c.x))) << c.text;
            EXPECT_NEAR(c.y, v.y, 1e-12 * (1 + std::fabs(c.y))) << c.text;
            EXPECT_NEAR(c.z, v.z, 1e-12 * (1 + std::fabs(c.z))) << c.text;
        }
    }

    template <size_t N>
    void expectErrors(const ErrorCase (&cases)[N]) {
        for (const ErrorCase& c : cases) {
            SCOPED_TRACE(c.line);
            std::string printed;
            EXPECT_EQ(c.error, errorOf(c.text, &printed)) << c.text;
            EXPECT_EQ(heading() + c.message + ".\n\n", printed) << c.text;
        }
    }
};

#endif
