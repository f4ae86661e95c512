// tests/hostsim/snapping/drawingSnapTests.cpp - kvs_osnap: every mode on the objects it applies to.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>
#include <string>

#include "hostsim/snapping/snapping.h"
#include "tests/hostsim/drawingTestSupport.h"

namespace {

using drawingtest::DrawingTest;
using hostsim::Point;

// One unit a pixel, APERTURE 2: objects within 2 units of the point are candidates.
const char snapEntities[] =
    "0 LINE\n10 0\n20 0\n11 10\n21 0\n"
    "0 LINE\n10 5\n20 -5\n11 5\n21 5\n"
    "0 CIRCLE\n10 30\n20 0\n40 5\n"
    "0 LINE\n10 30\n20 -10\n11 30\n21 10\n"
    "0 ARC\n10 50\n20 0\n40 5\n50 0\n51 90\n"
    "0 POINT\n10 70\n20 0\n"
    "0 TEXT\n10 80\n20 0\n40 2\n1 AB\n"
    "0 INSERT\n2 B\n10 100\n20 0\n41 2\n42 2\n43 2\n"
    "0 INSERT\n2 B\n10 130\n20 0\n41 3\n42 1\n43 1\n"
    "0 LWPOLYLINE\n90 3\n10 0\n20 30\n10 10\n20 30\n42 1\n10 20\n20 30\n"
    "0 ELLIPSE\n10 150\n20 0\n11 5\n21 0\n40 0.5\n41 0\n42 6.28318\n"  // whole, 2 pi rounded
    // knots 0 0 1 1 1: the last span is empty, and the curve ends at the middle control point
    "0 SPLINE\n71 1\n40 0\n40 0\n40 1\n40 1\n40 1\n10 0\n20 -40\n10 10\n20 -40\n10 20\n20 -30\n"
    "0 SPLINE\n71 1\n40 0\n40 0\n40 1\n40 1\n10 30\n20 -40\n30 5\n10 40\n20 -40\n30 5\n"
    "0 RAY\n10 40\n20 -8\n11 -1\n21 0\n"   // leftwards, across the line at x 30 and the xline
    "0 XLINE\n10 -50\n20 0\n11 0\n21 1\n"  // upright, both ways
    // beside a line, one on a layer that is off; references that hide their circles: on a
    // frozen layer, on a layer that is off (the circle on layer 0 takes it), invisible; and one
    // on a layer that is off whose circle is on its own layer, which shows
    "0 LINE\n10 200\n20 0\n11 210\n21 0\n0 LINE\n8 OFF\n10 200\n20 1\n11 210\n21 1\n"
    "0 INSERT\n8 ICE\n2 B\n10 220\n20 0\n0 INSERT\n8 OFF\n2 B\n10 240\n20 0\n"
    "0 INSERT\n60 1\n2 B\n10 260\n20 0\n0 INSERT\n8 OFF\n2 R\n10 280\n20 0\n"
    "0 INSERT\n66 1\n2 B\n10 300\n20 0\n0 ATTRIB\n70 1\n10 305\n20 0\n40 2\n1 X\n2 T\n0 SEQEND\n"
    // arrays: three copies a hundredth of a pixel apart, and two four tenths of a pixel apart
    "0 INSERT\n2 B\n10 400\n20 0\n70 3\n44 0.01\n0 INSERT\n2 B\n10 500\n20 0\n70 2\n44 0.4\n"
    // a spline of two spans, (600,0) (610,0) (620,10)
    "0 SPLINE\n71 1\n40 0\n40 0\n40 1\n40 2\n40 2\n10 600\n20 0\n10 610\n20 0\n10 620\n20 10\n"
    // rays whose lines cross at (710,0), a unit behind the second's start
    "0 RAY\n10 700\n20 0\n11 1\n21 0\n0 RAY\n10 710\n20 1\n11 0\n21 1\n"
    // an arc of 60 degrees turned 45 in a block scaled 2 by 1: its axes are not at right angles
    "0 INSERT\n2 S\n10 900\n20 0\n41 2\n42 1\n43 1\n"
    // a circle turned 45 in a block scaled 20 by 10: an ellipse 40 wide and 20 high
    "0 INSERT\n2 T\n10 1000\n20 0\n41 20\n42 10\n43 1\n"
    "0 CIRCLE\n10 1100\n20 0\n40 5\n0 CIRCLE\n10 1106\n20 0\n40 5\n"  // crossing at x 1103
    // a line, and beside its end one a unit shorter
    "0 LINE\n10 1200\n20 50\n11 1210\n21 50\n0 LINE\n10 1210.5\n20 50.6\n11 1213\n21 50.6\n"
    "0 INSERT\n2 B\n10 1300\n20 100\n71 2\n45 0.4\n"  // rows four tenths of a pixel apart
    // a long line, filed in larger cells than a short one after it whose end lies as near
    // (1401,199) as the long one's
    "0 LINE\n10 1400\n20 200\n11 1900\n21 200\n0 LINE\n10 1402\n20 198\n11 1402.2\n21 197\n"
    // two lines crossing at (1505,305) under five points
    "0 LINE\n10 1500\n20 300\n11 1510\n21 310\n0 LINE\n10 1500\n20 310\n11 1510\n21 300\n"
    "0 POINT\n10 1505.5\n20 305\n0 POINT\n10 1505.5\n20 305\n0 POINT\n10 1505.5\n20 305\n"
    "0 POINT\n10 1505.5\n20 305\n0 POINT\n10 1505.5\n20 305\n"
    // two references of a block holding a reference, a tenth of a pixel apart
    "0 INSERT\n2 O\n10 1600\n20 -100\n0 INSERT\n2 O\n10 1600.1\n20 -100\n"
    // an end as near (1701,299) as the later line's, whose box is nearer
    "0 LINE\n10 1700\n20 300\n11 1700\n21 310\n0 LINE\n10 1702\n20 298\n11 1699\n21 298\n";
const char snapBlocks[] =
    "0 BLOCK\n2 B\n10 0\n20 0\n0 CIRCLE\n10 0\n20 0\n40 1\n0 ENDBLK\n"
    "0 BLOCK\n2 R\n10 0\n20 0\n0 CIRCLE\n8 RED\n10 0\n20 0\n40 1\n0 ENDBLK\n"
    "0 BLOCK\n2 A\n10 0\n20 0\n0 ARC\n10 0\n20 0\n40 5\n50 0\n51 60\n"
    "0 ENDBLK\n0 BLOCK\n2 S\n10 0\n20 0\n0 INSERT\n2 A\n10 0\n20 0\n50 45\n"
    "0 ENDBLK\n0 BLOCK\n2 T\n10 0\n20 0\n0 INSERT\n2 B\n10 0\n20 0\n50 45\n0 ENDBLK\n"
    "0 BLOCK\n2 O\n10 0\n20 0\n0 INSERT\n2 B\n10 0\n20 0\n0 ENDBLK\n";

class Snap : public DrawingTest {
protected:
    void SetUp() override {
        DrawingTest::SetUp();
        open(snapEntities, snapBlocks, drawingtest::layerTable);
        ASSERT_TRUE(hostsim::setSysvarInt("APERTURE", 2));
    }
};

int snap(const char* mode, const Point& pick, Point& out) {
    out = {NAN, NAN, NAN};
    return kvs_osnap(pick.data(), mode, out.data());
}

// A snap from LASTPOINT last, picked at pick, must give want.
struct SnapCase {
    int line;
    const char* mode;
    Point pick;
    Point last;
    Point want;
};

template <std::size_t N>
void expectSnaps(const SnapCase (&cases)[N]) {
    for (const SnapCase& c : cases) {
        SCOPED_TRACE(c.line);
        ASSERT_TRUE(hostsim::setSysvarPoint("LASTPOINT", c.last));
        Point got;
        ASSERT_EQ(KVS_RTNORM, snap(c.mode, c.pick, got));
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(c.want[i], got[i], 1e-9) << "coordinate " << i;
    }
}

}  // namespace

