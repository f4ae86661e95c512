// hostsim/picking/distanceBounds.cpp - how near a primitive passes a point in the view, bounded
// below and above at the cost of a few operations, so that a query measures exactly only the
// primitives its answer may depend on.
//
// Segments, points, faces and lines without end are measured exactly: that is as cheap. A curve
// lies in the ring between its ellipse's smallest and largest radius; seen round (a circle in
// plan, the usual case) its nearest point is where the direction to the point meets it, or an
// end. A spline piece lies in the box of its control points, its weights being positive.
#include <algorithm>
#include <cmath>

#include "hostsim/picking/picking.h"

namespace {

using hostsim::pi;
using hostsim::Point;
using hostsim::Primitive;

// Rounding in the bounds and in the measures they stand for, relative to the sizes involved.
constexpr double boundSlack = 1e-12;

double distanceTo(const Point& q, double x, double y) { return std::hypot(q[0] - x, q[1] - y); }

// The curve's course in plan: an ellipse with conjugate semi-diameters (ux, uy) and (vx, vy).
struct PlanEllipse {
    double uu, uv, vv;
    double largest, smallest;  // its semi-axes
};

PlanEllipse planEllipse(const Primitive& p) {
    PlanEllipse e;
    e.uu = p.u[0] * p.u[0] + p.u[1] * p.u[1];
    e.vv = p.v[0] * p.v[0] + p.v[1] * p.v[1];
    e.uv = p.u[0] * p.v[0] + p.u[1] * p.v[1];
    if (e.uv == 0.0 && e.uu == e.vv) {  // a circle in plan, as most are: one root
        e.largest = e.smallest = std::sqrt(e.uu);
        return e;
    }
    double mean = 0.5 * (e.uu + e.vv), spread = std::hypot(0.5 * (e.uu - e.vv), e.uv);
    e.largest = std::sqrt(mean + spread);
    e.smallest = std::sqrt(std::max(0.0, mean - spread));
    return e;
}

bool isRound(const PlanEllipse& e) {
    double size = e.uu + e.vv;
    return size > 0.0 && std::fabs(e.uu - e.vv) <= boundSlack * size &&
           std::fabs(e.uv) <= boundSlack * size;
}

// Where the direction from the centre to (x, y) meets a round curve, or its nearer end when
// that falls outside its range: the nearest point of it.
double roundCurveDistance(const Primitive& p, double x, double y) {
    double px = x - p.a[0], py = y - p.a[1];
    double det = p.u[0] * p.v[1] - p.u[1] * p.v[0];
    double cosT = (px * p.v[1] - py * p.v[0]) / det, sinT = (p.u[0] * py - p.u[1] * px) / det;
    double ends = std::min(distanceTo(hostsim::primitivePoint(p, p.t0), x, y),
                           distanceTo(hostsim::primitivePoint(p, p.t1), x, y));
    if (cosT == 0.0 && sinT == 0.0) return ends;  // at the centre: every point as near
    double t = std::atan2(sinT, cosT);
    t -= 2 * pi * std::floor((t - p.t0) / (2 * pi));  // into [t0, t0 + 2 pi)
    if (!(t <= p.t1)) return ends;
    return std::min(ends, distanceTo(hostsim::primitivePoint(p, t), x, y));
}

double fromCentre(const Primitive& p, double x, double y) {
    double dx = x - p.a[0], dy = y - p.a[1];
    return std::sqrt(dx * dx + dy * dy);
}

double curveBelow(const Primitive& p, double x, double y) {
    PlanEllipse e = planEllipse(p);
    return hostsim::ringBelow(p.a[0], p.a[1], {e.largest, e.smallest}, x, y);
}

// A whole circle's distance is that from its ring; an arc's needs its angle.
double curveAbove(const Primitive& p, double x, double y) {
    PlanEllipse e = planEllipse(p);
    if (!isRound(e)) return INFINITY;
    if (p.t1 - p.t0 >= 2 * pi) return hostsim::ringAbove(p.a[0], p.a[1], e.largest, x, y);
    double rho = fromCentre(p, x, y), slack = boundSlack * (rho + e.largest);
    return roundCurveDistance(p, x, y) + slack;
}

double boxDistance(const Point& low, const Point& high, double x, double y) {
    double dx = std::max({low[0] - x, 0.0, x - high[0]});
    double dy = std::max({low[1] - y, 0.0, y - high[1]});
    return std::sqrt(dx * dx + dy * dy);
}

double splineSlack(const Primitive& p, double x, double y) {
    return boundSlack * std::max({std::fabs(x), std::fabs(y), std::fabs(p.u[0]), std::fabs(p.u[1]),
                                  std::fabs(p.v[0]), std::fabs(p.v[1])});
}

// Exact for the kinds that are as cheap to measure as to bound.
bool measuredExactly(const Primitive& p) {
    return p.kind != Primitive::Kind::Curve && p.kind != Primitive::Kind::Spline;
}

}  // namespace

namespace hostsim {

double distanceBelow(const Primitive& p, double x, double y) {
    if (p.kind == Primitive::Kind::Curve) return curveBelow(p, x, y);
    if (p.kind == Primitive::Kind::Spline)
        return boxDistance(p.u, p.v, x, y) - splineSlack(p, x, y);
    return viewDistance(p, x, y, nullptr);
}

double distanceAbove(const Primitive& p, double x, double y) {
    if (p.kind == Primitive::Kind::Curve) return curveAbove(p, x, y);
    if (p.kind == Primitive::Kind::Spline)
        return std::min(distanceTo(p.a, x, y), distanceTo(p.b, x, y)) + splineSlack(p, x, y);
    return viewDistance(p, x, y, nullptr);
}

bool distanceIsExact(const Primitive& p) { return measuredExactly(p); }

double ringBelow(double centreX, double centreY, const PlanRing& ring, double x, double y) {
    double dx = x - centreX, dy = y - centreY;
    double rho = std::sqrt(dx * dx + dy * dy);
    double slack = boundSlack * (rho + ring.largest);
    return std::max({0.0, rho - ring.largest, ring.smallest - rho}) - slack;
}

double ringAbove(double centreX, double centreY, double radius, double x, double y) {
    double dx = x - centreX, dy = y - centreY;
    double rho = std::sqrt(dx * dx + dy * dy);
    return std::fabs(rho - radius) + boundSlack * (rho + radius);
}

PlanRing planRing(const Primitive& p) {
    if (p.kind != Primitive::Kind::Curve) return {};
    PlanEllipse e = planEllipse(p);
    return {e.largest, e.smallest};
}

bool roundInPlan(const Primitive& p, double& radius) {
    if (p.kind != Primitive::Kind::Curve) return false;
    PlanEllipse e = planEllipse(p);
    radius = e.largest;
    return isRound(e);
}

}  // namespace hostsim
