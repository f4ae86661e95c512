// tests/hostsim/services/hostileInputTests.cpp - the Quillet reader and the host's answer buffer
// given bytes no user types: NUL bytes, and answers exactly at and just past the module's buffer.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "hostsim/shell/shell.h"

namespace {

using namespace std::string_literals;

// Every read must move the reader on or stop with a message: one that does neither would make
// a list reader loop for ever, adding the same empty atom.
TEST(HostileInput, ReaderMovesOnOverEveryByte) {
    struct Case {
        int line;
        std::string text;
    };
    const Case cases[] = {
        {__LINE__, "\0"s},  {__LINE__, "(\0)"s},      {__LINE__, "(a \0 b)"s},
        {__LINE__, "'\0"s}, {__LINE__, "(\0\0\0\0"s},  // unclosed as well
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        std::size_t pos = 0;
        int reads = 0;
        hostsim::QValue value;
        std::string error;
        while (reads < 10 && hostsim::readQuillet(c.text, pos, value, error)) reads++;
        EXPECT_LT(reads, 10) << "the reader did not reach the end";
        EXPECT_TRUE(pos >= c.text.size() || !error.empty()) << "stopped at " << pos;
    }
}

// kvs_getstring with a buffer of size bytes takes answers of up to size - 1 characters and
// asks again for a longer one; the byte after the terminator is never written.
TEST(HostileInput, AnswerBufferTakesItsLimitAndRefusesOneMore) {
    struct Case {
        int line;
        std::size_t size;
        std::size_t answerLength;
        bool taken;
    };
    const Case cases[] = {
        {__LINE__, 132, 131, true},  // the expression prompt: 131 characters and the NUL
        {__LINE__, 132, 132, false}, {__LINE__, 132, 400, false}, {__LINE__, 2, 1, true},
        {__LINE__, 2, 2, false},     {__LINE__, 1, 1, false},  // room for the terminator only
        {__LINE__, 1, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        hostsim::captureOutput(true);
        const std::string answer(c.answerLength, 'x');
        hostsim::useInputText(answer + "\nshort\n");  // asked again: the short one fits only some
        std::string buffer(c.size + 1, '#');          // one guard byte after the buffer
        int status = kvs_getstring(1, "? ", &buffer[0], c.size);
        hostsim::captureOutput(false);
        hostsim::useStandardInput();
        EXPECT_EQ('#', buffer[c.size]) << "written past the buffer";
        if (c.taken) {
            EXPECT_EQ(KVS_RTNORM, status);
            EXPECT_EQ(answer, std::string(buffer.c_str()));
        } else {
            // refused: the next answer is taken when it fits, else the input ends and cancels
            EXPECT_NE(answer, std::string(buffer.c_str()));
            EXPECT_LT(std::strlen(buffer.c_str()), c.size);
        }
    }
}

}  // namespace