TEST_F(Snap, EachModeFindsItsPointNearestThePick) {
    const double r45 = 5 * std::sqrt(0.5);
    const double nearScale = 5 / std::hypot(1.0, 5.5);
    const SnapCase cases[] = {
        {__LINE__, "_END", {1, 0.5, 0}, {}, {0, 0, 0}},
        {__LINE__, "end", {9.5, -0.5, 0}, {}, {10, 0, 0}},  // any case, no underscore
        {__LINE__, "END", {5.5, 4, 0}, {}, {5, 5, 0}},
        {__LINE__, "_END", {3, 0.5, 0}, {}, {0, 0, 0}},         // the nearer end of the line picked
        {__LINE__, "_END", {50.5, 5, 0}, {}, {50, 5, 0}},       // an arc's end
        {__LINE__, "_END", {9.5, -40.5, 0}, {}, {10, -40, 0}},  // a spline's, past an empty span
        {__LINE__, "_END", {39.5, -39.5, 0}, {}, {40, -40, 5}},  // a spline's at z 5
        {__LINE__, "_MID", {2, 0.5, 0}, {}, {5, 0, 0}},
        {__LINE__, "_MID", {53.6, 3.4, 0}, {}, {50 + r45, r45, 0}},
        {__LINE__, "_MID", {15, 25.3, 0}, {}, {15, 25, 0}},  // a polyline's arc segment
        {__LINE__, "_CEN", {35, 0.5, 0}, {}, {30, 0, 0}},
        {__LINE__, "_CEN", {55, 1, 0}, {}, {50, 0, 0}},
        {__LINE__, "_CEN", {15, 25.3, 0}, {}, {15, 30, 0}},
        {__LINE__, "_CEN", {102, 0.3, 0}, {}, {100, 0, 0}},  // inside a block reference
        {__LINE__, "_QUA", {34.5, 1, 0}, {}, {35, 0, 0}},
        {__LINE__, "_QUA", {130.5, 1.2, 0}, {}, {130, 1, 0}},  // unevenly scaled: an ellipse
        {__LINE__, "_QUA", {133, 0.5, 0}, {}, {133, 0, 0}},
        {__LINE__, "_QUA", {25.5, -1, 0}, {}, {25, 0, 0}},  // the side opposite the first
        {__LINE__, "_NEA", {31, 5.5, 0}, {}, {30 + nearScale, 5.5 * nearScale, 0}},
        {__LINE__, "_NEA", {7, 1, 0}, {}, {7, 0, 0}},
        {__LINE__, "_NOD", {70.5, 0.5, 0}, {}, {70, 0, 0}},
        {__LINE__, "_INS", {80.3, 0.1, 0}, {}, {80, 0, 0}},  // a text
        {__LINE__, "_INS", {102, 0.3, 0}, {}, {100, 0, 0}},  // a block reference
        {__LINE__, "_INS", {133, 0.2, 0}, {}, {130, 0, 0}},
        {__LINE__, "_PER", {4, 0.5, 0}, {3, 7, 0}, {3, 0, 0}},
        {__LINE__, "_PER", {4, 0.5, 0}, {6, 7, 0}, {6, 0, 0}},      // the same, from elsewhere
        {__LINE__, "_PER", {29, 4.8, 0}, {30, 20, 0}, {30, 5, 0}},  // a circle, from outside it
        {__LINE__, "_PER", {9, 0.5, 0}, {15, 3, 0}, {15, 0, 0}},    // on the line's extension
        {__LINE__, "_TAN", {32, 4.5, 0}, {40, 0, 0}, {32.5, 5 * std::sqrt(0.75), 0}},
        {__LINE__, "_TAN", {32, -4.5, 0}, {40, 0, 0}, {32.5, -5 * std::sqrt(0.75), 0}},
        {__LINE__, "_INT", {5.5, 0.5, 0}, {}, {5, 0, 0}},
        {__LINE__, "_INT", {30.5, 5.2, 0}, {}, {30, 5, 0}},      // a line across a circle
        {__LINE__, "_END,_CEN", {34, 0.5, 0}, {}, {30, 0, 0}},   // several modes at once
        {__LINE__, "_END", {-1000, -8.5, 0}, {}, {40, -8, 0}},   // a ray's start, however far
        {__LINE__, "_INT", {30.5, -7.5, 0}, {}, {30, -8, 0}},    // a ray across a line
        {__LINE__, "_INT", {-49.5, -8.5, 0}, {}, {-50, -8, 0}},  // a ray across an xline
        {__LINE__, "_NEA", {-50.5, 1e6, 0}, {}, {-50, 1e6, 0}},  // far beyond the grid
        {__LINE__, "_PER", {-49.5, 20, 0}, {-80, 30, 0}, {-50, 30, 0}},
        {__LINE__, "_END", {200.2, 0.9, 0}, {}, {200, 0, 0}},     // not the end on a layer off
        {__LINE__, "_CEN", {281, 0.2, 0}, {}, {280, 0, 0}},       // on its own layer, which is on
        {__LINE__, "_CEN", {398.5, 0.2, 0}, {}, {400.02, 0, 0}},  // copies as one: the last
        {__LINE__, "_CEN", {498.5, 0.2, 0}, {}, {500, 0, 0}},     // each copy apart: the nearest
        {__LINE__, "_END", {609, 0.5, 0}, {}, {600, 0, 0}},       // not where its first span ends
        {__LINE__, "_END", {205, -0.5, 0}, {}, {200, 0, 0}},      // ends as near: the first
        {__LINE__, "_INT", {1103.2, 3.8, 0}, {}, {1103, 4, 0}},
        {__LINE__, "_PER", {1211, 50.1, 0}, {1211, 55, 0}, {1211, 50, 0}},  // on its extension
        {__LINE__, "_CEN", {1301.5, 99.8, 0}, {}, {1300, 100, 0}},
        {__LINE__, "_END", {1401, 199, 0}, {}, {1400, 200, 0}},  // the earlier object's
        {__LINE__, "_END", {1701, 299, 0}, {}, {1700, 300, 0}},  // though the later is nearer
        {__LINE__, "_INT", {1505.5, 305, 0}, {}, {1505, 305, 0}},
        {__LINE__, "_CEN", {1598.5, -99.8, 0}, {}, {1600, -100, 0}},  // not copies of each other
        // halfway along its length, by Gauss-Legendre outside
        {__LINE__, "_MID", {902.3, 4.8, 0}, {}, {902.337777566125, 4.86145029932746, 0}},
    };
    expectSnaps(cases);
}

