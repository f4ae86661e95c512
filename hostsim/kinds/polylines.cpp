// hostsim/kinds/polylines.cpp - LWPOLYLINE and the old-style POLYLINE with its VERTEX objects:
// chains of straight and bulged segments, polygon meshes and polyface meshes.
#include <algorithm>
#include <cmath>
#include <vector>

#include "hostsim/kinds/building.h"
#include "hostsim/kinds/kinds.h"

namespace hostsim::building {

namespace {

struct Vertex {
    Point at;
    double bulge = 0.0;
    int object = -1;
};

void addVertexChain(Builder& b, ObjectBeingBuilt s, const std::vector<Vertex>& vertices,
                    bool closed) {
    std::size_t count = vertices.size();
    std::size_t segments = closed && count > 2 ? count : (count > 0 ? count - 1 : 0);
    for (std::size_t i = 0; i < segments; ++i) {
        const Vertex& from = vertices[i];
        const Vertex& to = vertices[(i + 1) % count];
        if (from.object >= 0) s.leaf = from.object;
        addBulgeSegment(b, s, from.at, to.at, from.bulge, lineSnaps, arcSnaps);
    }
}

// The VERTEX objects after a POLYLINE, up to its SEQEND.
std::vector<int> polylineVertices(const hostsim::Drawing& d, int polyline) {
    std::vector<int> out;
    for (int i = d.objects[polyline].next; i >= 0 && d.objects[i].type == "VERTEX";
         i = d.objects[i].next)
        out.push_back(i);
    return out;
}

void addMesh(Builder& b, ObjectBeingBuilt s, const std::vector<int>& ids,
             const DrawingObject& header) {
    const auto& objects = b.drawing.objects;
    int m = std::max(0, hostsim::groupInt(header, 71, 0));
    int n = std::max(0, hostsim::groupInt(header, 72, 0));
    int flags = hostsim::groupInt(header, 70, 0);
    if (static_cast<long>(m) * n > static_cast<long>(ids.size()) || m == 0 || n == 0) {
        addNotice(b, header.line, "a mesh with fewer vertices than its size is not drawn");
        return;
    }
    auto at = [&](int i, int j) {
        return hostsim::groupPoint(objects[ids[i * n + j]], 10, {0, 0, 0});
    };
    for (int i = 0; i < m; ++i) {
        for (int j = 0; j < n; ++j) {
            s.leaf = ids[i * n + j];
            bool lastJ = j + 1 == n, lastI = i + 1 == m;
            if (!lastJ || (flags & 32)) addSegment(b, s, at(i, j), at(i, (j + 1) % n), lineSnaps);
            if (!lastI || (flags & 1)) addSegment(b, s, at(i, j), at((i + 1) % m, j), lineSnaps);
        }
    }
}

// A polyface mesh: position vertices (flag 64), then face records naming them by number;
// a negative number hides the edge that starts there.
void addPolyface(Builder& b, ObjectBeingBuilt s, const std::vector<int>& ids) {
    const auto& objects = b.drawing.objects;
    std::vector<Point> positions;
    for (int id : ids) {
        int flags = hostsim::groupInt(objects[id], 70, 0);
        if (flags & 64) {
            positions.push_back(hostsim::groupPoint(objects[id], 10, {0, 0, 0}));
            continue;
        }
        if (!(flags & 128)) continue;
        std::vector<int> corners;
        for (int code = 71; code <= 74; ++code) {
            int k = hostsim::groupInt(objects[id], code, 0);
            if (k != 0) corners.push_back(k);
        }
        s.leaf = id;
        for (std::size_t c = 0; c < corners.size(); ++c) {
            int from = corners[c], to = std::abs(corners[(c + 1) % corners.size()]);
            if (from < 0 || from > static_cast<int>(positions.size()) ||
                to > static_cast<int>(positions.size()))
                continue;
            addSegment(b, s, positions[from - 1], positions[to - 1], lineSnaps);
        }
    }
}

}  // namespace

// LWPOLYLINE: each group 10 starts a vertex (at the elevation 38); a group 42 before the next
// one is its bulge.
void addLightPolyline(Builder& b, ObjectBeingBuilt s, int index, const Affine& parent) {
    const DrawingObject& o = b.drawing.objects[index];
    s.frame = objectFrame(parent, o);
    double elevation = hostsim::groupReal(o, 38, 0.0);
    std::vector<Point> points = hostsim::groupPoints(o, 10);
    std::vector<double> bulges = hostsim::groupValuesPerPoint(o, 10, 42, 0.0);
    std::vector<Vertex> vertices(points.size());
    for (std::size_t i = 0; i < points.size(); ++i) {
        vertices[i].at = {points[i][0], points[i][1], elevation};
        vertices[i].bulge = bulges[i];
    }
    addVertexChain(b, s, vertices, (hostsim::groupInt(o, 70, 0) & 1) != 0);
}

// An old-style POLYLINE: 2D (own coordinates, bulges), 3D (world) or a mesh of either kind.
void addOldPolyline(Builder& b, ObjectBeingBuilt s, int index, const Affine& parent) {
    const DrawingObject& header = b.drawing.objects[index];
    std::vector<int> ids = polylineVertices(b.drawing, index);
    int flags = hostsim::groupInt(header, 70, 0);
    s.frame = parent;
    if (flags & 16) return addMesh(b, s, ids, header);
    if (flags & 64) return addPolyface(b, s, ids);
    bool flat = (flags & 8) == 0;
    if (flat) s.frame = objectFrame(parent, header);
    double elevation = hostsim::groupPoint(header, 10, {0, 0, 0})[2];
    std::vector<Vertex> vertices;
    for (int id : ids) {
        const DrawingObject& o = b.drawing.objects[id];
        if (hostsim::groupInt(o, 70, 0) & 16) continue;  // a spline's frame, not the curve
        Vertex v;
        v.at = hostsim::groupPoint(o, 10, {0, 0, 0});
        if (flat) v.at[2] = elevation;
        v.bulge = flat ? hostsim::groupReal(o, 42, 0.0) : 0.0;
        v.object = id;
        vertices.push_back(v);
    }
    addVertexChain(b, s, vertices, (flags & 1) != 0);
}

}  // namespace hostsim::building
