// hostsim/picking/pickIndex.cpp - the built primitives, filed in a uniform grid that finds the
// ones near a point, and the queries on them.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <utility>

#include "hostsim/picking/picking.h"

namespace {

using hostsim::Point;
using hostsim::Primitive;

using hostsim::pi;
constexpr int maxCellsPerAxis = 2048;
constexpr int maxCellsPerPrimitive = 256;  // a larger primitive goes to the list checked always
// The grid is sized on all but this share of the primitives' edges on each side; at most
// maxOutliers may then lie outside it, checked at every pick; with more, it covers them all.
constexpr double outlierShare = 0.01;
constexpr std::size_t maxOutliers = 64;
constexpr unsigned checksPerClockRead = 64;  // a check costs a flag read; the clock, more

using hostsim::sub;
using hostsim::add;
using hostsim::scale;

using Box = hostsim::PlanBox;
using hostsim::primitiveBox;

// Primitives filed by the cells of a uniform grid over their extents, in one flat array.
struct Grid {
    double originX = 0, originY = 0, cellSize = 1;
    int columns = 0, rows = 0;
    std::vector<int> cellStart;  // items of cell c: items[cellStart[c] .. cellStart[c + 1])
    std::vector<int> items;
    std::vector<int> wide;  // primitives spanning too many cells to file, or outside area
    Box area;               // what the cells cover
};

// The closest approach to (x, y) in the view of a + t d, t from low to high: the segment from a
// to a + d over [0, 1], a line without end over an infinite range.
double lineViewDistance(const Point& a, const Point& d, double low, double high, double x, double y,
                        Point* nearest) {
    double lengthSquared = d[0] * d[0] + d[1] * d[1];
    double t = lengthSquared > 0 ? ((x - a[0]) * d[0] + (y - a[1]) * d[1]) / lengthSquared : 0.0;
    Point q = add(a, scale(d, std::clamp(t, low, high)));
    if (nearest) *nearest = q;
    return std::hypot(q[0] - x, q[1] - y);
}

double segmentViewDistance(const Point& a, const Point& b, double x, double y, Point* nearest) {
    return lineViewDistance(a, sub(b, a), 0.0, 1.0, x, y, nearest);
}

// A face is hit anywhere inside it, at the point of its plane under (x, y); from outside, or
// when it is seen edge-on, at its outline.
double faceViewDistance(const Primitive& p, double x, double y, Point* nearest) {
    double det = p.u[0] * p.v[1] - p.u[1] * p.v[0];
    double size = std::hypot(p.u[0], p.u[1]) * std::hypot(p.v[0], p.v[1]);
    if (std::fabs(det) > 1e-12 * size) {
        double px = x - p.a[0], py = y - p.a[1];
        double s = (px * p.v[1] - py * p.v[0]) / det, t = (p.u[0] * py - p.u[1] * px) / det;
        if (s >= 0.0 && s <= 1.0 && t >= 0.0 && t <= 1.0) {
            if (nearest) *nearest = add(p.a, add(scale(p.u, s), scale(p.v, t)));
            return 0.0;
        }
    }
    const Point corners[4] = {p.a, add(p.a, p.u), add(add(p.a, p.u), p.v), add(p.a, p.v)};
    double best = INFINITY;
    for (int i = 0; i < 4; ++i) {
        Point q;
        double d = segmentViewDistance(corners[i], corners[(i + 1) % 4], x, y, &q);
        if (d < best) {
            best = d;
            if (nearest) *nearest = q;
        }
    }
    return best;
}

}  // namespace

// ---- geometry state: rebuilt from the drawing each time one opens ----
static std::vector<Primitive> primitives;
static std::vector<hostsim::Instance> instances(1);  // 0: not inside a reference
static Box extents;
static Grid grid;
static std::vector<unsigned> visitStamp;  // per primitive: the query that last saw it
static std::vector<Box> indexBoxes;       // each filed primitive's box, while the grid is built
static unsigned currentStamp = 0;
static std::size_t lastExamined = 0;  // primitives the last primitivesNear measured

// ---- the bounds of the query in progress (startWork) ----
static bool workBounded = false;
static std::chrono::steady_clock::time_point workDeadline;
static std::function<bool()> workStopRequested;
static unsigned workChecks = 0;  // since the clock was last read
static hostsim::WorkEnd workEndState = hostsim::WorkEnd::Completed;

