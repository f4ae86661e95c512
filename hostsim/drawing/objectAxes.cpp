// hostsim/drawing/objectAxes.cpp - an object's own coordinate system: the arbitrary-axis system
// of its extrusion direction, or world axes for the objects whose coordinates are world ones.
#include "hostsim/drawing/drawing.h"

#include <cmath>

namespace {

using hostsim::Point;

// Below this, an extrusion's x and y count as zero and world Y seeds its x axis.
constexpr double arbitraryAxisLimit = 1.0 / 64.0;

using hostsim::cross;

bool normalize(Point& p) {
    double length = hostsim::norm(p);
    if (!(length > 1e-12) || !std::isfinite(length)) return false;
    for (double& c : p) c /= length;
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

bool objectAxes(const Drawing& d, int index, Point axes[3]) {
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

}  // namespace hostsim
