// tests/hostsim/picking/drawingSelectionTests.cpp - kvs_entsel and kvs_nentsel on typed pick
// points.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "hostsim/picking/picking.h"
#include "tests/hostsim/drawingTestSupport.h"

namespace {

using drawingtest::DrawingTest;
using drawingtest::findEntity;
using drawingtest::findObject;

struct Selection {
    int status = 0;
    int index = -1;
    double point[3] = {0, 0, 0};
};

Selection entsel(const std::string& answer) {
    hostsim::queueAnswer(answer);
    Selection s;
    kvs_name name = {0, 0};
    s.status = kvs_entsel("Select: ", name, s.point);
    if (s.status == KVS_RTNORM && !hostsim::objectOfName(name, s.index)) s.index = -2;
    return s;
}

struct NestedSelection : Selection {
    double matrix[4][3] = {};
    std::vector<int> containers;
};

NestedSelection nentsel(const std::string& answer) {
    hostsim::queueAnswer(answer);
    NestedSelection s;
    kvs_name name = {0, 0};
    ResultBuffer* list = nullptr;
    s.status = kvs_nentsel("Select: ", name, s.point, s.matrix, &list);
    if (s.status == KVS_RTNORM && !hostsim::objectOfName(name, s.index)) s.index = -2;
    for (const ResultBuffer* r = list; r != nullptr; r = r->next) {
        int index = -1;
        EXPECT_EQ(KVS_RTENAME, r->type);
        EXPECT_TRUE(hostsim::objectOfRecord(*r, index));
        s.containers.push_back(index);
    }
    kvs_relrb(list);
    return s;
}

}  // namespace

