// hostsim/snapping/objectSnap.cpp - object snap: the snap point of a mode nearest a point, on the
// primitives that pass within a radius of it.
//
// Candidates are primitives, so objects inside block references take part with their world
// geometry. Among the candidates' points of the mode, the one nearest the given point in the
// view wins, however far it is (END on a long line picked near one end gives that end). PER
// and TAN start from a given point. Everything here is in world coordinates.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "hostsim/snapping/snapping.h"

namespace {

using hostsim::NearPrimitive;
using hostsim::Point;
using hostsim::Primitive;

using hostsim::pi;
constexpr int curveSamples = 64;     // per half turn: enough to separate an ellipse's roots
constexpr double rangeSlack = 1e-9;  // how far past a segment's end an intersection still counts
// How far a point found (a crossing, a quadrant point) may stray from where it lies in exact
// arithmetic, relative to the sizes involved: bounds of its distance leave that much room.
constexpr double pointSlack = 1e-9;

struct ModeWord {
    const char* word;
    unsigned bits;
};

const ModeWord modeWords[] = {
    {"END", hostsim::snapEnd}, {"MID", hostsim::snapMid}, {"CEN", hostsim::snapCen},
    {"INT", hostsim::snapInt}, {"NEA", hostsim::snapNea}, {"NOD", hostsim::snapNod},
    {"QUA", hostsim::snapQua}, {"PER", hostsim::snapPer}, {"TAN", hostsim::snapTan},
    {"INS", hostsim::snapIns},
};

// "_END", "end", or several words with commas ("_END,_MID"); 0 for anything unknown.
unsigned parseModes(const char* mode) {
    if (mode == nullptr) return 0;
    unsigned bits = 0;
    std::string text(mode);
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t comma = text.find(',', start);
        std::string word =
            text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        word.erase(0, word.find_first_not_of(" \t"));
        word.erase(word.find_last_not_of(" \t") + 1);
        if (!word.empty() && word[0] == '_') word.erase(0, 1);
        for (char& c : word) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        unsigned found = 0;
        for (const ModeWord& m : modeWords)
            if (word == m.word) found = m.bits;
        if (found == 0) return 0;
        bits |= found;
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return bits;
}

using hostsim::cross;
using hostsim::dot;
using hostsim::sub;

bool byIndex(const NearPrimitive& a, const NearPrimitive& b) { return a.index < b.index; }

int samplesFor(const Primitive& p) {
    if (p.kind == Primitive::Kind::Spline) return hostsim::splinePieceSamples(p);
    if (p.kind != Primitive::Kind::Curve) return 4;
    return std::max(8, static_cast<int>(curveSamples * (p.t1 - p.t0) / pi));
}

// The best point found so far: nearest the pick in the view; of points as near, the one offered
// first: by the candidate that comes first in drawing order (its rank), and of one candidate's,
// the first it offered. So the answer is the same in whatever order the candidates are asked.
struct Nearest {
    double x, y;
    bool found = false;
    double distance = INFINITY;
    Point point = {0, 0, 0};
    std::size_t rank = SIZE_MAX;  // of the candidate that offered it
    std::size_t offering = 0;     // the rank of the candidate offering now
    void offer(const Point& q) {
        double d = std::hypot(q[0] - x, q[1] - y);
        if (std::isfinite(d) && (d < distance || (d == distance && offering < rank))) {
            distance = d;
            point = q;
            rank = offering;
            found = true;
        }
    }
};

// The angle t normalised into [t0, t0 + 2 pi): inside the curve's range or not.
bool inCurveRange(const Primitive& p, double t, double& normalised) {
    double turns = std::floor((t - p.t0) / (2 * pi));
    normalised = t - turns * 2 * pi;
    if (normalised > p.t1 + rangeSlack && normalised - 2 * pi >= p.t0 - rangeSlack)
        normalised -= 2 * pi;
    return normalised >= p.t0 - rangeSlack && normalised <= p.t1 + rangeSlack;
}

bool isArc(const Primitive& p) {
    return p.kind == Primitive::Kind::Curve && p.t1 - p.t0 < 2 * pi - 1e-12;
}

// A segment or a line without end: one straight line in the view.
bool isStraight(const Primitive& p) {
    return p.kind == Primitive::Kind::Segment || p.kind == Primitive::Kind::Ray;
}

void offerEnds(const Primitive& p, Nearest& n) {
    if (p.kind == Primitive::Kind::Segment) {
        n.offer(p.a);
        n.offer(p.b);
    } else if (p.kind == Primitive::Kind::Ray) {
        if (std::isfinite(p.t0)) n.offer(p.a);  // where a ray starts; a line both ways has none
    } else if (isArc(p)) {
        n.offer(hostsim::primitivePoint(p, p.t0));
        n.offer(hostsim::primitivePoint(p, p.t1));
    }
}

// The parameter halfway along an arc's length: on a circular arc its middle parameter, on an
// elliptical one (an ELLIPSE's, or a circle's seen through an unevenly scaled block) measured
// in pieces of a sixty-fourth of a half turn.
double middleParameter(const Primitive& p) {
    double uu = dot(p.u, p.u), vv = dot(p.v, p.v), uv = dot(p.u, p.v);
    if (std::fabs(uu - vv) <= 1e-12 * uu && std::fabs(uv) <= 1e-12 * uu) return 0.5 * (p.t0 + p.t1);
    int pieces = std::max(4, static_cast<int>(curveSamples * (p.t1 - p.t0) / pi));
    std::vector<double> cuts;
    for (int i = 0; i <= pieces; ++i)
        cuts.push_back(i == pieces ? p.t1 : p.t0 + (p.t1 - p.t0) * i / pieces);
    return hostsim::courseMiddle(
        [&p](double t) { return hostsim::norm(hostsim::primitiveTangent(p, t)); }, cuts);
}

// The point halfway along a segment or an arc (a spline offers its middle as a whole curve).
void offerMiddle(const Primitive& p, Nearest& n) {
    if (p.kind == Primitive::Kind::Segment)
        n.offer(hostsim::primitivePoint(p, 0.5));
    else if (isArc(p))
        n.offer(hostsim::primitivePoint(p, middleParameter(p)));
}

// Quadrant points: an ellipse's axis ends that lie on it; on circles and arcs, where the curve,
// seen in the view, is furthest along world X or Y.
void offerQuadrants(const Primitive& p, Nearest& n) {
    if (p.kind != Primitive::Kind::Curve) return;
    if (p.axisEnds) {
        for (double t : {0.0, 0.5 * pi, pi, 1.5 * pi}) {
            double inRange = 0.0;
            if (inCurveRange(p, t, inRange)) n.offer(hostsim::primitivePoint(p, inRange));
        }
        return;
    }
    for (int axis = 0; axis < 2; ++axis) {
        if (p.u[axis] == 0.0 && p.v[axis] == 0.0) continue;
        double extreme = std::atan2(p.v[axis], p.u[axis]);
        for (double t : {extreme, extreme + pi}) {
            double inRange = 0.0;
            if (inCurveRange(p, t, inRange)) n.offer(hostsim::primitivePoint(p, inRange));
        }
    }
}

void offerSplineFeet(const Primitive& p, const Point& from, bool tangent, Nearest& n) {
    std::vector<Point> feet;
    hostsim::splinePieceFeet(p, from, tangent, feet);
    for (const Point& q : feet) n.offer(q);
}

// The feet of the perpendiculars from `from`: on a line's extension too, on a curve where the
// radius from `from` meets it at a right angle.
void offerPerpendiculars(const Primitive& p, const Point& from, Nearest& n) {
    if (isStraight(p)) {
        Point d = hostsim::lineDirection(p);
        double lengthSquared = dot(d, d);
        if (lengthSquared > 0)
            n.offer(hostsim::primitivePoint(p, dot(sub(from, p.a), d) / lengthSquared));
        return;
    }
    if (p.kind == Primitive::Kind::Spline) return offerSplineFeet(p, from, false, n);
    if (p.kind != Primitive::Kind::Curve) return;
    std::vector<double> roots;
    hostsim::findRoots(
        [&](double t) {
            return dot(sub(hostsim::primitivePoint(p, t), from), hostsim::primitiveTangent(p, t));
        },
        p.t0, p.t1, samplesFor(p), roots);
    for (double t : roots) n.offer(hostsim::primitivePoint(p, t));
}

// Tangent points from `from`, taken in the curve's plane; none from inside a circle.
void offerTangents(const Primitive& p, const Point& from, Nearest& n) {
    if (p.kind == Primitive::Kind::Spline) return offerSplineFeet(p, from, true, n);
    if (p.kind != Primitive::Kind::Curve) return;
    Point normal = cross(p.u, p.v);
    if (dot(normal, normal) == 0.0) return;
    std::vector<double> roots;
    hostsim::findRoots(
        [&](double t) {
            return dot(
                cross(sub(hostsim::primitivePoint(p, t), from), hostsim::primitiveTangent(p, t)),
                normal);
        },
        p.t0, p.t1, samplesFor(p), roots);
    for (double t : roots) n.offer(hostsim::primitivePoint(p, t));
}

void offerInsertion(const Primitive& p, Nearest& n) {
    if (p.instance != 0)
        n.offer(hostsim::drawingInstance(p.instance).insertion);
    else if (p.snaps & hostsim::snapIns)
        n.offer(hostsim::insertionPoint(p));
}

// ---- intersections, in the view: where b's points satisfy a's implicit equation ----

// a's equation at view point (x, y): zero on a's line or ellipse. False when a has none (a
// point, or a curve seen edge-on).
bool implicitValue(const Primitive& a, double x, double y, double& value) {
    if (isStraight(a)) {
        Point d = hostsim::lineDirection(a);
        double dx = d[0], dy = d[1];
        double length = std::hypot(dx, dy);
        if (length == 0.0) return false;
        value = (dx * (y - a.a[1]) - dy * (x - a.a[0])) / length;
        return true;
    }
    if (a.kind != Primitive::Kind::Curve) return false;
    double det = a.u[0] * a.v[1] - a.u[1] * a.v[0];
    double size = std::hypot(a.u[0], a.u[1]) * std::hypot(a.v[0], a.v[1]);
    if (std::fabs(det) <= 1e-12 * size || size == 0.0) return false;
    double px = x - a.a[0], py = y - a.a[1];
    double c = (px * a.v[1] - py * a.v[0]) / det;  // cos t
    double s = (a.u[0] * py - a.u[1] * px) / det;  // sin t
    value = c * c + s * s - 1.0;
    return true;
}

// Whether the view point (x, y), on a's line or ellipse, lies on its drawn part.
bool withinPrimitive(const Primitive& a, double x, double y) {
    if (isStraight(a)) {
        Point d = hostsim::lineDirection(a);
        double dx = d[0], dy = d[1];
        double t = ((x - a.a[0]) * dx + (y - a.a[1]) * dy) / (dx * dx + dy * dy);
        double low = 0.0, high = 0.0;
        hostsim::primitiveRange(a, low, high);
        return t >= low - rangeSlack && t <= high + rangeSlack;
    }
    double det = a.u[0] * a.v[1] - a.u[1] * a.v[0];
    double px = x - a.a[0], py = y - a.a[1];
    double t = std::atan2((a.u[0] * py - a.u[1] * px) / det, (px * a.v[1] - py * a.v[0]) / det);
    double unused = 0.0;
    return inCurveRange(a, t, unused);
}

// Where two straight lines cross in the view, within both: solved, not sampled, as a line
// without end has no range to sample. The point is b's, as elsewhere.
void offerLineCrossing(const Primitive& a, const Primitive& b, Nearest& n) {
    Point da = hostsim::lineDirection(a), db = hostsim::lineDirection(b);
    double ax = da[0], ay = da[1], bx = db[0], by = db[1];
    double across = ax * by - ay * bx;
    double size = std::hypot(ax, ay) * std::hypot(bx, by);
    if (!(std::fabs(across) > 1e-12 * size)) return;  // parallel, or one seen end-on
    double ox = b.a[0] - a.a[0], oy = b.a[1] - a.a[1];
    double s = (ox * by - oy * bx) / across, t = (ox * ay - oy * ax) / across;
    double aLow = 0.0, aHigh = 0.0, bLow = 0.0, bHigh = 0.0;
    hostsim::primitiveRange(a, aLow, aHigh);
    hostsim::primitiveRange(b, bLow, bHigh);
    if (s >= aLow - rangeSlack && s <= aHigh + rangeSlack && t >= bLow - rangeSlack &&
        t <= bHigh + rangeSlack)
        n.offer(hostsim::primitivePoint(b, t));
}

void offerCrossings(const Primitive& a, const Primitive& b, Nearest& n) {
    double probe = 0.0;
    if (!implicitValue(a, 0.0, 0.0, probe)) {
        if (implicitValue(b, 0.0, 0.0, probe)) {
            offerCrossings(b, a, n);
        } else if (a.kind == Primitive::Kind::Spline && b.kind == Primitive::Kind::Spline) {
            std::vector<Point> crossings;
            hostsim::splineCrossings(a, b, crossings);
            for (const Point& q : crossings) n.offer(q);
        }
        return;
    }
    if (b.kind == Primitive::Kind::Node) return;
    if (b.kind == Primitive::Kind::Ray) {  // no range to sample: a is sampled on b's line
        if (a.kind == Primitive::Kind::Ray) return offerLineCrossing(a, b, n);
        if (implicitValue(b, 0.0, 0.0, probe)) offerCrossings(b, a, n);  // not one seen end-on
        return;
    }
    double low = 0.0, high = 0.0;
    hostsim::primitiveRange(b, low, high);
    std::vector<double> roots;
    hostsim::findRoots(
        [&](double t) {
            Point q = hostsim::primitivePoint(b, t);
            double value = 0.0;
            implicitValue(a, q[0], q[1], value);
            return value;
        },
        low, high, samplesFor(b), roots);
    for (double t : roots) {
        Point q = hostsim::primitivePoint(b, t);
        if (withinPrimitive(a, q[0], q[1])) n.offer(q);
    }
}

// Crossings are sought between pairs, whose number grows with the square of the candidates: in
// a crowded aperture only the nearest ones are paired, so that one snap stays quick (a block
// array of thousands of circles took seconds). The crossing nearest the point lies on them.
constexpr std::size_t maxIntersectionCandidates = 48;

// The maxIntersectionCandidates nearest the point, the nearer first and of those as near the
// earlier in drawing order; measured nearest first by their lower bounds, up to the first bound
// past the last of them. Given back in drawing order, with their distances.
std::vector<NearPrimitive> nearestCandidates(const std::vector<NearPrimitive>& candidates,
                                             const Nearest& n) {
    const auto& all = hostsim::drawingPrimitives();
    std::vector<std::pair<double, std::size_t>> order;  // lower bound, place: the least on top
    order.reserve(candidates.size());
    for (std::size_t i = 0; i < candidates.size(); ++i) order.emplace_back(candidates[i].below, i);
    auto greater = std::greater<std::pair<double, std::size_t>>();
    std::make_heap(order.begin(), order.end(), greater);
    auto nearer = [](const NearPrimitive& a, const NearPrimitive& b) {
        return a.below != b.below ? a.below < b.below : a.index < b.index;
    };
    std::vector<NearPrimitive> nearest;  // a heap, the furthest on top
    for (; !order.empty(); order.pop_back()) {
        const NearPrimitive& c = candidates[order.front().second];
        std::pop_heap(order.begin(), order.end(), greater);
        if (nearest.size() == maxIntersectionCandidates && c.below > nearest.front().below) break;
        double d =
            c.below == c.above ? c.below : hostsim::viewDistance(all[c.index], n.x, n.y, nullptr);
        NearPrimitive measured{c.index, std::isnan(d) ? INFINITY : d, 0.0};
        measured.above = measured.below;
        if (nearest.size() == maxIntersectionCandidates) {
            if (!nearer(measured, nearest.front())) continue;
            std::pop_heap(nearest.begin(), nearest.end(), nearer);
            nearest.pop_back();
        }
        nearest.push_back(measured);
        std::push_heap(nearest.begin(), nearest.end(), nearer);
    }
    std::sort(nearest.begin(), nearest.end(), byIndex);  // drawing order, as the full list has it
    return nearest;
}

// Two circles seen round that cannot cross: one inside the other, or each outside the other.
bool circlesApart(const Primitive& a, const Primitive& b) {
    double ra = 0.0, rb = 0.0;
    if (!hostsim::roundInPlan(a, ra) || !hostsim::roundInPlan(b, rb)) return false;
    double apart = std::hypot(a.a[0] - b.a[0], a.a[1] - b.a[1]);
    double slack = pointSlack * (ra + rb + apart);
    return apart < std::fabs(ra - rb) - slack || apart > ra + rb + slack;
}

// Each pair in drawing order; a pair whose crossings must lie further than the nearest point
// found (they lie on both) is not sought.
void offerIntersections(const std::vector<NearPrimitive>& allCandidates, Nearest& n) {
    const auto& all = hostsim::drawingPrimitives();
    std::vector<NearPrimitive> nearest;
    if (allCandidates.size() > maxIntersectionCandidates)
        nearest = nearestCandidates(allCandidates, n);
    const std::vector<NearPrimitive>& candidates = nearest.empty() ? allCandidates : nearest;
    for (std::size_t i = 0; i < candidates.size(); ++i)
        for (std::size_t j = i + 1; j < candidates.size() && !hostsim::workMustStop(); ++j) {
            const Primitive& a = all[candidates[i].index];
            const Primitive& b = all[candidates[j].index];
            double below = std::max(candidates[i].below, candidates[j].below);
            below -= pointSlack * (std::fabs(n.x) + std::fabs(n.y) + below);
            ++n.offering;
            if (below > n.distance || circlesApart(a, b)) continue;
            if ((a.snaps & hostsim::snapInt) && (b.snaps & hostsim::snapInt))
                offerCrossings(a, b, n);
        }
}

void offerModes(const Primitive& p, unsigned modes, const Point& from, Nearest& n) {
    unsigned wanted = modes & p.snaps;
    if (wanted & hostsim::snapEnd) offerEnds(p, n);
    if (wanted & hostsim::snapMid) offerMiddle(p, n);
    if (wanted & hostsim::snapCen) n.offer(p.a);
    if (wanted & hostsim::snapQua) offerQuadrants(p, n);
    if (wanted & hostsim::snapNod) n.offer(p.a);
    if (wanted & hostsim::snapPer) offerPerpendiculars(p, from, n);
    if (wanted & hostsim::snapTan) offerTangents(p, from, n);
    if (modes & hostsim::snapIns) offerInsertion(p, n);
    if (wanted & hostsim::snapNea) {
        Point nearest;
        hostsim::viewDistance(p, n.x, n.y, &nearest);
        n.offer(nearest);
    }
}

// ---- splines, each copy one object ----
//
// A spline's pieces answer NEA and INT where they pass, like any primitive; its ends and middle
// are the whole curve's, offered once for each copy (curve and instance) among the candidates.
// PER and TAN points may lie on pieces outside the aperture, as on a circle's far side; those
// are sought only when the candidates gave no point within the aperture, as any point on them
// is further than that.

struct SplineCopy {
    int curve, instance;
    int piece;  // a candidate piece of it
    bool operator<(const SplineCopy& other) const {
        return curve != other.curve ? curve < other.curve : instance < other.instance;
    }
};

void offerCopyModes(const Primitive& piece, unsigned modes, Nearest& n) {
    Point points[2];
    if (modes & piece.snaps & hostsim::snapEnd)
        for (int i = hostsim::splineCurveEnds(piece, points); i > 0; --i) n.offer(points[i - 1]);
    if ((modes & piece.snaps & hostsim::snapMid) && hostsim::splineCurveMiddle(piece, points[0]))
        n.offer(points[0]);
}

void offerFeetBeyond(const std::set<SplineCopy>& copies, const std::vector<int>& candidates,
                     unsigned modes, const Point& from, Nearest& n) {
    const auto& all = hostsim::drawingPrimitives();
    for (const SplineCopy& copy : copies) {
        int first = 0, last = 0;
        hostsim::splineCopyPieces(copy.piece, first, last);
        for (int i = first; i <= last && !hostsim::workMustStop(); ++i) {
            if (std::binary_search(candidates.begin(), candidates.end(), i)) continue;
            if (modes & hostsim::snapPer) offerSplineFeet(all[i], from, false, n);
            if (modes & hostsim::snapTan) offerSplineFeet(all[i], from, true, n);
        }
    }
}

// A lower bound of the distance of every point a candidate offers for modes: those on it lie no
// nearer than it does; a centre, an insertion point and a foot on a line's extension need not.
double offersBelow(const NearPrimitive& c, unsigned modes, const Nearest& n) {
    const Primitive& p = hostsim::drawingPrimitives()[c.index];
    unsigned wanted = modes & p.snaps & ~hostsim::snapInt;  // crossings are sought by pairs
    double below = (wanted & ~hostsim::snapCen) != 0 ? c.below : INFINITY;
    auto distance = [&](const Point& q) { return std::hypot(q[0] - n.x, q[1] - n.y); };
    double radius = 0.0;
    if ((wanted & ~(hostsim::snapCen | hostsim::snapQua)) == 0 && hostsim::roundInPlan(p, radius)) {
        // a circle's quadrant points lie a radius from its centre along X and Y; an ellipse's
        // are the ends of its axes
        below = INFINITY;
        if (wanted & hostsim::snapQua) {
            Point along = p.axisEnds ? p.u : Point{radius, 0, 0};
            Point across = p.axisEnds ? p.v : Point{0, radius, 0};
            double squared = INFINITY;  // the nearest's: a square root does, with the slack
            for (const Point& q :
                 {along, across, hostsim::scale(along, -1), hostsim::scale(across, -1)}) {
                double dx = p.a[0] + q[0] - n.x, dy = p.a[1] + q[1] - n.y;
                squared = std::min(squared, dx * dx + dy * dy);
            }
            below = std::sqrt(squared);
            below -= pointSlack * (radius + below + std::fabs(n.x) + std::fabs(n.y));
        }
    }
    if (wanted & hostsim::snapCen) below = std::min(below, distance(p.a));
    if (modes & hostsim::snapIns) {
        if (p.instance != 0)
            below = std::min(below, distance(hostsim::drawingInstance(p.instance).insertion));
        else if (p.snaps & hostsim::snapIns)
            below = std::min(below, distance(hostsim::insertionPoint(p)));
    }
    if ((wanted & hostsim::snapPer) && isStraight(p)) below = 0.0;
    return below;
}

// Every candidate's points, the nearest candidates first: once the next one's points cannot be
// nearer than the point found, the rest are not asked.
bool offerCandidates(const std::vector<NearPrimitive>& candidates, unsigned modes,
                     const Point& from, Nearest& n) {
    const auto& all = hostsim::drawingPrimitives();
    std::vector<std::pair<double, std::size_t>> order;  // bound, rank: a heap, the least on top
    order.reserve(candidates.size());
    for (std::size_t rank = 0; rank < candidates.size(); ++rank) {
        double below = offersBelow(candidates[rank], modes, n);
        if (below < INFINITY) order.emplace_back(below, rank);  // infinite: it offers nothing
    }
    auto greater = std::greater<std::pair<double, std::size_t>>();
    std::make_heap(order.begin(), order.end(), greater);  // taken in order only as far as needed
    // one whose points can at best tie with the point found, and that offers after it, loses
    auto mayWin = [&n](const std::pair<double, std::size_t>& next) {
        return next.first < n.distance || (next.first == n.distance && next.second < n.rank);
    };
    for (; !order.empty() && mayWin(order.front()); order.pop_back()) {
        if (hostsim::workMustStop()) return false;
        n.offering = order.front().second;
        offerModes(all[candidates[n.offering].index], modes, from, n);
        std::pop_heap(order.begin(), order.end(), greater);
    }
    n.offering = candidates.size();
    return true;
}

}  // namespace