namespace {

// The cell of a coordinate, clamped in floating point first: a far-off or infinite coordinate
// must not overflow the conversion to int.
int cellOf(double coordinate, double origin, int cells) {
    double cell = std::floor((coordinate - origin) / grid.cellSize);
    if (!(cell >= 0.0)) return 0;  // NaN too
    return cell >= cells - 1 ? cells - 1 : static_cast<int>(cell);
}

bool inside(const Box& box, const Box& area) {
    return box.lowX >= area.lowX && box.highX <= area.highX && box.lowY >= area.lowY &&
           box.highY <= area.highY;
}

// False when the box spans too many cells to file, or lies outside the area the grid covers.
bool cellRange(const Box& box, int& c0, int& c1, int& r0, int& r1) {
    if (!inside(box, grid.area)) return false;  // NaN and infinite boxes too
    c0 = cellOf(box.lowX, grid.originX, grid.columns);
    c1 = cellOf(box.highX, grid.originX, grid.columns);
    r0 = cellOf(box.lowY, grid.originY, grid.rows);
    r1 = cellOf(box.highY, grid.originY, grid.rows);
    return static_cast<long>(c1 - c0 + 1) * (r1 - r0 + 1) <= maxCellsPerPrimitive;
}

// What may be picked: the grid and the list checked at every pick hold nothing else.
bool pickable(const Primitive& p) {
    return p.shown;
}

// Filed in cells: picked, and with extents.
bool filedInCells(const Primitive& p) {
    return pickable(p) && !hostsim::isUnbounded(p);
}

// The value below which a share of the primitives' box edges lie, the edge chosen by edge.
double edgeQuantile(std::vector<double>& values, double Box::*edge, double share) {
    values.clear();
    for (std::size_t i = 0; i < primitives.size(); ++i)
        if (filedInCells(primitives[i])) values.push_back(indexBoxes[i].*edge);
    std::size_t k = static_cast<std::size_t>(share * (values.size() - 1));
    std::nth_element(values.begin(), values.begin() + k, values.end());
    return values[k];
}

// The box of the bulk of the primitives: all but the outermost outlierShare of their box
// edges on each side. A few far-off primitives must not stretch the cells until one holds
// nearly every primitive.
Box bulkBox() {
    std::vector<double> values;
    values.reserve(primitives.size());
    Box bulk;
    bulk.take(edgeQuantile(values, &Box::lowX, outlierShare),
              edgeQuantile(values, &Box::lowY, outlierShare));
    bulk.take(edgeQuantile(values, &Box::highX, 1 - outlierShare),
              edgeQuantile(values, &Box::highY, 1 - outlierShare));
    return bulk;
}

// The bulk widened by its own size on every side, within the extents: a drawing spread evenly
// keeps everything in it.
Box widened(const Box& bulk) {
    double width = bulk.highX - bulk.lowX, height = bulk.highY - bulk.lowY;
    Box grown;
    grown.take(std::max(extents.lowX, bulk.lowX - width),
               std::max(extents.lowY, bulk.lowY - height));
    grown.take(std::min(extents.highX, bulk.highX + width),
               std::min(extents.highY, bulk.highY + height));
    return grown;
}

// The larger side of the middle filed primitive's box, of those that are finite.
double typicalSpan() {
    std::vector<double> spans;
    spans.reserve(primitives.size());
    for (std::size_t i = 0; i < primitives.size(); ++i) {
        const Box& box = indexBoxes[i];
        double side = std::max(box.highX - box.lowX, box.highY - box.lowY);
        if (filedInCells(primitives[i]) && std::isfinite(side)) spans.push_back(side);
    }
    if (spans.empty()) return 0.0;
    std::nth_element(spans.begin(), spans.begin() + spans.size() / 2, spans.end());
    return spans[spans.size() / 2];
}

// Sizes the cells so that one holds about one primitive of the bulk, but no smaller than most
// primitives (cells much smaller would each take many entries of every primitive), and the grid
// over area, within maxCellsPerAxis a side.
void sizeGrid(const Box& bulk, const Box& area) {
    double bulkWidth = bulk.highX - bulk.lowX, bulkHeight = bulk.highY - bulk.lowY;
    double bulkSpan = std::max({bulkWidth, bulkHeight, 1e-9});
    double width = area.highX - area.lowX, height = area.highY - area.lowY;
    double span = std::max({width, height, 1e-9});
    auto filed = std::count_if(primitives.begin(), primitives.end(), filedInCells);
    double cell = std::sqrt(std::max(bulkWidth * bulkHeight, bulkSpan * bulkSpan * 1e-6) /
                            static_cast<double>(std::max<std::ptrdiff_t>(filed, 1)));
    cell = std::max({cell, typicalSpan(), span / maxCellsPerAxis, 1e-9});
    grid.area = area;
    grid.cellSize = cell;
    grid.originX = area.lowX;
    grid.originY = area.lowY;
    grid.columns = std::min(maxCellsPerAxis, static_cast<int>(std::min(width / cell, 1e6)) + 1);
    grid.rows = std::min(maxCellsPerAxis, static_cast<int>(std::min(height / cell, 1e6)) + 1);
}

bool isFiniteBox(const Box& box) {
    return !box.empty() && std::isfinite(box.highX - box.lowX) &&
           std::isfinite(box.highY - box.lowY);
}

// Files every primitive in the cells of a grid over area, or in the wide list. False, with
// the grid half built, when more than maxOutliers lie outside area.
bool fileGrid(const Box& bulk, const Box& area) {
    grid = Grid();
    sizeGrid(bulk, area);
    std::size_t cellCount = static_cast<std::size_t>(grid.columns) * grid.rows;
    std::vector<int> counts(cellCount, 0);
    std::size_t outliers = 0;
    for (std::size_t i = 0; i < primitives.size(); ++i) {  // count
        int c0, c1, r0, r1;
        if (!pickable(primitives[i])) continue;
        if (hostsim::isUnbounded(primitives[i])) {  // no cell holds it: checked at every pick
            grid.wide.push_back(static_cast<int>(i));
            continue;
        }
        const Box& box = indexBoxes[i];
        if (!cellRange(box, c0, c1, r0, r1)) {
            outliers += !inside(box, area);
            grid.wide.push_back(static_cast<int>(i));
            continue;
        }
        for (int r = r0; r <= r1; ++r)
            for (int c = c0; c <= c1; ++c) ++counts[static_cast<std::size_t>(r) * grid.columns + c];
    }
    if (outliers > maxOutliers) return false;
    grid.cellStart.assign(cellCount + 1, 0);
    for (std::size_t c = 0; c < cellCount; ++c)
        grid.cellStart[c + 1] = grid.cellStart[c] + counts[c];
    grid.items.resize(grid.cellStart.back());
    std::vector<int>& fill = counts;  // each cell's next free slot, from its start
    std::copy(grid.cellStart.begin(), grid.cellStart.end() - 1, fill.begin());
    for (std::size_t i = 0; i < primitives.size(); ++i) {  // file
        int c0, c1, r0, r1;
        if (!filedInCells(primitives[i]) || !cellRange(indexBoxes[i], c0, c1, r0, r1)) continue;
        for (int r = r0; r <= r1; ++r)
            for (int c = c0; c <= c1; ++c)
                grid.items[fill[static_cast<std::size_t>(r) * grid.columns + c]++] =
                    static_cast<int>(i);
    }
    return true;
}

// A grid over the bulk of the primitives, or over all of them when the far-off ones are too
// many to check at every pick; with no finite extents every primitive is checked at each pick.
void buildGrid() {
    grid = Grid();
    if (primitives.empty() || !isFiniteBox(extents)) {
        for (std::size_t i = 0; i < primitives.size(); ++i)
            if (pickable(primitives[i])) grid.wide.push_back(static_cast<int>(i));
        return;
    }
    Box bulk = bulkBox();
    if (!isFiniteBox(bulk) || !fileGrid(bulk, widened(bulk))) fileGrid(extents, extents);
}

}  // namespace

