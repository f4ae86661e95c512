// tests/hostsim/services/drawingTransformsTests.cpp - display coordinates and an object's own
// system.
#include <gtest/gtest.h>

#include <cmath>

#include "tests/hostsim/drawingTestSupport.h"

namespace {

using drawingtest::DrawingTest;
using drawingtest::findEntity;
using hostsim::Point;

ResultBuffer codeRecord(int code) {
    ResultBuffer rb = {};
    rb.type = KVS_RTSHORT;
    rb.value.shortInt = static_cast<int16_t>(code);
    return rb;
}

ResultBuffer objectRecord(int index) {
    ResultBuffer rb = {};
    rb.type = KVS_RTENAME;
    hostsim::setRecordObject(rb, index);
    return rb;
}

const char transformEntities[] =
    "0 CIRCLE\n10 1\n20 2\n40 1\n210 0\n220 0\n230 -1\n"      // 0: own x is world -X
    "0 CIRCLE\n10 1\n20 2\n40 1\n210 1\n220 0\n230 0\n"       // 1: own x is world Y, y is Z
    "0 LINE\n10 0\n20 0\n11 1\n21 1\n210 0\n220 0\n230 -1\n"  // 2: world, whatever its 210
    "0 POLYLINE\n70 0\n210 0\n220 0\n230 -1\n0 VERTEX\n10 1\n20 1\n0 SEQEND\n"  // 3, 4, 5
    "0 POLYLINE\n70 8\n0 VERTEX\n10 1\n20 1\n0 SEQEND\n"  // 6, 7, 8: a 3D polyline
    "0 CIRCLE\n10 0\n20 0\n40 1\n"                        // 9: extrusion absent: world Z
    // 10, 11, 12: a polyface mesh is in world coordinates, whatever its 210
    "0 POLYLINE\n70 64\n210 0\n220 0\n230 -1\n0 VERTEX\n70 192\n10 1\n20 1\n0 SEQEND\n";

}  // namespace

TEST_F(DrawingTest, TransformsToDisplayAndObjectSystems) {
    open(transformEntities);
    ASSERT_TRUE(hostsim::setUcsByPoints({1, 2, 3}, {1, 3, 3}, {0, 2, 3}));  // x along world Y
    struct Case {
        int line;
        ResultBuffer from, to;
        int displacement;
        Point in, want;
    };
    const Case cases[] = {
        {__LINE__, codeRecord(KVS_WORLD), codeRecord(KVS_DISPLAY), 0, {4, 5, 6}, {4, 5, 6}},
        {__LINE__, codeRecord(KVS_UCS), codeRecord(KVS_DISPLAY), 0, {1, 0, 0}, {1, 3, 3}},
        {__LINE__, codeRecord(KVS_DISPLAY), codeRecord(KVS_UCS), 0, {1, 3, 3}, {1, 0, 0}},
        {__LINE__, codeRecord(KVS_UCS), codeRecord(KVS_DISPLAY), 1, {1, 0, 0}, {0, 1, 0}},
        {__LINE__, objectRecord(0), codeRecord(KVS_WORLD), 0, {1, 2, 3}, {-1, 2, -3}},
        {__LINE__, objectRecord(1), codeRecord(KVS_WORLD), 0, {1, 2, 3}, {3, 1, 2}},
        {__LINE__, codeRecord(KVS_WORLD), objectRecord(1), 0, {3, 1, 2}, {1, 2, 3}},
        {__LINE__, objectRecord(2), codeRecord(KVS_WORLD), 0, {1, 2, 3}, {1, 2, 3}},
        {__LINE__, objectRecord(4), codeRecord(KVS_WORLD), 0, {1, 2, 3}, {-1, 2, -3}},  // VERTEX
        {__LINE__, objectRecord(5), codeRecord(KVS_WORLD), 0, {1, 2, 3}, {-1, 2, -3}},  // SEQEND
        {__LINE__, objectRecord(7), codeRecord(KVS_WORLD), 0, {1, 2, 3}, {1, 2, 3}},
        {__LINE__, objectRecord(9), codeRecord(KVS_WORLD), 0, {1, 2, 3}, {1, 2, 3}},
        {__LINE__, objectRecord(11), codeRecord(KVS_WORLD), 0, {1, 2, 3}, {1, 2, 3}},
        {__LINE__, objectRecord(0), codeRecord(KVS_UCS), 0, {0, 0, 0}, {-2, 1, -3}},
        {__LINE__, objectRecord(0), objectRecord(1), 0, {1, 0, 0}, {0, 0, -1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        ASSERT_TRUE(hostsim::usesDrawingSystem(&c.from, &c.to));
        Point got = {NAN, NAN, NAN};
        ASSERT_EQ(KVS_RTNORM, hostsim::transformWithDrawing(c.in.data(), &c.from, &c.to,
                                                            c.displacement, got.data()));
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(c.want[i], got[i], 1e-12) << "coordinate " << i;
    }
}

TEST_F(DrawingTest, TransformsRefuseUnknownSystems) {
    open(transformEntities);
    ResultBuffer stale = objectRecord(0);
    stale.value.name[0] += 1;  // a drawing that is not open
    ResultBuffer outOfRange = objectRecord(100);
    ResultBuffer badCode = codeRecord(7), world = codeRecord(KVS_WORLD),
                 display = codeRecord(KVS_DISPLAY);
    struct Case {
        int line;
        const ResultBuffer* from;
        const ResultBuffer* to;
    };
    const Case cases[] = {
        {__LINE__, &stale, &world},
        {__LINE__, &outOfRange, &world},
        {__LINE__, &display, &badCode},
        {__LINE__, &display, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        double p[3] = {1, 2, 3}, out[3];
        EXPECT_EQ(KVS_RTERROR, hostsim::transformWithDrawing(p, c.from, c.to, 0, out));
    }
    EXPECT_FALSE(hostsim::usesDrawingSystem(&world, &world));
}
