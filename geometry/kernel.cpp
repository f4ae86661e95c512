// geometry/kernel.cpp - vector algebra, planes, rotations, angles, affine maps and bulge arcs.
#include <cmath>
#include <limits>

#include "contract/kvs.h"
#include "geometry/geometry.h"

namespace {

// ---- kernel constants: fixed module data, never written ----
const Point3 worldYAxis = {0, 1, 0};
const Point3 worldZAxis = {0, 0, 1};
constexpr double collinearCosine = 0.99999;      // about a quarter of a degree
constexpr double arbitraryAxisLimit = 1.0 / 64;  // the arbitrary-axis rule's "near world Z"
constexpr double uniformScaleTolerance = 1e-5;
constexpr double onArcTolerance = 1e-6;
constexpr double singularMapTolerance = 1e-10;  // determinant over the product of axis lengths

// (1/b - b)/4: the centre's offset from the chord's midpoint, per unit of the chord's normal.
double bulgeCentreFactor(double bulge) { return (1.0 / bulge - bulge) / 4.0; }

// Rotates (x, y) in place by the angle whose cosine and sine are given.
void turn(double& x, double& y, double cosine, double sine) {
    double turnedX = x * cosine - y * sine;
    y = x * sine + y * cosine;
    x = turnedX;
}

// The direction angle of p seen from centre, in [0, 2*pi).
double directionFrom(const Point3& centre, const Point3& p) {
    return wrapAngle(std::atan2(p.y - centre.y, p.x - centre.x));
}

}  // namespace

bool normalize(Point3& v) {
    double len = length(v);
    if (!(len >= geometricTolerance)) return false;  // also refuses a NaN length
    v = scale(v, 1.0 / len);
    return true;
}

