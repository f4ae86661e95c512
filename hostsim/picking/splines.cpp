// hostsim/picking/splines.cpp - SPLINE objects as primitives: their knot spans, and the nearest
// point, middle and crossings found numerically on them (the curve itself: drawing/).
//
// A SPLINE's points are world coordinates, so the only map it takes is that of the block reference
// that holds it; and a rational B-spline mapped by an affine map is the same spline over the mapped
// control points. So each SPLINE is read once, into the table below, and each copy of it reaches
// world through its instance's map. Each knot span of the curve becomes one primitive of kind
// Spline that names its curve in the table; its box is that of the span's control points in world,
// which hold the span when the weights are positive.
#include <algorithm>
#include <cmath>
#include <map>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "hostsim/picking/picking.h"

namespace {

using hostsim::Point;
using hostsim::Primitive;
using hostsim::Spline;

constexpr int samplesPerDegree = 8;  // per knot span, to separate its roots
constexpr int lengthIntervals = 8;   // Gauss-Legendre intervals per knot span
constexpr int newtonSteps = 40;

}  // namespace

// ---- the splines of the open drawing, in their own coordinates: primitives of kind Spline index
// the table, and each SPLINE object is read once however many references show it ----
static std::vector<Spline> storedSplines;
static std::unordered_map<const hostsim::DrawingObject*, int> storedIndex;
static std::map<std::pair<const hostsim::DrawingObject*, int>, int> storedEdgeIndex;  // hatches
// The middle of each stored curve, found at the first MID on it: its parameter, which holds for
// every copy that a similarity (turn, uniform scale, mirror) shows; NaN until then. Copies shown
// otherwise are measured each, by curve and instance.
static std::vector<double> storedMiddle;
static std::map<std::pair<int, int>, Point> skewedMiddle;

namespace {

using hostsim::dot;
using hostsim::isFinitePoint;
using hostsim::norm;
using hostsim::sub;

// The parameter of the point at half the curve's length in world (a scale along one axis moves
// it), each knot span cut in lengthIntervals pieces.
double middleParameter(const Spline& s, const hostsim::Affine& map) {
    std::vector<double> cuts;
    int count = static_cast<int>(s.control.size());
    for (int i = s.degree; i < count; ++i) {
        double low = s.knots[i], high = s.knots[i + 1];
        if (!(low < high)) continue;
        if (cuts.empty()) cuts.push_back(low);
        for (int k = 1; k <= lengthIntervals; ++k)
            cuts.push_back(k == lengthIntervals ? high : low + (high - low) * k / lengthIntervals);
    }
    return hostsim::courseMiddle(
        [&](double t) { return norm(hostsim::applyLinear(map, hostsim::splineDerivative(s, t))); },
        cuts);
}

// Whether map keeps every length's proportion: its axes at right angles and of one length.
bool isSimilarity(const hostsim::Affine& map) {
    double size = norm(map.x), tolerance = 1e-12 * size * size;
    auto near = [&](double a, double b) { return std::fabs(a - b) <= tolerance; };
    return near(hostsim::dot(map.x, map.x), hostsim::dot(map.y, map.y)) &&
           near(hostsim::dot(map.x, map.x), hostsim::dot(map.z, map.z)) &&
           near(hostsim::dot(map.x, map.y), 0) && near(hostsim::dot(map.y, map.z), 0) &&
           near(hostsim::dot(map.z, map.x), 0);
}

const Spline& storedOf(const Primitive& p) {
    return storedSplines[static_cast<std::size_t>(p.curve)];
}

const hostsim::Affine& mapOf(const Primitive& p) {
    return hostsim::drawingInstance(p.instance).map;
}

// A piece: one nonzero knot span of a spline whose control points are in world, boxed by them.
Primitive pieceOf(const Spline& s, int span, int curve, unsigned snaps) {
    Primitive p;
    p.kind = Primitive::Kind::Spline;
    p.snaps = snaps;
    p.curve = curve;
    p.t0 = s.knots[span];
    p.t1 = s.knots[span + 1];
    p.u = p.v = s.control[span];
    for (int i = span - s.degree; i <= span; ++i)
        for (int k = 0; k < 3; ++k) {
            p.u[k] = std::min(p.u[k], s.control[i][k]);
            p.v[k] = std::max(p.v[k], s.control[i][k]);
        }
    p.a = hostsim::splinePoint(s, p.t0);
    p.b = hostsim::splinePoint(s, p.t1);
    return p;
}

bool refineCrossing(const Primitive& a, const Primitive& b, double& s, double& t) {
    for (int k = 0; k < newtonSteps; ++k) {
        Point p = hostsim::primitivePoint(a, s), q = hostsim::primitivePoint(b, t);
        Point dp = hostsim::primitiveTangent(a, s), dq = hostsim::primitiveTangent(b, t);
        double fx = p[0] - q[0], fy = p[1] - q[1];
        double det = -dp[0] * dq[1] + dp[1] * dq[0];
        if (det == 0.0 || !std::isfinite(det)) return false;
        double ds = (-fx * dq[1] + fy * dq[0]) / det;  // solves [dp -dq] (ds dt) = -(fx fy)
        double dt = (dp[0] * fy - dp[1] * fx) / det;
        s -= ds;
        t -= dt;
        if (!(s >= a.t0 - 1e-9 * (a.t1 - a.t0) && s <= a.t1 + 1e-9 * (a.t1 - a.t0) &&
              t >= b.t0 - 1e-9 * (b.t1 - b.t0) && t <= b.t1 + 1e-9 * (b.t1 - b.t0)))
            return false;
        double size = 1.0 + std::max(norm(p), norm(q));
        if (std::fabs(ds) <= 1e-15 * (a.t1 - a.t0) && std::fabs(dt) <= 1e-15 * (b.t1 - b.t0))
            return true;
        if (std::hypot(fx, fy) <= 1e-15 * size && k > 2) return true;
    }
    return false;
}

// A spline given only by fit points (11), with end tangents (12 and 13) when both are given.

}  // namespace

