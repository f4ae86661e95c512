// geometry/geometry.h - the geometry kernel and the user/world coordinate transforms.
#ifndef VECTRIN_GEOMETRY_GEOMETRY_H
#define VECTRIN_GEOMETRY_GEOMETRY_H

#include <cmath>

// A plain triple, used for points and vectors alike.
struct Point3 {
    double x, y, z;
};

// An affine map held as four points: p goes to p.x*xAxis + p.y*yAxis + p.z*zAxis + origin.
// The host's nested pick delivers its block-to-world map in exactly this layout.
struct Transform {
    Point3 xAxis, yAxis, zAxis, origin;
};

// The points p with n.p + d = 0; n has length 1.
struct Plane {
    Point3 n;
    double d;
};

// Points closer than this coincide; lengths and denominators below it count as zero.
constexpr double geometricTolerance = 1e-10;
// Angles; each constant is the double nearest its value.
constexpr double pi = 3.141592653589793;
constexpr double fullTurn = 2 * pi;
constexpr double inverseFullTurn = 0.15915494309189535;  // 1/(2*pi)
constexpr double degreesToRadians = pi / 180;
constexpr double radiansToDegrees = 180 / pi;

// ---- vector arithmetic, inline because every geometric function leans on it ----
inline Point3 add(const Point3& a, const Point3& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Point3 subtract(const Point3& a, const Point3& b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline Point3 scale(const Point3& a, double s) { return {a.x * s, a.y * s, a.z * s}; }
inline double dot(const Point3& a, const Point3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline double length(const Point3& a) { return std::sqrt(dot(a, a)); }
inline double distance(const Point3& a, const Point3& b) { return length(subtract(a, b)); }
// The point (1 - t)*a + t*b: a at 0, b at 1.
inline Point3 alongLine(const Point3& a, const Point3& b, double t) {
    return add(scale(a, 1 - t), scale(b, t));
}

// ---- geometry kernel (geometry/kernel.cpp): pure routines, no allocation, no reports ----
// Statuses are the host's: KVS_RTNORM for success, KVS_RTERROR or KVS_RTREJ for failure.

// Scales v to length 1; false, with v unchanged, when it is shorter than the tolerance.
bool normalize(Point3& v);
Point3 cross(const Point3& a, const Point3& b);
double tripleProduct(const Point3& a, const Point3& b, const Point3& c);  // a . (b x c)

// True when the directions from p0 to p1 and to p2 are (nearly) parallel, or p1 or p2
// coincides with p0. The test is on the cosine, so it does not depend on the figure's size.
bool collinear(const Point3& p0, const Point3& p1, const Point3& p2);

// The plane through three points, normal along (p1 - p0) x (p2 - p0); KVS_RTERROR when they
// coincide or are collinear.
int planeThroughPoints(const Point3& p0, const Point3& p1, const Point3& p2, Plane& plane);

// Turns p by angleRadians about the line a1 -> a2 by the right-hand rule. KVS_RTREJ, with p
// unchanged, when p lies on that line or the axis has no length.
int rotateAboutAxis(Point3& p, double angleRadians, const Point3& a1, const Point3& a2);

// The angle, in [0, 2*pi), through which the half-plane bounded by the axis apex -> axisPoint and
// holding b turns about that axis (right-hand rule) to hold c; 0 when b or c is on the axis.
double angleAboutAxis(const Point3& apex, const Point3& axisPoint, const Point3& b,
                      const Point3& c);

// The cosine and sine of an angle in degrees, and its tangent (not at 90 + k*180). A whole
// number of quarter turns gives exact 0 and 1 (6.1e-17 is no answer for COS(90)), and a large
// angle keeps its digits: the angle is reduced in degrees, exactly, before it becomes radians.
void cosSinDegrees(double degrees, double& cosine, double& sine);
double tanDegrees(double degrees);

// Reduces an angle to [0, 2*pi) by fmod.
void normalizeAngle(double& angle);
// Reduces an angle to [0, 2*pi) by its fraction of a turn; a huge angle counts as 0.
double wrapAngle(double angle);

// T applied to p; out may be p itself.
void applyTransform(const Transform& t, const Point3& p, Point3& out);

// The map that undoes t; KVS_RTERROR when t flattens space (its axes are nearly dependent).
int invertTransform(const Transform& t, Transform& inverse);
// Maps a plane's normal by t's linear part (its inverse transpose) and makes it unit;
// KVS_RTERROR, with normal unchanged, when t has no inverse.
int transformNormal(const Transform& t, Point3& normal);

// The object-to-world map of an extrusion direction (the arbitrary-axis rule); KVS_RTERROR
// when the direction is shorter than the tolerance.
int extrusionTransform(const Point3& direction, Transform& out);

// The common length of the three axes of t, or -1 when they differ.
double uniformScale(const Transform& t);

// Radius and centre of the arc from start to end with the given bulge (not near 0).
void bulgeArc(const Point3& start, const Point3& end, double bulge, double& radius, Point3& centre);

// True when p lies on that arc, tested in the XY plane of the three points.
bool pointOnBulgeArc(const Point3& p, const Point3& start, const Point3& end, double bulge);

// ---- coordinate transforms (geometry/transforms.cpp); the host computes them ----
// The host's status is not examined: a point it cannot convert leaves result as it was.
void ucsToWorld(const Point3& point, Point3& result);
void worldToUcs(const Point3& point, Point3& result);

// ---- entity geometry (geometry/entityGeometry.cpp; the rest in geometry/picking.h) ----
// Asks the user for a circle, an arc or a polyline and gives, in the user system, its base
// point and the point one unit along its z axis: KVS_RTNORM, or the status of the failed pick.
int pickPlanarObject(const char* prompt, Point3& origin, Point3& zPoint);

#endif