// One pixel is one unit here, and PICKBOX is 3 pixels.
TEST_F(DrawingTest, EntselTakesTheNearestObjectWithinThePickBox) {
    open(
        "0 LINE\n10 0\n20 0\n11 10\n21 0\n"   // 0
        "0 LINE\n10 0\n20 2\n11 10\n21 2\n"   // 1
        "0 LINE\n10 0\n20 2\n11 10\n21 2\n"   // 2: over line 1
        "0 CIRCLE\n10 30\n20 0\n40 5\n"       // 3
        "0 TEXT\n10 50\n20 0\n40 10\n1 AB\n"  // 4: its box 50 to 62 by 0 to 10
        // not drawn, so never picked: a layer off, a layer frozen, invisible (group 60)
        "0 LINE\n8 OFF\n10 0\n20 -1\n11 10\n21 -1\n"
        "0 CIRCLE\n8 ICE\n10 30\n20 0\n40 6\n"
        "0 CIRCLE\n60 1\n10 56\n20 5\n40 2\n"         // through (58,5), inside the text's box
        "0 ARC\n10 80\n20 0\n40 5\n50 0\n51 90\n"     // 8: a quarter, above and right of (80,0)
        "0 LINE\n10 70\n20 -8\n11 90\n21 -8\n"        // 9
        "0 MTEXT\n10 100\n20 0\n40 10\n71 7\n1 AB\n"  // 10: one line, 100 to 112 by 0 to 10
        "0 TEXT\n10 130\n20 0\n40 10\n41 2\n1 AB\n"   // 11: twice as wide, 130 to 154
        "0 TEXT\n10 170\n20 0\n40 10\n1 \\U+30A2\\U+30A2\n"   // 12: two characters, to 182
        "0 LINE\n8 ZERO\n10 0\n20 -20\n11 10\n21 -20\n"       // 13
        "0 TEXT\n10 200\n20 0\n40 10\n1 {AB}\n"               // 14: braces shown, to 224
        "0 MTEXT\n10 230\n20 0\n40 10\n71 7\n1 ABCD\\PAB\n",  // 15: as wide as its longest line
        "", drawingtest::layerTable);
    struct Case {
        int line;
        const char* answer;
        int status;
        int index;
    };
    const Case cases[] = {
        {__LINE__, "5,-3", KVS_RTNORM, 0},       // on the edge of the pick box
        {__LINE__, "5,-3.01", KVS_RTERROR, -1},  // just outside it
        {__LINE__, "5,0.9", KVS_RTNORM, 0},      // both lines in the box; the nearer wins
        {__LINE__, "5,1.1", KVS_RTNORM, 2},      // two at the same distance: the later one
        {__LINE__, "12,0", KVS_RTNORM, 0},       // past the end, within the box of it
        {__LINE__, "13.5,0", KVS_RTERROR, -1},
        {__LINE__, "30,7", KVS_RTNORM, 3},    // near the circle's outline
        {__LINE__, "30,0", KVS_RTERROR, -1},  // its centre is 5 away from it
        {__LINE__, "56,5", KVS_RTNORM, 4},    // a text is picked anywhere inside its box
        {__LINE__, "56,13.5", KVS_RTERROR, -1},
        {__LINE__, "5,-0.9", KVS_RTNORM, 0},   // nearer a line on a layer that is off
        {__LINE__, "30,6.2", KVS_RTNORM, 3},   // nearer a circle on a frozen layer
        {__LINE__, "58,5", KVS_RTNORM, 4},     // on an invisible circle: the text
        {__LINE__, "5,0,99", KVS_RTNORM, 0},   // the view looks down: z does not matter
        {__LINE__, "80,-5.5", KVS_RTNORM, 9},  // the arc's circle passes nearer; the arc does not
        // on the arc's circle, 4 from the arc
        {__LINE__, "83,-3.5", KVS_RTERROR, -1},
        {__LINE__, "101,9", KVS_RTNORM, 10},
        {__LINE__, "101,13.5", KVS_RTERROR, -1},  // above the MTEXT's only line
        {__LINE__, "150,5", KVS_RTNORM, 11},
        {__LINE__, "186,5", KVS_RTERROR, -1},
        {__LINE__, "5,-20", KVS_RTNORM, 13},  // a layer of colour 0 is not off
        {__LINE__, "220,5", KVS_RTNORM, 14},
        {__LINE__, "250,20", KVS_RTNORM, 15},
        {__LINE__, "", KVS_RTCAN, -1},
        {__LINE__, "*cancel*", KVS_RTCAN, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        Selection s = entsel(c.answer);
        EXPECT_EQ(c.status, s.status);
        if (c.status == KVS_RTNORM) {
            EXPECT_EQ(c.index, s.index);
        }
    }
}

TEST_F(DrawingTest, PickBoxFollowsPickboxAndViewSize) {
    open("0 LINE\n10 0\n20 0\n11 10\n21 0\n");
    struct Case {
        int line;
        int pickbox;
        double viewSize;
        const char* answer;
        int status;
    };
    const Case cases[] = {
        {__LINE__, 3, 800, "5,2.9", KVS_RTNORM},
        {__LINE__, 1, 800, "5,2.9", KVS_RTERROR},
        {__LINE__, 1, 3200, "5,2.9", KVS_RTNORM},  // four units a pixel
        {__LINE__, 0, 800, "5,0", KVS_RTNORM},     // a box of nothing still takes an exact hit
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        ASSERT_TRUE(hostsim::setSysvarInt("PICKBOX", c.pickbox));
        ASSERT_TRUE(hostsim::setSysvarReal("VIEWSIZE", c.viewSize));
        EXPECT_EQ(c.status, entsel(c.answer).status);
    }
}

TEST_F(DrawingTest, PickPointIsReadInTheUcsAndReturnedAsTyped) {
    open("0 LINE\n10 0\n20 0\n11 10\n21 0\n");
    ASSERT_TRUE(hostsim::setUcsByPoints({100, 0, 0}, {100, 1, 0}, {99, 0, 0}));  // x along world Y
    Selection s = entsel("0,95");                                                // world (5, 0)
    EXPECT_EQ(KVS_RTNORM, s.status);
    EXPECT_EQ(0, s.index);
    EXPECT_DOUBLE_EQ(95, s.point[1]);
    EXPECT_EQ(KVS_RTCAN, entsel("").status);
    hostsim::useInputText("");  // the end of input cancels too
    kvs_name name;
    double point[3];
    EXPECT_EQ(KVS_RTCAN, kvs_entsel("Select: ", name, point));
}

TEST_F(DrawingTest, NentselGivesTheInnermostObjectItsMapAndContainers) {
    openFile("objects.dxf");
    int box = findEntity("INSERT", 0), outer = findEntity("INSERT", 1);
    int boxCircle = findObject("CIRCLE", 0), outerLine = findObject("LINE", 1);
    int innerBox = findObject("INSERT", 0);  // the BOX reference inside OUTER
    const double c30 = std::cos(M_PI / 6), s30 = 0.5;
    struct Case {
        int line;
        const char* answer;
        int index;
        std::vector<int> containers;
        double matrix[4][3];
    };
    const Case cases[] = {
        // BOX at (100,0), scale 2, turned 90 degrees: its circle of radius 1 has radius 2
        {__LINE__, "100,-2", boxCircle, {box}, {{0, 2, 0}, {-2, 0, 0}, {0, 0, 2}, {100, 0, 0}}},
        // where its line crosses the circle: the later of the two
        {__LINE__, "100,2", boxCircle, {box}, {{0, 2, 0}, {-2, 0, 0}, {0, 0, 2}, {100, 0, 0}}},
        // OUTER at (100,40), scale 2 by 1, turned 30; its line (0,0)-(0,5) runs along its y axis
        {__LINE__,
         "99.25,41.299",
         outerLine,
         {outer},
         {{2 * c30, 2 * s30, 0}, {-s30, c30, 0}, {0, 0, 1}, {100, 40, 0}}},
        // BOX at (10,0) inside OUTER: BOX's (0,1) lands at OUTER's (10,1)
        {__LINE__,
         "116.8205,50.8660",
         boxCircle,
         {innerBox, outer},
         {{2 * c30, 2 * s30, 0}, {-s30, c30, 0}, {0, 0, 1}, {100 + 20 * c30, 40 + 20 * s30, 0}}},
        // not nested: identity, no containers
        {__LINE__, "5,0", findEntity("LINE"), {}, {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {0, 0, 0}}},
    };
    ASSERT_TRUE(hostsim::setSysvarReal("VIEWSIZE", 80));  // a tenth of a unit a pixel
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        NestedSelection s = nentsel(c.answer);
        ASSERT_EQ(KVS_RTNORM, s.status);
        EXPECT_EQ(c.index, s.index);
        EXPECT_EQ(c.containers, s.containers);
        for (int i = 0; i < 4; ++i)
            for (int k = 0; k < 3; ++k)
                EXPECT_NEAR(c.matrix[i][k], s.matrix[i][k], 1e-12) << i << "," << k;
    }
    EXPECT_EQ(0u, hostsim::outstandingLists());
}

