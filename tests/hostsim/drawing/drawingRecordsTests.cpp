// tests/hostsim/drawing/drawingRecordsTests.cpp - reading DXF: object records, kvs_entnext, refused
// files.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "hostsim/picking/picking.h"
#include "hostsim/view/view.h"
#include "tests/hostsim/drawingTestSupport.h"

namespace {

using drawingtest::DrawingTest;
using drawingtest::findObject;

// A record as "code=value": names as @index, points as x,y,z, texts quoted. The value's form
// is chosen from the code here, independently of the reader's table.
std::string recordText(const ResultBuffer& r) {
    char buffer[128];
    int code = r.type;
    if (code == -1 || code == -2 || code == 330) {
        int index = -1;
        if (!hostsim::objectOfRecord(r, index)) index = -1;
        std::snprintf(buffer, sizeof buffer, "%d=@%d", code, index);
    } else if ((code >= 0 && code <= 9) || code == 100 || code == 1000) {
        std::snprintf(buffer, sizeof buffer, "%d='%s'", code, r.value.text);
    } else if ((code >= 10 && code <= 18) || code == 210 || code == 1010) {
        std::snprintf(buffer, sizeof buffer, "%d=%g,%g,%g", code, r.value.point[0],
                      r.value.point[1], r.value.point[2]);
    } else if ((code >= 60 && code <= 79) || code == 1070) {
        std::snprintf(buffer, sizeof buffer, "%d=s%d", code, r.value.shortInt);
    } else if (code >= 90 && code <= 99) {
        std::snprintf(buffer, sizeof buffer, "%d=l%d", code, r.value.longInt);
    } else {
        std::snprintf(buffer, sizeof buffer, "%d=%g", code, r.value.real);
    }
    return buffer;
}

std::string recordsOf(int index) {
    kvs_name name;
    hostsim::nameOfObject(index, name);
    ResultBuffer* list = kvs_entget(name);
    std::string text;
    for (const ResultBuffer* r = list; r != nullptr; r = r->next)
        text += (text.empty() ? "" : " ") + recordText(*r);
    kvs_relrb(list);
    return text;
}

}  // namespace

