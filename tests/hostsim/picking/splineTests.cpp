// tests/hostsim/picking/splineTests.cpp - SPLINE objects against ezdxf's own evaluation: points of
// the curve (from control points, and through fit points), and the END, NEA, MID and INT snaps on
// tests/picks/splines.dxf.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "hostsim/picking/picking.h"
#include "tests/hostsim/drawingTestSupport.h"

namespace {

using drawingtest::DrawingTest;
using hostsim::Point;

const std::string picksDir = std::string(HOSTSIM_TEST_DXF_DIR) + "/../../../picks/";

// The rows of a table makePickDrawings.py wrote, less its comment lines.
std::vector<std::string> tableRows(const std::string& name) {
    std::ifstream in(picksDir + name);
    std::vector<std::string> rows;
    for (std::string line; std::getline(in, line);)
        if (!line.empty() && line[0] != '#') rows.push_back(line);
    return rows;
}

// The drawing's largest extent: the tolerances are 1e-9 of it.
double drawingSize() {
    Point low, high;
    if (!hostsim::viewExtents(low, high)) return 0.0;
    return std::max(high[0] - low[0], high[1] - low[1]);
}

class Splines : public DrawingTest {
protected:
    void SetUp() override {
        DrawingTest::SetUp();
        openFile("../../../picks/splines.dxf");
        ASSERT_TRUE(hostsim::setSysvarInt("APERTURE", 1));
    }
};

TEST_F(Splines, EvaluateAsEzdxfDoes) {
    std::vector<const hostsim::DrawingObject*> splines;
    const hostsim::Drawing& d = hostsim::currentDrawing();
    for (int i = d.firstEntity; i >= 0; i = d.objects[i].next)
        if (d.objects[i].type == "SPLINE") splines.push_back(&d.objects[i]);
    std::vector<std::string> rows = tableRows("splinePoints.txt");
    ASSERT_GE(rows.size(), 30u);
    for (const std::string& row : rows) {
        SCOPED_TRACE(row);
        std::istringstream in(row);
        std::size_t index = 0;
        double t = 0.0;
        Point want;
        in >> index >> t >> want[0] >> want[1] >> want[2];
        ASSERT_LT(index, splines.size());
        hostsim::Spline spline;
        std::string why;
        ASSERT_TRUE(hostsim::readSpline(*splines[index], spline, why)) << why;
        Point got = hostsim::splinePoint(spline, t);
        for (int k = 0; k < 3; ++k)
            EXPECT_NEAR(want[k], got[k], 1e-12 * (1.0 + std::fabs(want[k])));
    }
}

// END, NEA, MID, PER and TAN on a rational, a clamped, an unclamped spline, one in a turned and
// scaled reference and two through fit points, END and MID picked far from the points they
// give; INT of splines with lines, a circle and a spline.
TEST_F(Splines, SnapAsEzdxfComputes) {
    double tolerance = 1e-9 * drawingSize();
    ASSERT_GT(tolerance, 0.0);
    std::vector<std::string> rows = tableRows("splineSnaps.txt");
    ASSERT_GE(rows.size(), 70u);
    for (const std::string& row : rows) {
        SCOPED_TRACE(row);
        std::istringstream in(row);
        std::string mode;
        Point pick = {0, 0, 0}, want, got = {NAN, NAN, NAN};
        in >> mode >> pick[0] >> pick[1] >> want[0] >> want[1] >> want[2];
        Point from = {0, 0, 0};  // PER and TAN start from LASTPOINT, given after the point
        if (in >> from[0] >> from[1] >> from[2]) hostsim::setSysvarPoint("LASTPOINT", from);
        ASSERT_EQ(KVS_RTNORM, kvs_osnap(pick.data(), ("_" + mode).c_str(), got.data()));
        for (int k = 0; k < 3; ++k) EXPECT_NEAR(want[k], got[k], tolerance);
    }
}

// A closed spline has no ends and no middle; a spline that cannot be constructed is not drawn.
TEST_F(Splines, ClosedHasNoEndsAndUnconstructibleOnesAreNotDrawn) {
    struct Case {
        int line;
        const char* mode;
        Point pick;
        int want;
    };
    const Case cases[] = {
        {__LINE__, "_END", {95.33, 1.3, 0}, KVS_RTERROR},
        {__LINE__, "_MID", {95.33, 1.3, 0}, KVS_RTERROR},
        {__LINE__, "_NEA", {95.33, 1.3, 0}, KVS_RTNORM},
        {__LINE__, "_NEA", {5, 50.5, 0}, KVS_RTERROR},  // two fit points, no tangents
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        Point got;
        EXPECT_EQ(c.want, kvs_osnap(c.pick.data(), c.mode, got.data()));
    }
}

// Each spline that cannot be evaluated is named in a notice, and the drawing opens without it.
TEST_F(DrawingTest, SplinesThatCannotBeDrawnAreNamed) {
    const std::string line = "10 0\n20 0\n10 1\n20 1\n";  // two control points
    struct Case {
        int line;
        std::string groups;
        const char* notice;
    };
    const Case cases[] = {
        {__LINE__, "71 99\n40 0\n40 1\n" + line, "a spline of degree 99"},
        {__LINE__, "71 1\n40 0\n40 0\n40 1\n" + line, "knots do not match"},
        {__LINE__, "71 1\n40 0\n40 1\n40 0\n40 1\n" + line, "knots decrease"},
        {__LINE__, "71 1\n40 0\n40 0\n40 0\n40 0\n" + line, "leave it no length"},
        {__LINE__, "71 1\n40 0\n40 0\n40 1\n40 1\n41 0\n41 1\n" + line,
         "weight that is not positive"},
        {__LINE__, "71 1\n40 0\n40 0\n40 1\n40 1\n41 1\n" + line, "weights do not match"},
        {__LINE__, "71 1\n40 0\n40 0\n40 1\n40 1\n41 1e300\n41 1\n10 1e300\n20 0\n10 1\n20 1\n",
         "control point out of range"},
        {__LINE__, "11 0\n21 0\n11 0\n21 0\n11 1\n21 1\n", "fit points repeat"},
        {__LINE__, "11 0\n21 0\n11 1\n21 1\n", "2 fit points without end tangents"},
        {__LINE__, "70 0\n", "without control points or fit points"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        open("0 SPLINE\n" + c.groups);
        std::string notices;
        for (const std::string& notice : hostsim::drawingNotices()) notices += notice + "\n";
        EXPECT_NE(std::string::npos, notices.find(c.notice)) << notices;
        EXPECT_TRUE(hostsim::drawingPrimitives().empty());
    }
}

}  // namespace
