// functions/vector.cpp - ANG, ILL, ILP, DPL, DPP, PLT, PLD, DIST, VEC, VEC1, ROT; NOR's arguments.
#include <cmath>

#include "contract/kvs.h"
#include "functions/handlers.h"
#include "messages/messageNumbers.h"

namespace {

const Point3 origin = {0, 0, 0};

bool coincide(const Point3& a, const Point3& b) { return distance(a, b) < geometricTolerance; }

Point3 flattened(Point3 p) {
    p.z = 0;
    return p;
}

// The angle of the host's line from a to b, both flattened to the XY plane.
double hostAngle(const Point3& a, const Point3& b) {
    const double from[3] = {a.x, a.y, 0};
    const double to[3] = {b.x, b.y, 0};
    return kvs_angle(from, to);
}

// ANG(v): the direction of v in the XY plane.
bool angleOfVector(double& angle) {
    Point3 v = flattened(pointArgument(0));
    if (length(v) < geometricTolerance) {
        reportError(errorAngleZeroVector, nullptr);
        return false;
    }
    angle = hostAngle(origin, v);
    return true;
}

// ANG(p1,p2): the direction from p1 to p2 in the XY plane.
bool angleOfLine(double& angle) {
    Point3 p1 = flattened(pointArgument(0));
    Point3 p2 = flattened(pointArgument(1));
    if (coincide(p1, p2)) {
        reportError(errorAngle2dPointsCoincide, nullptr);
        return false;
    }
    angle = hostAngle(p1, p2);
    return true;
}

// ANG(apex,p1,p2): the turn from p1 to p2 about apex in the XY plane.
bool angleAtApex(double& angle) {
    Point3 apex = flattened(pointArgument(0));
    Point3 p1 = flattened(pointArgument(1));
    Point3 p2 = flattened(pointArgument(2));
    if (coincide(apex, p1) || coincide(apex, p2) || coincide(p1, p2)) {
        reportError(errorAngleApexCoincide, nullptr);
        return false;
    }
    angle = hostAngle(apex, p2) - hostAngle(apex, p1);
    return true;
}

bool anyTwoCoincide(const Point3* points, int count) {
    for (int i = 0; i < count; i++) {
        for (int j = i + 1; j < count; j++) {
            if (coincide(points[i], points[j])) return true;
        }
    }
    return false;
}

// ANG(apex,p1,p2,p): the turn from p1 to p2 about apex, counter-clockwise as seen from p's
// side of their plane; 0 or 180 degrees when the three lie on one line.
bool angleInSpace(double& angle) {
    const Point3 points[4] = {pointArgument(0), pointArgument(1), pointArgument(2),
                              pointArgument(3)};
    const Point3& apex = points[0];
    if (anyTwoCoincide(points, 4)) {
        reportError(errorAnglePointsCoincide, nullptr);
        return false;
    }
    Plane plane;
    if (planeThroughPoints(apex, points[1], points[2], plane) != KVS_RTNORM) {
        bool sameSide = dot(subtract(points[1], apex), subtract(points[2], apex)) > 0;
        angle = sameSide ? 0 : fullTurn / 2;
        return true;
    }
    double side = dot(plane.n, points[3]) + plane.d;
    if (std::fabs(side) < geometricTolerance) {
        reportError(errorAngleOnPlane, nullptr);
        return false;
    }
    Point3 axisPoint = side > 0 ? add(apex, plane.n) : subtract(apex, plane.n);
    angle = angleAboutAxis(apex, axisPoint, points[1], points[2]);
    return true;
}

// The 2D direction (dx, dy) turned counter-clockwise by 90 degrees, made unit; false when
// it is shorter than the tolerance.
bool leftNormal(double dx, double dy, Point3& normal) {
    double len = std::hypot(dx, dy);
    if (len < geometricTolerance) return false;
    normal = {-dy / len, dx / len, 0};
    return true;
}

// The plane through the three arguments from first on; error 59 when there is none.
bool planeOfArguments(int first, Plane& plane) {
    int status = planeThroughPoints(pointArgument(first), pointArgument(first + 1),
                                    pointArgument(first + 2), plane);
    if (status == KVS_RTNORM) return true;
    reportError(errorPlanePointsCollinear, nullptr);
    return false;
}

// The two points a form of ROT turns about: origin and origin + z, or p1ax and p2ax.
void rotationAxis(Point3& a1, Point3& a2, double& angleDegrees) {
    a1 = pointArgument(1);
    if (callFrame.argCount == 3) {
        a2 = add(a1, {0, 0, 1});
        angleDegrees = numberArgument(2);
    } else {
        a2 = pointArgument(2);
        angleDegrees = numberArgument(3);
    }
}

}  // namespace

void angFunction() {
    int argCount = callFrame.argCount;
    double angle = 0;
    bool found = argCount == 1   ? angleOfVector(angle)
                 : argCount == 2 ? angleOfLine(angle)
                 : argCount == 3 ? angleAtApex(angle)
                                 : angleInSpace(angle);
    if (!found) return;
    normalizeAngle(angle);
    returnReal(angle * radiansToDegrees);
}

