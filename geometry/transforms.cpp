// geometry/transforms.cpp - points between the user coordinate system and world coordinates.
#include "contract/kvs.h"
#include "geometry/geometry.h"

namespace {

ResultBuffer systemCode(int code) {
    ResultBuffer rb{};
    rb.type = KVS_RTSHORT;
    rb.value.shortInt = static_cast<int16_t>(code);
    return rb;
}

void transformPoint(const Point3& point, int from, int to, Point3& result) {
    const double in[3] = {point.x, point.y, point.z};
    double out[3] = {result.x, result.y, result.z};
    ResultBuffer fromSystem = systemCode(from);
    ResultBuffer toSystem = systemCode(to);
    kvs_trans(in, &fromSystem, &toSystem, 0, out);  // a position: the origin shift applies
    result = Point3{out[0], out[1], out[2]};
}

}  // namespace

void ucsToWorld(const Point3& point, Point3& result) {
    transformPoint(point, KVS_UCS, KVS_WORLD, result);
}

void worldToUcs(const Point3& point, Point3& result) {
    transformPoint(point, KVS_WORLD, KVS_UCS, result);
}
