// tests/support/engineFixture.h - evaluates statements inside the in-process host.
#ifndef VECTRIN_TESTS_ENGINE_FIXTURE_H
#define VECTRIN_TESTS_ENGINE_FIXTURE_H

#include <gtest/gtest.h>

#include <string>

#include "engine/engine.h"
#include "host/calculator.h"
#include "hostsim/shell/shell.h"
#include "messages/messages.h"

inline void failOnCatalogueError(const char* text) { ADD_FAILURE() << "catalogue: " << text; }

class EngineTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_NE(-1, openCatalogue(VECTRIN_CATALOGUE_PATH, failOnCatalogueError));
    }
    static void TearDownTestSuite() { closeCatalogue(); }

    void SetUp() override {
        hostsim::resetHostState();
        hostsim::captureOutput(true);
        hostsim::takeOutput();
        clearFunctionTable();
        ErrorCode = 0;
    }
    void TearDown() override {
        EXPECT_EQ(0u, hostsim::outstandingLists()) << "a host list was not released";
        hostsim::captureOutput(false);
    }

    // Evaluates a statement; on failure the value is left as a Real NaN.
    Value eval(const char* text) {
        Value out = makeReal(0.0 / 0.0);
        evaluateStatement(text, out);
        return out;
    }

    // The error number a statement ends with, and what it printed.
    int errorOf(const char* text, std::string* printed = nullptr) {
        Value out;
        hostsim::takeOutput();
        evaluateStatement(text, out);
        std::string output = hostsim::takeOutput();
        if (printed != nullptr) *printed = output;
        return ErrorCode;
    }

    static std::string heading() { return getMessage(errorModule, errorHeading); }
};

#endif
