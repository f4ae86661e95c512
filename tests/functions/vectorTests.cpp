// tests/functions/vectorTests.cpp - coordinates, conversions, angles, normals, intersections,
// distances, points along lines, direction vectors and rotation.
#include <algorithm>
#include <iterator>

#include "hostsim/shell/shell.h"
#include "tests/functions/functionsFixture.h"

namespace {

class CoordinateFunctions : public FunctionsTest {};
class AngleFunction : public FunctionsTest {};
class LineAndPlaneFunctions : public FunctionsTest {};
class RotateFunction : public FunctionsTest {};

class NormalFunction : public FunctionsTest {};

TEST_F(CoordinateFunctions, ExtractAndProject) {
    const VectorCase vectors[] = {
        {__LINE__, "XOF([1,2,3])", 1, 0, 0},  {__LINE__, "YOF([1,2,3])", 0, 2, 0},
        {__LINE__, "ZOF([1,2,3])", 0, 0, 3},  {__LINE__, "XOF(5)", 5, 0, 0},
        {__LINE__, "YOF(-4)", 0, -4, 0},      {__LINE__, "ZOF(2.5)", 0, 0, 2.5},
        {__LINE__, "XYOF([1,2,3])", 1, 2, 0}, {__LINE__, "YZOF([1,2,3])", 0, 2, 3},
        {__LINE__, "XZOF([1,2,3])", 1, 0, 3},
    };
    expectVectors(vectors);
    const ScalarCase reals[] = {
        {__LINE__, "RXOF([1,2,3])", ValueKind::Real, 1},
        {__LINE__, "RYOF([1,2,3])", ValueKind::Real, 2},
        {__LINE__, "RZOF([1,2,3])", ValueKind::Real, 3},
    };
    expectScalars(reals);
}

TEST_F(CoordinateFunctions, ReportErrorsWithDisplayNames) {
    const ErrorCase cases[] = {
        {__LINE__, "XOF(1,2)", 4, "Function Xof requires one argument"},
        {__LINE__, "ZOF", 4, "Function Zof requires one argument"},
        {__LINE__, "XYOF([1,2,3],[1,2,3])", 4, "Function XYof requires one argument"},
        {__LINE__, "RXOF(5)", 11, "Function rXof requires vector argument"},
        {__LINE__, "RYOF(5)", 11, "Function rYof requires vector argument"},
        {__LINE__, "RZOF(1.5)", 11, "Function rZof requires vector argument"},
        {__LINE__, "YZOF(5)", 11, "Function YZof requires vector argument"},
        {__LINE__, "XZOF(5)", 11, "Function XZof requires vector argument"},
        {__LINE__, "U2W(1)", 11, "Function U2W requires vector argument"},
        {__LINE__, "W2U()", 4, "Function W2U requires one argument"},
    };
    expectErrors(cases);
}

TEST_F(CoordinateFunctions, ConvertBetweenUserAndWorld) {
    // origin (10,0,0), x along world y, y along world -x
    ASSERT_TRUE(hostsim::setUcsByPoints({10, 0, 0}, {10, 1, 0}, {9, 0, 0}));
    const VectorCase cases[] = {
        {__LINE__, "U2W([1,0,0])", 10, 1, 0},           {__LINE__, "U2W([0,2,3])", 8, 0, 3},
        {__LINE__, "W2U([10,0,0])", 0, 0, 0},           {__LINE__, "W2U([10,1,0])", 1, 0, 0},
        {__LINE__, "W2U(U2W([1.5,-2,7]))", 1.5, -2, 7},
    };
    expectVectors(cases);
}

TEST_F(AngleFunction, MeasuresEachForm) {
    const ScalarCase cases[] = {
        {__LINE__, "ANG([1,1,0])", ValueKind::Real, 45},
        {__LINE__, "ANG([0,-1,0])", ValueKind::Real, 270},  // never negative
        {__LINE__, "ANG([1,1,5])", ValueKind::Real, 45},    // z is ignored
        {__LINE__, "ANG([1,1,0],[1,3,9])", ValueKind::Real, 90},
        {__LINE__, "ANG([0,0,0],[1,0,0],[0,1,0])", ValueKind::Real, 90},
        {__LINE__, "ANG([0,0,0],[0,1,0],[1,0,0])", ValueKind::Real, 270},
        {__LINE__, "ANG([0,0,0],[1,0,0],[0,1,0],[0,0,1])", ValueKind::Real, 90},
        {__LINE__, "ANG([0,0,0],[1,0,0],[0,1,0],[0,0,-1])", ValueKind::Real, 270},
        {__LINE__, "ANG([0,0,0],[1,0,0],[2,0,0],[0,0,1])", ValueKind::Real, 0},
        {__LINE__, "ANG([0,0,0],[1,0,0],[-2,0,0],[0,0,1])", ValueKind::Real, 180},
        // the same direction twice: rounding leaves a difference of -2e-16, still 0, not 360
        {__LINE__, "ANG([2.4,6.6],[3.3,7.3],[5.1,8.7])", ValueKind::Real, 0},
        // from +z to +y, seen from the +x side: three quarters of a turn
        {__LINE__, "ANG([1,1,1],[1,1,2],[1,2,1],[2,1,1])", ValueKind::Real, 270},
        // a turn of 5e-10 radians, seen from either side
        {__LINE__, "ANG([0,0,0],[1,0,0],[2,1e-9,0],[0,0,1])", ValueKind::Real, 2.8647889756541e-8},
        {__LINE__, "ANG([0,0,0],[1,0,0],[2,1e-9,0],[0,0,-1])", ValueKind::Real,
         360 - 2.8647889756541e-8},
    };
    expectScalars(cases);
}

// Two directions that differ by about a billionth of a radian: rounding carries the cosine
// between their half-planes just past 1, where the arc cosine has no value.
TEST_F(AngleFunction, StaysDefinedForNearlyParallelDirections) {
    hostsim::setSymbol("P1", hostsim::QValue::point(6.0, 4.0, -8.0));
    hostsim::setSymbol("P2", hostsim::QValue::point(18.0, 12.00000003, -24.0));
    Value v = eval("ANG([0,0,0],P1,P2,[8,0,6])");
    ASSERT_EQ(0, ErrorCode);
    double angle = v.num > 180 ? 360 - v.num : v.num;
    EXPECT_NEAR(0, angle, 1e-6);
}

TEST_F(AngleFunction, ReportsItsErrors) {
    const char* usage = "Use ANG(v), ANG(p1,p2), ANG(apex,p1,p2), ANG(apex,p1,p2,p)";
    const ErrorCase cases[] = {
        {__LINE__, "ANG([0,0,7])", 56, "The 2D vector in ANG(v) function is zero length"},
        {__LINE__, "ANG([1,1,0],[1,1,5])", 39, "The 2D points in ANG(p1,p2) function coincide"},
        {__LINE__, "ANG([0,0,0],[1,0,0],[1,0,3])", 57,
         "The 2D points in ANG(apex,p1,p2) function coincide"},
        {__LINE__, "ANG([0,0,0],[0,0,4],[1,0,0])", 57,
         "The 2D points in ANG(apex,p1,p2) function coincide"},
        {__LINE__, "ANG([0,0,0],[1,0,0],[0,1,0],[1,0,0])", 37,
         "Points in ANG(apex,p1,p2,p) function coincide"},
        {__LINE__, "ANG([0,0,0],[1,0,0],[0,1,0],[5,5,0])", 36,
         "Point 'p' in ANG(apex,p1,p2,p) function lies on plane (apex,p1,p2)"},
        {__LINE__, "ANG(1)", 26, usage},
        {__LINE__, "ANG", 26, usage},
        {__LINE__, "ANG([1,0,0],2)", 26, usage},
        {__LINE__, "ANG([1,0,0],[1,0,0],[1,0,0],[1,0,0],[1,0,0])", 26, usage},
    };
    expectErrors(cases);
}

TEST_F(NormalFunction, GivesUnitNormals) {
    const VectorCase cases[] = {
        {__LINE__, "NOR([1,0,0])", 0, 1, 0},
        {__LINE__, "NOR([0,-3,9])", 1, 0, 0},
        {__LINE__, "NOR([0,0,0],[1,0,0])", 0, 1, 0},
        {__LINE__, "NOR([1,1,0],[1,-1,4])", 1, 0, 0},
        {__LINE__, "NOR([0,0,0],[1,0,0],[0,1,0])", 0, 0, 1},
        {__LINE__, "NOR([0,0,0],[0,1,0],[1,0,0])", 0, 0, -1},
        {__LINE__, "NOR([0,0,2],[0,5,2],[0,0,9])", 1, 0, 0},
    };
    expectVectors(cases);
}

TEST_F(NormalFunction, ReportsItsErrors) {
    const char* usage = "Use NOR, NOR(v), NOR(p1,p2), NOR(p1,p2,p3)";
    const ErrorCase cases[] = {
        {__LINE__, "NOR([0,0,1])", 30, "The 2D vector for NOR(v) function has zero length"},
        {__LINE__, "NOR([0,0,0],[0,0,5])", 61,
         "The two 2D points defining line in NOR(p1,p2) function coincide"},
        {__LINE__, "NOR([0,0,0],[1,1,1],[2,2,2])", 51,
         "The points in NOR(p1,p2,p3) function coincide or are collinear"},
        {__LINE__, "NOR([1,0,0],[1,0,0],[0,1,0])", 51,
         "The points in NOR(p1,p2,p3) function coincide or are collinear"},
        {__LINE__, "NOR(1)", 26, usage},
        {__LINE__, "NOR([1,0,0],2)", 26, usage},
        {__LINE__, "NOR([1,0,0],[1,0,0],[1,0,0],[1,0,0])", 26, usage},
    };
    expectErrors(cases);
}

TEST_F(LineAndPlaneFunctions, Compute) {
    const VectorCase vectors[] = {
        {__LINE__, "ILL([0,0,0],[2,2,0],[0,2,0],[2,0,0])", 1, 1, 0},
        {__LINE__, "ILP([0,0,-1],[0,0,1],[0,0,5],[1,0,5],[0,1,5])", 0, 0, 5},
        {__LINE__, "ILP([1,1,1],[2,2,2],[3,0,0],[0,3,0],[0,0,3])", 1, 1, 1},
        {__LINE__, "PLT([0,0,0],[2,4,6],0.5)", 1, 2, 3},
        {__LINE__, "PLT([0,0,0],[2,4,6],2)", 4, 8, 12},
        {__LINE__, "PLT([1,1,1],[1,1,1],7)", 1, 1, 1},
        {__LINE__, "PLD([0,0,0],[10,0,0],3)", 3, 0, 0},
        {__LINE__, "PLD([0,0,0],[10,0,0],-3)", -3, 0, 0},
        {__LINE__, "VEC([1,1,1],[2,3,4])", 1, 2, 3},
        {__LINE__, "VEC1([1,1,1],[1,1,4])", 0, 0, 1},
        {__LINE__, "VEC1([1,2,3],[1,2,3])", 0, 0, 0},
    };
    const ScalarCase reals[] = {
        {__LINE__, "DPL([0,5,0],[0,0,0],[1,0,0])", ValueKind::Real, 5},
        {__LINE__, "DPL([3,4,7],[0,0,-2],[0,0,9])", ValueKind::Real, 5},
        {__LINE__, "DPP([0,0,5],[0,0,0],[1,0,0],[0,1,0])", ValueKind::Real, 5},
        {__LINE__, "DPP([0,0,-5],[0,0,0],[1,0,0],[0,1,0])", ValueKind::Real, 5},
        {__LINE__, "DIST([1,1,1],[4,5,1])", ValueKind::Real, 5},
    };
    expectVectors(vectors);
    expectScalars(reals);
}

TEST_F(LineAndPlaneFunctions, ReportTheirErrors) {
    const ErrorCase cases[] = {
        {__LINE__, "ILL([0,0,0],[1,0,0],[0,1,0],[1,1,0])", 54,
         "The two lines in function ILL do not intersect or are collinear"},
        {__LINE__, "ILL([0,0,0],[1,0,0],[5,-1,3],[5,1,3])", 54,  // they pass each other
         "The two lines in function ILL do not intersect or are collinear"},
        // parallel within the host's tolerance, which scales with the lines' lengths: an
        // unscaled one would give a point near x = -1e12
        {__LINE__, "ILL([0,0,0],[1000,0,0],[0,1,0],[1000,1.000000001,0])", 54,
         "The two lines in function ILL do not intersect or are collinear"},
        {__LINE__, "ILL([1,1,0],[1,1,0],[0,2,0],[2,0,0])", 40,
         "The two points defining line in function ILL coincide"},
        {__LINE__, "ILL([0,0,0],[2,2,0],[0,2,0],[0,2,0])", 40,
         "The two points defining line in function ILL coincide"},
        {__LINE__, "ILP([1,1,1],[1,1,1],[0,0,5],[1,0,5],[0,1,5])", 40,
         "The two points defining line in function ILP coincide"},
        {__LINE__, "ILP([0,0,0],[0,0,1],[0,0,5],[1,0,5],[2,0,5])", 59,
         "The three points defining the plane are coincident or collinear"},
        {__LINE__, "ILP([0,0,0],[1,0,0],[0,0,5],[1,0,5],[0,1,5])", 55,
         "The line is parallel to the plane"},
        {__LINE__, "ILP([0,0,5],[1,1,5],[0,0,5],[1,0,5],[0,1,5])", 62,
         "The line lies on the plane"},
        {__LINE__, "DPL([0,5,0],[1,0,0],[1,0,0])", 40,
         "The two points defining line in function DPL coincide"},
        {__LINE__, "DPP([0,0,5],[0,0,0],[1,0,0],[2,0,0])", 59,
         "The three points defining the plane are coincident or collinear"},
        {__LINE__, "PLD([1,2,3],[1,2,3],1)", 58,
         "The points 'p1' and 'p2' in function PLD(dist,p1,p2) coincide"},
    };
    expectErrors(cases);
}

TEST_F(LineAndPlaneFunctions, RefuseWrongArgumentsWithTheirUsage) {
    const ErrorCase cases[] = {
        {__LINE__, "ILL([0,0,0],[2,2,0],[0,2,0])", 26, "Use ILL(p1,p2,p3,p4)"},
        {__LINE__, "ILL([0,0,0],[2,2,0],[0,2,0],1)", 26, "Use ILL(p1,p2,p3,p4)"},
        {__LINE__, "ILP([0,0,0],[2,2,0],[0,2,0],[2,0,0])", 26, "Use ILP(p1,p2,p3,p4,p5)"},
        {__LINE__, "DPL([0,5,0],[0,0,0])", 26, "Use DPL(p,p1,p2)"},
        {__LINE__, "DPP(1,[0,0,0],[1,0,0],[0,1,0])", 26, "Use DPP(p,p1,p2,p3)"},
        {__LINE__, "PLT([0,0,0],[1,0,0],[1,0,0])", 26, "Use PLT(p1,p2,t)"},
        {__LINE__, "PLT([0,0,0],[1,0,0])", 26, "Use PLT(p1,p2,t)"},
        {__LINE__, "PLD(3,[0,0,0],[1,0,0])", 26, "Use PLD(p1,p2,dist)"},
        {__LINE__, "DIST([0,0,0])", 26, "Use DIST(p1,p2)"},
        {__LINE__, "VEC(1,2)", 26, "Use VEC(FromPt,ToPt)"},
        {__LINE__, "VEC1([0,0,0],[1,0,0],[2,0,0])", 26, "Use VEC1(FromPt,ToPt)"},
    };
    expectErrors(cases);
}

TEST_F(RotateFunction, TurnsCounterClockwiseAboutTheAxis) {
    const VectorCase cases[] = {
        {__LINE__, "ROT([1,0,0],[0,0,0],90)", 0, 1, 0},
        {__LINE__, "ROT([1,0,0],[0,0,0],[0,0,1],90)", 0, 1, 0},
        {__LINE__, "ROT([1,0,0],[0,0,0],[0,0,-1],90)", 0, -1, 0},
        {__LINE__, "ROT([2,1,5],[1,1,0],180)", 0, 1, 5},
        {__LINE__, "ROT([0,1,0],[0,0,0],[3,0,0],90)", 0, 0, 1},
        {__LINE__, "ROT([1,0,0],[0,0,0],[1,1,1],120)", 0, 1, 0},
        // far from a short axis, yet nowhere near it
        {__LINE__, "ROT([300,0,0],[0,0,0],90)", 0, 300, 0},
        {__LINE__, "ROT([0,0,1000],[0,0,0],[0,0.01,10],180)", 0, 2 / 1.000001,
         2000 / 1.000001 - 1000},
    };
    for (const VectorCase& c : cases) {
        SCOPED_TRACE(c.line);
        Value v = eval(c.text);
        ASSERT_EQ(0, ErrorCode) << c.text;
        EXPECT_NEAR(c.x, v.x, 1e-9);
        EXPECT_NEAR(c.y, v.y, 1e-9);
        EXPECT_NEAR(c.z, v.z, 1e-9);
    }
}

TEST_F(RotateFunction, ReportsItsErrors) {
    const char* usage = "Use ROT(p,origin,angle) or ROT(p,p1ax,p2ax,angle)";
    const char* onAxis = "The point to be rotated lies on the axis of rotation";
    const ErrorCase cases[] = {
        {__LINE__, "ROT([1,0,0],[2,2,2],[2,2,2],30)", 53,
         "The points 'p1ax' and 'p2ax' in ROT(p,p1ax,p2ax,angle) coincide"},
        {__LINE__, "ROT([0,0,0],[0,0,0],45)", 48, onAxis},
        {__LINE__, "ROT([3,4,-70],[3,4,2],45)", 48, onAxis},
        {__LINE__, "ROT([2,2,2],[0,0,0],[1,1,1],30)", 48, onAxis},
        {__LINE__, "ROT([-5,-5,-5],[0,0,0],[1,1,1],30)", 48, onAxis},
        {__LINE__, "ROT([1,0,0],[0,0,0],[0,0,1],90,1)", 26, usage},
        {__LINE__, "ROT([1,0,0],[0,0,0])", 26, usage},
        {__LINE__, "ROT([1,0,0],[0,0,0],[0,0,1])", 26, usage},
        {__LINE__, "ROT(1,[0,0,0],90)", 26, usage},
    };
    expectErrors(cases);
}

}  // namespace
