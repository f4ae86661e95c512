// tests/adapters/librecad/mirrorTests.cpp - LibreCAD's entities, as its plug-in interface gives
// them, mirrored into the host's drawing: object snap and the records answer as for the DXF
// file LibreCAD would save.
// SPDX-License-Identifier: GPL-2.0-or-later
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "adapters/librecad/librecad.h"
#include "document_interface.h"

namespace {

using Data = QHash<int, QVariant>;

class FakeEntity : public Plug_Entity {
public:
    FakeEntity(Data values, QList<Plug_VertexData> vertices = {})
        : values(std::move(values)), vertices(std::move(vertices)) {}
    void getData(QHash<int, QVariant>* data) override { *data = values; }
    void updateData(QHash<int, QVariant>*) override {}
    void getPolylineData(QList<Plug_VertexData>* data) override { *data = vertices; }
    void updatePolylineData(QList<Plug_VertexData>*) override {}
    void move(QPointF) override {}
    void moveRotate(QPointF const&, QPointF const&, double) override {}
    void rotate(QPointF, double) override {}
    void scale(QPointF, QPointF) override {}
    QString intColor2str(int) override { return ""; }

private:
    Data values;
    QList<Plug_VertexData> vertices;
};

// An entity's data as getData gives it: type, id and layer, then the kind's own keys.
Data entity(int type, qulonglong id, std::initializer_list<std::pair<int, QVariant>> keys) {
    Data data(keys);
    data.insert(DPI::ETYPE, type);
    data.insert(DPI::EID, id);
    data.insert(DPI::LAYER, "0");
    return data;
}

// The entities of both tables, far enough apart that each pick finds only its own.
QList<Plug_Entity*> sampleEntities() {
    const double quarter = M_PI / 2;
    return {
        new FakeEntity(
            entity(DPI::LINE, 1,
                   {{DPI::STARTX, 1.0}, {DPI::STARTY, 2.0}, {DPI::ENDX, 5.0}, {DPI::ENDY, 2.0}})),
        new FakeEntity(entity(DPI::ARC, 2,
                              {{DPI::STARTX, 10.0},
                               {DPI::STARTY, 0.0},
                               {DPI::RADIUS, 2.0},
                               {DPI::STARTANGLE, 0.0},
                               {DPI::ENDANGLE, quarter},
                               {DPI::REVERSED, false}})),
        new FakeEntity(entity(DPI::ARC, 3,
                              {{DPI::STARTX, 20.0},
                               {DPI::STARTY, 0.0},
                               {DPI::RADIUS, 2.0},
                               {DPI::STARTANGLE, 0.0},
                               {DPI::ENDANGLE, quarter},
                               {DPI::REVERSED, true}})),
        new FakeEntity(
            entity(DPI::CIRCLE, 4, {{DPI::STARTX, 30.0}, {DPI::STARTY, 0.0}, {DPI::RADIUS, 3.0}})),
        new FakeEntity(entity(DPI::ELLIPSE, 5,
                              {{DPI::STARTX, 50.0},
                               {DPI::STARTY, 0.0},
                               {DPI::ENDX, 4.0},
                               {DPI::ENDY, 0.0},
                               {DPI::HEIGHT, 0.5},
                               {DPI::STARTANGLE, 0.0},
                               {DPI::ENDANGLE, M_PI},
                               {DPI::REVERSED, true}})),
        new FakeEntity(entity(DPI::POLYLINE, 6, {{DPI::CLOSEPOLY, 1}}),
                       {Plug_VertexData(QPointF(60, 0), 1.0), Plug_VertexData(QPointF(64, 0), 0.0),
                        Plug_VertexData(QPointF(64, 4), 0.0)}),
        new FakeEntity(entity(DPI::POINT, 7, {{DPI::STARTX, 70.0}, {DPI::STARTY, 5.0}})),
        new FakeEntity(entity(DPI::INSERT, 8,
                              {{DPI::STARTX, 80.0},
                               {DPI::STARTY, 0.0},
                               {DPI::BLKNAME, "MARK"},
                               {DPI::STARTANGLE, M_PI / 6},
                               {DPI::XSCALE, 2.0},
                               {DPI::YSCALE, 3.0}})),
        new FakeEntity(entity(DPI::TEXT, 9,
                              {{DPI::STARTX, 0.0},
                               {DPI::STARTY, -8.0},
                               {DPI::STARTANGLE, quarter},
                               {DPI::HEIGHT, 2.5},
                               {DPI::TEXTCONTENT, "two\nlines"}})),
        new FakeEntity(entity(DPI::MTEXT, 10,
                              {{DPI::STARTX, 0.0},
                               {DPI::STARTY, -20.0},
                               {DPI::STARTANGLE, 0.0},
                               {DPI::HEIGHT, 1.0},
                               {DPI::TEXTCONTENT, QString("a\nbc") + QString(130, QChar(0xF6))}})),
    };
}

class Mirror : public ::testing::Test {
protected:
    void SetUp() override {
        hostsim::resetSessionState();
        QList<Plug_Entity*> entities = sampleEntities();
        librecad::MirrorGaps gaps;
        std::string text = librecad::mirrorText(librecad::readEntities(entities), gaps);
        qDeleteAll(entities);
        std::string error;
        ASSERT_TRUE(hostsim::openDrawingText(text, "mirror", error)) << error;
    }
    const hostsim::DrawingObject& objectOfId(const char* handle) {
        const hostsim::Drawing& drawing = hostsim::currentDrawing();
        return drawing.objects.at(hostsim::objectOfHandle(drawing, handle));
    }
};

TEST_F(Mirror, SnapsAnswerAsOnTheSavedDrawing) {
    const double r = std::sqrt(2.0);
    struct Case {
        int line;
        const char* mode;
        hostsim::Point pick;
        hostsim::Point want;
    };
    const Case cases[] = {
        {__LINE__, "END", {4.5, 2, 0}, {5, 2, 0}},
        {__LINE__, "MID", {10 + r, r, 0}, {10 + r, r, 0}},    // counter-clockwise
        {__LINE__, "MID", {20 - r, -r, 0}, {20 - r, -r, 0}},  // reversed: 90 to 360
        {__LINE__, "CEN", {33, 0, 0}, {30, 0, 0}},
        {__LINE__, "MID", {50, -2, 0}, {50, -2, 0}},  // reversed: the lower half
        {__LINE__, "CEN", {62, -2, 0}, {62, 0, 0}},   // bulge 1 below the chord
        {__LINE__, "MID", {62, 2, 0}, {62, 2, 0}},    // the closing segment
        {__LINE__, "NOD", {70, 5, 0}, {70, 5, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        double got[3] = {0, 0, 0};
        ASSERT_EQ(KVS_RTNORM, kvs_osnap(c.pick.data(), c.mode, got));
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(c.want[i], got[i], 1e-9);
    }
}

TEST_F(Mirror, RecordsCarryDxfUnitsAndSafeTexts) {
    struct Case {
        int line;
        const char* handle;
        int code;
        const char* text;
        double number;
    };
    const Case cases[] = {
        {__LINE__, "8", 2, "MARK", 0},
        {__LINE__, "8", 50, nullptr, 30},  // radians become degrees
        {__LINE__, "8", 42, nullptr, 3},
        {__LINE__, "9", 1, "two lines", 0},  // a line break would end the group
        {__LINE__, "9", 50, nullptr, 90},
        // MTEXT: its break as \P; pieces of 250 bytes cut between characters (5 bytes and 122
        // two-byte letters), each read from UTF-8 into code page 1252
        {__LINE__, "A", 3, "a\\Pbc\xf6\xf6", 0},
        {__LINE__, "A", 1, "\xf6\xf6\xf6\xf6\xf6\xf6\xf6\xf6", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        const hostsim::DrawingObject& object = objectOfId(c.handle);
        if (c.text == nullptr) {
            EXPECT_NEAR(c.number, hostsim::groupReal(object, c.code, -1), 1e-9);
            continue;
        }
        const hostsim::DxfGroup* group = hostsim::findGroup(object, c.code);
        ASSERT_NE(nullptr, group);
        EXPECT_EQ(c.text, group->text().substr(0, std::string(c.text).size()));
        if (c.code == 1) {
            EXPECT_EQ(std::string(c.text), group->text());
        }
    }
}

// Whether the mirror is read again: any value the interface gives, changed, changes the
// document's signature; the same entities read again do not.
TEST(MirrorSignature, ChangesWithWhatTheInterfaceGives) {
    struct Case {
        int line;
        const char* change;
        std::function<void(QList<Plug_Entity*>&)> apply;
        bool changed;
    };
    auto replace = [](QList<Plug_Entity*>& entities, int at, FakeEntity* entity) {
        delete entities[at];
        entities[at] = entity;
    };
    const Case cases[] = {
        {__LINE__, "none", [](QList<Plug_Entity*>&) {}, false},
        {__LINE__, "a line's end",
         [&](QList<Plug_Entity*>& e) {
             replace(e, 0,
                     new FakeEntity(entity(DPI::LINE, 1,
                                           {{DPI::STARTX, 1.0},
                                            {DPI::STARTY, 2.0},
                                            {DPI::ENDX, 5.0},
                                            {DPI::ENDY, 2.5}})));
         },
         true},
        {__LINE__, "a bulge",
         [&](QList<Plug_Entity*>& e) {
             replace(e, 5,
                     new FakeEntity(entity(DPI::POLYLINE, 6, {{DPI::CLOSEPOLY, 1}}),
                                    {Plug_VertexData(QPointF(60, 0), 0.5),
                                     Plug_VertexData(QPointF(64, 0), 0.0),
                                     Plug_VertexData(QPointF(64, 4), 0.0)}));
         },
         true},
        {__LINE__, "a text",
         [&](QList<Plug_Entity*>& e) {
             replace(e, 8,
                     new FakeEntity(entity(DPI::TEXT, 9,
                                           {{DPI::STARTX, 0.0},
                                            {DPI::STARTY, -8.0},
                                            {DPI::STARTANGLE, M_PI / 2},
                                            {DPI::HEIGHT, 2.5},
                                            {DPI::TEXTCONTENT, "two\nlinez"}})));
         },
         true},
        {__LINE__, "the order", [](QList<Plug_Entity*>& e) { e.swapItemsAt(0, 1); }, true},
        {__LINE__, "one fewer", [](QList<Plug_Entity*>& e) { delete e.takeLast(); }, true},
    };
    QList<Plug_Entity*> before = sampleEntities();
    quint64 signature = librecad::recordsSignature(librecad::readEntities(before));
    qDeleteAll(before);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        QList<Plug_Entity*> entities = sampleEntities();
        c.apply(entities);
        EXPECT_EQ(c.changed,
                  librecad::recordsSignature(librecad::readEntities(entities)) != signature)
            << c.change;
        qDeleteAll(entities);
    }
}

TEST(MirrorNotice, NamesWhatTheInterfaceLeavesOut) {
    QList<Plug_Entity*> entities = {
        new FakeEntity(entity(DPI::SPLINE, 1, {})),
        new FakeEntity(entity(DPI::SPLINEPOINTS, 2, {})),
        new FakeEntity(entity(DPI::HATCH, 3, {})),
        new FakeEntity(entity(DPI::DIMLINEAR, 4, {})),
        new FakeEntity(
            entity(DPI::INSERT, 5, {{DPI::BLKNAME, "B"}, {DPI::XSCALE, 1.0}, {DPI::YSCALE, 1.0}})),
    };
    librecad::MirrorGaps gaps;
    librecad::mirrorText(librecad::readEntities(entities), gaps);
    qDeleteAll(entities);
    EXPECT_EQ(
        "vectrin sees the drawing without what LibreCAD's plug-in interface does not give: "
        "1 dimensions, 1 hatches, 2 splines, the contents of 1 block references.",
        librecad::mirrorNotice(gaps, ""));
    EXPECT_EQ("", librecad::mirrorNotice(librecad::MirrorGaps(), ""));
}

}  // namespace
