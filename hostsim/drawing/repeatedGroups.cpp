// hostsim/drawing/repeatedGroups.cpp - the values of a group code that repeats in one object: a
// SPLINE's knots and control points, an LWPOLYLINE's vertices and their bulges, a clip boundary's
// corners.
#include "hostsim/drawing/drawing.h"

namespace hostsim {

std::vector<double> groupValues(const DrawingObject& o, int code) {
    std::vector<double> values;
    for (const DxfGroup& g : o.groups) {
        double value = 0.0;
        if (g.code == code && groupNumber(g, value)) values.push_back(value);
    }
    return values;
}

std::vector<Point> groupPoints(const DrawingObject& o, int xCode) {
    std::vector<Point> points;
    const GroupList& groups = o.groups;
    for (std::size_t i = 0; i < groups.size(); ++i) {
        if (groups[i].code != xCode) continue;
        Point p = {0, 0, 0};
        groupNumber(groups[i], p[0]);
        for (int k = 1; k <= 2 && i + k < groups.size() && groups[i + k].code == xCode + 10 * k;
             ++k)
            groupNumber(groups[i + k], p[k]);
        points.push_back(p);
    }
    return points;
}

std::vector<double> groupValuesPerPoint(const DrawingObject& o, int xCode, int code,
                                        double absent) {
    std::vector<double> values;
    for (const DxfGroup& g : o.groups) {
        if (g.code == xCode)
            values.push_back(absent);
        else if (g.code == code && !values.empty())
            groupNumber(g, values.back());
    }
    return values;
}

}  // namespace hostsim
