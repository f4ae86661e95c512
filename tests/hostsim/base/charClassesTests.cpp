// tests/hostsim/base/charClassesTests.cpp - code page 1252 classes and upper case over every byte.
#include <gtest/gtest.h>

#include <climits>

#include "contract/kvs.h"

namespace {

// The code page in ranges: every byte falls in exactly one row. upperShift is what kvs_toupper
// subtracts; upperTo, when non-zero, is the capital for a single code.
struct ByteRange {
    int line;
    int first, last;
    bool letter, digit;
    int upperShift;
    int upperTo;
};

const ByteRange byteRanges[] = {
    {__LINE__, 0x00, 0x2F, false, false, 0, 0},
    {__LINE__, 0x30, 0x39, false, true, 0, 0},
    {__LINE__, 0x3A, 0x40, false, false, 0, 0},
    {__LINE__, 0x41, 0x5A, true, false, 0, 0},
    {__LINE__, 0x5B, 0x60, false, false, 0, 0},
    {__LINE__, 0x61, 0x7A, true, false, 0x20, 0},
    {__LINE__, 0x7B, 0x82, false, false, 0, 0},
    {__LINE__, 0x83, 0x83, true, false, 0, 0},  // ƒ has no capital
    {__LINE__, 0x84, 0x89, false, false, 0, 0},
    {__LINE__, 0x8A, 0x8A, true, false, 0, 0},
    {__LINE__, 0x8B, 0x8B, false, false, 0, 0},
    {__LINE__, 0x8C, 0x8C, true, false, 0, 0},
    {__LINE__, 0x8D, 0x8D, false, false, 0, 0},
    {__LINE__, 0x8E, 0x8E, true, false, 0, 0},
    {__LINE__, 0x8F, 0x99, false, false, 0, 0},
    {__LINE__, 0x9A, 0x9A, true, false, 0, 0x8A},
    {__LINE__, 0x9B, 0x9B, false, false, 0, 0},
    {__LINE__, 0x9C, 0x9C, true, false, 0, 0x8C},
    {__LINE__, 0x9D, 0x9D, false, false, 0, 0},
    {__LINE__, 0x9E, 0x9E, true, false, 0, 0x8E},
    {__LINE__, 0x9F, 0x9F, true, false, 0, 0},
    {__LINE__, 0xA0, 0xA9, false, false, 0, 0},
    {__LINE__, 0xAA, 0xAA, true, false, 0, 0},
    {__LINE__, 0xAB, 0xB4, false, false, 0, 0},
    {__LINE__, 0xB5, 0xB5, true, false, 0, 0},
    {__LINE__, 0xB6, 0xB9, false, false, 0, 0},
    {__LINE__, 0xBA, 0xBA, true, false, 0, 0},
    {__LINE__, 0xBB, 0xBF, false, false, 0, 0},
    {__LINE__, 0xC0, 0xD6, true, false, 0, 0},
    {__LINE__, 0xD7, 0xD7, false, false, 0, 0},  // ×
    {__LINE__, 0xD8, 0xDF, true, false, 0, 0},   // ß stays
    {__LINE__, 0xE0, 0xF6, true, false, 0x20, 0},
    {__LINE__, 0xF7, 0xF7, false, false, 0, 0},  // ÷
    {__LINE__, 0xF8, 0xFE, true, false, 0x20, 0},
    {__LINE__, 0xFF, 0xFF, true, false, 0, 0x9F},
};

}  // namespace

TEST(CharClasses, ClassifiesAndUpperCasesEveryByte) {
    int expectedFirst = 0;
    for (const ByteRange& r : byteRanges) {
        SCOPED_TRACE(r.line);
        ASSERT_EQ(expectedFirst, r.first);  // the rows cover the code page without gaps
        expectedFirst = r.last + 1;
        for (int b = r.first; b <= r.last; ++b) {
            SCOPED_TRACE(b);
            int upper = r.upperTo != 0 ? r.upperTo : b - r.upperShift;
            // the same byte as a plain char sign-extends above 127
            for (int c : {b, static_cast<int>(static_cast<signed char>(b))}) {
                EXPECT_EQ(r.letter, kvs_isalpha(c) != 0);
                EXPECT_EQ(r.digit, kvs_isdigit(c) != 0);
                EXPECT_EQ(r.letter || r.digit, kvs_isalnum(c) != 0);
                EXPECT_EQ(upper, kvs_toupper(c));
            }
        }
    }
    EXPECT_EQ(256, expectedFirst);
}

TEST(CharClasses, ReadsOnlyTheLowByteOfAnyInt) {
    struct Case {
        int line;
        int c;
        bool letter;
        int upper;
    };
    const Case cases[] = {
        {__LINE__, -1, true, 0x9F},    // ÿ from a plain char, not EOF
        {__LINE__, 0x161, true, 'A'},  // 'a' + 256
        {__LINE__, INT_MIN, false, 0},      {__LINE__, INT_MAX, true, 0x9F},
        {__LINE__, -256 + '7', false, '7'},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(c.letter, kvs_isalpha(c.c) != 0);
        EXPECT_EQ(c.upper, kvs_toupper(c.c));
    }
}
