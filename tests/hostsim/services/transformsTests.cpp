// tests/hostsim/services/transformsTests.cpp - the UCS and kvs_trans, kvs_angle, kvs_inters.
#include <gtest/gtest.h>

#include <cmath>

#include "hostsim/shell/shell.h"

namespace {

using hostsim::Point;

class Transforms : public ::testing::Test {
protected:
    void SetUp() override { hostsim::resetHostState(); }
    void TearDown() override { hostsim::resetHostState(); }
};

ResultBuffer systemRecord(int code) {
    ResultBuffer rb = {};
    rb.type = KVS_RTSHORT;
    rb.value.shortInt = static_cast<int16_t>(code);
    return rb;
}

Point trans(const Point& p, int from, int to, int displacement) {
    ResultBuffer fromRb = systemRecord(from), toRb = systemRecord(to);
    Point out = {NAN, NAN, NAN};
    EXPECT_EQ(KVS_RTNORM, kvs_trans(p.data(), &fromRb, &toRb, displacement, out.data()));
    return out;
}

void expectNear(const Point& want, const Point& got, double tolerance) {
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(want[i], got[i], tolerance) << "coordinate " << i;
}

const double pi = 3.141592653589793;

}  // namespace

TEST_F(Transforms, MapsBetweenWorldAndATurnedMovedUcs) {
    // x along world Y, y along world -X, origin at (1,2,3)
    ASSERT_TRUE(hostsim::setUcsByPoints({1, 2, 3}, {1, 7, 3}, {-2, 9, 3}));
    struct Case {
        int line;
        int from, to, displacement;
        Point in, want;
    };
    const Case cases[] = {
        {__LINE__, KVS_WORLD, KVS_UCS, 0, {1, 2, 3}, {0, 0, 0}},
        {__LINE__, KVS_WORLD, KVS_UCS, 0, {1, 3, 3}, {1, 0, 0}},
        {__LINE__, KVS_WORLD, KVS_UCS, 0, {0, 2, 3}, {0, 1, 0}},
        {__LINE__, KVS_WORLD, KVS_UCS, 0, {1, 2, 4}, {0, 0, 1}},
        {__LINE__, KVS_UCS, KVS_WORLD, 0, {2, 3, 4}, {-2, 4, 7}},
        {__LINE__, KVS_WORLD, KVS_UCS, 1, {1, 0, 0}, {0, -1, 0}},  // a vector: no origin shift
        {__LINE__, KVS_UCS, KVS_WORLD, 1, {2, 3, 4}, {-3, 2, 4}},
        {__LINE__, KVS_UCS, KVS_UCS, 0, {5, 6, 7}, {5, 6, 7}},
        {__LINE__, KVS_WORLD, KVS_WORLD, 1, {5, 6, 7}, {5, 6, 7}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        expectNear(c.want, trans(c.in, c.from, c.to, c.displacement), 1e-14);
    }
}

TEST_F(Transforms, RoundTripsThroughAnObliqueUcs) {
    ASSERT_TRUE(hostsim::setUcsByPoints({10, -5, 3}, {11, -4, 4}, {9, -3, 3.5}));
    const hostsim::Ucs& ucs = hostsim::currentUcs();
    EXPECT_NEAR(
        0, ucs.xAxis[0] * ucs.yAxis[0] + ucs.xAxis[1] * ucs.yAxis[1] + ucs.xAxis[2] * ucs.yAxis[2],
        1e-15);
    const Point points[] = {
        {0, 0, 0}, {1, 2, 3}, {-1e3, 250.5, 7}, {1e-9, -1e-9, 0}, {123.456, -78.9, -1000}};
    for (const Point& p : points) {
        for (int displacement : {0, 1}) {
            SCOPED_TRACE(p[0]);
            expectNear(
                p,
                trans(trans(p, KVS_UCS, KVS_WORLD, displacement), KVS_WORLD, KVS_UCS, displacement),
                1e-12);
            expectNear(
                p,
                trans(trans(p, KVS_WORLD, KVS_UCS, displacement), KVS_UCS, KVS_WORLD, displacement),
                1e-12);
        }
    }
    // the defining points land on the axes they define
    Point onX = trans({11, -4, 4}, KVS_WORLD, KVS_UCS, 0);
    EXPECT_NEAR(std::sqrt(3.0), onX[0], 1e-14);
    EXPECT_NEAR(0, onX[1], 1e-14);
    EXPECT_NEAR(0, onX[2], 1e-14);
    Point inXY = trans({9, -3, 3.5}, KVS_WORLD, KVS_UCS, 0);
    EXPECT_GT(inXY[1], 0);
    EXPECT_NEAR(0, inXY[2], 1e-14);
}

TEST_F(Transforms, UnknownSystemsAreRefusedWithTheResultUntouched) {
    ResultBuffer world = systemRecord(KVS_WORLD);
    ResultBuffer seven = systemRecord(7);
    ResultBuffer object = {};
    object.type = KVS_RTENAME;
    ResultBuffer realCode = {};
    realCode.type = KVS_RTREAL;
    const ResultBuffer* refused[] = {&seven, &object, &realCode, nullptr};
    const double p[3] = {1, 2, 3};
    for (const ResultBuffer* system : refused) {
        double result[3] = {9, 9, 9};
        EXPECT_EQ(KVS_RTERROR, kvs_trans(p, system, &world, 0, result));
        EXPECT_EQ(KVS_RTERROR, kvs_trans(p, &world, system, 0, result));
        EXPECT_EQ(9, result[0]);
    }
    EXPECT_EQ(KVS_RTERROR, kvs_trans(nullptr, &world, &world, 0, nullptr));
}

TEST_F(Transforms, UcsByPointsRefusesDegenerateChoices) {
    ASSERT_TRUE(hostsim::setUcsByPoints({1, 1, 1}, {2, 1, 1}, {1, 2, 1}));
    struct Case {
        int line;
        Point origin, onX, inXY;
    };
    const Case cases[] = {
        {__LINE__, {0, 0, 0}, {0, 0, 0}, {0, 1, 0}},               // x point on the origin
        {__LINE__, {0, 0, 0}, {1, 0, 0}, {0, 0, 0}},               // y point on the origin
        {__LINE__, {0, 0, 0}, {1, 0, 0}, {-5, 0, 0}},              // collinear
        {__LINE__, {0, 0, 0}, {1, 1, 1}, {1e6, 1e6, 1e6 + 1e-6}},  // collinear within tolerance
        {__LINE__, {0, 0, NAN}, {1, 0, 0}, {0, 1, 0}},
        {__LINE__, {INFINITY, 0, 0}, {1, 0, 0}, {0, 1, 0}},
        // finite points whose differences overflow: the axes would be NaN
        {__LINE__, {1e308, 1e308, 0}, {-1e308, 1e308, 0}, {0, 0, 0}},
        {__LINE__, {0, 0, 0}, {0, 1, -1}, {0, 1.7e308, 1.7e308}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_FALSE(hostsim::setUcsByPoints(c.origin, c.onX, c.inXY));
        expectNear({1, 1, 1}, hostsim::currentUcs().origin, 0);  // the previous UCS stays
    }
    hostsim::setWorldUcs();
    expectNear({7, 8, 9}, trans({7, 8, 9}, KVS_UCS, KVS_WORLD, 0), 0);
}

TEST(Angle, IsTheDirectionInXYFromZeroToAFullTurn) {
    struct Case {
        int line;
        Point from, to;
        double want;
    };
    const Case cases[] = {
        {__LINE__, {0, 0, 0}, {1, 0, 0}, 0},
        {__LINE__, {1, 1, 0}, {2, 2, 0}, pi / 4},
        {__LINE__, {0, 0, 0}, {0, 3, 0}, pi / 2},
        {__LINE__, {0, 0, 0}, {-1, 1, 0}, 3 * pi / 4},
        {__LINE__, {0, 0, 0}, {-1, 0, 0}, pi},
        {__LINE__, {0, 0, 0}, {-1, -1, 0}, 5 * pi / 4},
        {__LINE__, {0, 0, 0}, {0, -1, 0}, 3 * pi / 2},
        {__LINE__, {0, 0, 0}, {1, -1, 0}, 7 * pi / 4},
        {__LINE__, {0, 0, 0}, {1, -1e-300, 0}, 0},  // not 2*pi
        {__LINE__, {0, 0, 5}, {0, 1, -5}, pi / 2},  // z plays no part
        {__LINE__, {2, 2, 2}, {2, 2, 2}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        double angle = kvs_angle(c.from.data(), c.to.data());
        EXPECT_NEAR(c.want, angle, 1e-15);
        EXPECT_GE(angle, 0.0);
        EXPECT_LT(angle, 2 * pi);
    }
}

TEST(Inters, FindsWhereLinesMeetOrRefuses) {
    struct Case {
        int line;
        Point f1, t1, f2, t2;
        int bounded;
        int status;
        Point want;
    };
    const Case cases[] = {
        {__LINE__, {0, 0, 0}, {2, 2, 0}, {0, 2, 0}, {2, 0, 0}, 1, KVS_RTNORM, {1, 1, 0}},
        {__LINE__,
         {0, 0, 0},
         {1, 0, 0},
         {5, 5, 0},
         {5, 6, 0},
         0,
         KVS_RTNORM,
         {5, 0, 0}},  // on the extensions
        {__LINE__, {0, 0, 0}, {1, 0, 0}, {5, 5, 0}, {5, 6, 0}, 1, KVS_RTERROR, {}},
        {__LINE__, {0, 0, 0}, {4, 0, 0}, {4, 0, 0}, {4, 3, 0}, 1, KVS_RTNORM, {4, 0, 0}},  // ends
                                                                                           // touch
        {__LINE__, {0, 0, 0}, {2, 2, 2}, {2, 0, 0}, {0, 2, 2}, 1, KVS_RTNORM, {1, 1, 1}},  // in 3D
        {__LINE__,
         {1e6, 1e6, 0},
         {1e6 + 2, 1e6 + 2, 0},
         {1e6, 1e6 + 2, 0},
         {1e6 + 2, 1e6, 0},
         1,
         KVS_RTNORM,
         {1e6 + 1, 1e6 + 1, 0}},
        {__LINE__, {0, 0, 0}, {1, 1, 0}, {0, 1, 0}, {1, 2, 0}, 0, KVS_RTERROR, {}},  // parallel
        // long and parallel within the tolerance: not a crossing near x = -1e12
        {__LINE__, {0, 0, 0}, {1000, 0, 0}, {0, 1, 0}, {1000, 1.000000001, 0}, 0, KVS_RTERROR, {}},
        {__LINE__, {0, 0, 0}, {1, 1, 0}, {2, 2, 0}, {3, 3, 0}, 0, KVS_RTERROR, {}},  // collinear
        {__LINE__, {0, 0, 0}, {1, 0, 0}, {0, 0, 1}, {0, 1, 1}, 0, KVS_RTERROR, {}},  // skew
        {__LINE__, {0, 0, 0}, {1, 0, 0}, {0, 0, 1e-6}, {0, 1, 1e-6}, 0, KVS_RTERROR, {}},  // barely
                                                                                           // skew
        {__LINE__, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 1, 0}, 0, KVS_RTERROR, {}},  // no direction
        {__LINE__, {0, 0, 0}, {1, 0, 0}, {0, NAN, 0}, {0, 1, 0}, 0, KVS_RTERROR, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        Point result = {-7, -7, -7};
        EXPECT_EQ(c.status, kvs_inters(c.f1.data(), c.t1.data(), c.f2.data(), c.t2.data(),
                                       c.bounded, result.data()));
        expectNear(c.status == KVS_RTNORM ? c.want : Point{-7, -7, -7}, result, 1e-9);
    }
}
