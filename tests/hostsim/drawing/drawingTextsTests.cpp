// tests/hostsim/drawing/drawingTextsTests.cpp - a file as a DXF writer saves it, and its texts
// decoded by their bytes and the header's code page.
#include <gtest/gtest.h>

#include <string>

#include "tests/hostsim/drawingTestSupport.h"

namespace {

using drawingtest::DrawingTest;
using drawingtest::groupsToDxf;

// What a writing library adds around our data: header variables, classes, tables with their
// application IDs and layers, layout blocks and objects.
const char writerHeader[] =
    "0 SECTION\n2 HEADER\n9 $ACADVER\n1 AC1015\n9 $DWGCODEPAGE\n3 @PAGE@\n9 $INSBASE\n10 0.0\n"
    "20 0.0\n30 0.0\n9 $HANDSEED\n5 FFFF\n0 ENDSEC\n"
    "0 SECTION\n2 CLASSES\n0 CLASS\n1 ACDBDICTIONARYWDFLT\n2 AcDbDictionaryWithDefault\n"
    "3 ObjectDBX Classes\n90 0\n280 0\n281 0\n0 ENDSEC\n"
    "0 SECTION\n2 TABLES\n0 TABLE\n2 APPID\n5 9\n330 0\n100 AcDbSymbolTable\n70 1\n0 APPID\n"
    "5 12\n330 9\n100 AcDbSymbolTableRecord\n100 AcDbRegAppTableRecord\n2 ACAD\n70 0\n"
    "0 ENDTAB\n0 TABLE\n2 LAYER\n5 2\n70 1\n0 LAYER\n5 10\n2 0\n70 0\n62 7\n6 Continuous\n"
    "0 ENDTAB\n0 ENDSEC\n"
    "0 SECTION\n2 BLOCKS\n0 BLOCK\n5 20\n8 0\n2 *Model_Space\n70 0\n10 0.0\n20 0.0\n30 0.0\n"
    "3 *Model_Space\n1 \n0 ENDBLK\n5 21\n8 0\n0 BLOCK\n2 MARK\n70 0\n10 0\n20 0\n30 0\n"
    "0 CIRCLE\n10 0\n20 0\n40 1\n0 ENDBLK\n0 ENDSEC\n";
const char writerTail[] =
    "0 SECTION\n2 OBJECTS\n0 DICTIONARY\n5 C\n330 0\n100 AcDbDictionary\n281 1\n3 ACAD_GROUP\n"
    "350 D\n0 DICTIONARY\n5 D\n330 C\n100 AcDbDictionary\n281 1\n0 ENDSEC\n0 EOF\n";

std::string writerFile(const std::string& codePage, const std::string& text) {
    std::string head = writerHeader;
    head.replace(head.find("@PAGE@"), 6, codePage);
    return groupsToDxf(head +
                       "0 SECTION\n2 ENTITIES\n0 LINE\n5 30\n8 0\n10 0\n20 0\n11 1\n21 0\n"
                       "0 TEXT\n5 31\n8 0\n10 0\n20 5\n40 1\n1 " +
                       text +
                       "\n"
                       "0 INSERT\n5 32\n2 MARK\n10 9\n20 9\n0 ENDSEC\n" +
                       writerTail);
}

// The text group of the drawing's TEXT, as the module gets it.
std::string textOfTheText() {
    int index = drawingtest::findObject("TEXT");
    if (index < 0) return "(no TEXT)";
    const hostsim::DxfGroup* text = hostsim::findGroup(hostsim::currentDrawing().objects[index], 1);
    return std::string(text != nullptr ? text->text() : "(no group 1)");
}

TEST_F(DrawingTest, AWritersWholeFileReadsAsItsEntitiesAndBlocks) {
    std::string error;
    ASSERT_TRUE(hostsim::openDrawingText(writerFile("ANSI_1252", "plain"), "full.dxf", error))
        << error;
    const hostsim::Drawing& d = hostsim::currentDrawing();
    EXPECT_EQ(4u, d.objects.size());  // the block's circle, then LINE, TEXT and INSERT
    EXPECT_EQ(2u, d.blocks.size());
    EXPECT_EQ("plain", textOfTheText());
    EXPECT_TRUE(hostsim::drawingNotices().empty());
}

TEST_F(DrawingTest, TextsAreUtf8WhenValidElseInTheHeadersCodePage) {
    struct Case {
        int line;
        const char* codePage;
        const char* bytes;
        const char* want;  // in code page 1252
        bool notice;       // the code page is not known, or the header is out of place
    };
    const Case cases[] = {
        {__LINE__, "ANSI_1252", "H\xF6he", "H\xF6he", false},
        {__LINE__, "ANSI_1252", "H\xC3\xB6he", "H\xF6he", false},  // UTF-8, whatever the header
        {__LINE__, "ANSI_1251", "H\xC3\xB6he", "H\xF6he", false},
        {__LINE__, "ANSI_1250", "\x8A\x8C\xE4", "\x8A?\xE4", false},  // S acute: not in 1252
        {__LINE__, "ANSI_1251", "\xC4\xE0 \xA7", "?? \xA7", false},   // Cyrillic; section sign
        {__LINE__, "DOS850", "\x81\x84", "\xFC\xE4", false},          // u and a with umlaut
        {__LINE__, "ANSI_932", "\x82\xA0\xFF", "??", false},          // a kana; 0xFF: no character
        {__LINE__, "UTF8-IS-NO-PAGE", "H\xF6he", "H\xF6he", true},
        {__LINE__, "ANSI_1253", "\xE3\xC3\xB6", "??\xB6", false},  // not UTF-8: Greek, pilcrow
        // the header ended early, more variables after it: still the header's, with a notice
        {__LINE__, "ANSI_1252\n0 ENDSEC\n9 $DWGCODEPAGE\n3 ANSI_1251", "\xC4\xE0 \xA7", "?? \xA7",
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        std::string error;
        ASSERT_TRUE(hostsim::openDrawingText(writerFile(c.codePage, c.bytes), "t.dxf", error))
            << error;
        EXPECT_EQ(c.notice, !hostsim::drawingNotices().empty());
        EXPECT_EQ(c.want, textOfTheText());
    }
}

// What an MTEXT shows, its lines joined by '|': character codes decoded, \~ a space that does
// not break, no control characters.
TEST_F(DrawingTest, MtextShowsItsCharactersDecoded) {
    struct Case {
        int line;
        const char* text;
        const char* want;
    };
    const Case cases[] = {
        {__LINE__, "caf\\U+00E9\\Pa\\~b",
         "caf\xC3\xA9|a\xC2\xA0"
         "b"},
        {__LINE__, "a\\U+001Bb", "a?b"},
        {__LINE__, "\\M+100B1\\M+18341",
         "\xEF\xBD\xB1\xE3\x82\xA2"},  // code page 932: a byte, a pair
        // a height and its braces dropped; escaped braces kept
        {__LINE__, "{\\H2.5x;big} \\{1\\}", "big {1}"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        open(std::string("0 MTEXT\n10 0\n20 0\n40 1\n1 ") + c.text + "\n");
        std::string shown;
        for (const std::string& line :
             hostsim::textLines(hostsim::currentDrawing().objects[0], true))
            shown += (shown.empty() ? "" : "|") + line;
        EXPECT_EQ(c.want, shown);
    }
}

// $LUPREC gives the places coordinates are shown at; 4 without it or for one out of 0 to 8.
// $LTSCALE scales every dash; one that is not positive counts as 1.
TEST_F(DrawingTest, TakesTheDecimalPlacesAndLinetypeScaleFromTheHeader) {
    struct Case {
        int line;
        const char* header;
        int want;
        double scale = 1.0;
    };
    const Case cases[] = {
        {__LINE__, "", 4},
        {__LINE__, "\n9 $LUPREC\n70 0", 0},
        {__LINE__, "\n9 $LUPREC\n70 8", 8},
        {__LINE__, "\n9 $LUPREC\n70 9", 4},
        {__LINE__, "\n9 $LUPREC\n40 2.0", 4},
        {__LINE__, "\n9 $ORTHOMODE\n70 1", 4},  // another variable's 70
        {__LINE__, "\n9 $LTSCALE\n40 0.5", 4, 0.5},
        {__LINE__, "\n9 $LTSCALE\n40 0", 4, 1.0},  // no dashes of no length
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        std::string error;
        ASSERT_TRUE(hostsim::openDrawingText(writerFile(std::string("ANSI_1252") + c.header, "x"),
                                             "t.dxf", error))
            << error;
        EXPECT_EQ(c.want, hostsim::currentDrawing().coordinateDecimals);
        EXPECT_EQ(c.scale, hostsim::currentDrawing().linetypeScale);
    }
}

}  // namespace
