// tests/hostsim/base/codePagesTests.cpp - code page 1252 against UTF-8, and DXF code page names.
#include <gtest/gtest.h>

#include <string>

#include "hostsim/base/base.h"

namespace {

TEST(CodePages, EveryByteOf1252ComesBackFromItsUtf8) {
    for (int b = 0; b < 256; ++b) {
        SCOPED_TRACE(b);
        const std::string byte(1, static_cast<char>(b));
        const std::string utf8 = hostsim::utf8FromCp1252(byte);
        EXPECT_TRUE(hostsim::isValidUtf8(utf8));
        std::string back;
        char32_t missing = 0;
        EXPECT_TRUE(hostsim::cp1252FromUtf8(utf8, back, missing));
        EXPECT_EQ(byte, back);
    }
}

TEST(CodePages, Utf8ReachesTheHostIn1252OrNamesWhatIsMissing) {
    struct Case {
        int line;
        const char* utf8;
        bool converts;
        const char* want;  // the 1252 bytes when it converts
        char32_t missing;  // else the character named; 0 for text that is not UTF-8
    };
    const Case cases[] = {
        {__LINE__, "plain", true, "plain", 0},
        {__LINE__, "\xC3\xA9", true, "\xE9", 0},                          // e acute
        {__LINE__, "H\xC3\xB6he \xE2\x82\xAC", true, "H\xF6he \x80", 0},  // the euro sign is 0x80
        {__LINE__, "\xC5\xA0\xC5\xB8", true, "\x8A\x9F", 0},              // S caron, Y diaeresis
        {__LINE__, "a\xE4\xB8\xAD", false, "", 0x4E2D},                   // a CJK character
        {__LINE__, "\xF0\x9F\x98\x80", false, "", 0x1F600},               // outside the BMP
        {__LINE__, "\xC5\x81", false, "", 0x141},                         // L stroke: not in 1252
        {__LINE__, "\xE9", false, "", 0},                                 // a lone 1252 byte
        {__LINE__, "1\x80", false, "", 0},                                // and the euro sign's
        {__LINE__, "\xC0\xAF", false, "", 0},                             // overlong '/'
        {__LINE__, "\xED\xA0\x80", false, "", 0},                         // a surrogate
        {__LINE__, "\xE2\x82", false, "", 0},                             // cut short
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        std::string out = "unchanged";
        char32_t missing = 0xFFFF;
        EXPECT_EQ(c.converts, hostsim::cp1252FromUtf8(c.utf8, out, missing));
        EXPECT_EQ(c.converts, hostsim::isValidUtf8(c.utf8) && c.missing == 0);
        if (c.converts) {
            EXPECT_EQ(c.want, out);
        } else {
            EXPECT_EQ("unchanged", out);
            EXPECT_EQ(c.missing, missing);
        }
    }
}

TEST(CodePages, DxfCodePageNamesMapToIconvOrToNothing) {
    struct Case {
        int line;
        const char* dxfName;
        const char* want;
    };
    const Case cases[] = {
        {__LINE__, "ANSI_1252", "CP1252"},     {__LINE__, "ansi_1251", "CP1251"},
        {__LINE__, "ANSI_932", "CP932"},       {__LINE__, "DOS850", "CP850"},
        {__LINE__, "ISO8859-2", "ISO-8859-2"}, {__LINE__, "ANSI_99999", ""},
        {__LINE__, "no such page", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(c.want, hostsim::iconvCodePage(c.dxfName));
    }
}

}  // namespace