TEST_F(DrawingTest, PolylinePicksGiveTheVertexThatStartsTheSegment) {
    openFile("objects.dxf");
    // (20,20) (30,20) bulge 0.5 (40,20): the arc's lowest point is (35,17.5)
    int polyline = findEntity("POLYLINE", 0);
    int firstVertex = polyline + 1;
    struct Case {
        int line;
        const char* answer;
        int nested;
        int plain;
    };
    const Case cases[] = {
        {__LINE__, "25,20", firstVertex, polyline},
        {__LINE__, "35,17.5", firstVertex + 1, polyline},
        {__LINE__, "5,20", findEntity("LWPOLYLINE"), findEntity("LWPOLYLINE")},   // its own name
        {__LINE__, "15,25", findEntity("LWPOLYLINE"), findEntity("LWPOLYLINE")},  // on its arc
        {__LINE__, "55,20", findEntity("POLYLINE", 1) + 1, findEntity("POLYLINE", 1)},  // 3D
    };
    ASSERT_TRUE(hostsim::setSysvarReal("VIEWSIZE", 80));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(c.nested, nentsel(c.answer).index);
        EXPECT_EQ(c.plain, entsel(c.answer).index);
    }
}

TEST_F(DrawingTest, ReferencesAndAttributesSelectAsWholes) {
    openFile("r12.dxf");
    int insert = findEntity("INSERT"), attrib = findEntity("ATTRIB");
    ASSERT_TRUE(hostsim::setSysvarReal("VIEWSIZE", 80));
    EXPECT_EQ(insert, entsel("21,0").index);      // the block's circle
    EXPECT_EQ(insert, entsel("20,-1.75").index);  // the attribute's text
    NestedSelection s = nentsel("20,-1.75");
    EXPECT_EQ(attrib, s.index);
    EXPECT_TRUE(s.containers.empty());  // an attribute stands in world, not in the block
    s = nentsel("21,0");
    EXPECT_EQ("CIRCLE", hostsim::currentDrawing().objects[s.index].type);
    EXPECT_EQ(std::vector<int>{insert}, s.containers);
}