TEST_F(DrawingTest, RecordsHoldNameTypeThenEveryGroupTyped) {
    open(
        "0 LINE\n5 2A\n100 Subclass\n8 walls\n62 5\n10 1\n20 2\n30 3\n11 4\n21 5\n31 6\n"
        "0 CIRCLE\n5 2B\n330 2A\n10 1.5\n20 2.5\n30 0\n40 3.25\n210 0\n220 0\n230 -1\n"
        "0 LWPOLYLINE\n90 2\n70 1\n38 4\n10 0\n20 0\n40 0.5\n41 0.5\n42 1\n10 5\n20 0\n"
        "0 TEXT\n10 7\n20 8\n40 2\n1 say \"hi\" \\ \x1b ok\n50 30\n1000 extra\n1070 12\n1010 "
        "1\n1020 2\n"
        "0 ARC\n10 0\n20 0\n40 1\n50 0\n51 90\n330 FFFF\n"
        "0 POINT\n10 1\n30 3\n"
        "0 POLYLINE\n66 1\n10 0\n20 0\n30 0\n0 VERTEX\n10 0\n20 0\n0 SEQEND\n");
    struct Case {
        int line;
        int index;
        const char* want;
    };
    const Case cases[] = {
        {__LINE__, 0, "-1=@0 0='LINE' 5='2A' 100='Subclass' 8='walls' 62=s5 10=1,2,3 11=4,5,6"},
        {__LINE__, 1, "-1=@1 0='CIRCLE' 5='2B' 330=@0 10=1.5,2.5,0 40=3.25 210=0,0,-1"},
        // an LWPOLYLINE's vertices have no z group: z is 0
        {__LINE__, 2, "-1=@2 0='LWPOLYLINE' 90=l2 70=s1 38=4 10=0,0,0 40=0.5 41=0.5 42=1 10=5,0,0"},
        {__LINE__, 3,
         "-1=@3 0='TEXT' 10=7,8,0 40=2 1='say \"hi\" \\ \x1b ok' 50=30 1000='extra' 1070=s12 "
         "1010=1,2,0"},
        {__LINE__, 4, "-1=@4 0='ARC' 10=0,0,0 40=1 50=0 51=90 330=@-1"},  // a handle of nothing
        {__LINE__, 5, "-1=@5 0='POINT' 10=1,0,0 30=3"},  // a z without its y is a plain real
        // an old-style polyline's flags default to 0 when the file omits them: a 2D polyline
        {__LINE__, 6, "-1=@6 0='POLYLINE' 66=s1 10=0,0,0 70=s0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(c.want, recordsOf(c.index));
    }
    kvs_name textName;
    hostsim::nameOfObject(3, textName);
    ResultBuffer* text = kvs_entget(textName);  // LIST shows a text as Quillet prints it
    EXPECT_NE(std::string::npos,
              hostsim::describeRecords(text).find("\n(1 . \"say \\\"hi\\\" \\\\ \\e ok\")\n"));
    kvs_relrb(text);
}

// Every numeral reads as the double strtod makes of it, to the last bit: the short decimals
// read apart from the rest, and those just past what can be read exactly.
TEST_F(DrawingTest, NumeralsReadToTheDoubleNearestThem) {
    const char* numerals[] = {"0.1",
                              "-0.0",
                              "-.5",
                              "7.",
                              "123.4567890123456",
                              "0.30000000000000004",
                              "9007199254740993",
                              "9007199254740993.0",
                              "1234567890123456789",
                              "12345678901234567890",
                              "0.0000000000000000000001",
                              "1.00000000000000000000001",
                              "1e22",
                              "4.9e-324"};
    for (const char* numeral : numerals) {
        SCOPED_TRACE(numeral);
        open(std::string("0 CIRCLE\n10 0\n20 0\n40 ") + numeral + "\n");
        kvs_name name;
        hostsim::nameOfObject(0, name);
        ResultBuffer* list = kvs_entget(name);
        const ResultBuffer* r = list;
        while (r != nullptr && r->type != 40) r = r->next;
        ASSERT_NE(nullptr, r);
        double want = std::strtod(numeral, nullptr);
        EXPECT_EQ(0, std::memcmp(&want, &r->value.real, sizeof want)) << r->value.real;
        kvs_relrb(list);
    }
}

TEST_F(DrawingTest, OldPolylineRecordsAndSeqendNamesItsPolyline) {
    openFile("r12.dxf");
    int polyline = findObject("POLYLINE"), insert = findObject("INSERT");
    ASSERT_GE(polyline, 0);
    ASSERT_GE(insert, 0);
    struct Case {
        int line;
        int index;
        const char* prefix;
    };
    const Case cases[] = {
        {__LINE__, findObject("VERTEX", 1), "0='VERTEX'"},
        {__LINE__, findObject("SEQEND", 0), "0='SEQEND' -2=@"},
        {__LINE__, findObject("ATTRIB", 0), "0='ATTRIB'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        ASSERT_GE(c.index, 0);
        std::string records = recordsOf(c.index);
        EXPECT_NE(std::string::npos, records.find(c.prefix)) << records;
    }
    EXPECT_NE(std::string::npos,
              recordsOf(findObject("SEQEND", 0)).find("-2=@" + std::to_string(polyline)));
    EXPECT_NE(std::string::npos,
              recordsOf(findObject("SEQEND", 1)).find("-2=@" + std::to_string(insert)));
    EXPECT_NE(std::string::npos, recordsOf(findObject("VERTEX", 1)).find("10=10,0,0"));
}

TEST_F(DrawingTest, EveryObjectOfAWrittenDrawingReadsBackItsKind) {
    openFile("objects.dxf");
    const auto& objects = hostsim::currentDrawing().objects;
    const char* kinds[] = {"LINE",   "CIRCLE", "ARC",  "LWPOLYLINE", "POLYLINE", "VERTEX",
                           "SEQEND", "POINT",  "TEXT", "MTEXT",      "INSERT"};
    for (const char* kind : kinds) {
        SCOPED_TRACE(kind);
        int index = findObject(kind);
        ASSERT_GE(index, 0);
        std::string records = recordsOf(index);
        EXPECT_EQ(0u, records.find("-1=@" + std::to_string(index) + " 0='" + kind + "'"))
            << records;
    }
    EXPECT_EQ(0u, hostsim::outstandingLists());
    // the circle written with extrusion (0,0,-1) and own centre (-20,0) keeps both as read
    EXPECT_NE(std::string::npos, recordsOf(drawingtest::findEntity("CIRCLE")).find("10=-20,0,0"));
    EXPECT_NE(std::string::npos, recordsOf(drawingtest::findEntity("CIRCLE")).find("210=0,0,-1"));
    EXPECT_GT(objects.size(), 20u);
}

TEST_F(DrawingTest, RecordListsAreCountedUntilReleased) {
    open("0 LINE\n10 0\n20 0\n11 1\n21 1\n");
    kvs_name name;
    hostsim::nameOfObject(0, name);
    ResultBuffer* first = kvs_entget(name);
    ResultBuffer* second = kvs_entget(name);
    EXPECT_EQ(2u, hostsim::outstandingLists());
    kvs_relrb(first);
    kvs_relrb(second);
    EXPECT_EQ(0u, hostsim::outstandingLists());
}

TEST_F(DrawingTest, EntnextWalksFileOrderIntoPolylineVertices) {
    openFile("r12.dxf");
    std::string walk;
    kvs_name name, next;
    int status = kvs_entnext(nullptr, name);
    while (status == KVS_RTNORM) {
        walk += drawingtest::typeOfName(name) + " ";
        status = kvs_entnext(name, next);
        name[0] = next[0];
        name[1] = next[1];
    }
    EXPECT_EQ("POLYLINE VERTEX VERTEX VERTEX SEQEND INSERT ATTRIB SEQEND LINE ", walk);
    EXPECT_EQ(KVS_RTERROR, status);
}

TEST_F(DrawingTest, EntnextStaysInsideABlockAndRefusesStaleNames) {
    openFile("objects.dxf");
    // BOX holds a line then a circle; the circle is its last object
    int blockLine =
        hostsim::currentDrawing().blocks[hostsim::currentDrawing().blockByName.at("BOX")].first;
    kvs_name name, next;
    hostsim::nameOfObject(blockLine, name);
    ASSERT_EQ(KVS_RTNORM, kvs_entnext(name, next));
    EXPECT_EQ("CIRCLE", drawingtest::typeOfName(next));
    EXPECT_EQ(KVS_RTERROR, kvs_entnext(next, name));

    kvs_name old;
    hostsim::nameOfObject(0, old);
    open("0 LINE\n10 0\n20 0\n11 1\n21 1\n");
    EXPECT_EQ(nullptr, kvs_entget(old));  // a name from the drawing no longer open
    EXPECT_EQ(KVS_RTERROR, kvs_entnext(old, next));
}

TEST_F(DrawingTest, MalformedFilesAreRefusedWithTheirLine) {
    using drawingtest::groupsToDxf;
    struct Case {
        int line;
        std::string text;
        const char* want;
    };
    const Case cases[] = {
        {__LINE__, "", "test.dxf:1: an empty file, not a DXF drawing"},
        {__LINE__, std::string("BINARY\r\n\x1a\0\x01\x02", 12),
         "test.dxf:1: a binary file; only ASCII DXF can be read"},
        {__LINE__, "0\nSECTION\n2\nENTITIES\nxx\nLINE\n", "test.dxf:5: 'xx' is not a group code"},
        {__LINE__, "0\nSECTION\n2\nENTITIES\n0\nLINE\n10\n",
         "test.dxf:7: group 10 has no value line"},
        {__LINE__, groupsToDxf("0 SECTION\n2 ENTITIES\n0 LINE\n10 abc\n"),
         "test.dxf:8: group 10 needs a number, not 'abc'"},
        {__LINE__, "0\r\nSECTION\r\n2\r\nENTITIES\r\n0\r\nLINE\r\n10\r\nabc\r\n",
         "test.dxf:8: group 10 needs a number, not 'abc'"},  // CRLF line ends: the same lines
        {__LINE__, groupsToDxf("0 SECTION\n2 ENTITIES\n0 LINE\n10 1e999\n"),
         "test.dxf:8: group 10 needs a number, not '1e999'"},
        {__LINE__, groupsToDxf("0 SECTION\n2 ENTITIES\n0 LINE\n62 99999\n"),
         "test.dxf:8: group 62 needs a 16-bit integer, not '99999'"},
        {__LINE__, groupsToDxf("0 SECTION\n2 ENTITIES\n0 LINE\n10 1\n"),
         "test.dxf:8: the file ends inside a section (ENDSEC missing)"},
        {__LINE__, groupsToDxf("0 SECTION\n2 ENTITIES\n0 VERTEX\n0 ENDSEC\n"),
         "test.dxf:5: a VERTEX outside a POLYLINE"},
        {__LINE__, groupsToDxf("0 SECTION\n2 ENTITIES\n0 POLYLINE\n0 VERTEX\n0 LINE\n0 ENDSEC\n"),
         "test.dxf:9: the POLYLINE at line 5 has no SEQEND"},
        {__LINE__, groupsToDxf("0 SECTION\n2 ENTITIES\n0 SEQEND\n0 ENDSEC\n"),
         "test.dxf:5: a SEQEND that ends no POLYLINE or INSERT"},
        {__LINE__, groupsToDxf("0 SECTION\n2 ENTITIES\n0 BLOCK\n2 B\n0 ENDBLK\n0 ENDSEC\n"),
         "test.dxf:5: unexpected BLOCK in the ENTITIES section"},
        {__LINE__, groupsToDxf("0 SECTION\n2 BLOCKS\n0 BLOCK\n2 B\n0 LINE\n0 ENDSEC\n"),
         "test.dxf:11: unexpected ENDSEC in the block 'B' of line 5"},
        {__LINE__, groupsToDxf("0 SECTION\n2 BLOCKS\n0 LINE\n0 ENDSEC\n"),
         "test.dxf:5: expected a BLOCK in the BLOCKS section, found 'LINE'"},
        {__LINE__, groupsToDxf("0 LINE\n0 EOF\n"), "test.dxf:1: expected a SECTION, found 'LINE'"},
        {__LINE__, groupsToDxf("0 SECTION\n0 ENDSEC\n"),
         "test.dxf:1: a SECTION without its name (group 2)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        std::string error;
        EXPECT_FALSE(hostsim::openDrawingText(c.text, "test.dxf", error));
        EXPECT_EQ(c.want, error);
    }
}

// A 999 comment may stand wherever a group may; it is skipped, never kept in a record.
TEST_F(DrawingTest, CommentsAreSkippedWhereverTheyStand) {
    const std::string line = "0 LINE\n10 1\n20 2\n11 3\n21 4\n";
    const std::string block = "0 BLOCK\n2 B\n10 0\n20 0\n0 ENDBLK\n";
    struct Case {
        int line;
        std::string groups;
    };
    const Case cases[] = {
        {__LINE__, "999 dxfrw 0.5.11\n0 SECTION\n2 ENTITIES\n" + line + "0 ENDSEC\n0 EOF\n"},
        {__LINE__, "0 SECTION\n999 x\n2 ENTITIES\n" + line + "0 ENDSEC\n0 EOF\n"},
        {__LINE__, "0 SECTION\n2 BLOCKS\n" + block +
                       "999 x\n0 ENDSEC\n999 between\n"
                       "0 SECTION\n2 ENTITIES\n" +
                       line + "0 ENDSEC\n999 x\n0 EOF\n999 after\n"},
        {__LINE__, "0 SECTION\n2 ENTITIES\n999 x\n" + line + "999 x\n0 ENDSEC\n0 EOF\n"},
        {__LINE__,
         "0 SECTION\n2 ENTITIES\n0 LINE\n999 x\n10 1\n20 2\n999 x\n999 y\n11 3\n"
         "21 4\n0 ENDSEC\n0 EOF\n"},
        {__LINE__,
         "0 SECTION\n2 BLOCKS\n0 BLOCK\n999 x\n2 B\n10 0\n20 0\n0 ENDBLK\n999 x\n"
         "0 ENDSEC\n0 SECTION\n2 HEADER\n999 x\n9 $ACADVER\n1 AC1009\n0 ENDSEC\n"
         "0 SECTION\n2 ENTITIES\n" +
             line + "0 ENDSEC\n0 EOF\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        std::string error;
        ASSERT_TRUE(hostsim::openDrawingText(drawingtest::groupsToDxf(c.groups), "c.dxf", error))
            << error;
        EXPECT_EQ("-1=@" + std::to_string(findObject("LINE")) + " 0='LINE' 10=1,2,0 11=3,4,0",
                  recordsOf(findObject("LINE")));
    }
}

// A file of the given text, removed when the test ends.
struct TemporaryFile {
    explicit TemporaryFile(const std::string& text) {
        char name[] = "/tmp/drawingTestXXXXXX";
        int fd = mkstemp(name);
        path = name;
        if (fd >= 0) {
            EXPECT_EQ(static_cast<ssize_t>(text.size()), write(fd, text.data(), text.size()));
            close(fd);
        }
    }
    ~TemporaryFile() { std::remove(path.c_str()); }
    std::string path;
};

// A pipe already holding text, its writing end closed: read as a stream, named by /dev/fd.
struct FilledPipe {
    explicit FilledPipe(const std::string& text) {
        int ends[2];
        EXPECT_EQ(0, pipe(ends));
        EXPECT_EQ(static_cast<ssize_t>(text.size()), write(ends[1], text.data(), text.size()));
        close(ends[1]);
        readEnd = ends[0];
        path = "/dev/fd/" + std::to_string(readEnd);
    }
    ~FilledPipe() { close(readEnd); }
    int readEnd = -1;
    std::string path;
};

// Special files get their true reason; streams are read up to the size limit; a drawing whose
// objects would take more than the limit is refused by the reader.
TEST_F(DrawingTest, FilesAreRefusedWithTheirReasonWithinTheSizeLimit) {
    std::string circles;
    for (int i = 0; i < 100; ++i) circles += "0 CIRCLE\n10 " + std::to_string(i) + "\n20 0\n40 1\n";
    const std::string small = drawingtest::drawingText("0 LINE\n10 0\n20 0\n11 1\n21 1\n");
    TemporaryFile tooLong(std::string(5000, '\n'));
    TemporaryFile manyObjects(drawingtest::drawingText(circles));
    TemporaryFile circleArray(drawingtest::drawingText(  // 4 KB of file, 3 MB of geometry
        "0 INSERT\n2 C\n10 0\n20 0\n70 100\n71 100\n44 3\n45 3\n" + circles,
        "0 BLOCK\n2 C\n10 0\n20 0\n0 CIRCLE\n10 0\n20 0\n40 1\n0 ENDBLK\n"));
    std::string fitPoints, thousandCircles;
    for (int i = 0; i < 200; ++i)
        fitPoints += "11 " + std::to_string(i) + "\n21 " + std::to_string(i % 2) + "\n";
    for (int i = 0; i < 1000; ++i)
        thousandCircles += "0 CIRCLE\n10 " + std::to_string(i) + "\n20 0\n40 1\n";
    TemporaryFile fitSpline(drawingtest::drawingText("0 SPLINE\n71 3\n" + fitPoints));  // 2 KB
    TemporaryFile countedArray(drawingtest::drawingText(  // objects 0.4 MB, copies 0.5 MB
        "0 INSERT\n2 C\n10 0\n20 0\n70 40\n71 40\n44 3\n45 3\n" + thousandCircles,
        "0 BLOCK\n2 C\n10 0\n20 0\n0 CIRCLE\n10 0\n20 0\n40 1\n0 ENDBLK\n"));
    FilledPipe smallPipe(small), longPipe(std::string(5000, '\n'));
    struct Case {
        int line;
        std::string path;
        const char* limit;
        const char* want;  // "" when the drawing opens
    };
    const Case cases[] = {
        {__LINE__, "/nonexistent/x.dxf", "4096", "/nonexistent/x.dxf: No such file"},
        {__LINE__, HOSTSIM_TEST_DXF_DIR, "4096", ": is a directory"},
        {__LINE__, tooLong.path, "4096", ": larger than the 4096 bytes a drawing may take here"},
        {__LINE__, manyObjects.path, "4096", ": the drawing needs more than the 4096 bytes"},
        {__LINE__, manyObjects.path, "100000", ""},
        {__LINE__, circleArray.path, "1000000",
         ":29: the block references expand past the 1000000 bytes a drawing may take here"},
        {__LINE__, circleArray.path, "10000000", ""},
        {__LINE__, fitSpline.path, "30000", ": the drawing needs more than the 30000 bytes"},
        {__LINE__, countedArray.path, "700000", ": the block references expand past the 700000"},
        {__LINE__, smallPipe.path, "4096", ""},
        {__LINE__, longPipe.path, "4096", ": larger than the 4096 bytes a drawing may take here"},
        {__LINE__, "/dev/zero", "4096", ": larger than the 4096 bytes a drawing may take here"},
        {__LINE__, "/dev/zero", "1000000", "/dev/zero:1: a binary file"},  // stops at a NUL
        {__LINE__, "/proc/self/maps", "1000000", "is not a group code"},   // its size shows as 0
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        std::string error, before = hostsim::currentDrawing().source;
        std::size_t primitivesBefore = hostsim::drawingPrimitives().size();
        setenv("HOSTSIM_MAX_DRAWING_BYTES", c.limit, 1);
        bool opened = hostsim::openDrawingFile(c.path, error);
        EXPECT_EQ(c.want[0] == '\0', opened) << error;
        EXPECT_NE(std::string::npos, error.find(c.want)) << error;
        if (opened) continue;  // a drawing refused leaves the one open before as it was
        EXPECT_EQ(before, hostsim::currentDrawing().source);
        EXPECT_EQ(primitivesBefore, hostsim::drawingPrimitives().size());
    }
    unsetenv("HOSTSIM_MAX_DRAWING_BYTES");
}

// A chain of blocks, each holding a line and a reference to the next; the last one refers to
// block `last`.
std::string blockChain(int count, int last) {
    std::string text;
    for (int i = 0; i < count; ++i)
        text += "0 BLOCK\n2 B" + std::to_string(i) +
                "\n10 0\n20 0\n0 LINE\n10 0\n20 0\n11 1\n21 1\n"
                "0 INSERT\n2 B" +
                std::to_string(i + 1 < count ? i + 1 : last) + "\n10 1\n20 0\n0 ENDBLK\n";
    return text;
}

TEST_F(DrawingTest, ReferenceNestingIsBoundedWithANotice) {
    struct Case {
        int line;
        std::string blocks;
        const char* notice;
        std::size_t segments;
    };
    const Case cases[] = {
        {__LINE__, blockChain(1, 0),
         "test.dxf:23: block 'B0' contains a reference to itself, which is not drawn", 1},
        {__LINE__, blockChain(3, 1), "block 'B1' contains a reference to itself", 3},
        {__LINE__, blockChain(20, 99), "references nested deeper than 16 are not drawn", 16},
        {__LINE__, blockChain(2, 99), "a reference to a block that is not defined", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        open("0 INSERT\n2 B0\n10 0\n20 0\n", c.blocks);
        ASSERT_EQ(1u, hostsim::drawingNotices().size());
        EXPECT_NE(std::string::npos, hostsim::drawingNotices()[0].find(c.notice))
            << hostsim::drawingNotices()[0];
        std::size_t segments = 0;
        for (const hostsim::Primitive& p : hostsim::drawingPrimitives())
            segments += p.kind == hostsim::Primitive::Kind::Segment;
        EXPECT_EQ(c.segments, segments);
    }
}

// Objects with no geometry here are counted once, in one notice; those drawn with their owner
// (VERTEX, SEQEND, ATTRIB, an ATTDEF in a block) are not counted.
TEST_F(DrawingTest, ObjectsNotDrawnAreCountedInOneNotice) {
    const char leader[] = "0 LEADER\n10 0\n20 0\n1 x\n";
    const char tagBlock[] = "0 BLOCK\n2 T\n10 0\n20 0\n0 ATTDEF\n10 0\n20 0\n2 N\n0 ENDBLK\n";
    struct Case {
        int line;
        std::string entities;
        std::string blocks;
        const char* notice;  // nullptr: no notice
    };
    const Case cases[] = {
        {__LINE__, std::string(leader) + "0 DIMENSION\n0 LINE\n11 1\n" + leader, "",
         "test.dxf: 3 objects of types DIMENSION, LEADER are not drawn"},
        {__LINE__, "0 DIMENSION\n", "", "test.dxf: 1 object of type DIMENSION is not drawn"},
        {__LINE__, "0 INSERT\n2 M\n0 INSERT\n2 M\n10 5\n",
         "0 BLOCK\n2 M\n10 0\n20 0\n" + std::string(leader) + "0 ENDBLK\n",
         "test.dxf: 1 object of type LEADER is not drawn"},
        {__LINE__,
         "0 INSERT\n2 T\n66 1\n0 ATTRIB\n2 N\n1 7\n0 SEQEND\n"
         "0 POLYLINE\n0 VERTEX\n0 VERTEX\n10 1\n0 SEQEND\n"
         "0 ELLIPSE\n11 1\n0 SOLID\n11 1\n0 TRACE\n11 1\n0 3DFACE\n11 1\n"
         "0 IMAGE\n0 WIPEOUT\n0 MTEXT\n1 x\n",
         tagBlock, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        open(c.entities, c.blocks);
        const auto& notices = hostsim::drawingNotices();
        if (c.notice == nullptr) {
            EXPECT_TRUE(notices.empty()) << notices.front();
            continue;
        }
        ASSERT_EQ(1u, notices.size());
        EXPECT_EQ(c.notice, notices[0]);
    }
}

// Blocks in levels, each inserting the next ten times: the deepest are refused a million
// times over. Each distinct notice is kept once with its count, and the references walked are
// bounded, so a file of a few KB opens in little time and memory.
TEST_F(DrawingTest, FanOutOfReferencesIsBoundedAndItsNoticesCounted) {
    std::string blocks;
    constexpr int levels = 18;
    for (int level = 0; level < levels; ++level) {
        blocks += "0 BLOCK\n2 B" + std::to_string(level) + "\n10 0\n20 0\n";
        for (int k = 0; k < 10 && level + 1 < levels; ++k)
            blocks += "0 INSERT\n2 B" + std::to_string(level + 1) + "\n10 " + std::to_string(k) +
                      "\n20 0\n";
        if (level + 1 == levels) blocks += "0 LINE\n10 0\n20 0\n11 1\n21 1\n";
        blocks += "0 ENDBLK\n";
    }
    open("0 INSERT\n2 B0\n10 0\n20 0\n", blocks);
    const auto& notices = hostsim::drawingNotices();
    ASSERT_EQ(11u, notices.size());  // ten refused references, then the bound
    for (std::size_t i = 0; i + 1 < notices.size(); ++i) {
        SCOPED_TRACE(notices[i]);
        EXPECT_NE(std::string::npos, notices[i].find("references nested deeper than 16"));
        EXPECT_NE(std::string::npos, notices[i].find(" times)"));
    }
    EXPECT_NE(std::string::npos, notices.back().find("walk past 100000 references"));
    EXPECT_LE(hostsim::drawingPrimitives().size(), 100001u);
}

TEST_F(DrawingTest, DefaultViewSizeShowsTheExtentsWithAMargin) {
    struct Case {
        int line;
        const char* entities;
        double want;
    };
    const Case cases[] = {
        {__LINE__, "0 LINE\n10 0\n20 0\n11 100\n21 10\n", 62.5 * 1.1},  // wide: width * 800/1280
        {__LINE__, "0 LINE\n10 0\n20 0\n11 10\n21 100\n", 100 * 1.1},   // tall: the height
        {__LINE__, "0 CIRCLE\n10 5\n20 5\n40 10\n", 20 * 1.1},
        // turned a quarter: the major axis (0,30) upright, the minor 15 across
        {__LINE__, "0 ELLIPSE\n10 5\n20 5\n11 0\n21 30\n40 0.5\n", 60 * 1.1},
        {__LINE__, "0 SOLID\n10 0\n20 0\n11 10\n21 0\n12 0\n22 40\n13 10\n23 40\n", 40 * 1.1},
        {__LINE__, "0 3DFACE\n10 0\n20 0\n11 10\n21 0\n12 10\n22 40\n13 0\n23 40\n", 40 * 1.1},
        // three alike, evenly spread: all shown, however far apart
        {__LINE__,
         "0 LINE\n10 0\n20 0\n11 1\n21 0\n0 LINE\n10 1e6\n20 0\n11 1000001\n21 0\n"
         "0 LINE\n10 2e6\n20 0\n11 2000001\n21 0\n",
         2000001 * 0.625 * 1.1},
        // two points far off, first in the file, and eight circles from x = -1 to 71: the circles
        {__LINE__,
         "0 POINT\n10 1e20\n20 0\n0 POINT\n10 1e20\n20 1\n0 CIRCLE\n10 0\n20 0\n40 1\n"
         "0 CIRCLE\n10 10\n20 0\n40 1\n0 CIRCLE\n10 20\n20 0\n40 1\n0 CIRCLE\n10 30\n20 0\n"
         "40 1\n0 CIRCLE\n10 40\n20 0\n40 1\n0 CIRCLE\n10 50\n20 0\n40 1\n0 CIRCLE\n10 60\n"
         "20 0\n40 1\n0 CIRCLE\n10 70\n20 0\n40 1\n",
         72 * 0.625 * 1.1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        std::string error;
        ASSERT_TRUE(hostsim::openDrawingText(drawingtest::drawingText(c.entities), "t.dxf", error));
        hostsim::QValue viewSize;
        ASSERT_TRUE(hostsim::getSysvar("VIEWSIZE", viewSize));
        EXPECT_NEAR(c.want, viewSize.number(), 1e-9);
        EXPECT_NEAR(c.want / 800, hostsim::pixelSize(), 1e-12);
    }
}

// Values at the edge of what a double holds are read, drawn where possible, and never hang a
// pick or a snap.
TEST_F(DrawingTest, ExtremeValuesOpenAndPickCleanly) {
    open(
        "0 ARC\n10 0\n20 0\n40 1\n50 1e300\n51 -1e300\n"
        "0 LINE\n10 -1e300\n20 0\n11 1e300\n21 1e300\n"
        "0 CIRCLE\n10 0\n20 0\n40 1e308\n"
        "0 INSERT\n2 B\n10 5\n20 5\n41 0\n42 0\n43 0\n"
        "0 LWPOLYLINE\n10 0\n20 0\n42 1e300\n10 1\n20 0\n"
        "0 ELLIPSE\n10 0\n20 0\n11 1e300\n21 1e300\n40 1e10\n41 1e300\n42 -1e300\n"
        "0 ELLIPSE\n10 5\n20 5\n11 1e-300\n21 0\n40 1e-300\n"
        "0 IMAGE\n10 0\n20 0\n11 1e308\n21 0\n12 0\n22 1e308\n13 1e308\n23 1e308\n"
        // knots spanning a double's range, a control point far off: pixels past any view's
        "0 SPLINE\n71 3\n40 0\n40 0\n40 0\n40 0\n40 1e308\n40 1e308\n40 1e308\n40 1e308\n"
        "10 0\n20 0\n10 1e150\n20 1\n10 2\n20 0\n10 3\n20 1\n",
        "0 BLOCK\n2 B\n10 0\n20 0\n0 CIRCLE\n10 0\n20 0\n40 1\n0 ENDBLK\n");
    const char* modes[] = {"_END", "_MID", "_CEN", "_INT", "_NEA",
                           "_NOD", "_QUA", "_PER", "_TAN", "_INS"};
    const double picks[][3] = {{0, 0, 0}, {1, 0, 0}, {5, 5, 0}, {1e300, 1e300, 0}, {-1e308, 0, 0}};
    for (const auto& pick : picks) {
        for (const char* mode : modes) {
            double out[3];
            int status = kvs_osnap(pick, mode, out);
            if (status == KVS_RTNORM) {
                EXPECT_FALSE(std::isnan(out[0]));
            }
        }
        hostsim::queueAnswer(std::to_string(pick[0]) + "," + std::to_string(pick[1]));
        kvs_name name;
        double point[3];
        int status = kvs_entsel("Select: ", name, point);
        EXPECT_TRUE(status == KVS_RTNORM || status == KVS_RTERROR);
    }
    EXPECT_NE(std::string::npos, hostsim::viewSvg().find("</svg>"));
}
