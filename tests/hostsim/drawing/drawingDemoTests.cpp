// tests/hostsim/drawing/drawingDemoTests.cpp - the built-in demo drawing and the LIST command.
#include <gtest/gtest.h>

#include <string>

#include "tests/hostsim/drawingTestSupport.h"

namespace {

using drawingtest::DrawingTest;

}  // namespace

// The pick points the README offers select what it says, at the default view size.
TEST_F(DrawingTest, DemoDrawingPickPointsSelectTheirObjects) {
    hostsim::openDemoDrawing();
    EXPECT_TRUE(hostsim::drawingNotices().empty());
    EXPECT_EQ("", hostsim::takeOutput());
    struct Case {
        int line;
        const char* answer;
        const char* type;
        const char* nestedType;
    };
    const Case cases[] = {
        {__LINE__, "10,0", "LINE", "LINE"},
        {__LINE__, "0,10", "LINE", "LINE"},
        {__LINE__, "35,10", "CIRCLE", "CIRCLE"},
        {__LINE__, "50,15", "ARC", "ARC"},
        {__LINE__, "15,25", "LWPOLYLINE", "LWPOLYLINE"},
        {__LINE__, "45,22.5", "POLYLINE", "VERTEX"},
        {__LINE__, "14,55", "INSERT", "CIRCLE"},
        {__LINE__, "46,55", "INSERT", "CIRCLE"},
        {__LINE__, "60,0", "POINT", "POINT"},
        {__LINE__, "0,-7", "TEXT", "TEXT"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        kvs_name name;
        double point[3], matrix[4][3];
        ResultBuffer* containers = nullptr;
        hostsim::queueAnswer(c.answer);
        ASSERT_EQ(KVS_RTNORM, kvs_entsel("Select: ", name, point));
        EXPECT_EQ(c.type, drawingtest::typeOfName(name));
        hostsim::queueAnswer(c.answer);
        ASSERT_EQ(KVS_RTNORM, kvs_nentsel("Select: ", name, point, matrix, &containers));
        EXPECT_EQ(c.nestedType, drawingtest::typeOfName(name));
        kvs_relrb(containers);
    }
    EXPECT_EQ(0u, hostsim::outstandingLists());
}

TEST_F(DrawingTest, ListPrintsTheRecordsOfThePickedObject) {
    hostsim::openDemoDrawing();
    struct Case {
        int line;
        const char* answer;
        const char* want;
    };
    const Case cases[] = {
        {__LINE__, "10,0",
         "Select object: 10,0\n(-1 . <Object name: ID 2>)\n(0 . \"LINE\")\n(5 . \"10\")\n(8 . "
         "\"0\")\n"
         "(10 0.0 0.0 0.0)\n(11 20.0 0.0 0.0)\n"},
        {__LINE__, "35,10",
         "Select object: 35,10\n(-1 . <Object name: ID 4>)\n(0 . \"CIRCLE\")\n(5 . \"12\")\n"
         "(8 . \"0\")\n(10 30.0 10.0 0.0)\n(40 . 5.0)\n"},
        {__LINE__, "99,99", "Select object: 99,99\nNothing selected.\n"},
        {__LINE__, "*cancel*", "Select object: *cancel*\n"},
    };
    std::string id = std::to_string(hostsim::currentDrawing().id);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        hostsim::queueAnswer(c.answer);
        hostsim::listCommand();
        std::string want = c.want;
        for (std::size_t at = want.find("ID"); at != std::string::npos; at = want.find("ID"))
            want.replace(at, 2, id);
        EXPECT_EQ(want, hostsim::takeOutput());
    }
    EXPECT_EQ(0u, hostsim::outstandingLists());
}

// The demo read at its first use leaves the host as reading it at once does, whatever comes
// before that use: the view, the marks and the names all as they would have been.
TEST_F(DrawingTest, DeferredDemoDrawingMatchesOneOpenedAtOnce) {
    struct Case {
        int line;
        void (*first)();
    };
    const Case cases[] = {
        {__LINE__, [] {}},
        {__LINE__, [] { hostsim::setSysvarReal("VIEWSIZE", 50.0); }},
        {__LINE__,
         [] {
             hostsim::setSysvarPoint("SCREENSIZE", {400.0, 400.0, 0.0});
         }},
        {__LINE__, [] { hostsim::resetSysvars(); }},
        {__LINE__,
         [] {
             hostsim::beginEvaluation("[1,2]");
             hostsim::endEvaluation(hostsim::QValue::point(1.0, 2.0, 0.0));
         }},
        {__LINE__,
         [] {
             std::string error;
             hostsim::openDrawingText(drawingtest::drawingText("0 POINT\n10 1\n20 2\n"), "b.dxf",
                                      error);
         }},
    };
    auto session = [](bool deferred, void (*first)()) {
        hostsim::resetHostState();
        std::string error;
        hostsim::openDrawingText(drawingtest::drawingText(""), "a.dxf", error);
        int64_t idBefore = hostsim::currentDrawing().id;
        if (deferred)
            hostsim::deferDemoDrawing();
        else
            hostsim::openDemoDrawing();
        first();
        hostsim::QValue viewSize;
        hostsim::getSysvar("VIEWSIZE", viewSize);
        const hostsim::Drawing& d = hostsim::currentDrawing();
        return "VIEWSIZE " + hostsim::formatValue(viewSize) + ", id +" +
               std::to_string(d.id - idBefore) + ", objects " + std::to_string(d.objects.size()) +
               ", at 35,10 " + std::to_string(hostsim::objectSelectedAt({35.0, 10.0, 0.0})) +
               ", marks " + std::to_string(hostsim::drawingMarks().size());  // once it is open
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        std::string atOnce = session(false, c.first);
        EXPECT_EQ(atOnce, session(true, c.first));
    }
}
