// tests/hostsim/quillet/symbolsTests.cpp - Quillet symbols through kvs_putsym/kvs_getsym, and the
// accounting of every list the host hands out.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "hostsim/shell/shell.h"

using hostsim::QValue;

namespace {

// One record as a test writes it down: the fields that matter for its type.
struct Rec {
    int16_t type;
    double x = 0, y = 0, z = 0;  // real: x; points: x, y, z
    int32_t integer = 0;
    const char* text = nullptr;
    int64_t name0 = 0, name1 = 0;
};

Rec real(double v) { return {KVS_RTREAL, v}; }
Rec angle(double v) { return {KVS_RTANG, v}; }
Rec shortInt(int v) { return {KVS_RTSHORT, 0, 0, 0, v}; }
Rec longInt(int32_t v) { return {KVS_RTLONG, 0, 0, 0, v}; }
Rec point3(double x, double y, double z) { return {KVS_RT3DPOINT, x, y, z}; }
Rec point2(double x, double y) { return {KVS_RTPOINT, x, y, 0}; }
Rec text(const char* t) { return {KVS_RTSTR, 0, 0, 0, 0, t}; }
Rec ename(int64_t a, int64_t b) { return {KVS_RTENAME, 0, 0, 0, 0, nullptr, a, b}; }
Rec nilRec() { return {KVS_RTNIL}; }
Rec symbol(const char* name) { return {KVS_RTSYMBOL, 0, 0, 0, 0, name}; }
const Rec listBegin = {KVS_RTLB};
const Rec listEnd = {KVS_RTLE};

// A list as the module would build it: records on the caller's side, linked in order.
struct ModuleList {
    std::vector<ResultBuffer> records;
    explicit ModuleList(const std::vector<Rec>& recs) : records(recs.size()) {
        for (std::size_t i = 0; i < recs.size(); ++i) {
            ResultBuffer& rb = records[i];
            rb = ResultBuffer{};
            rb.type = recs[i].type;
            if (rb.type == KVS_RTSHORT) rb.value.shortInt = static_cast<int16_t>(recs[i].integer);
            if (rb.type == KVS_RTLONG) rb.value.longInt = recs[i].integer;
            if (rb.type == KVS_RTSTR || rb.type == KVS_RTSYMBOL)
                rb.value.text = const_cast<char*>(recs[i].text);
            if (rb.type == KVS_RTENAME) {
                rb.value.name[0] = recs[i].name0;
                rb.value.name[1] = recs[i].name1;
            }
            if (rb.type == KVS_RTREAL || rb.type == KVS_RTANG) rb.value.real = recs[i].x;
            if (rb.type == KVS_RTPOINT || rb.type == KVS_RT3DPOINT) {
                double p[3] = {recs[i].x, recs[i].y, recs[i].z};
                std::memcpy(rb.value.point, p, sizeof p);
            }
            if (i > 0) records[i - 1].next = &rb;
        }
    }
    ResultBuffer* head() { return records.empty() ? nullptr : &records[0]; }
};

void expectRecords(const std::vector<Rec>& want, const ResultBuffer* list) {
    std::size_t i = 0;
    for (const ResultBuffer* rb = list; rb != nullptr; rb = rb->next, ++i) {
        SCOPED_TRACE(i);
        ASSERT_LT(i, want.size());
        const Rec& w = want[i];
        ASSERT_EQ(w.type, rb->type);
        // copies first: the record is packed, and a reference to its members would be misaligned
        double real = rb->value.real;
        int16_t shortInt = rb->value.shortInt;
        int32_t longInt = rb->value.longInt;
        const char* textOf = rb->value.text;
        int64_t name0 = rb->value.name[0], name1 = rb->value.name[1];
        switch (w.type) {
            case KVS_RTREAL: EXPECT_EQ(w.x, real); break;
            case KVS_RTSHORT: EXPECT_EQ(w.integer, shortInt); break;
            case KVS_RTLONG: EXPECT_EQ(w.integer, longInt); break;
            case KVS_RTSTR:
            case KVS_RTSYMBOL: EXPECT_STREQ(w.text, textOf); break;
            case KVS_RTENAME:
                EXPECT_EQ(w.name0, name0);
                EXPECT_EQ(w.name1, name1);
                break;
            case KVS_RTPOINT:
            case KVS_RT3DPOINT: {
                double p[3];
                std::memcpy(p, rb->value.point, sizeof p);
                EXPECT_EQ(w.x, p[0]);
                EXPECT_EQ(w.y, p[1]);
                EXPECT_EQ(w.z, p[2]);
                break;
            }
            default: break;
        }
    }
    EXPECT_EQ(want.size(), i);
}

class Symbols : public ::testing::Test {
protected:
    void SetUp() override { hostsim::resetHostState(); }
    void TearDown() override { hostsim::resetHostState(); }
};

}  // namespace

