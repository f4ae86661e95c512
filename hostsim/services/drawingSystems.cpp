// hostsim/services/drawingSystems.cpp - kvs_trans for display coordinates and an object's own
// system.
//
// The view is a plan view of world XY, so display coordinates are world coordinates seen from
// above. An object's own system is the arbitrary-axis system of its extrusion direction: a pure
// rotation, so a point and a displacement map alike. kvs_trans hands a call here whenever one of
// its two systems is one of these; world and UCS are then reached through the UCS routines.
#include "hostsim/services/services.h"

#include "hostsim/kinds/kinds.h"

namespace {

using hostsim::Point;

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
        if (!hostsim::objectOfRecord(*system, index) ||
            !hostsim::objectAxes(hostsim::currentDrawing(), index, axes))
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

}  // namespace

namespace hostsim {

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