void normalOfArguments() {
    int argCount = callFrame.argCount;
    Point3 normal = {0, 0, 0};
    if (argCount == 1) {
        Point3 v = pointArgument(0);
        if (!leftNormal(v.x, v.y, normal)) reportError(errorNormalZeroVector, nullptr);
    } else if (argCount == 2) {
        Point3 d = subtract(pointArgument(1), pointArgument(0));
        if (!leftNormal(d.x, d.y, normal)) {
            reportError(errorLine2dPointsCoincide, "NOR(p1,p2)");
        }
    } else {
        Plane plane;
        Point3 p1 = pointArgument(0);
        if (planeThroughPoints(p1, pointArgument(1), pointArgument(2), plane) == KVS_RTNORM) {
            normal = plane.n;
        } else {
            reportError(errorNormalCollinear, nullptr);
        }
    }
    if (ErrorCode == 0) returnVector(normal);
}

void illFunction() {
    const Point3 p[4] = {pointArgument(0), pointArgument(1), pointArgument(2), pointArgument(3)};
    if (coincide(p[0], p[1]) || coincide(p[2], p[3])) {
        reportError(errorLinePointsCoincide, "ILL");
        return;
    }
    const double line1From[3] = {p[0].x, p[0].y, p[0].z};
    const double line1To[3] = {p[1].x, p[1].y, p[1].z};
    const double line2From[3] = {p[2].x, p[2].y, p[2].z};
    const double line2To[3] = {p[3].x, p[3].y, p[3].z};
    double crossing[3] = {0, 0, 0};
    if (kvs_inters(line1From, line1To, line2From, line2To, 0, crossing) != KVS_RTNORM) {
        reportError(errorLinesDoNotMeet, "ILL");
        return;
    }
    returnVector({crossing[0], crossing[1], crossing[2]});
}

// ILP(p1,p2,p3,p4,p5): where the line p1-p2 meets the plane through p3, p4, p5.
void ilpFunction() {
    Point3 p1 = pointArgument(0);
    Point3 d = subtract(pointArgument(1), p1);
    if (length(d) < geometricTolerance) {
        reportError(errorLinePointsCoincide, "ILP");
        return;
    }
    Plane plane;
    if (!planeOfArguments(2, plane)) return;
    double denominator = dot(plane.n, d);
    double numerator = dot(plane.n, p1) + plane.d;
    if (std::fabs(denominator) < geometricTolerance) {
        bool inPlane = std::fabs(numerator) < geometricTolerance;
        reportError(inPlane ? errorLineInPlane : errorLineParallelToPlane, nullptr);
        return;
    }
    returnVector(subtract(p1, scale(d, numerator / denominator)));
}

// DPL(p,p1,p2): the distance from p to the line through p1 and p2.
void dplFunction() {
    Point3 p = pointArgument(0);
    Point3 p1 = pointArgument(1);
    Point3 u = subtract(pointArgument(2), p1);
    if (length(u) < geometricTolerance) {
        reportError(errorLinePointsCoincide, "DPL");
        return;
    }
    normalize(u);
    Point3 foot = add(p1, scale(u, dot(subtract(p, p1), u)));
    returnReal(distance(p, foot));
}

// DPP(p,p1,p2,p3): the distance from p to the plane through p1, p2, p3.
void dppFunction() {
    Plane plane;
    if (!planeOfArguments(1, plane)) return;
    returnReal(std::fabs(dot(plane.n, pointArgument(0)) + plane.d));
}

void pltFunction() {
    returnVector(alongLine(pointArgument(0), pointArgument(1), numberArgument(2)));
}

// PLD(p1,p2,dist): the point dist from p1 towards p2 (away from it for a negative dist).
void pldFunction() {
    Point3 p1 = pointArgument(0);
    Point3 p2 = pointArgument(1);
    double len = distance(p1, p2);
    if (len < geometricTolerance) {
        reportError(errorPldPointsCoincide, nullptr);
        return;
    }
    returnVector(alongLine(p1, p2, numberArgument(2) / len));
}

void distFunction() { returnReal(distance(pointArgument(0), pointArgument(1))); }

void vecFunction() { returnVector(subtract(pointArgument(1), pointArgument(0))); }

// A zero difference is returned as it is: VEC1 of one point twice is the zero vector.
void vec1Function() {
    Point3 v = subtract(pointArgument(1), pointArgument(0));
    normalize(v);
    returnVector(v);
}

void rotFunction() {
    Point3 a1, a2;
    double angleDegrees = 0;
    rotationAxis(a1, a2, angleDegrees);
    if (coincide(a1, a2)) {
        reportError(errorRotateAxisCoincide, nullptr);
        return;
    }
    Point3 p = pointArgument(0);
    if (rotateAboutAxis(p, angleDegrees * degreesToRadians, a1, a2) != KVS_RTNORM) {
        reportError(errorRotateOnAxis, nullptr);
        return;
    }
    returnVector(p);
}
