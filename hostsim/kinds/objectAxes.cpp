// hostsim/kinds/objectAxes.cpp - an object's own coordinate system: the arbitrary-axis system
// of its extrusion direction, or world axes for the kinds whose coordinates are world ones.
#include "hostsim/kinds/building.h"
#include "hostsim/kinds/kinds.h"

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

using hostsim::building::KindAxes;

bool worldAxesType(const hostsim::DrawingObject& o) {
    const hostsim::building::ObjectKind* kind = hostsim::building::objectKindOf(o);
    if (kind == nullptr) return false;
    if (kind->axes == KindAxes::World) return true;
    return kind->axes == KindAxes::Polyline && (hostsim::groupInt(o, 70, 0) & (8 | 16 | 64)) != 0;
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

const DrawingObject& wholeObject(const Drawing& d, int index) {
    const DrawingObject& o = d.objects[index];
    if (o.owner < 0) return o;  // most objects: their kind is not looked up
    const building::ObjectKind* kind = building::objectKindOf(o);
    bool part = kind != nullptr && kind->axes == building::KindAxes::Owner;
    return part ? d.objects[o.owner] : o;
}

bool objectAxes(const Drawing& d, int index, Point axes[3]) {
    if (index < 0 || index >= static_cast<int>(d.objects.size())) return false;
    const DrawingObject* o = &wholeObject(d, index);
    if (worldAxesType(*o)) {
        axes[0] = {1, 0, 0};
        axes[1] = {0, 1, 0};
        axes[2] = {0, 0, 1};
        return true;
    }
    return extrusionAxes(groupPoint(*o, 210, {0, 0, 1}), axes);
}

}  // namespace hostsim