TEST_F(Snap, NoPointOfTheModeIsAFailure) {
    struct Case {
        int line;
        const char* mode;
        Point pick;
        Point last;
    };
    const Case cases[] = {
        {__LINE__, "_CEN", {5, 1, 0}, {}},      // lines have no centre
        {__LINE__, "_END", {35, 0.5, 0}, {}},   // nor circles an end
        {__LINE__, "_END", {200, 200, 0}, {}},  // nothing within the aperture
        {__LINE__, "_END", {7.5, 2.1, 0}, {}},  // just outside it
        {__LINE__, "_NOD", {1, 0.5, 0}, {}},
        {__LINE__, "_END", {155.2, 0.3, 0}, {}},       // a whole ellipse has no ends
        {__LINE__, "_TAN", {32, 4.5, 0}, {30, 1, 0}},  // from inside the circle
        {__LINE__, "_XYZ", {1, 0.5, 0}, {}},
        {__LINE__, "", {1, 0.5, 0}, {}},
        {__LINE__, "_END,", {1, 0.5, 0}, {}},
        {__LINE__, "_END", {-50.5, 40, 0}, {}},   // an xline has no end
        {__LINE__, "_MID", {0, -8.5, 0}, {}},     // nor a ray a middle
        {__LINE__, "_NEA", {45, -8, 0}, {}},      // a ray does not run back past its start
        {__LINE__, "_CEN", {221, 0.2, 0}, {}},    // in a reference on a frozen layer
        {__LINE__, "_CEN", {241, 0.2, 0}, {}},    // on layer 0 in one on a layer that is off
        {__LINE__, "_CEN", {261, 0.2, 0}, {}},    // in an invisible reference
        {__LINE__, "_INS", {305.3, 0.1, 0}, {}},  // an invisible attribute (group 70 flag 1)
        {__LINE__, "_INT", {710, 0.5, 0}, {}},    // a ray meets no line behind its start
        {__LINE__, "_END", {50, -5.2, 0}, {}},    // beside an arc's circle, far from the arc
        {__LINE__, "_CEN", {1000, 20, 0}, {}},    // 20 from an ellipse's centre, 10 from it
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        ASSERT_TRUE(hostsim::setSysvarPoint("LASTPOINT", c.last));
        Point got;
        EXPECT_NE(KVS_RTNORM, snap(c.mode, c.pick, got));
    }
    double p[3] = {1, 0.5, 0};
    EXPECT_EQ(KVS_RTERROR, kvs_osnap(p, nullptr, p));
}