// A few far-off objects must not stretch the pick index over the whole drawing: a pick among
// 2,000 small circles examines a handful of them, and the far-off objects are still picked. The
// default view holds every object but those so far off that the rest would be below a pixel.
TEST_F(DrawingTest, FarOffObjectsDoNotDefeatThePickIndex) {
    std::string circles;
    for (int i = 0; i < 2000; ++i)
        circles += "0 CIRCLE\n10 " + std::to_string(i % 50 * 10) + "\n20 " +
                   std::to_string(i / 50 * 10) + "\n40 2\n";
    std::string manyFar;
    for (int i = 0; i < 100; ++i) manyFar += "0 POINT\n10 1e20\n20 " + std::to_string(i) + "\n";
    const std::string twoFar = "0 POINT\n10 1e20\n20 0\n0 POINT\n10 -1e20\n20 -1e20\n";
    const std::string longLine = "0 LINE\n10 0\n20 -5\n11 1e20\n21 -5\n";
    const std::string aside = "0 CIRCLE\n10 5000\n20 0\n40 2\n";
    const std::string hiddenAside = "0 CIRCLE\n60 1\n10 5000\n20 0\n40 2\n";  // invisible
    // parameters 0.2 to 1.2 of an ellipse centred (-100,250): x from -100 + 50 cos 1.2
    const std::string arc = "0 ELLIPSE\n10 -100\n20 250\n11 50\n21 0\n40 0.5\n41 0.2\n42 1.2\n";
    // lines without end: picked anywhere along them, never in the extents nor counted out of them
    const std::string xline = "0 XLINE\n10 1e17\n20 0\n11 1\n21 0\n";  // along X, from 1e17
    const std::string ray = "0 RAY\n10 250\n20 250\n11 1\n21 1\n";
    struct Case {
        int line;
        std::string extra;
        const char* pick;
        const char* type;
        std::size_t maxExamined;
        double viewWidth;    // of the default view's extents
        const char* notice;  // of the objects the view leaves out
    };
    const Case cases[] = {
        {__LINE__, "", "252,250", "CIRCLE", 8, 494, nullptr},
        {__LINE__, "0 POINT\n10 252\n20 250\n", "252,250", "POINT", 8, 494,
         nullptr},  // another drawing
        {__LINE__, twoFar, "252,250", "CIRCLE", 8, 494, "leaves out 2 objects"},
        {__LINE__, twoFar, "1e20,1", "POINT", 8, 494, "leaves out 2 objects"},
        {__LINE__, longLine, "252,250", "CIRCLE", 8, 494, "leaves out 1 object:"},
        {__LINE__, longLine, "5e19,-4", "LINE", 8, 494, "leaves out 1 object:"},
        {__LINE__, manyFar, "1e20,50", "POINT", 2100, 494, "leaves out 100 objects"},
        {__LINE__, aside, "5000,2", "CIRCLE", 8, 5004, nullptr},  // far, but seen with the rest
        {__LINE__, hiddenAside, "252,250", "CIRCLE", 8, 494, nullptr},  // not drawn: not in view
        {__LINE__, arc, "-61.76,266.1", "ELLIPSE", 8, 592 - 50 * std::cos(1.2), nullptr},
        {__LINE__, xline, "-1e9,0", "XLINE", 8, 494, nullptr},
        {__LINE__, ray, "1e7,1e7", "RAY", 8, 494, nullptr},
        // 200 degrees from 170: both its leftmost and its rightmost points
        {__LINE__, "0 ARC\n10 600\n20 250\n40 100\n50 170\n51 10\n", "700,250", "ARC", 8, 702,
         nullptr},
        // across every cell: filed where cells are as large as it, and met there
        {__LINE__, "0 LINE\n10 0\n20 -5\n11 490\n21 -5\n", "250,-4", "LINE", 8, 494, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        open(circles + c.extra);
        hostsim::Point low, high;
        ASSERT_TRUE(hostsim::viewExtents(low, high));
        EXPECT_DOUBLE_EQ(c.viewWidth, high[0] - low[0]);
        const auto& notices = hostsim::drawingNotices();
        ASSERT_EQ(c.notice ? 1u : 0u, notices.size());
        if (c.notice) {
            EXPECT_NE(std::string::npos, notices[0].find(c.notice)) << notices[0];
        }
        Selection s = entsel(c.pick);
        ASSERT_EQ(KVS_RTNORM, s.status);
        EXPECT_EQ(c.type, hostsim::currentDrawing().objects[s.index].type);
        EXPECT_LE(hostsim::primitivesExamined(), c.maxExamined);
    }
}

// Curves crowding one place are filed in a tree of their own; a query must find among them just
// what measuring each would: concentric circles, circles of one size side by side, arcs and
// ellipses in the pile, lines across it.
TEST_F(DrawingTest, CrowdedCurvesAreFoundAsIfEachWereMeasured) {
    std::string pile;
    auto add = [&](const std::string& object) { pile += object; };
    for (int i = 0; i < 400; ++i) {
        add("0 CIRCLE\n10 0\n20 0\n40 " + std::to_string(10 + i * 0.01) + "\n");
        add("0 CIRCLE\n10 " + std::to_string(i % 20 * 0.2) + "\n20 " +
            std::to_string(i / 20 * 0.2) + "\n40 3\n");
    }
    for (int i = 0; i < 120; ++i)
        add("0 ARC\n10 1\n20 -1\n40 " + std::to_string(6 + i * 0.03) + "\n50 " +
            std::to_string(i * 7) + "\n51 " + std::to_string(i * 7 + 40) + "\n");
    for (int i = 0; i < 60; ++i)
        add("0 ELLIPSE\n10 " + std::to_string(i * 0.1) + "\n20 0\n11 8\n21 " +
            std::to_string(i * 0.05) + "\n40 0.4\n41 0\n42 6.283185307179586\n");
    for (int i = 0; i < 20; ++i)
        add("0 LINE\n10 -15\n20 " + std::to_string(i - 10) + "\n11 15\n21 0\n");
    open(pile);
    const auto& all = hostsim::drawingPrimitives();
    std::uint32_t seed = 31;
    auto next = [&seed](double low, double high) {
        seed = seed * 1664525u + 1013904223u;
        return low + (high - low) * (seed >> 8) / double(1u << 24);
    };
    for (int k = 0; k < 120; ++k) {
        double x = next(-16, 16), y = next(-16, 16),
               radius = k % 3 == 0   ? 0.01
                        : k % 3 == 1 ? 0.3
                                     : 2;
        SCOPED_TRACE(std::to_string(x) + "," + std::to_string(y) + " within " +
                     std::to_string(radius));
        std::vector<hostsim::NearPrimitive> near;
        hostsim::primitivesNear(x, y, radius, 0.0, near);
        std::vector<int> found, measured;
        for (const auto& n : near) found.push_back(n.index);
        for (std::size_t i = 0; i < all.size(); ++i)
            if (hostsim::viewDistance(all[i], x, y, nullptr) <= radius)
                measured.push_back(static_cast<int>(i));
        ASSERT_EQ(measured, found);
    }
}

// Lines a unit long, a thousand apart: on a screen 800 pixels wide the far one would shrink the
// near one below a pixel, on one 1280 wide not.
TEST_F(DrawingTest, ViewExtentsFollowTheScreensWidth) {
    open("0 LINE\n10 0\n20 0\n11 1\n21 0\n0 LINE\n10 1000\n20 0\n11 1001\n21 0\n");
    struct Case {
        int line;
        double screenWidth, viewWidth;
    };
    const Case cases[] = {{__LINE__, 1280, 1001}, {__LINE__, 800, 1}, {__LINE__, 1280, 1001}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        ASSERT_TRUE(hostsim::setSysvarPoint("SCREENSIZE", {c.screenWidth, 800, 0}));
        hostsim::Point low, high;
        ASSERT_TRUE(hostsim::viewExtents(low, high));
        EXPECT_EQ(c.viewWidth, high[0] - low[0]);
    }
}
