// tests/hostsim/services/sysvarsTests.cpp - system variables through kvs_getvar/kvs_setvar and the
// host.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "hostsim/shell/shell.h"

namespace {

class Sysvars : public ::testing::Test {
protected:
    void SetUp() override { hostsim::resetHostState(); }
    void TearDown() override { hostsim::resetHostState(); }
};

// A variable's value as the module reads it, flattened for comparison.
struct Read {
    int status;
    int type;
    double a, b, c;  // number in a; point in a, b, c
    std::string text;
};

Read readVar(const char* name) {
    ResultBuffer rb = {};
    Read r = {kvs_getvar(name, &rb), rb.type, 0, 0, 0, ""};
    if (r.status != KVS_RTNORM) return r;
    double p[3];
    std::memcpy(p, rb.value.point, sizeof p);
    switch (rb.type) {
        case KVS_RTSHORT: r.a = rb.value.shortInt; break;
        case KVS_RTLONG: r.a = rb.value.longInt; break;
        case KVS_RTSTR:
            r.text = rb.value.text;
            korv_free(rb.value.text);
            break;
        case KVS_RTPOINT:
        case KVS_RT3DPOINT: r.a = p[0], r.b = p[1], r.c = p[2]; break;
        default: r.a = rb.value.real; break;
    }
    return r;
}

ResultBuffer record(int16_t type, double a, double b = 0, double c = 0) {
    ResultBuffer rb = {};
    rb.type = type;
    if (type == KVS_RTSHORT)
        rb.value.shortInt = static_cast<int16_t>(a);
    else if (type == KVS_RTLONG)
        rb.value.longInt = static_cast<int32_t>(a);
    else if (type == KVS_RTPOINT || type == KVS_RT3DPOINT) {
        double p[3] = {a, b, c};
        std::memcpy(rb.value.point, p, sizeof p);
    } else
        rb.value.real = a;
    return rb;
}

ResultBuffer textRecord(const char* text) {
    ResultBuffer rb = {};
    rb.type = KVS_RTSTR;
    rb.value.text = const_cast<char*>(text);
    return rb;
}

}  // namespace