// A snap stops, and finds nothing, once the user asks it to or its time runs out.
TEST_F(Snap, StopsWhenAskedOrOutOfTime) {
    struct Case {
        int line;
        double seconds;
        bool (*stopRequested)();
        hostsim::WorkEnd want;
    };
    const Case cases[] = {
        {__LINE__, 10, [] { return false; }, hostsim::WorkEnd::Completed},
        {__LINE__, 10, [] { return true; }, hostsim::WorkEnd::Cancelled},
        {__LINE__, 0, [] { return false; }, hostsim::WorkEnd::TimedOut},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        Point snapped;
        hostsim::startWork(c.seconds, c.stopRequested);
        bool found = hostsim::findSnapPoint({1, 0.5, 0}, hostsim::snapEnd, {}, 1000, snapped);
        EXPECT_EQ(c.want, hostsim::finishWork());
        EXPECT_EQ(c.want == hostsim::WorkEnd::Completed, found);
        found = hostsim::findSnapPoint({1, 0.5, 0}, hostsim::snapInt, {}, 1000, snapped);
        EXPECT_TRUE(found) << "a snap with no bounds after it stopped";
    }
}

// A snap is given up, with a notice, once its time has run out, and not before.
TEST_F(Snap, IsGivenUpAfterTenSeconds) {
    struct Case {
        int line;
        double spent;  // seconds of its time spent before it starts
        int want;
        const char* notice;
    };
    const Case cases[] = {
        {__LINE__, 9, KVS_RTNORM, ""},
        {__LINE__, 10, KVS_RTERROR, "The snap took longer than 10 seconds and was given up.\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        hostsim::setQueryTimeSpent(c.spent);
        hostsim::takeOutput();
        Point got;
        EXPECT_EQ(c.want, snap("_END", {1, 0.5, 0}, got));
        EXPECT_EQ(c.notice, hostsim::takeOutput());
    }
}

// The copies at x 500 lie 0.4 apart: a quarter pixel of 0.3 rounds to 0.25, which keeps them
// apart, and one of 0.45 to 0.5, which makes them one, answered by the last.
TEST_F(Snap, CopiesAreOneWithinAQuarterPixelRoundedToAPowerOfTwo) {
    struct Case {
        int line;
        double viewSize;
        Point want;
    };
    const Case cases[] = {{__LINE__, 960, {500, 0, 0}}, {__LINE__, 1440, {500.4, 0, 0}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        ASSERT_TRUE(hostsim::setSysvarReal("VIEWSIZE", c.viewSize));
        Point got;
        ASSERT_EQ(KVS_RTNORM, snap("_CEN", {498.5, 0.2, 0}, got));
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(c.want[i], got[i], 1e-9) << "coordinate " << i;
    }
}

// The page offers a prompt's snap when the prompt names its mode as a word of its own.
TEST(SnapPrompts, NameAModeByAWordStandingAlone) {
    struct Case {
        int line;
        const char* prompt;
        const char* word;  // "": none
    };
    const Case cases[] = {
        {__LINE__, "Circle for CEN: ", "CEN"}, {__LINE__, "ENDpoint: ", ""},
        {__LINE__, "Point (END2): ", ""},      {__LINE__, "aMID: ", ""},
        {__LINE__, "ENDS, then MID: ", "MID"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        std::string word;
        unsigned modes = hostsim::snapModesNamedIn(c.prompt, word);
        EXPECT_EQ(c.word, word);
        EXPECT_EQ(*c.word != '\0', modes != 0);
    }
}

TEST_F(Snap, PointsAndLastPointAreInTheUcs) {
    ASSERT_TRUE(hostsim::setUcsByPoints({10, 0, 0}, {11, 0, 0}, {10, 1, 0}));  // moved by (10,0,0)
    const SnapCase cases[] = {
        {__LINE__, "_END", {-9.5, 0.5, 0}, {}, {-10, 0, 0}},
        {__LINE__, "_PER", {-6, 0.5, 0}, {-7, 7, 0}, {-7, 0, 0}},
        {__LINE__, "_CEN", {92, 0.3, 0}, {}, {90, 0, 0}},
    };
    expectSnaps(cases);
}

namespace {

// A table of snaps written with a drawing (makeTestDrawings.py): mode, pick, the point or none;
// how many rows it checked.
int checkSnapTable(const std::string& name) {
    std::ifstream table(std::string(HOSTSIM_TEST_DXF_DIR) + "/" + name);
    EXPECT_TRUE(table.good()) << name;
    std::string line;
    int rows = 0;
    while (std::getline(table, line)) {
        if (line.empty() || line[0] == '#') continue;
        SCOPED_TRACE(line);
        ++rows;
        std::istringstream in(line);
        std::string mode, want;
        Point pick = {0, 0, 0}, got;
        in >> mode >> pick[0] >> pick[1] >> want;
        int status = snap(("_" + mode).c_str(), pick, got);
        if (want == "none") {
            EXPECT_NE(KVS_RTNORM, status);
            continue;
        }
        Point expected = {std::stod(want), 0, 0};
        in >> expected[1] >> expected[2];
        EXPECT_EQ(KVS_RTNORM, status);
        if (status != KVS_RTNORM) continue;
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(expected[i], got[i], 1e-9) << "coordinate " << i;
    }
    return rows;
}

}  // namespace

// Ellipses, elliptical arcs, solids, traces and faces, alone and in a turned and scaled block,
// against the snap points ezdxf computes for them (makeTestDrawings.py writes both files).
TEST_F(DrawingTest, ShapesSnapWhereTheirWriterPutsThem) {
    openFile("shapes.dxf");
    ASSERT_TRUE(hostsim::setSysvarInt("APERTURE", 2));
    EXPECT_EQ(78, checkSnapTable("shapes.snaps"));
}

// The boxes of MTEXT (each attachment point, a given width, turned, lines spaced) and TEXT (each
// kind of alignment), alone and in a turned and scaled block: picked near each corner they snap
// to their insertion point, picked just outside they are missed.
TEST_F(DrawingTest, TextBoxesAreWhereTheirWriterPutsThem) {
    openFile("texts.dxf");
    ASSERT_TRUE(hostsim::setSysvarInt("APERTURE", 2));
    EXPECT_EQ(180, checkSnapTable("texts.snaps"));
}

// Hatch boundaries: a polyline path with bulges (also turned over and raised), line, arc and
// elliptic arc edges, a spline edge, all of them in a turned and scaled block, and a path with
// two spline edges.
TEST_F(DrawingTest, HatchEdgesSnapWhereTheirWriterPutsThem) {
    openFile("hatches.dxf");
    ASSERT_TRUE(hostsim::setSysvarInt("APERTURE", 2));
    EXPECT_EQ(69, checkSnapTable("hatches.snaps"));
}