namespace hostsim {

void indexGeometry(std::vector<Primitive>&& built, std::vector<Instance>&& builtInstances) {
    primitives = std::move(built);
    instances = std::move(builtInstances);
    if (instances.empty()) instances.emplace_back();
    extents = Box();  // of what is picked and has an end: the grid is laid over them
    indexBoxes.resize(primitives.size());  // a curve's box costs sines: each is worked out once
    for (std::size_t i = 0; i < primitives.size(); ++i) {
        if (!filedInCells(primitives[i])) continue;
        indexBoxes[i] = primitiveBox(primitives[i]);
        extents.take(indexBoxes[i]);
    }
    buildGrid();
    forgetExtents(std::move(indexBoxes));
    indexBoxes.clear();
    visitStamp.assign(primitives.size(), 0);
    currentStamp = 0;
}

void startWork(double seconds, std::function<bool()> stopRequested) {
    workBounded = true;
    workDeadline = std::chrono::steady_clock::now() +
                   std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                       std::chrono::duration<double>(seconds));
    workStopRequested = std::move(stopRequested);
    workChecks = checksPerClockRead - 1;  // the first check reads it
    workEndState = WorkEnd::Completed;
}

WorkEnd finishWork() {
    WorkEnd end = workEndState;
    workBounded = false;
    workStopRequested = nullptr;
    workEndState = WorkEnd::Completed;
    return end;
}

bool workMustStop() {
    if (workEndState != WorkEnd::Completed) return true;
    if (!workBounded) return false;
    if (workStopRequested && workStopRequested()) {
        workEndState = WorkEnd::Cancelled;
    } else if (++workChecks >= checksPerClockRead) {
        workChecks = 0;
        if (std::chrono::steady_clock::now() >= workDeadline) workEndState = WorkEnd::TimedOut;
    }
    return workEndState != WorkEnd::Completed;
}

std::size_t primitivesExamined() {
    return lastExamined;
}

const std::vector<Primitive>& drawingPrimitives() {
    return primitives;
}