namespace hostsim {

unsigned parseSnapModes(const char* mode) { return parseModes(mode); }

bool findSnapPoint(const Point& world, unsigned modes, const Point& from, double radius,
                   Point& snapped, double copyCell) {
    std::vector<NearPrimitive> candidates;
    primitivesNear(world[0], world[1], radius, copyCell, candidates);
    Nearest nearest{world[0], world[1]};
    const auto& all = drawingPrimitives();
    if (!offerCandidates(candidates, modes, from, nearest)) return false;
    std::set<SplineCopy> copies;
    std::vector<int> indexes;
    for (const NearPrimitive& c : candidates) {
        indexes.push_back(c.index);
        if (all[c.index].kind == Primitive::Kind::Spline)
            copies.insert({all[c.index].curve, all[c.index].instance, c.index});
    }
    for (const SplineCopy& copy : copies) {
        ++nearest.offering;
        offerCopyModes(all[copy.piece], modes, nearest);
    }
    if ((modes & (snapPer | snapTan)) && !(nearest.distance <= radius)) {
        ++nearest.offering;
        offerFeetBeyond(copies, indexes, modes, from, nearest);
    }
    if (modes & snapInt) offerIntersections(candidates, nearest);
    if (!nearest.found || workMustStop()) return false;
    snapped = nearest.point;
    return true;
}

}  // namespace hostsim
