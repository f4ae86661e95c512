// hostsim/services/transforms.cpp - the user coordinate system, kvs_trans, kvs_angle and
// kvs_inters.
#include "hostsim/services/services.h"

#include <algorithm>
#include <cmath>

namespace {

using hostsim::Point;

// Lengths and sines below this count as zero; it is scaled by the size of the figure.
constexpr double tolerance = 1e-10;

const hostsim::Ucs worldUcs = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};

using hostsim::add;
using hostsim::cross;
using hostsim::dot;
using hostsim::isFinitePoint;
using hostsim::norm;
using hostsim::scale;
using hostsim::sub;

Point toPoint(const double p[3]) { return {p[0], p[1], p[2]}; }

// Checked after the fact: coordinates whose differences overflow give axes of infinities or NaN.
bool isUnitVector(const Point& v) { return isFinitePoint(v) && std::fabs(norm(v) - 1.0) <= 1e-9; }

}  // namespace

// ---- UCS state: the current user coordinate system, world by default ----
static hostsim::Ucs ucs = worldUcs;

namespace hostsim {

const Ucs& currentUcs() { return ucs; }

void setWorldUcs() { ucs = worldUcs; }

// The x axis points at pointOnX; pointInXY fixes the XY plane and the side of positive Y.
bool setUcsByPoints(const Point& origin, const Point& pointOnX, const Point& pointInXY) {
    if (!isFinitePoint(origin) || !isFinitePoint(pointOnX) || !isFinitePoint(pointInXY)) {
        return false;
    }
    Point toX = sub(pointOnX, origin);
    Point toY = sub(pointInXY, origin);
    double xLength = norm(toX);
    double yLength = norm(toY);
    if (xLength <= tolerance || yLength <= tolerance) return false;
    Point xAxis = scale(toX, 1.0 / xLength);
    Point normal = cross(xAxis, toY);
    double normalLength = norm(normal);
    if (normalLength <= tolerance * yLength) return false;  // the three points are collinear
    Point zAxis = scale(normal, 1.0 / normalLength);
    Point yAxis = cross(zAxis, xAxis);
    if (!isUnitVector(xAxis) || !isUnitVector(yAxis) || !isUnitVector(zAxis)) return false;
    ucs = {origin, xAxis, yAxis, zAxis};
    return true;
}

Point ucsToWorld(const Point& p, bool displacement) {
    Point world = add(add(scale(ucs.xAxis, p[0]), scale(ucs.yAxis, p[1])), scale(ucs.zAxis, p[2]));
    return displacement ? world : add(world, ucs.origin);
}

Point worldToUcs(const Point& p, bool displacement) {
    Point d = displacement ? p : sub(p, ucs.origin);
    return {dot(d, ucs.xAxis), dot(d, ucs.yAxis), dot(d, ucs.zAxis)};
}

}  // namespace hostsim

// Reads a coordinate-system record; only world and the current UCS are known so far.
static bool systemCode(const ResultBuffer* system, int& code) {
    if (system == nullptr || system->type != KVS_RTSHORT) return false;
    code = system->value.shortInt;
    return code == KVS_WORLD || code == KVS_UCS;
}

extern "C" int kvs_trans(const double point[3], const ResultBuffer* from, const ResultBuffer* to,
                         int displacement, double result[3]) {
    hostsim::ErrnoGuard keepErrno;
    int fromCode = 0;
    int toCode = 0;
    if (point == nullptr || result == nullptr) return KVS_RTERROR;
    if (hostsim::usesDrawingSystem(from, to)) {  // display or an object's own system
        return hostsim::transformWithDrawing(point, from, to, displacement, result);
    }
    if (!systemCode(from, fromCode) || !systemCode(to, toCode)) return KVS_RTERROR;
    bool isVector = displacement != 0;
    Point p = toPoint(point);
    if (fromCode == KVS_UCS) p = hostsim::ucsToWorld(p, isVector);
    if (toCode == KVS_UCS) p = hostsim::worldToUcs(p, isVector);
    std::copy(p.begin(), p.end(), result);
    return KVS_RTNORM;
}

// The direction from one point to another in the XY plane, in [0, 2*pi).
extern "C" double kvs_angle(const double from[3], const double to[3]) {
    hostsim::ErrnoGuard keepErrno;
    if (from == nullptr || to == nullptr) return 0.0;
    const double fullTurn = 2 * hostsim::pi;
    double angle = std::atan2(to[1] - from[1], to[0] - from[0]);
    if (angle < 0.0) angle += fullTurn;
    if (!(angle < fullTurn)) angle = 0.0;  // a tiny negative angle rounds up to a full turn
    return angle;
}

namespace {

// Where two lines cross, as parameters along each: from1 + s*d1 = from2 + t*d2.
struct Crossing {
    double s = 0.0, t = 0.0;
};

// False for a zero-length line, parallel or collinear lines, and lines that pass each other.
bool crossLines(const Point& from1, const Point& d1, const Point& from2, const Point& d2,
                Crossing& out) {
    double length1 = norm(d1);
    double length2 = norm(d2);
    if (length1 <= tolerance || length2 <= tolerance) return false;
    Point normal = cross(d1, d2);
    double normalLength = norm(normal);
    if (normalLength <= tolerance * length1 * length2) return false;  // parallel or collinear
    Point between = sub(from2, from1);
    double size = std::max({1.0, norm(from1), norm(from2), length1, length2});
    if (std::fabs(dot(between, normal)) / normalLength > tolerance * size) return false;  // skew
    double normalSquared = normalLength * normalLength;
    out.s = dot(cross(between, d2), normal) / normalSquared;
    out.t = dot(cross(between, d1), normal) / normalSquared;
    return true;
}

bool withinSegment(double parameter) {
    return parameter >= -tolerance && parameter <= 1.0 + tolerance;
}

}  // namespace

extern "C" int kvs_inters(const double from1[3], const double to1[3], const double from2[3],
                          const double to2[3], int bounded, double result[3]) {
    hostsim::ErrnoGuard keepErrno;
    if (!from1 || !to1 || !from2 || !to2 || !result) return KVS_RTERROR;
    Point start1 = toPoint(from1);
    Point start2 = toPoint(from2);
    Point d1 = sub(toPoint(to1), start1);
    Point d2 = sub(toPoint(to2), start2);
    if (!isFinitePoint(start1) || !isFinitePoint(start2) || !isFinitePoint(d1) ||
        !isFinitePoint(d2)) {
        return KVS_RTERROR;
    }
    Crossing crossing;
    if (!crossLines(start1, d1, start2, d2, crossing)) return KVS_RTERROR;
    if (bounded != 0 && !(withinSegment(crossing.s) && withinSegment(crossing.t)))
        return KVS_RTERROR;
    Point p = add(start1, scale(d1, crossing.s));
    std::copy(p.begin(), p.end(), result);
    return KVS_RTNORM;
}