const Instance& drawingInstance(int index) {
    if (index < 0 || index >= static_cast<int>(instances.size())) return instances[0];
    return instances[index];
}

void primitivesNear(double x, double y, double radius, std::vector<int>& out) {
    out.clear();
    lastExamined = 0;
    if (primitives.empty() || !std::isfinite(x) || !std::isfinite(y) || !(radius >= 0.0)) return;
    if (++currentStamp == 0) {  // wrapped: forget every old stamp
        std::fill(visitStamp.begin(), visitStamp.end(), 0);
        currentStamp = 1;
    }
    auto consider = [&](int i) {
        if (visitStamp[i] == currentStamp || workMustStop()) return;
        visitStamp[i] = currentStamp;
        ++lastExamined;
        if (viewDistance(primitives[i], x, y, nullptr) <= radius) out.push_back(i);
    };
    for (int i : grid.wide) consider(i);
    if (grid.columns == 0) return;
    Box window;
    window.take(x - radius, y - radius);
    window.take(x + radius, y + radius);
    if (window.highX < grid.originX || window.highY < grid.originY ||
        window.lowX > grid.originX + grid.columns * grid.cellSize ||
        window.lowY > grid.originY + grid.rows * grid.cellSize)
        return;
    int c0 = cellOf(window.lowX, grid.originX, grid.columns),
        c1 = cellOf(window.highX, grid.originX, grid.columns);
    int r0 = cellOf(window.lowY, grid.originY, grid.rows),
        r1 = cellOf(window.highY, grid.originY, grid.rows);
    for (int r = r0; r <= r1; ++r)
        for (int c = c0; c <= c1; ++c) {
            std::size_t cellIndex = static_cast<std::size_t>(r) * grid.columns + c;
            for (int k = grid.cellStart[cellIndex]; k < grid.cellStart[cellIndex + 1]; ++k)
                consider(grid.items[k]);
        }
}

Point primitivePoint(const Primitive& p, double t) {
    if (p.kind == Primitive::Kind::Spline) return splinePiecePoint(p, t);
    if (p.kind == Primitive::Kind::Segment || p.kind == Primitive::Kind::Ray)
        return add(p.a, scale(lineDirection(p), t));
    if (p.kind == Primitive::Kind::Node || p.kind == Primitive::Kind::Face) return p.a;
    return add(p.a, add(scale(p.u, std::cos(t)), scale(p.v, std::sin(t))));
}

Point primitiveTangent(const Primitive& p, double t) {
    if (p.kind == Primitive::Kind::Spline) return splinePieceTangent(p, t);
    if (p.kind == Primitive::Kind::Segment || p.kind == Primitive::Kind::Ray)
        return lineDirection(p);
    if (p.kind == Primitive::Kind::Node || p.kind == Primitive::Kind::Face) return {0, 0, 0};
    return add(scale(p.u, -std::sin(t)), scale(p.v, std::cos(t)));
}

void primitiveRange(const Primitive& p, double& low, double& high) {
    bool ranged = p.kind == Primitive::Kind::Curve || p.kind == Primitive::Kind::Spline ||
                  p.kind == Primitive::Kind::Ray;
    low = ranged ? p.t0 : 0.0;
    high = ranged ? p.t1 : 1.0;
}

double viewDistance(const Primitive& p, double x, double y, Point* nearest) {
    if (p.kind == Primitive::Kind::Spline) return splineViewDistance(p, x, y, nearest);
    if (p.kind == Primitive::Kind::Face) return faceViewDistance(p, x, y, nearest);
    if (p.kind == Primitive::Kind::Node) {
        if (nearest) *nearest = p.a;
        return std::hypot(p.a[0] - x, p.a[1] - y);
    }
    if (p.kind == Primitive::Kind::Segment) return segmentViewDistance(p.a, p.b, x, y, nearest);
    if (p.kind == Primitive::Kind::Ray)
        return lineViewDistance(p.a, p.u, p.t0, p.t1, x, y, nearest);
    auto distanceAt = [&](const Point& q) { return std::hypot(q[0] - x, q[1] - y); };
    // A curve seen from above: the ends, and where the view distance stops changing.
    std::vector<double> candidates = {p.t0, p.t1};
    auto slope = [&](double t) {
        Point q = primitivePoint(p, t), d = primitiveTangent(p, t);
        return (q[0] - x) * d[0] + (q[1] - y) * d[1];
    };
    int samples = std::max(8, static_cast<int>(32 * (p.t1 - p.t0) / pi));
    findRoots(slope, p.t0, p.t1, samples, candidates);
    double best = INFINITY;
    for (double t : candidates) {
        Point q = primitivePoint(p, t);
        double d = distanceAt(q);
        if (d < best) {
            best = d;
            if (nearest) *nearest = q;
        }
    }
    return best;
}

}  // namespace hostsim