TEST_F(Sysvars, ReadsEveryVariableWithItsTypeAndDefault) {
    struct Case {
        int line;
        const char* name;
        int type;
        double a, b, c;
        const char* text;
    };
    const Case cases[] = {
        {__LINE__, "LASTPOINT", KVS_RT3DPOINT, 0, 0, 0, ""},
        {__LINE__, "pickbox", KVS_RTSHORT, 3, 0, 0, ""},
        {__LINE__, "Aperture", KVS_RTSHORT, 10, 0, 0, ""},
        {__LINE__, "UCSORG", KVS_RT3DPOINT, 0, 0, 0, ""},
        {__LINE__, "UCSXDIR", KVS_RT3DPOINT, 1, 0, 0, ""},
        {__LINE__, "UCSYDIR", KVS_RT3DPOINT, 0, 1, 0, ""},
        {__LINE__, "VIEWDIR", KVS_RT3DPOINT, 0, 0, 1, ""},
        {__LINE__, "VIEWSIZE", KVS_RTREAL, 20, 0, 0, ""},
        {__LINE__, "SCREENSIZE", KVS_RTPOINT, 1280, 800, 0, ""},
        {__LINE__, "ANGBASE", KVS_RTANG, 0, 0, 0, ""},
        {__LINE__, "VIEWTWIST", KVS_RTORINT, 0, 0, 0, ""},
        {__LINE__, "clayer", KVS_RTSTR, 0, 0, 0, "0"},
        {__LINE__, "MAXOBJMEM", KVS_RTLONG, 100000, 0, 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        Read r = readVar(c.name);
        ASSERT_EQ(KVS_RTNORM, r.status);
        EXPECT_EQ(c.type, r.type);
        EXPECT_EQ(c.a, r.a);
        EXPECT_EQ(c.b, r.b);
        EXPECT_EQ(c.c, r.c);
        EXPECT_EQ(c.text, r.text);
    }
    EXPECT_EQ(0u, hostsim::outstandingTexts());
}

TEST_F(Sysvars, GetvarRefusesUnknownNamesAndMissingPlaces) {
    ResultBuffer rb = record(KVS_RTREAL, 7);
    for (const char* name : {"NOSUCH", "", "LASTPOINTX", static_cast<const char*>(nullptr)}) {
        EXPECT_NE(KVS_RTNORM, kvs_getvar(name, &rb));
        EXPECT_EQ(KVS_RTREAL, rb.type);  // untouched
    }
    EXPECT_NE(KVS_RTNORM, kvs_getvar("PICKBOX", nullptr));
}

TEST_F(Sysvars, TextValueIsAFreshCopyFreedOnceWithKorvFree) {
    ResultBuffer first = {}, second = {};
    ASSERT_EQ(KVS_RTNORM, kvs_getvar("CLAYER", &first));
    ASSERT_EQ(KVS_RTNORM, kvs_getvar("CLAYER", &second));
    char* firstText = first.value.text;
    char* secondText = second.value.text;
    EXPECT_NE(firstText, secondText);
    EXPECT_EQ(2u, hostsim::outstandingTexts());
    firstText[0] = 'X';
    EXPECT_EQ("0", readVar("CLAYER").text);
    korv_free(firstText);
    korv_free(firstText);  // a second free is refused, not a double free
    korv_free(nullptr);
    EXPECT_EQ(1u, hostsim::outstandingTexts());
    korv_free(secondText);
    EXPECT_EQ(0u, hostsim::outstandingTexts());
}

TEST_F(Sysvars, SetvarStoresValuesOfTheVariablesType) {
    struct Case {
        int line;
        const char* name;
        ResultBuffer value;
        Read want;
    };
    const Case cases[] = {
        {__LINE__, "lastpoint", record(KVS_RT3DPOINT, 1, 2, 3), {0, KVS_RT3DPOINT, 1, 2, 3, ""}},
        {__LINE__, "LASTPOINT", record(KVS_RTPOINT, 4, 5, 9), {0, KVS_RT3DPOINT, 4, 5, 0, ""}},
        {__LINE__, "PICKBOX", record(KVS_RTSHORT, 0), {0, KVS_RTSHORT, 0, 0, 0, ""}},
        {__LINE__, "PICKBOX", record(KVS_RTLONG, 12), {0, KVS_RTSHORT, 12, 0, 0, ""}},
        {__LINE__, "APERTURE", record(KVS_RTSHORT, 25), {0, KVS_RTSHORT, 25, 0, 0, ""}},
        {__LINE__, "VIEWSIZE", record(KVS_RTREAL, 0.5), {0, KVS_RTREAL, 0.5, 0, 0, ""}},
        {__LINE__, "VIEWSIZE", record(KVS_RTSHORT, 40), {0, KVS_RTREAL, 40, 0, 0, ""}},
        {__LINE__,
         "SCREENSIZE",
         record(KVS_RT3DPOINT, 640, 480, 7),
         {0, KVS_RTPOINT, 640, 480, 0, ""}},
        {__LINE__, "SCREENSIZE", record(KVS_RTPOINT, 1, 1e5), {0, KVS_RTPOINT, 1, 1e5, 0, ""}},
        {__LINE__, "ANGBASE", record(KVS_RTANG, -1.5), {0, KVS_RTANG, -1.5, 0, 0, ""}},
        {__LINE__, "ANGBASE", record(KVS_RTREAL, 0.25), {0, KVS_RTANG, 0.25, 0, 0, ""}},
        {__LINE__, "VIEWTWIST", record(KVS_RTORINT, 0.1), {0, KVS_RTORINT, 0.1, 0, 0, ""}},
        {__LINE__, "MAXOBJMEM", record(KVS_RTSHORT, 5), {0, KVS_RTLONG, 5, 0, 0, ""}},
        {__LINE__, "MAXOBJMEM", record(KVS_RTLONG, 2000000), {0, KVS_RTLONG, 2000000, 0, 0, ""}},
        {__LINE__, "CLAYER", textRecord("Walls \xc4"), {0, KVS_RTSTR, 0, 0, 0, "Walls \xc4"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        ASSERT_EQ(KVS_RTNORM, kvs_setvar(c.name, &c.value));
        Read r = readVar(c.name);
        EXPECT_EQ(c.want.type, r.type);
        EXPECT_EQ(c.want.a, r.a);
        EXPECT_EQ(c.want.b, r.b);
        EXPECT_EQ(c.want.c, r.c);
        EXPECT_EQ(c.want.text, r.text);
    }
}

TEST_F(Sysvars, SetvarRefusesAndKeepsTheValue) {
    const std::string longName(256, 'L');
    struct Case {
        int line;
        const char* name;
        ResultBuffer value;
    };
    const Case cases[] = {
        {__LINE__, "UCSORG", record(KVS_RT3DPOINT, 1, 1, 1)},  // read-only
        {__LINE__, "VIEWDIR", record(KVS_RT3DPOINT, 1, 0, 0)},
        {__LINE__, "NOSUCH", record(KVS_RTREAL, 1)},
        {__LINE__, nullptr, record(KVS_RTREAL, 1)},
        {__LINE__, "LASTPOINT", record(KVS_RTREAL, 1)},
        {__LINE__, "LASTPOINT", textRecord("1,2")},
        {__LINE__, "LASTPOINT", record(KVS_RT3DPOINT, 1, NAN, 0)},
        {__LINE__, "PICKBOX", record(KVS_RTREAL, 3)},  // a real is not an integer
        {__LINE__, "PICKBOX", record(KVS_RTLONG, 40000)},
        {__LINE__, "PICKBOX", record(KVS_RTSHORT, -1)},
        {__LINE__, "APERTURE", record(KVS_RTSHORT, 0)},
        {__LINE__, "VIEWSIZE", record(KVS_RTANG, 1)},
        {__LINE__, "VIEWSIZE", record(KVS_RTREAL, 0)},
        {__LINE__, "VIEWSIZE", record(KVS_RTREAL, INFINITY)},
        {__LINE__, "SCREENSIZE", record(KVS_RTPOINT, 640, -1)},
        {__LINE__, "MAXOBJMEM", record(KVS_RTREAL, 5)},
        {__LINE__, "CLAYER", record(KVS_RTSHORT, 1)},
        {__LINE__, "CLAYER", textRecord("")},
        {__LINE__, "CLAYER", textRecord(nullptr)},
        {__LINE__, "CLAYER", textRecord(longName.c_str())},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        Read before = readVar(c.name ? c.name : "");
        EXPECT_EQ(KVS_RTERROR, kvs_setvar(c.name, &c.value));
        Read after = readVar(c.name ? c.name : "");
        EXPECT_EQ(before.a, after.a);
        EXPECT_EQ(before.b, after.b);
        EXPECT_EQ(before.text, after.text);
    }
    EXPECT_EQ(KVS_RTERROR, kvs_setvar("PICKBOX", nullptr));
}

TEST_F(Sysvars, UcsVariablesFollowTheUcs) {
    ASSERT_TRUE(hostsim::setUcsByPoints({1, 2, 3}, {1, 5, 3}, {-4, 2, 3}));  // turned 90 degrees
    struct Case {
        int line;
        const char* name;
        double x, y, z;
    };
    const Case cases[] = {
        {__LINE__, "UCSORG", 1, 2, 3},
        {__LINE__, "UCSXDIR", 0, 1, 0},
        {__LINE__, "UCSYDIR", -1, 0, 0},
        {__LINE__, "VIEWDIR", 0, 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        Read r = readVar(c.name);
        EXPECT_NEAR(c.x, r.a, 1e-15);
        EXPECT_NEAR(c.y, r.b, 1e-15);
        EXPECT_NEAR(c.z, r.c, 1e-15);
        EXPECT_FALSE(hostsim::setSysvarPoint(c.name, {0, 0, 0}));  // not even the host sets them
    }
    ASSERT_TRUE(hostsim::setUcsByPoints({0, 0, 0}, {1, 0, 0}, {0, 0, 1}));  // XY plane is world XZ
    Read view = readVar("VIEWDIR");
    EXPECT_NEAR(0, view.a, 1e-15);
    EXPECT_NEAR(1, view.b, 1e-15);
    EXPECT_NEAR(0, view.c, 1e-15);
}

TEST_F(Sysvars, HostSideAccessUsesTheSameRulesAndResets) {
    EXPECT_TRUE(hostsim::setSysvarReal("viewsize", 8));
    EXPECT_TRUE(hostsim::setSysvarInt("PICKBOX", 7));
    EXPECT_TRUE(hostsim::setSysvarPoint("LASTPOINT", {1, 2, 3}));
    EXPECT_TRUE(hostsim::setSysvarText("CLAYER", "Doors"));
    EXPECT_FALSE(hostsim::setSysvarReal("PICKBOX", 2.5));
    EXPECT_FALSE(hostsim::setSysvarText("NOSUCH", "x"));
    EXPECT_EQ(KVS_RTNORM, hostsim::setSysvar("MAXOBJMEM", hostsim::QValue::integer(70000)));
    EXPECT_EQ(KVS_RTERROR, hostsim::setSysvar("LASTPOINT", hostsim::QValue::textValue("x")));
    EXPECT_EQ(KVS_RTERROR, hostsim::setSysvar("VIEWSIZE", hostsim::QValue::nil()));

    hostsim::QValue v;
    ASSERT_TRUE(hostsim::getSysvar("lastpoint", v));
    EXPECT_EQ(hostsim::QValue::point(1, 2, 3), v);
    ASSERT_TRUE(hostsim::getSysvar("SCREENSIZE", v));
    EXPECT_EQ(hostsim::QValue::point2(1280, 800), v);
    ASSERT_TRUE(hostsim::getSysvar("MAXOBJMEM", v));
    EXPECT_EQ(hostsim::QValue::integer(70000), v);
    EXPECT_FALSE(hostsim::getSysvar("NOSUCH", v));

    hostsim::resetHostState();
    EXPECT_EQ(20, readVar("VIEWSIZE").a);
    EXPECT_EQ(3, readVar("PICKBOX").a);
    EXPECT_EQ("0", readVar("CLAYER").text);
    EXPECT_EQ(0, readVar("LASTPOINT").a);
}
