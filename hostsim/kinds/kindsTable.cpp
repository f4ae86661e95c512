// hostsim/kinds/kindsTable.cpp - the kinds of object, one row each, and the builders of the
// kinds made of a few primitives. Polylines (polylines.cpp), texts (textBoxes.cpp), hatches
// (hatches.cpp) and block references (blockExpansion.cpp) are built in files of their own.
//
// Each builder takes the object by its index, with the map of the block (or world) it stands in.
#include <algorithm>
#include <cmath>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "hostsim/kinds/building.h"
#include "hostsim/kinds/kinds.h"

namespace hostsim::building {

namespace {

constexpr double wholeTurnSlack = 1e-5;  // an ellipse's sweep this close to a turn is whole

void addLine(Builder& b, ObjectBeingBuilt s, int index, const Affine&) {
    const DrawingObject& o = b.drawing.objects[index];
    addSegment(b, s, hostsim::groupPoint(o, 10, {0, 0, 0}), hostsim::groupPoint(o, 11, {0, 0, 0}),
               lineSnaps);
}

void addPoint(Builder& b, ObjectBeingBuilt s, int index, const Affine&) {
    addNode(b, s, hostsim::groupPoint(b.drawing.objects[index], 10, {0, 0, 0}), hostsim::snapNod);
}

void addCircle(Builder& b, ObjectBeingBuilt s, int index, const Affine& parent) {
    const DrawingObject& o = b.drawing.objects[index];
    s.frame = objectFrame(parent, o);
    addArc(b, s, hostsim::groupPoint(o, 10, {0, 0, 0}), hostsim::groupReal(o, 40, 0.0), 0.0, 2 * pi,
           curveSnaps);
}

void addArcObject(Builder& b, ObjectBeingBuilt s, int index, const Affine& parent) {
    const DrawingObject& o = b.drawing.objects[index];
    s.frame = objectFrame(parent, o);
    Point centre = hostsim::groupPoint(o, 10, {0, 0, 0});
    double radius = hostsim::groupReal(o, 40, 0.0);
    double start = radians(hostsim::groupReal(o, 50, 0.0));
    double end = radians(hostsim::groupReal(o, 51, 360.0));
    start = std::fmod(start, 2 * pi);
    double sweep = std::fmod(end - start, 2 * pi);  // by fmod, not by steps: angles may be huge
    if (!(sweep > 0.0)) sweep += 2 * pi;
    if (!std::isfinite(start) || !std::isfinite(sweep)) return;
    addArc(b, s, centre, radius, start, start + sweep, arcSnaps);
}

// Conjugate semi-diameters u and v (an ellipse seen through an unevenly scaled block) turned into
// its axes, the parameter range shifted with them: QUA then finds the ends of the true axes.
void alignWithAxes(Primitive& p) {
    double shift = 0.5 * std::atan2(2 * dot(p.u, p.v), dot(p.u, p.u) - dot(p.v, p.v));
    if (!std::isfinite(shift) || shift == 0.0) return;
    double c = std::cos(shift), sn = std::sin(shift);
    Point u = add(scale(p.u, c), scale(p.v, sn)), v = add(scale(p.u, -sn), scale(p.v, c));
    p.u = u;
    p.v = v;
    p.t0 -= shift;
    p.t1 -= shift;
}

// ELLIPSE: centre and major axis are world coordinates; the extrusion only turns the minor axis,
// extrusion x major scaled to ratio times the major's length. The parameters run from 41 to 42,
// across 0 when 42 is the smaller; a full ellipse runs 0 to 2 pi.
void addEllipse(Builder& b, ObjectBeingBuilt s, int index, const Affine&) {
    const DrawingObject& o = b.drawing.objects[index];
    Point major = hostsim::groupPoint(o, 11, {0, 0, 0});
    Point normal = hostsim::groupPoint(o, 210, {0, 0, 1});
    double ratio = hostsim::groupReal(o, 40, 1.0);
    Point across = cross(normal, major);
    double acrossLength = norm(across);
    if (!(ratio > 0.0) || !(acrossLength > 0.0) || !std::isfinite(acrossLength)) {
        addNotice(b, o.line, "an ellipse without two axes is not drawn");
        return;
    }
    Point minor = scale(across, ratio * norm(major) / acrossLength);
    double start = std::fmod(hostsim::groupReal(o, 41, 0.0), 2 * pi);
    double sweep = std::fmod(hostsim::groupReal(o, 42, 2 * pi) - start, 2 * pi);
    if (!(sweep > 0.0)) sweep += 2 * pi;
    if (!std::isfinite(start) || !std::isfinite(sweep) || !roomForMore(b)) return;
    // 2 pi written with few digits (6.28318) falls just short of a turn, or just past one
    bool whole = sweep < wholeTurnSlack || sweep > 2 * pi - wholeTurnSlack;
    if (whole) sweep = 2 * pi;
    Primitive p = primitiveFrom(s, Primitive::Kind::Curve, whole ? curveSnaps : arcSnaps);
    p.a = hostsim::applyAffine(s.frame, hostsim::groupPoint(o, 10, {0, 0, 0}));
    p.u = hostsim::applyLinear(s.frame, major);
    p.v = hostsim::applyLinear(s.frame, minor);
    p.t0 = start;
    p.t1 = start + sweep;
    p.axisEnds = true;
    alignWithAxes(p);
    if (!isFinitePoint(p.a) || !isFinitePoint(p.u) || !isFinitePoint(p.v)) return;
    b.primitives.push_back(p);
}

// Straight edges round corners, none for a corner repeated (a triangle's fourth corner); bit i
// of hidden hides the edge from corner i, for the first 32.
void addEdges(Builder& b, const ObjectBeingBuilt& s, const Point* corners, std::size_t count,
              unsigned hidden) {
    for (std::size_t i = 0; i < count; ++i) {
        const Point& from = corners[i];
        const Point& to = corners[(i + 1) % count];
        bool isHidden = i < 32 && ((hidden >> i) & 1u) != 0;
        if (!isHidden && from != to) addSegment(b, s, from, to, lineSnaps);
    }
}

// SOLID and TRACE: corners in their own coordinates, drawn in the order 1, 2, 4, 3.
void addSolid(Builder& b, ObjectBeingBuilt s, int index, const Affine& parent) {
    const DrawingObject& o = b.drawing.objects[index];
    s.frame = objectFrame(parent, o);
    Point third = hostsim::groupPoint(o, 12, {0, 0, 0});
    Point corners[4] = {hostsim::groupPoint(o, 10, {0, 0, 0}),
                        hostsim::groupPoint(o, 11, {0, 0, 0}), hostsim::groupPoint(o, 13, third),
                        third};
    addEdges(b, s, corners, 4, 0);
}

// 3DFACE: world corners in order; bits 1, 2, 4 and 8 of group 70 hide the edges that start at
// corners 1 to 4, which are then neither drawn nor picked.
void addFace(Builder& b, ObjectBeingBuilt s, int index, const Affine&) {
    const DrawingObject& o = b.drawing.objects[index];
    Point third = hostsim::groupPoint(o, 12, {0, 0, 0});
    Point corners[4] = {hostsim::groupPoint(o, 10, {0, 0, 0}),
                        hostsim::groupPoint(o, 11, {0, 0, 0}), third,
                        hostsim::groupPoint(o, 13, third)};
    addEdges(b, s, corners, 4, static_cast<unsigned>(hostsim::groupInt(o, 70, 0)) & 15u);
}

// The clip boundary of an IMAGE or WIPEOUT in pixels (groups 14 and 24, from the image's top left
// corner): a rectangle by two corners, or a polygon; the whole image without one, or when it is
// not clipped (an image whose clipping is off, group 280, shows whole).
std::vector<Point> boundaryPixels(const DrawingObject& o, bool clipped) {
    std::vector<Point> pixels;
    if (clipped) pixels = hostsim::groupPoints(o, 14);
    for (Point& p : pixels) p[2] = 0.0;  // a boundary in pixels is flat: a stray 34 is no z
    if (pixels.size() < 2) {
        Point size = hostsim::groupPoint(o, 13, {1, 1, 0});
        pixels = {{-0.5, -0.5, 0}, {size[0] - 0.5, size[1] - 0.5, 0}};
    }
    if (pixels.size() == 2)
        pixels = {
            pixels[0], {pixels[1][0], pixels[0][1], 0}, pixels[1], {pixels[0][0], pixels[1][1], 0}};
    if (pixels.size() > 3 && pixels.front() == pixels.back()) pixels.pop_back();
    return pixels;
}

// A SPLINE's points are world coordinates: the instance's map is its frame.
void addSpline(Builder& b, ObjectBeingBuilt s, int index, const Affine&) {
    const DrawingObject& o = b.drawing.objects[index];
    std::vector<Primitive> pieces;
    std::string why;
    if (!hostsim::splinePieces(o, b.instances[s.instance].map, pieces, why))
        return addNotice(b, o.line, why + " is not drawn");
    for (const Primitive& piece : pieces) {
        if (!roomForMore(b)) return;
        Primitive p = primitiveFrom(s, Primitive::Kind::Spline, piece.snaps);
        p.a = piece.a, p.b = piece.b, p.u = piece.u, p.v = piece.v;
        p.t0 = piece.t0, p.t1 = piece.t1, p.curve = piece.curve;
        b.primitives.push_back(p);
    }
}

// IMAGE and WIPEOUT, by their boundary: pixel (x, y) lies at the insertion point 10 plus x + 1/2
// times the pixel vector 11 and height - y - 1/2 times the pixel vector 12, all in world.
void addBoundary(Builder& b, const ObjectBeingBuilt& s, const DrawingObject& o, bool clipped) {
    Point at = hostsim::groupPoint(o, 10, {0, 0, 0});
    Point u = hostsim::groupPoint(o, 11, {1, 0, 0}), v = hostsim::groupPoint(o, 12, {0, 1, 0});
    double height = hostsim::groupPoint(o, 13, {1, 1, 0})[1];
    std::vector<Point> corners = boundaryPixels(o, clipped);
    for (Point& p : corners) p = add(add(at, scale(u, p[0] + 0.5)), scale(v, height - p[1] - 0.5));
    addEdges(b, s, corners.data(), corners.size(), 0);
}

void addImage(Builder& b, ObjectBeingBuilt s, int index, const Affine&) {
    const DrawingObject& o = b.drawing.objects[index];
    addBoundary(b, s, o, hostsim::groupInt(o, 280, 1) != 0);
}

void addWipeout(Builder& b, ObjectBeingBuilt s, int index, const Affine&) {
    addBoundary(b, s, b.drawing.objects[index], true);
}

// RAY and XLINE: a line without end from point 10 along direction 11, both in world (in the
// block's coordinates inside one), one way from the point or both ways through it.
void addUnboundedLine(Builder& b, const ObjectBeingBuilt& s, const DrawingObject& o,
                      bool bothWays) {
    if (!roomForMore(b)) return;
    Point from = hostsim::applyAffine(s.frame, hostsim::groupPoint(o, 10, {0, 0, 0}));
    Point along = hostsim::applyLinear(s.frame, hostsim::groupPoint(o, 11, {0, 0, 0}));
    double largest = std::max({std::fabs(along[0]), std::fabs(along[1]), std::fabs(along[2])});
    if (!(largest > 0.0) || !std::isfinite(largest)) {
        addNotice(b, o.line,
                  std::string(bothWays ? "a construction line" : "a ray") +
                      " without a direction is not drawn");
        return;
    }
    along = scale(along, 1.0 / largest);  // scaled first: a huge direction's length overflows
    Primitive p = primitiveFrom(s, Primitive::Kind::Ray, lineSnaps);
    p.a = from;
    p.u = scale(along, 1.0 / hostsim::norm(along));
    p.t0 = bothWays ? -INFINITY : 0.0;
    p.t1 = INFINITY;
    if (!isFinitePoint(p.a)) return;
    b.primitives.push_back(p);
}

void addRay(Builder& b, ObjectBeingBuilt s, int index, const Affine&) {
    addUnboundedLine(b, s, b.drawing.objects[index], false);
}

void addXline(Builder& b, ObjectBeingBuilt s, int index, const Affine&) {
    addUnboundedLine(b, s, b.drawing.objects[index], true);
}

// An ATTDEF in a block is drawn as its reference's ATTRIB; one in ENTITIES draws nothing.
void addAttributeDefinition(Builder& b, ObjectBeingBuilt, int index, const Affine&) {
    if (b.drawing.objects[index].sequence == hostsim::entitiesSequence) noteUndrawn(b, index);
}

}  // namespace

// ---- the kinds of object ----

constexpr unsigned polylineSnaps = lineSnaps | arcSnaps;
constexpr unsigned curvePieceSnaps = snapEnd | snapMid | snapNea | snapPer | snapTan | snapInt;

// One row a kind: the record's type (group 0); the routine that builds its primitives (none:
// drawn with the object it belongs to); the axes of its own coordinate system; the snap modes
// it offers, of which each primitive offers those its shape has (a whole circle has no END);
// and whether it is a text, which the view draws as its lines. A type not here draws nothing
// and is counted in one notice.
const ObjectKind objectKinds[] = {
    {"LINE", addLine, KindAxes::World, lineSnaps, TextForm::None},
    {"POINT", addPoint, KindAxes::World, snapNod, TextForm::None},
    {"RAY", addRay, KindAxes::World, snapEnd | snapNea | snapPer | snapInt, TextForm::None},
    {"XLINE", addXline, KindAxes::World, snapNea | snapPer | snapInt, TextForm::None},
    {"CIRCLE", addCircle, KindAxes::Extrusion, curveSnaps, TextForm::None},
    {"ARC", addArcObject, KindAxes::Extrusion, arcSnaps, TextForm::None},
    {"ELLIPSE", addEllipse, KindAxes::Extrusion, arcSnaps, TextForm::None},
    {"LWPOLYLINE", addLightPolyline, KindAxes::Extrusion, polylineSnaps, TextForm::None},
    {"POLYLINE", addOldPolyline, KindAxes::Polyline, polylineSnaps, TextForm::None},
    {"VERTEX", nullptr, KindAxes::Owner, 0, TextForm::None},
    {"SEQEND", nullptr, KindAxes::Owner, 0, TextForm::None},
    {"SPLINE", addSpline, KindAxes::Extrusion, curvePieceSnaps, TextForm::None},
    {"HATCH", addHatch, KindAxes::Extrusion, curvePieceSnaps, TextForm::None},  // spline edges: TAN
    {"SOLID", addSolid, KindAxes::Extrusion, lineSnaps, TextForm::None},
    {"TRACE", addSolid, KindAxes::Extrusion, lineSnaps, TextForm::None},
    {"3DFACE", addFace, KindAxes::Extrusion, lineSnaps, TextForm::None},
    {"IMAGE", addImage, KindAxes::Extrusion, lineSnaps, TextForm::None},
    {"WIPEOUT", addWipeout, KindAxes::Extrusion, lineSnaps, TextForm::None},
    {"TEXT", addText, KindAxes::Extrusion, snapIns, TextForm::OneLine},
    {"MTEXT", addMText, KindAxes::Extrusion, snapIns, TextForm::Paragraphs},
    {"INSERT", addReference, KindAxes::Extrusion, snapIns, TextForm::None},
    {"ATTRIB", nullptr, KindAxes::Extrusion, snapIns, TextForm::OneLine},
    {"ATTDEF", addAttributeDefinition, KindAxes::Extrusion, 0, TextForm::OneLine},
};

const ObjectKind* objectKindOf(const DrawingObject& o) {
    static const std::unordered_map<std::string_view, const ObjectKind*> byName = [] {
        std::unordered_map<std::string_view, const ObjectKind*> names;
        for (const ObjectKind& kind : objectKinds) names.emplace(kind.name, &kind);
        return names;
    }();
    auto found = byName.find(o.type);
    return found == byName.end() ? nullptr : found->second;
}

}  // namespace hostsim::building

namespace hostsim {

TextForm textFormOf(const DrawingObject& o) {
    const building::ObjectKind* kind = building::objectKindOf(o);
    return kind == nullptr ? TextForm::None : kind->text;
}

}  // namespace hostsim