namespace hostsim {

void clearSplines() {
    storedSplines.clear();
    storedIndex.clear();
    storedEdgeIndex.clear();
    storedMiddle.clear();
    skewedMiddle.clear();
}

namespace {

// The pieces of the stored curve, through map.
bool piecesOfStored(int curve, const Affine& map, std::vector<Primitive>& pieces,
                    std::string& why) {
    Spline world = storedSplines[curve];  // the control points in world, for the boxes
    for (Point& p : world.control) p = applyAffine(map, p);
    double heaviest = *std::max_element(world.weights.begin(), world.weights.end());
    for (const Point& p : world.control)  // the weighted sums must not overflow either
        if (!isFinitePoint(p) || !std::isfinite(norm(p) * heaviest)) {
            why = "a spline with a control point out of range";
            return false;
        }
    unsigned snaps =
        snapNea | snapInt | snapPer | snapTan | (world.closed ? 0u : snapEnd | snapMid);
    for (int span = world.degree; span < static_cast<int>(world.control.size()); ++span)
        if (world.knots[span] < world.knots[span + 1])
            pieces.push_back(pieceOf(world, span, curve, snaps));
    return true;
}

}  // namespace

bool splinePieces(const DrawingObject& o, const Affine& map, std::vector<Primitive>& pieces,
                  std::string& why) {
    pieces.clear();
    auto found = storedIndex.find(&o);
    if (found == storedIndex.end()) {
        Spline read;
        if (!readSpline(o, read, why)) return false;
        found = storedIndex.emplace(&o, static_cast<int>(storedSplines.size())).first;
        storedSplines.push_back(std::move(read));
        storedMiddle.push_back(NAN);
    }
    return piecesOfStored(found->second, map, pieces, why);
}

bool splineEdgePieces(const DrawingObject& hatch, int edge, const Spline& curve, const Affine& map,
                      std::vector<Primitive>& pieces, std::string& why) {
    pieces.clear();
    auto found = storedEdgeIndex.find({&hatch, edge});
    if (found == storedEdgeIndex.end()) {
        why = splineFaultOf(curve);
        if (!why.empty()) return false;
        found = storedEdgeIndex
                    .emplace(std::make_pair(&hatch, edge), static_cast<int>(storedSplines.size()))
                    .first;
        storedSplines.push_back(curve);
        storedMiddle.push_back(NAN);
    }
    return piecesOfStored(found->second, map, pieces, why);
}

Point splinePiecePoint(const Primitive& p, double t) {
    return applyAffine(mapOf(p), splinePoint(storedOf(p), t));
}

Point splinePieceTangent(const Primitive& p, double t) {
    return applyLinear(mapOf(p), splineDerivative(storedOf(p), t));
}

int splinePieceSamples(const Primitive& p) { return samplesPerDegree * (storedOf(p).degree + 1); }

int splineCurveEnds(const Primitive& p, Point ends[2]) {
    const Spline& s = storedOf(p);
    if (s.closed) return 0;
    double low = 0.0, high = 0.0;
    splineDomain(s, low, high);
    ends[0] = splinePiecePoint(p, low);
    ends[1] = splinePiecePoint(p, high);
    return 2;
}

// Measured once per curve, and once per copy only for copies that are not similar to it: a block
// of splines shown a million times need not measure each copy.
bool splineCurveMiddle(const Primitive& p, Point& middle) {
    const Spline& s = storedOf(p);
    if (s.closed) return false;
    const Affine& map = mapOf(p);
    if (isSimilarity(map)) {
        double& t = storedMiddle[static_cast<std::size_t>(p.curve)];
        if (std::isnan(t)) t = middleParameter(s, Affine());
        middle = splinePiecePoint(p, t);
        return true;
    }
    auto found = skewedMiddle.find({p.curve, p.instance});
    if (found == skewedMiddle.end())
        found = skewedMiddle
                    .emplace(std::make_pair(p.curve, p.instance),
                             applyAffine(map, splinePoint(s, middleParameter(s, map))))
                    .first;
    middle = found->second;
    return true;
}

// PER: where the line from `from` meets the curve at a right angle, in space as on a circle;
// TAN: where the curve's tangent passes through `from`, seen in the view.
void splinePieceFeet(const Primitive& p, const Point& from, bool tangent,
                     std::vector<Point>& feet) {
    std::vector<double> roots;
    findRoots(
        [&](double t) {
            Point d = sub(splinePiecePoint(p, t), from), along = splinePieceTangent(p, t);
            return tangent ? d[0] * along[1] - d[1] * along[0] : dot(d, along);
        },
        p.t0, p.t1, splinePieceSamples(p), roots);
    for (double t : roots) feet.push_back(splinePiecePoint(p, t));
}

void splineCopyPieces(int index, int& first, int& last) {
    const std::vector<Primitive>& all = drawingPrimitives();
    const Primitive& p = all[static_cast<std::size_t>(index)];
    auto sameCopy = [&](int i) {
        return i >= 0 && i < static_cast<int>(all.size()) &&
               all[i].kind == Primitive::Kind::Spline && all[i].curve == p.curve &&
               all[i].instance == p.instance && all[i].top == p.top;
    };
    for (first = index; sameCopy(first - 1);) --first;
    for (last = index; sameCopy(last + 1);) ++last;
}

double splineViewDistance(const Primitive& p, double x, double y, Point* nearest) {
    std::vector<double> candidates = {p.t0, p.t1};
    auto slope = [&](double t) {
        Point q = splinePiecePoint(p, t), d = splinePieceTangent(p, t);
        return (q[0] - x) * d[0] + (q[1] - y) * d[1];
    };
    findRoots(slope, p.t0, p.t1, splinePieceSamples(p), candidates);
    double best = INFINITY;
    for (double t : candidates) {
        Point q = splinePiecePoint(p, t);
        double d = std::hypot(q[0] - x, q[1] - y);
        if (d < best) {
            best = d;
            if (nearest) *nearest = q;
        }
    }
    return best;
}

// Pairs of sample intervals whose chords come near each other start Newton's method; a crossing
// found from several starts is offered more than once, which does no harm.
void splineCrossings(const Primitive& a, const Primitive& b, std::vector<Point>& crossings) {
    int na = splinePieceSamples(a), nb = splinePieceSamples(b);
    std::vector<Point> pa(na + 1), pb(nb + 1);
    for (int i = 0; i <= na; ++i) pa[i] = primitivePoint(a, a.t0 + (a.t1 - a.t0) * i / na);
    for (int j = 0; j <= nb; ++j) pb[j] = primitivePoint(b, b.t0 + (b.t1 - b.t0) * j / nb);
    for (int i = 0; i < na; ++i)
        for (int j = 0; j < nb; ++j) {
            double reachA = std::hypot(pa[i + 1][0] - pa[i][0], pa[i + 1][1] - pa[i][1]);
            double reachB = std::hypot(pb[j + 1][0] - pb[j][0], pb[j + 1][1] - pb[j][1]);
            Point ca = {0.5 * (pa[i][0] + pa[i + 1][0]), 0.5 * (pa[i][1] + pa[i + 1][1]), 0};
            Point cb = {0.5 * (pb[j][0] + pb[j + 1][0]), 0.5 * (pb[j][1] + pb[j + 1][1]), 0};
            if (std::hypot(ca[0] - cb[0], ca[1] - cb[1]) > reachA + reachB) continue;
            double s = a.t0 + (a.t1 - a.t0) * (i + 0.5) / na;
            double t = b.t0 + (b.t1 - b.t0) * (j + 0.5) / nb;
            if (refineCrossing(a, b, s, t)) crossings.push_back(primitivePoint(a, s));
        }
}

}  // namespace hostsim