Point3 cross(const Point3& a, const Point3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

double tripleProduct(const Point3& a, const Point3& b, const Point3& c) {
    return dot(a, cross(b, c));
}

bool collinear(const Point3& p0, const Point3& p1, const Point3& p2) {
    Point3 u = subtract(p1, p0);
    Point3 v = subtract(p2, p0);
    if (!normalize(u) || !normalize(v)) return true;
    return std::fabs(dot(u, v)) > collinearCosine;
}

int planeThroughPoints(const Point3& p0, const Point3& p1, const Point3& p2, Plane& plane) {
    Point3 n = cross(subtract(p1, p0), subtract(p2, p0));
    if (!normalize(n)) return KVS_RTERROR;
    plane.n = n;
    plane.d = -(dot(n, p0) + dot(n, p1) + dot(n, p2)) / 3.0;  // rounding shared by all three
    return KVS_RTNORM;
}

int rotateAboutAxis(Point3& p, double angleRadians, const Point3& a1, const Point3& a2) {
    Point3 axis = subtract(a2, a1);
    double axisLength = length(axis);
    if (!(axisLength >= geometricTolerance)) return KVS_RTREJ;
    Point3 r = subtract(p, a1);
    // The distance from the axis line, not an angle at p: an angle test would refuse every
    // point far enough from a short axis.
    if (!(length(cross(r, axis)) / axisLength >= geometricTolerance)) return KVS_RTREJ;

    double e = std::hypot(axis.x, axis.y);
    double cosPhi = 1, sinPhi = 0;  // a vertical axis has no azimuth
    if (e > geometricTolerance) {
        cosPhi = axis.x / e;
        sinPhi = axis.y / e;
    }
    double cosTheta = axis.z / axisLength;
    double sinTheta = e / axisLength;
    turn(r.x, r.y, cosPhi, -sinPhi);      // azimuth to the XZ plane
    turn(r.z, r.x, cosTheta, -sinTheta);  // then tilt onto Z: -theta about Y
    turn(r.x, r.y, std::cos(angleRadians), std::sin(angleRadians));
    turn(r.z, r.x, cosTheta, sinTheta);
    turn(r.x, r.y, cosPhi, sinPhi);
    p = add(r, a1);
    return KVS_RTNORM;
}

void cosSinDegrees(double degrees, double& cosine, double& sine) {
    if (!std::isfinite(degrees)) {
        cosine = sine = std::numeric_limits<double>::quiet_NaN();
        return;
    }
    // fmod is exact, and so is taking off the nearest quarter turn: rest lies within 45 degrees
    // of it, where the subtraction loses no bit.
    double turned = std::fmod(degrees, 360.0);
    double quarters = std::nearbyint(turned / 90.0);
    double rest = (turned - quarters * 90.0) * degreesToRadians;
    double c = std::cos(rest), s = std::sin(rest);
    switch (static_cast<int>(quarters) & 3) {
        case 0: cosine = c, sine = s; break;
        case 1: cosine = -s, sine = c; break;
        case 2: cosine = -c, sine = -s; break;
        default: cosine = s, sine = -c; break;
    }
}

double tanDegrees(double degrees) {
    double turned = std::fmod(degrees, 180.0);  // exact; a half turn more or less, exact too
    if (turned > 90.0) turned -= 180.0;
    if (turned < -90.0) turned += 180.0;
    // Near a pole, one over the tangent of what is left to the pole: a small angle, which
    // degrees hold exactly and radians would not.
    double left = 90.0 - std::fabs(turned);
    if (left < 45.0) return std::copysign(1.0 / std::tan(left * degreesToRadians), turned);
    return std::tan(turned * degreesToRadians);
}

double angleAboutAxis(const Point3& apex, const Point3& axisPoint, const Point3& b,
                      const Point3& c) {
    if (collinear(apex, axisPoint, b) || collinear(apex, axisPoint, c)) return 0;
    Point3 u = subtract(axisPoint, apex);
    normalize(u);  // cannot fail: the collinear test refuses an axis shorter than the tolerance
    Point3 v = subtract(b, apex);
    Point3 w = subtract(c, apex);
    // Sine and cosine of the turn, both times the lengths of v and w across the axis. The arc
    // tangent keeps the small angles that an arc cosine of nearly 1 would round away.
    double sine = tripleProduct(u, v, w);
    double cosine = dot(cross(v, u), cross(w, u));
    double angle = std::atan2(sine, cosine);
    if (angle < 0) angle += fullTurn;
    if (!(angle > 0) || angle >= fullTurn) angle = 0;  // also turns -0 into +0
    return angle;
}

void normalizeAngle(double& angle) {
    angle = std::fmod(angle, fullTurn);
    if (angle < 0) angle += fullTurn;
    if (angle >= fullTurn) angle = 0;  // a tiny negative angle rounds up to a whole turn
}

double wrapAngle(double angle) {
    if (angle - 1 == angle) angle = 0;  // too large for a whole unit to count
    double t = angle * inverseFullTurn;
    t = (t - std::trunc(t)) * fullTurn;
    if (t < 0) t += fullTurn;
    if (t >= fullTurn) t -= fullTurn;
    return t;
}

void applyTransform(const Transform& t, const Point3& p, Point3& out) {
    Point3 in = p;  // out may be p itself
    out = add(add(scale(t.xAxis, in.x), scale(t.yAxis, in.y)), add(scale(t.zAxis, in.z), t.origin));
}

// The rows of the inverse of t's linear part: the cofactors of its axes over its determinant.
// False when the axes are (nearly) linearly dependent, so that no inverse exists.
static bool inverseRows(const Transform& t, Point3 rows[3]) {
    double determinant = tripleProduct(t.xAxis, t.yAxis, t.zAxis);
    double volume = length(t.xAxis) * length(t.yAxis) * length(t.zAxis);
    if (!(std::fabs(determinant) > singularMapTolerance * volume)) return false;
    rows[0] = scale(cross(t.yAxis, t.zAxis), 1.0 / determinant);
    rows[1] = scale(cross(t.zAxis, t.xAxis), 1.0 / determinant);
    rows[2] = scale(cross(t.xAxis, t.yAxis), 1.0 / determinant);
    return true;
}

int invertTransform(const Transform& t, Transform& inverse) {
    Point3 rows[3];
    if (!inverseRows(t, rows)) return KVS_RTERROR;
    inverse.xAxis = {rows[0].x, rows[1].x, rows[2].x};
    inverse.yAxis = {rows[0].y, rows[1].y, rows[2].y};
    inverse.zAxis = {rows[0].z, rows[1].z, rows[2].z};
    inverse.origin = {-dot(rows[0], t.origin), -dot(rows[1], t.origin), -dot(rows[2], t.origin)};
    return KVS_RTNORM;
}

// A plane's normal goes by the inverse transpose, not by the map itself: a map that stretches
// one direction more than another tilts the image of a normal off its plane. The result stays
// on the side of the plane where the image of the normal lies.
int transformNormal(const Transform& t, Point3& normal) {
    Point3 rows[3];
    if (!inverseRows(t, rows)) return KVS_RTERROR;
    Point3 image =
        add(add(scale(rows[0], normal.x), scale(rows[1], normal.y)), scale(rows[2], normal.z));
    double imageLength = length(image);  // not held to the tolerance: it shrinks as t grows
    if (!(imageLength > 0) || std::isinf(imageLength)) return KVS_RTERROR;
    normal = scale(image, 1.0 / imageLength);
    return KVS_RTNORM;
}

int extrusionTransform(const Point3& direction, Transform& out) {
    Point3 zAxis = direction;
    if (!normalize(zAxis)) return KVS_RTERROR;
    bool nearWorldZ =
        std::fabs(zAxis.x) < arbitraryAxisLimit && std::fabs(zAxis.y) < arbitraryAxisLimit;
    Point3 xAxis = cross(nearWorldZ ? worldYAxis : worldZAxis, zAxis);
    normalize(xAxis);
    Point3 yAxis = cross(zAxis, xAxis);
    normalize(yAxis);
    out = Transform{xAxis, yAxis, zAxis, {0, 0, 0}};
    return KVS_RTNORM;
}

double uniformScale(const Transform& t) {
    double s0 = length(t.xAxis);
    double s1 = length(t.yAxis);
    double s2 = length(t.zAxis);
    double s = (s0 + s1 + s2) / 3.0;
    if (!(std::fabs(s) >= geometricTolerance)) return -1;
    double deviation = (2 * std::fabs(s - s1) + std::fabs(s - s0)) / s;
    if (!(deviation <= uniformScaleTolerance)) return -1;
    return s;
}

void bulgeArc(const Point3& start, const Point3& end, double bulge, double& radius,
              Point3& centre) {
    double chord = distance(end, start);
    radius = std::fabs((bulge + 1.0 / bulge) * chord / 4.0);
    double k = bulgeCentreFactor(bulge);
    centre = {(start.x + end.x) / 2 + k * (start.y - end.y),
              (start.y + end.y) / 2 + k * (end.x - start.x), (start.z + end.z) / 2};
}

bool pointOnBulgeArc(const Point3& p, const Point3& start, const Point3& end, double bulge) {
    double k = bulgeCentreFactor(bulge);
    Point3 centre = {(start.x + end.x) / 2 - k * (end.y - start.y),
                     (start.y + end.y) / 2 + k * (end.x - start.x), start.z};
    if (!(std::fabs(distance(centre, p) - distance(centre, start)) < onArcTolerance)) {
        return false;
    }
    double aS = directionFrom(centre, start);
    double aE = directionFrom(centre, end);
    double aP = directionFrom(centre, p);
    bool atAnEnd = false;
    if (bulge > 0) {  // counter-clockwise from start to end
        if (aE < aS) aE += fullTurn;
        if (aP < aS) aP += fullTurn;
        atAnEnd = std::fabs(aP - aS) < onArcTolerance || std::fabs(aP - aE) < onArcTolerance;
        return atAnEnd || (aS < aP && aP < aE);
    }
    if (aE > aS) aE -= fullTurn;
    if (aP > aS) aP -= fullTurn;
    atAnEnd = std::fabs(aP - aS) < onArcTolerance || std::fabs(aP - aE) < onArcTolerance;
    return atAnEnd || (aE < aP && aP < aS);
}
