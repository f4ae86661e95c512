// functions/shortcuts.cpp - MEE, DEE, NEE, VEE, VEE1, PLTEE, PLDEE, ILLE: from picked end points.
#include <cmath>

#include "functions/handlers.h"
#include "geometry/picking.h"
#include "messages/messageNumbers.h"
#include "messages/messages.h"

namespace {

// Both end points, or false after the silent error of a cancelled pick.
bool pickEndpoints(const char* name, Point3& a, Point3& b) {
    if (pickEndpointPair(a, b, name) == KVS_RTNORM) return true;
    reportSilentError();
    return false;
}

// The end points of the line named by catalogue message number. The name is copied: the
// prompts and notices of the pick look up texts while it is still in use.
bool pickNamedLine(int number, Point3& a, Point3& b) {
    char name[promptLength];
    copyMessage(name, sizeof name, modulePicks, number);
    return pickEndpoints(name, a, b);
}

}  // namespace

void meeFunction() {
    Point3 a, b;
    if (!pickEndpoints("MEE", a, b)) return;
    returnVector(scale(add(a, b), 0.5));
}

void deeFunction() {
    Point3 a, b;
    if (!pickEndpoints("DEE", a, b)) return;
    returnReal(distance(b, a));
}

void neeFunction() {
    Point3 a, b;
    if (!pickEndpoints("NEE", a, b)) return;
    double dx = b.x - a.x, dy = b.y - a.y, length2D = std::sqrt(dx * dx + dy * dy);
    if (length2D < geometricTolerance) {
        reportError(errorLine2dPointsCoincide, "NEE");
        return;
    }
    returnVector(Point3{-dy / length2D, dx / length2D, 0});
}

void veeFunction() {
    Point3 a, b;
    if (!pickEndpoints("VEE", a, b)) return;
    returnVector(subtract(b, a));
}

void vee1Function() {
    Point3 a, b;
    if (!pickEndpoints("VEE1", a, b)) return;
    Point3 direction = subtract(b, a);
    normalize(direction);
    returnVector(direction);
}

void plteeFunction() {
    Point3 a, b;
    double t = numberArgument(0);
    if (!pickEndpoints("PLTEE", a, b)) return;
    returnVector(alongLine(a, b, t));
}

void pldeeFunction() {
    Point3 a, b;
    double dist = numberArgument(0);
    if (!pickEndpoints("PLDEE", a, b)) return;
    returnVector(alongLine(a, b, dist / distance(b, a)));
}

void illeFunction() {
    Point3 a1, b1, a2, b2;
    if (!pickNamedLine(pickFirstLineName, a1, b1) || !pickNamedLine(pickSecondLineName, a2, b2)) {
        return;
    }
    const double p1[3] = {a1.x, a1.y, a1.z}, p2[3] = {b1.x, b1.y, b1.z};
    const double p3[3] = {a2.x, a2.y, a2.z}, p4[3] = {b2.x, b2.y, b2.z};
    double crossing[3] = {0, 0, 0};
    if (kvs_inters(p1, p2, p3, p4, 0, crossing) != KVS_RTNORM) {
        reportError(errorLinesDoNotMeet, "ILLE");
        return;
    }
    returnVector(Point3{crossing[0], crossing[1], crossing[2]});
}
