// tests/geometry/kernelTests.cpp - the kernel's routines on hand-made figures and their limits.
#include <gtest/gtest.h>

#include <cmath>

#include "contract/kvs.h"
#include "geometry/geometry.h"

namespace {

constexpr double pi = 3.141592653589793;

void expectPoint(const Point3& want, const Point3& got, double tolerance = 1e-12) {
    EXPECT_NEAR(want.x, got.x, tolerance);
    EXPECT_NEAR(want.y, got.y, tolerance);
    EXPECT_NEAR(want.z, got.z, tolerance);
}

TEST(Kernel, NormalizeRefusesVectorsBelowTheTolerance) {
    Point3 tiny = {0, 0, 1e-11};
    EXPECT_FALSE(normalize(tiny));
    EXPECT_EQ(1e-11, tiny.z);
    Point3 small = {0, 0, 2e-10};
    EXPECT_TRUE(normalize(small));
    expectPoint({0, 0, 1}, small);
    Point3 limit = {1e-10, 0, 0};
    EXPECT_TRUE(normalize(limit));
    Point3 notANumber = {std::nan(""), 0, 0};
    EXPECT_FALSE(normalize(notANumber));
}

TEST(Kernel, CollinearMeasuresTheAngleNotTheDistance) {
    struct Case {
        int line;
        Point3 p0, p1, p2;
        bool want;
    };
    const Case cases[] = {
        {__LINE__, {0, 0, 0}, {1, 0, 0}, {2, 0.008, 0}, true},
        {__LINE__, {0, 0, 0}, {1, 0, 0}, {2, 0.01, 0}, false},
        {__LINE__, {0, 0, 0}, {1, 0, 0}, {-2, 0.008, 0}, true},  // opposite directions
        {__LINE__, {0, 0, 0}, {0, 0, 0}, {5, 5, 5}, true},       // p1 on p0
        {__LINE__, {1, 1, 1}, {1e6, 0, 0}, {0, 1e6, 0}, false},
        {__LINE__, {0, 0, 0}, {1000, 0, 0}, {2000, 8, 0}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(c.want, collinear(c.p0, c.p1, c.p2));
    }
}

TEST(Kernel, PlaneThroughPointsGivesUnitNormalAndOffset) {
    Plane plane;
    ASSERT_EQ(KVS_RTNORM, planeThroughPoints({0, 0, 5}, {1, 0, 5}, {0, 1, 5}, plane));
    expectPoint({0, 0, 1}, plane.n);
    EXPECT_NEAR(-5, plane.d, 1e-12);
    ASSERT_EQ(KVS_RTNORM, planeThroughPoints({0, 0, 5}, {0, 1, 5}, {1, 0, 5}, plane));
    expectPoint({0, 0, -1}, plane.n);
    EXPECT_NEAR(5, plane.d, 1e-12);
    EXPECT_EQ(KVS_RTERROR, planeThroughPoints({0, 0, 0}, {1, 1, 1}, {3, 3, 3}, plane));
    EXPECT_EQ(KVS_RTERROR, planeThroughPoints({1, 2, 3}, {1, 2, 3}, {0, 0, 0}, plane));
}

TEST(Kernel, RotateAboutAxisFollowsTheRightHandRule) {
    struct Case {
        int line;
        Point3 p, a1, a2;
        double angle;
        Point3 want;
    };
    const Case cases[] = {
        {__LINE__, {1, 0, 0}, {0, 0, 0}, {0, 0, 1}, pi / 2, {0, 1, 0}},
        {__LINE__, {1, 0, 0}, {0, 0, 0}, {0, 0, -1}, pi / 2, {0, -1, 0}},
        {__LINE__, {0, 1, 0}, {0, 0, 0}, {1, 0, 0}, pi / 2, {0, 0, 1}},
        {__LINE__, {0, 0, 1}, {0, 0, 0}, {0, 1, 0}, pi / 2, {1, 0, 0}},
        {__LINE__, {1, 0, 0}, {0, 0, 0}, {2, 2, 2}, 2 * pi / 3, {0, 1, 0}},
        {__LINE__, {3, 1, 7}, {2, 1, 0}, {2, 1, 1}, pi, {1, 1, 7}},
        // far from a short axis: off the line by 300, though the axis is seen at a tiny angle
        {__LINE__, {300, 0, 0}, {0, 0, 0}, {0, 0, 1}, pi / 2, {0, 300, 0}},
        {__LINE__,
         {0, 0, 1e4},
         {0, 0, 0},
         {1e-3, 0, 1},
         pi,
         {2e4 * 1e-3 / (1 + 1e-6), 0, 2e4 / (1 + 1e-6) - 1e4}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        Point3 p = c.p;
        ASSERT_EQ(KVS_RTNORM, rotateAboutAxis(p, c.angle, c.a1, c.a2));
        expectPoint(c.want, p, 1e-9);
    }
}

TEST(Kernel, RotateAboutAxisRefusesPointsOnTheAxisLine) {
    struct Case {
        int line;
        Point3 p, a1, a2;
    };
    const Case cases[] = {
        {__LINE__, {0, 0, 0}, {0, 0, 0}, {0, 0, 1}},    // on a1
        {__LINE__, {0, 0, 1}, {0, 0, 0}, {0, 0, 1}},    // on a2
        {__LINE__, {0, 0, -50}, {0, 0, 0}, {0, 0, 1}},  // beyond a1
        {__LINE__, {2, 2, 2}, {0, 0, 0}, {1, 1, 1}},    // tilted axis
        {__LINE__, {-7, 14, 21}, {1, -2, -3}, {2, -4, -6}},
        {__LINE__, {1, 1, 1}, {5, 5, 5}, {5, 5, 5}},  // no axis at all
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        Point3 p = c.p;
        EXPECT_EQ(KVS_RTREJ, rotateAboutAxis(p, 1.0, c.a1, c.a2));
        expectPoint(c.p, p, 0);
    }
}

TEST(Kernel, AngleAboutAxisTurnsByTheRightHandRule) {
    struct Case {
        int line;
        Point3 apex, axis, b, c;
        double want;
    };
    const Case cases[] = {
        {__LINE__, {0, 0, 0}, {0, 0, 1}, {1, 0, 0}, {0, 1, 0}, pi / 2},
        {__LINE__, {0, 0, 0}, {0, 0, 1}, {1, 0, 0}, {0, -1, 0}, 3 * pi / 2},
        {__LINE__, {0, 0, 0}, {0, 0, 1}, {1, 0, 0}, {-1, 0, 5}, pi},
        {__LINE__, {0, 0, 0}, {0, 0, 1}, {0, 0, 4}, {0, 1, 0}, 0},   // b on the axis
        {__LINE__, {0, 0, 0}, {0, 0, 1}, {1, 0, 0}, {0, 0, -3}, 0},  // c on the axis
        // parallel half-planes whose cosine rounds just past 1
        {__LINE__, {0, 0, 0}, {0, 0, 1}, {6, 1, -9}, {12, 2, -18}, 0},
        {__LINE__, {0, 0, 0}, {0, 0, 1}, {8, 1, 6}, {16, 2, 12}, 0},
        // a turn of 5e-10 radians, which an arc cosine of nearly 1 loses
        {__LINE__, {0, 0, 0}, {0, 0, 1}, {1, 0, 0}, {2, 1e-9, 0}, 5e-10},
        {__LINE__, {0, 0, 0}, {0, 0, -1}, {1, 0, 0}, {2, 1e-9, 0}, 2 * pi - 5e-10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        double angle = angleAboutAxis(c.apex, c.axis, c.b, c.c);
        EXPECT_NEAR(c.want, angle, 1e-12);
        EXPECT_FALSE(std::signbit(angle));  // never -0
    }
}

TEST(Kernel, AnglesReduceToOneTurn) {
    struct Case {
        int line;
        double angle, want;
    };
    const Case cases[] = {
        {__LINE__, -pi / 2, 3 * pi / 2}, {__LINE__, 5 * pi, pi},          {__LINE__, 0, 0},
        {__LINE__, 2 * pi, 0},           {__LINE__, -7 * pi / 2, pi / 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        double a = c.angle;
        normalizeAngle(a);
        EXPECT_NEAR(c.want, a, 1e-12);
        EXPECT_NEAR(c.want, wrapAngle(c.angle), 1e-12);
    }
    double tinyNegative = -1e-17;  // plus a whole turn, rounds to exactly a whole turn
    normalizeAngle(tinyNegative);
    EXPECT_EQ(0, tinyNegative);
    EXPECT_EQ(0, wrapAngle(1e300));  // a whole unit is lost: no meaningful fraction of a turn
    EXPECT_LT(wrapAngle(-1e-300), 2 * pi);
}

TEST(Kernel, ApplyTransformMayWriteOverItsInput) {
    const Transform t = {{0, 2, 0}, {-2, 0, 0}, {0, 0, 2}, {10, 20, 30}};
    Point3 p = {1, 2, 3};
    applyTransform(t, p, p);
    expectPoint({6, 22, 36}, p);
}

TEST(Kernel, ExtrusionTransformFollowsTheArbitraryAxisRule) {
    struct Case {
        int line;
        Point3 n, xAxis, yAxis;
    };
    const Case cases[] = {
        {__LINE__, {0, 0, 1}, {1, 0, 0}, {0, 1, 0}},
        {__LINE__, {0, 0, 5}, {1, 0, 0}, {0, 1, 0}},
        {__LINE__, {0, 0, -1}, {-1, 0, 0}, {0, 1, 0}},
        {__LINE__, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        Transform t;
        ASSERT_EQ(KVS_RTNORM, extrusionTransform(c.n, t));
        expectPoint(c.xAxis, t.xAxis);
        expectPoint(c.yAxis, t.yAxis);
        expectPoint({0, 0, 0}, t.origin);
    }
    Transform t;
    EXPECT_EQ(KVS_RTERROR, extrusionTransform({0, 0, 1e-11}, t));
}

// A normal goes by the inverse transpose: square to the image of its plane, on the side the
// image of the normal points to; a map that flattens space has neither inverse nor normal.
TEST(Kernel, InverseMapsUndoAndNormalsStaySquareToTheirPlanes) {
    struct Case {
        int line;
        Transform t;
        Point3 normal, want;
    };
    const double r = 1 / std::sqrt(2.0), s = 1 / std::sqrt(5.0);
    const Case cases[] = {
        {__LINE__, {{1, 0, 0}, {0, 1, 0}, {0, 0, 2}, {5, 6, 7}}, {0, r, r}, {0, 2 * s, s}},
        {__LINE__, {{0, 3, 0}, {-3, 0, 0}, {0, 0, 3}, {1, 1, 1}}, {1, 0, 0}, {0, 1, 0}},
        {__LINE__, {{-1, 0, 0}, {0, 1, 0}, {0, 0, -1}, {0, 0, 0}}, {0, 0, 1}, {0, 0, -1}},
        {__LINE__, {{1e12, 0, 0}, {0, 1e12, 0}, {0, 0, 1e12}, {0, 0, 0}}, {0, 1, 0}, {0, 1, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        Point3 n = c.normal;
        ASSERT_EQ(KVS_RTNORM, transformNormal(c.t, n));
        expectPoint(c.want, n);
        Transform inverse;
        ASSERT_EQ(KVS_RTNORM, invertTransform(c.t, inverse));
        Point3 p = {1.5, -2, 4}, back;
        applyTransform(c.t, p, back);
        applyTransform(inverse, back, back);
        expectPoint(p, back);
    }
    const Transform flat = {{1, 0, 0}, {0, 1, 0}, {1, 1, 0}, {0, 0, 0}};
    Point3 n = {0, 0, 1};
    Transform inverse;
    EXPECT_EQ(KVS_RTERROR, transformNormal(flat, n));
    EXPECT_EQ(KVS_RTERROR, invertTransform(flat, inverse));
    expectPoint({0, 0, 1}, n);
}

TEST(Kernel, UniformScaleAcceptsOnlyEqualAxes) {
    struct Case {
        int line;
        double sx, sy, sz, want;
    };
    const Case cases[] = {
        {__LINE__, 2, 2, 2, 2},
        {__LINE__, 1, 1, 1.001, -1},
        {__LINE__, 1, 1, 1.00001, (2 + 1.00001) / 3},
        {__LINE__, 1, 2, 1, -1},
        {__LINE__, 0, 0, 0, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        const Transform t = {{c.sx, 0, 0}, {0, c.sy, 0}, {0, 0, c.sz}, {5, 5, 5}};
        EXPECT_NEAR(c.want, uniformScale(t), 1e-12);
    }
}

TEST(Kernel, BulgeArcGivesRadiusAndCentre) {
    struct Case {
        int line;
        double bulge, radius;
        Point3 centre;
    };
    const Case cases[] = {
        {__LINE__, 0.5, 1.25, {1, 0.75, 0}},
        {__LINE__, -0.5, 1.25, {1, -0.75, 0}},
        {__LINE__, 1, 1, {1, 0, 0}},
        {__LINE__, -1, 1, {1, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        double radius = 0;
        Point3 centre = {};
        bulgeArc({0, 0, 0}, {2, 0, 0}, c.bulge, radius, centre);
        EXPECT_NEAR(c.radius, radius, 1e-12);
        expectPoint(c.centre, centre);
    }
}

TEST(Kernel, PointOnBulgeArcFollowsTheBulgeSign) {
    struct Case {
        int line;
        Point3 p;
        double bulge;
        bool want;
    };
    const Case cases[] = {
        {__LINE__, {0, 1, 0}, 1, true},   {__LINE__, {0, -1, 0}, 1, false},
        {__LINE__, {0, 1, 0}, -1, false}, {__LINE__, {0, -1, 0}, -1, true},
        {__LINE__, {1, 0, 0}, 1, true},                                       // an end point
        {__LINE__, {-1, 0, 0}, -1, true}, {__LINE__, {0, 1.1, 0}, 1, false},  // off the circle
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(c.want, pointOnBulgeArc(c.p, {1, 0, 0}, {-1, 0, 0}, c.bulge));
    }
}

}  // namespace