TEST_F(Symbols, PutsymThenGetsymGivesTheValueBack) {
    struct Case {
        int line;
        std::vector<Rec> put;
        std::vector<Rec> got;
    };
    const Case cases[] = {
        {__LINE__, {real(2.5)}, {real(2.5)}},
        {__LINE__, {shortInt(-7)}, {shortInt(-7)}},
        {__LINE__, {longInt(70000)}, {longInt(70000)}},
        {__LINE__, {longInt(5)}, {shortInt(5)}},  // an integer that fits 16 bits reads back short
        {__LINE__, {angle(1.5)}, {real(1.5)}},
        {__LINE__, {point3(1, 2, 3)}, {point3(1, 2, 3)}},
        {__LINE__, {point2(4, 5)}, {point2(4, 5)}},
        {__LINE__, {text("h\xe9llo")}, {text("h\xe9llo")}},
        {__LINE__, {text("")}, {text("")}},
        {__LINE__, {ename(42, -9)}, {ename(42, -9)}},
        {__LINE__, {symbol("Odd Case")}, {symbol("Odd Case")}},
        {__LINE__,
         {text("a"), real(1), ename(1, 2)},
         {listBegin, text("a"), real(1), ename(1, 2), listEnd}},
        {__LINE__,
         {real(1), shortInt(2), real(3)},
         {point3(1, 2, 3)}},  // three numbers are a point
        {__LINE__,
         {real(1), nilRec(), point3(0, 0, 1)},
         {listBegin, real(1), nilRec(), point3(0, 0, 1), listEnd}},
        {__LINE__,
         {listBegin, text("a"), listBegin, listEnd, listBegin, symbol("B"), listEnd, listEnd},
         {listBegin, text("a"), nilRec(), listBegin, symbol("B"), listEnd, listEnd}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        ModuleList put(c.put);
        ASSERT_EQ(KVS_RTNORM, kvs_putsym("v", put.head()));
        ResultBuffer* got = nullptr;
        ASSERT_EQ(KVS_RTNORM, kvs_getsym("V", &got));
        expectRecords(c.got, got);
        EXPECT_EQ(KVS_RTNORM, kvs_relrb(got));
    }
    EXPECT_EQ(0u, hostsim::outstandingLists());
}

TEST_F(Symbols, ConvertsHostValuesToRecordsByKind) {
    struct Case {
        int line;
        QValue value;
        std::vector<Rec> got;
    };
    const Case cases[] = {
        {__LINE__, QValue::integer(32767), {shortInt(32767)}},
        {__LINE__, QValue::integer(-32768), {shortInt(-32768)}},
        {__LINE__, QValue::integer(32768), {longInt(32768)}},
        {__LINE__, QValue::integer(-32769), {longInt(-32769)}},
        {__LINE__, QValue::list({QValue::integer(1), QValue::integer(2)}), {point2(1, 2)}},
        {__LINE__,
         QValue::list({QValue::integer(1), QValue::real(2), QValue::integer(3)}),
         {point3(1, 2, 3)}},
        {__LINE__,
         QValue::list({QValue::point(1, 2, 3), QValue::textValue("t")}),
         {listBegin, point3(1, 2, 3), text("t"), listEnd}},
        // Anything else is bracketed or typed so that its first record never reads as a number
        // or a point of its own.
        {__LINE__,
         QValue::list(
             {QValue::integer(1), QValue::integer(2), QValue::integer(3), QValue::integer(4)}),
         {listBegin, shortInt(1), shortInt(2), shortInt(3), shortInt(4), listEnd}},
        {__LINE__,
         QValue::list({QValue::point(1, 2, 3), QValue::integer(4)}),
         {listBegin, point3(1, 2, 3), shortInt(4), listEnd}},
        {__LINE__,
         QValue::list({QValue::list({QValue::integer(1)}), QValue::integer(2)}),
         {listBegin, listBegin, shortInt(1), listEnd, shortInt(2), listEnd}},
        {__LINE__, QValue::symbol("foo"), {symbol("FOO")}},
        {__LINE__, QValue::symbol("t"), {symbol("T")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        hostsim::setSymbol("x", c.value);
        ResultBuffer* got = nullptr;
        ASSERT_EQ(KVS_RTNORM, kvs_getsym("x", &got));
        expectRecords(c.got, got);
        kvs_relrb(got);
    }
}

TEST_F(Symbols, UnknownAndNilSymbolsHaveNoValue) {
    ModuleList one({real(1)});
    ASSERT_EQ(KVS_RTNORM, kvs_putsym("gone", one.head()));
    ASSERT_EQ(KVS_RTNORM, kvs_putsym("GONE", nullptr));  // set to nil
    for (const char* name : {"gone", "never"}) {
        SCOPED_TRACE(name);
        ResultBuffer* got = one.head();
        EXPECT_EQ(KVS_RTNORM, kvs_getsym(name, &got));
        EXPECT_EQ(nullptr, got);
        EXPECT_TRUE(hostsim::getSymbol(name).isNil());
    }
}

TEST_F(Symbols, NamesIgnoreCaseInTheCodePage) {
    hostsim::setSymbol("\xe4pfel", QValue::integer(3));  // äpfel
    EXPECT_EQ(QValue::integer(3), hostsim::getSymbol("\xc4PFEL"));
    ResultBuffer* got = nullptr;
    ASSERT_EQ(KVS_RTNORM, kvs_getsym("\xc4pFeL", &got));
    expectRecords({shortInt(3)}, got);
    kvs_relrb(got);
}

TEST_F(Symbols, BadRecordsAndNamesAreRefusedAndKeepTheOldValue) {
    hostsim::setSymbol("keep", QValue::real(9));
    ModuleList one({real(1)});
    ModuleList unknownType({real(1), {1234}});
    ModuleList nullText({text(nullptr)});
    ModuleList nullName({symbol(nullptr)});
    ModuleList cycle({real(1), real(2)});
    cycle.records[1].next = &cycle.records[0];
    ModuleList unended({listBegin, real(1)});
    ModuleList unbegun({real(1), listEnd});
    std::vector<Rec> deepest(hostsim::maxQuilletDepth + 1, listBegin);
    deepest.insert(deepest.end(), hostsim::maxQuilletDepth + 1, listEnd);
    ModuleList tooDeep(deepest);
    struct Case {
        int line;
        const char* name;
        const ResultBuffer* value;
    };
    const Case cases[] = {
        {__LINE__, "keep", unknownType.head()},
        {__LINE__, "keep", nullText.head()},
        {__LINE__, "keep", nullName.head()},
        {__LINE__, "keep", cycle.head()},
        {__LINE__, "keep", unended.head()},
        {__LINE__, "keep", unbegun.head()},
        {__LINE__, "keep", tooDeep.head()},
        {__LINE__, nullptr, unknownType.head()},
        {__LINE__, "", nullptr},
        {__LINE__, "nil", one.head()},  // the constants: Quillet's own NIL is never shadowed
        {__LINE__, "NIL", nullptr},
        {__LINE__, "t", one.head()},
        {__LINE__, "T", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(KVS_RTERROR, kvs_putsym(c.name, c.value));
        EXPECT_EQ(QValue::real(9), hostsim::getSymbol("keep"));
    }
    EXPECT_TRUE(hostsim::getSymbol("nil").isNil());
    EXPECT_EQ(QValue::symbol("T"), hostsim::getSymbol("t"));
    ResultBuffer* got = nullptr;
    EXPECT_EQ(KVS_RTERROR, kvs_getsym(nullptr, &got));
    EXPECT_EQ(KVS_RTERROR, kvs_getsym("keep", nullptr));
}

TEST_F(Symbols, GetsymHandsOutAnIndependentCopy) {
    char textOfModule[] = "abc";
    ModuleList put({text(textOfModule)});
    ASSERT_EQ(KVS_RTNORM, kvs_putsym("s", put.head()));
    textOfModule[0] = 'X';  // the host kept its own copy
    ResultBuffer* first = nullptr;
    ResultBuffer* second = nullptr;
    ASSERT_EQ(KVS_RTNORM, kvs_getsym("s", &first));
    ASSERT_EQ(KVS_RTNORM, kvs_getsym("s", &second));
    char* firstText = first->value.text;
    char* secondText = second->value.text;
    EXPECT_NE(firstText, secondText);
    firstText[0] = 'Y';  // the module may scribble on its copy
    expectRecords({text("abc")}, second);
    EXPECT_EQ(QValue::textValue("abc"), hostsim::getSymbol("s"));
    kvs_relrb(first);
    kvs_relrb(second);
}

TEST_F(Symbols, ListsAreCountedUntilReleasedExactlyOnce) {
    hostsim::setSymbol("p", QValue::list({QValue::real(1), QValue::textValue("x")}));
    ResultBuffer* lists[3] = {};
    for (ResultBuffer*& list : lists) ASSERT_EQ(KVS_RTNORM, kvs_getsym("p", &list));
    EXPECT_EQ(3u, hostsim::outstandingLists());

    ResultBuffer foreign = {};
    EXPECT_EQ(KVS_RTERROR, kvs_relrb(&foreign));
    EXPECT_EQ(KVS_RTERROR, kvs_relrb(lists[0]->next));  // not the head of a list
    EXPECT_EQ(KVS_RTNORM, kvs_relrb(nullptr));
    EXPECT_EQ(3u, hostsim::outstandingLists());

    EXPECT_EQ(KVS_RTNORM, kvs_relrb(lists[0]));
    EXPECT_EQ(KVS_RTERROR, kvs_relrb(lists[0]));  // a second release is refused
    EXPECT_EQ(2u, hostsim::outstandingLists());

    hostsim::resetHostState();  // frees what is still out
    EXPECT_EQ(0u, hostsim::outstandingLists());
    EXPECT_EQ(KVS_RTERROR, kvs_relrb(lists[1]));
    EXPECT_TRUE(hostsim::getSymbol("p").isNil());
}
