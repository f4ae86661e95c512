// hostsim/drawingTransforms.cpp - kvs_trans for display coordinates and an object's own system.
//
// The view is a plan view of world XY, so display coordinates are world coordinates seen from
// above. An object's own system is the arbitrary-axis system of its extrusion direction: a pure
// rotation, so a point and a displacement map alike. kvs_trans hands a call here whenever one of
// its two systems is one of these; world and UCS are then reached through the UCS routines.
#include <cmath>

#include "hostsim/drawing/drawing.h"

namespace {

using hostsim::Point;

// Below this, an extrusion's x and y count as zero and world Y seeds its x axis.
constexpr double arbitraryAxisLimit = 1.0 / 64.0;

Point cross(const Point& a, const Point& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

bool normalize(Point& p) {
    double length = std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
    if (!(length > 1e-12) || !std::isfinite(length)) return false;
    for (double& c : p) c /= length;
    return true;
}

bool isDisplay(const ResultBuffer* system) {
    return system != nullptr && system->type == KVS_RTSHORT &&
           system->value.shortInt == KVS_DISPLAY;
}

bool isObject(const ResultBuffer* system) {
    return system != nullptr && system->type == KVS_RTENAME;
}

// A point between the system of one record and world: to world when toWorld is set, else from
// world; false for a system not known. An object's axes are orthonormal, so going from world
// applies their transpose.
bool mapWithWorld(const Point& p, const ResultBuffer* system, bool displacement, bool toWorld,
                  Point& out) {
    if (system == nullptr) return false;
    if (isObject(system)) {
        int index = 0;
        Point axes[3];
        if (!hostsim::objectOfRecord(*system, index) || !hostsim::objectAxes(index, axes))
            return false;
        for (int i = 0; i < 3; ++i) {
            out[i] = toWorld ? axes[0][i] * p[0] + axes[1][i] * p[1] + axes[2][i] * p[2]
                             : axes[i][0] * p[0] + axes[i][1] * p[1] + axes[i][2] * p[2];
        }
        return true;
    }
    if (system->type != KVS_RTSHORT) return false;
    int code = system->value.shortInt;
    if (code == KVS_UCS)
        out = toWorld ? hostsim::ucsToWorld(p, displacement) : hostsim::worldToUcs(p, displacement);
    else if (code == KVS_WORLD || code == KVS_DISPLAY)
        out = p;
    else
        return false;
    return true;
}

bool worldAxesType(const hostsim::DrawingObject& o) {
    if (o.type == "LINE" || o.type == "POINT") return true;
    return o.type == "POLYLINE" && (hostsim::groupInt(o, 70, 0) & (8 | 16 | 64)) != 0;
}

}  // namespace

namespace hostsim {

bool extrusionAxes(const Point& extrusion, Point axes[3]) {
    Point z = extrusion;
    if (!normalize(z)) return false;
    bool nearWorldZ = std::fabs(z[0]) < arbitraryAxisLimit && std::fabs(z[1]) < arbitraryAxisLimit;
    Point x = cross(nearWorldZ ? Point{0, 1, 0} : Point{0, 0, 1}, z);
    normalize(x);
    Point y = cross(z, x);
    normalize(y);
    axes[0] = x;
    axes[1] = y;
    axes[2] = z;
    return true;
}

bool objectAxes(int index, Point axes[3]) {
    const Drawing& d = currentDrawing();
    if (index < 0 || index >= static_cast<int>(d.objects.size())) return false;
    const DrawingObject* o = &d.objects[index];
    if ((o->type == "VERTEX" || o->type == "SEQEND") && o->owner >= 0) o = &d.objects[o->owner];
    if (worldAxesType(*o)) {
        axes[0] = {1, 0, 0};
        axes[1] = {0, 1, 0};
        axes[2] = {0, 0, 1};
        return true;
    }
    return extrusionAxes(groupPoint(*o, 210, {0, 0, 1}), axes);
}

bool usesDrawingSystem(const ResultBuffer* from, const ResultBuffer* to) {
    return isDisplay(from) || isDisplay(to) || isObject(from) || isObject(to);
}

int transformWithDrawing(const double point[3], const ResultBuffer* from, const ResultBuffer* to,
                         int displacement, double result[3]) {
    if (point == nullptr || result == nullptr) return KVS_RTERROR;
    Point in = {point[0], point[1], point[2]}, world = {0, 0, 0}, out = {0, 0, 0};
    bool isVector = displacement != 0;
    if (!mapWithWorld(in, from, isVector, true, world) ||
        !mapWithWorld(world, to, isVector, false, out))
        return KVS_RTERROR;
    for (int i = 0; i < 3; ++i) result[i] = out[i];
    return KVS_RTNORM;
}

}  // namespace hostsim
