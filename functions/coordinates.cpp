// functions/coordinates.cpp - XOF to XZOF (coordinates and projections), U2W and W2U.
#include "functions/handlers.h"

namespace {

// XOF, YOF and ZOF take a number as the coordinate itself, or a vector's coordinate; the
// result keeps that coordinate on its axis (0 x, 1 y, 2 z) and zero elsewhere.
void keepAxis(int axis) {
    const Value& v = callFrame.args[0];
    double coordinate = v.num;
    if (v.kind == ValueKind::Vector) coordinate = axis == 0 ? v.x : axis == 1 ? v.y : v.z;
    Point3 result = {0, 0, 0};
    (axis == 0 ? result.x : axis == 1 ? result.y : result.z) = coordinate;
    returnVector(result);
}

// The vector argument with the coordinates whose flag is false set to zero.
void project(bool keepX, bool keepY, bool keepZ) {
    Point3 p = pointArgument(0);
    returnVector({keepX ? p.x : 0, keepY ? p.y : 0, keepZ ? p.z : 0});
}

// One coordinate of the vector argument, as a Real.
void readCoordinate(int axis) {
    Point3 p = pointArgument(0);
    returnReal(axis == 0 ? p.x : axis == 1 ? p.y : p.z);
}

}  // namespace

void xofFunction() { keepAxis(0); }
void yofFunction() { keepAxis(1); }
void zofFunction() { keepAxis(2); }

void rxofFunction() { readCoordinate(0); }
void ryofFunction() { readCoordinate(1); }
void rzofFunction() { readCoordinate(2); }

void xyofFunction() { project(true, true, false); }
void yzofFunction() { project(false, true, true); }
void xzofFunction() { project(true, false, true); }

void u2wFunction() {
    Point3 world = pointArgument(0);  // what a point the host cannot convert yields
    ucsToWorld(pointArgument(0), world);
    returnVector(world);
}

void w2uFunction() {
    Point3 ucs = pointArgument(0);
    worldToUcs(pointArgument(0), ucs);
    returnVector(ucs);
}
