// hostsim/kinds/hatches.cpp - a HATCH drawn by its boundary paths, in its own coordinates.
//
// The boundary is read group by group in the order written: the same codes (10, 40, 72, 73, 97)
// mean different things in a polyline path, in each kind of edge and after the paths. Edges lie
// in the hatch's own coordinates at the elevation of its point 10; they snap to their ends and
// middles, nearest points and intersections, not to centres (the fill is what the user sees).
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "hostsim/kinds/building.h"
#include "hostsim/kinds/kinds.h"

namespace {

using namespace hostsim::building;
using hostsim::Affine;
using hostsim::DrawingObject;
using hostsim::DxfGroup;
using hostsim::isFinitePoint;
using hostsim::pi;
using hostsim::Point;
using hostsim::Primitive;

constexpr unsigned edgeSnaps =
    hostsim::snapEnd | hostsim::snapMid | hostsim::snapNea | hostsim::snapInt;
constexpr int maxCount = 1000000;  // paths, vertices or edges of one path, at most

// The groups after the path count, taken one by one when they have the expected code.
struct Reader {
    const hostsim::GroupList& groups;
    std::size_t at;
    bool is(int code) const { return at < groups.size() && groups[at].code == code; }
    double real(int code, double absent) {
        double value = absent;
        if (is(code) && !hostsim::groupNumber(groups[at++], value)) value = absent;
        return value;
    }
    // A whole number within +-maxCount, else absent (a cast of a larger one is undefined).
    int integer(int code, int absent) {
        double value = real(code, absent);
        return std::fabs(value) <= maxCount ? static_cast<int>(value) : absent;
    }
    int count(int code) { return std::max(integer(code, 0), 0); }
    Point point(int code, double z) {
        Point p = {0, 0, z};
        p[0] = real(code, 0.0);
        p[1] = real(code + 10, 0.0);
        return p;
    }
    void skip(int code) {
        while (is(code)) ++at;
    }
};

struct Hatch {
    Builder& b;
    const ObjectBeingBuilt& s;
    const DrawingObject& o;
    Affine own;  // the hatch's own coordinates to its block's (or world)
    double elevation;
    int edges = 0;  // spline edges read so far, which name them
};

// A polyline path: has-bulge 72, closed 73, count 93, then 10 (and 42) per vertex.
void readPolylinePath(Hatch& h, Reader& r) {
    bool bulges = r.real(72, 0.0) != 0.0;
    bool closed = r.real(73, 0.0) != 0.0;
    int count = r.count(93);
    std::vector<Point> vertices;
    std::vector<double> bulge;
    for (int i = 0; i < count && r.is(10); ++i) {
        vertices.push_back(r.point(10, h.elevation));
        bulge.push_back(bulges ? r.real(42, 0.0) : 0.0);
    }
    std::size_t n = vertices.size();
    std::size_t segments = closed && n > 2 ? n : (n > 0 ? n - 1 : 0);
    for (std::size_t i = 0; i < segments; ++i)
        addBulgeSegment(h.b, h.s, vertices[i], vertices[(i + 1) % n], bulge[i], edgeSnaps,
                        edgeSnaps);
}

// Start and end angles (degrees) of a clockwise edge are written as 360 minus the end and
// start: read back they run counter-clockwise. The sweep is (0, 2 pi], a whole turn for 360.
void edgeAngles(Reader& r, double& start, double& end) {
    double first = r.real(50, 0.0), second = r.real(51, 360.0);
    bool counterClockwise = r.real(73, 1.0) != 0.0;
    start = counterClockwise ? first : 360.0 - second;
    end = counterClockwise ? second : 360.0 - first;
}

double sweepOf(double start, double end, double degreesSpan) {
    if (std::fabs(std::fabs(degreesSpan) - 360.0) < 1e-9) return 2 * pi;
    double sweep = std::fmod(end - start, 2 * pi);
    return sweep > 0.0 ? sweep : sweep + 2 * pi;
}

void addArcEdge(Hatch& h, Reader& r) {
    Point centre = r.point(10, h.elevation);
    double radius = r.real(40, 0.0);
    double start = 0.0, end = 0.0;
    edgeAngles(r, start, end);
    double from = std::fmod(radians(start), 2 * pi);
    double sweep = sweepOf(from, radians(end), end - start);
    if (std::isfinite(from) && std::isfinite(sweep))
        addArc(h.b, h.s, centre, radius, from, from + sweep, edgeSnaps);
}

// An elliptic edge: centre 10, major axis end 11 from the centre, ratio 40; its angles are
// angles from the major axis, turned into the ellipse's parameters.
void addEllipseEdge(Hatch& h, Reader& r) {
    Point centre = r.point(10, h.elevation);
    Point major = r.point(11, 0.0);
    double ratio = r.real(40, 1.0);
    double start = 0.0, end = 0.0;
    edgeAngles(r, start, end);
    if (!(ratio > 0.0) || (major[0] == 0.0 && major[1] == 0.0) || !roomForMore(h.b)) return;
    auto parameter = [ratio](double degrees) {
        double a = radians(degrees);
        return std::atan2(std::sin(a) / ratio, std::cos(a));
    };
    double from = parameter(start);
    double sweep = sweepOf(from, parameter(end), end - start);
    Primitive p = primitiveFrom(h.s, Primitive::Kind::Curve, edgeSnaps);
    p.a = hostsim::applyAffine(h.s.frame, centre);
    p.u = hostsim::applyLinear(h.s.frame, major);
    p.v = hostsim::applyLinear(h.s.frame, {-major[1] * ratio, major[0] * ratio, 0});
    p.t0 = from;
    p.t1 = from + sweep;
    if (!std::isfinite(p.t0) || !std::isfinite(p.t1) || !isFinitePoint(p.a) ||
        !isFinitePoint(p.u) || !isFinitePoint(p.v))
        return;
    h.b.primitives.push_back(p);
}

// A spline edge: degree 94, rational 73, periodic 74, knots 95 and control points 96, the knots
// 40, each control point 10 with its weight 42 when rational, then fit points 97 (11) and end
// tangents 12 and 13, which the control points make redundant. Its control points are taken into
// the hatch's block (or world), where its pieces are kept like a SPLINE's.
void addSplineEdge(Hatch& h, Reader& r, int edge) {
    hostsim::Spline curve;
    curve.degree = r.integer(94, 3);
    bool rational = r.real(73, 0.0) != 0.0;
    r.skip(74);
    int knots = r.count(95), controls = r.count(96);
    for (int i = 0; i < knots && r.is(40); ++i) curve.knots.push_back(r.real(40, 0.0));
    for (int i = 0; i < controls && r.is(10); ++i) {
        curve.control.push_back(hostsim::applyAffine(h.own, r.point(10, h.elevation)));
        curve.weights.push_back(rational ? r.real(42, 1.0) : 1.0);
    }
    int fits = r.count(97);
    for (int i = 0; i < fits && r.is(11); ++i) r.point(11, 0.0);
    for (int code : {12, 13})
        if (r.is(code)) r.point(code, 0.0);
    std::vector<Primitive> pieces;
    std::string why;
    if (!hostsim::splineEdgePieces(h.o, edge, curve, h.b.instances[h.s.instance].map, pieces, why))
        return addNotice(h.b, h.o.line, "a hatch's edge that is " + why + " is not drawn");
    for (const Primitive& piece : pieces) {
        if (!roomForMore(h.b)) return;
        Primitive p = primitiveFrom(h.s, Primitive::Kind::Spline, piece.snaps);
        p.a = piece.a, p.b = piece.b, p.u = piece.u, p.v = piece.v;
        p.t0 = piece.t0, p.t1 = piece.t1, p.curve = piece.curve;
        h.b.primitives.push_back(p);
    }
}

// Edges 93, each a type 72: 1 line, 2 circular arc, 3 elliptic arc, 4 spline.
void readEdgePath(Hatch& h, Reader& r) {
    int edges = r.count(93);
    for (int i = 0; i < edges && r.is(72); ++i) {
        int type = r.integer(72, 0);
        if (type == 1) {
            Point from = r.point(10, h.elevation);
            addSegment(h.b, h.s, from, r.point(11, h.elevation), edgeSnaps);
        } else if (type == 2) {
            addArcEdge(h, r);
        } else if (type == 3) {
            addEllipseEdge(h, r);
        } else if (type == 4) {
            addSplineEdge(h, r, h.edges++);
        } else {
            return;  // unknown: the rest of the path cannot be told apart
        }
    }
}

}  // namespace

namespace hostsim::building {

// The paths 91, each flagged 92 (bit 2: a polyline path) and followed by the count 97 of the
// objects it came from and their handles 330.
void addHatch(Builder& b, ObjectBeingBuilt s, int index, const Affine& parent) {
    const DrawingObject& o = b.drawing.objects[index];
    s.frame = objectFrame(parent, o);
    Reader r{o.groups, 0};
    while (r.at < o.groups.size() && !r.is(91)) ++r.at;
    Hatch h{b, s, o, objectFrame(Affine(), o), groupPoint(o, 10, {0, 0, 0})[2]};
    int paths = r.count(91);
    for (int i = 0; i < paths && r.is(92); ++i) {
        int flags = r.integer(92, 0);
        if (flags & 2)
            readPolylinePath(h, r);
        else
            readEdgePath(h, r);
        r.count(97);
        r.skip(330);
    }
}

}  // namespace hostsim::building
