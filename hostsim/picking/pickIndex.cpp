// hostsim/picking/pickIndex.cpp - the built primitives, filed in a uniform grid that finds the
// ones near a point, and the queries on them.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <functional>
#include <iterator>
#include <numeric>
#include <unordered_map>
#include <utility>

#include "hostsim/picking/picking.h"

namespace {

using hostsim::Point;
using hostsim::Primitive;

using hostsim::pi;
constexpr int maxCellsPerAxis = 2048;  // of the finest level
// A primitive is filed at the finest level whose cells hold it in at most 2 by 2 of them: each
// level's cells are twice as wide as the one below's. So the grid holds at most four entries a
// primitive, and a pick meets a large primitive only in the few large cells around it.
constexpr int maxCellsPerPrimitive = 4;
// The grid is sized on all but this share of the primitives' edges on each side; at most
// maxOutliers may then lie outside it, checked at every pick; with more, it covers them all.
constexpr double outlierShare = 0.01;
constexpr std::size_t maxOutliers = 64;
// Those edges are read from every primitive up to this many, from an even sample beyond: the
// grid's size needs the bulk roughly, and sorting out a million edges four times would not.
constexpr std::size_t bulkSample = 1 << 16;
constexpr unsigned checksPerClockRead = 64;  // a check costs a count; the clock and the stop, more
constexpr double tieTolerance = 1e-12;       // distances closer than this (relative) are equal
constexpr int crowdedCurves = 256;           // crossing one cell: the level's RingTree takes them

using hostsim::add;
using hostsim::scale;
using hostsim::sub;

using Box = hostsim::PlanBox;
using hostsim::primitiveBox;

// Primitives filed by the cells of one level, in one flat array.
struct Level {
    double cellSize = 1;
    int columns = 0, rows = 0;
    std::vector<int> cellStart;  // items of cell c: items[cellStart[c] .. cellStart[c + 1])
    std::vector<int> items;
    hostsim::RingTree crowd;  // the curves of its crowded cells, in none of its cells
};

// Uniform grids over the primitives' extents, each level's cells twice the size of the last's.
struct Grid {
    double originX = 0, originY = 0;
    std::vector<Level> levels;  // from the finest
    std::vector<int> wide;      // lines without end, and primitives outside area
    Box area;                   // what the cells cover
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
static unsigned currentStamp = 0;
static std::size_t lastExamined = 0;  // primitives the last primitivesNear measured
static std::uint64_t revision = 0;    // of the geometry: moves at each indexGeometry

// ---- the bounds of the query in progress (startWork) ----
static bool workBounded = false;
static std::chrono::steady_clock::time_point workDeadline;
static std::function<bool()> workStopRequested;
static unsigned workChecks = 0;  // since the clock was last read
static hostsim::WorkEnd workEndState = hostsim::WorkEnd::Completed;

namespace {

// The cell of a coordinate, clamped in floating point first: a far-off or infinite coordinate
// must not overflow the conversion to int.
int cellOf(double coordinate, double origin, double cellSize, int cells) {
    double cell = std::floor((coordinate - origin) / cellSize);
    if (!(cell >= 0.0)) return 0;  // NaN too
    return cell >= cells - 1 ? cells - 1 : static_cast<int>(cell);
}

bool inside(const Box& box, const Box& area) {
    return box.lowX >= area.lowX && box.highX <= area.highX && box.lowY >= area.lowY &&
           box.highY <= area.highY;
}

struct CellRange {
    int c0, c1, r0, r1;
};

CellRange cellRange(const Level& level, const Box& box) {
    return {cellOf(box.lowX, grid.originX, level.cellSize, level.columns),
            cellOf(box.highX, grid.originX, level.cellSize, level.columns),
            cellOf(box.lowY, grid.originY, level.cellSize, level.rows),
            cellOf(box.highY, grid.originY, level.cellSize, level.rows)};
}

// The finest level whose cells hold the box in at most maxCellsPerPrimitive; -1 for a box
// outside the area the grid covers (NaN and infinite boxes too).
int levelOf(const Box& box, CellRange& range) {
    if (!inside(box, grid.area) || grid.levels.empty()) return -1;
    // cells no wider than the box hold it in 2 by 2 at the earliest
    double side = std::max(box.highX - box.lowX, box.highY - box.lowY);
    double ratio = side / grid.levels.front().cellSize;
    std::size_t first = ratio > 2.0 ? static_cast<std::size_t>(std::log2(ratio)) - 1 : 0;
    for (std::size_t i = std::min(first, grid.levels.size() - 1); i < grid.levels.size(); ++i) {
        range = cellRange(grid.levels[i], box);
        if (static_cast<long>(range.c1 - range.c0 + 1) * (range.r1 - range.r0 + 1) <=
            maxCellsPerPrimitive)
            return static_cast<int>(i);
    }
    return -1;
}

// What may be picked: the grid and the list checked at every pick hold nothing else.
bool pickable(const Primitive& p) { return p.shown; }

// Filed in cells: picked, and with extents.
bool filedInCells(const Primitive& p) { return pickable(p) && !hostsim::isUnbounded(p); }

// The value below which a share of the primitives' box edges lie, the edge chosen by edge.
// filed: the primitives filed in cells, listed once rather than asked of each primitive per edge.
double edgeQuantile(const std::vector<Box>& boxes, const std::vector<int>& filed,
                    std::vector<double>& values, double Box::*edge, double share) {
    values.clear();
    for (int i : filed) values.push_back(boxes[i].*edge);
    std::size_t k = static_cast<std::size_t>(share * (values.size() - 1));
    std::nth_element(values.begin(), values.begin() + k, values.end());
    return values[k];
}

// The box of the bulk of the primitives: all but the outermost outlierShare of their box
// edges on each side. A few far-off primitives must not stretch the cells until one holds
// nearly every primitive.
Box bulkBox(const std::vector<Box>& boxes) {
    std::size_t stride = std::max<std::size_t>(1, primitives.size() / bulkSample);
    std::vector<int> filed;
    filed.reserve(primitives.size() / stride + 1);
    for (std::size_t i = 0; i < primitives.size(); i += stride)
        if (filedInCells(primitives[i])) filed.push_back(static_cast<int>(i));
    if (filed.empty())  // the sample met only primitives in no cell: take every one
        for (std::size_t i = 0; i < primitives.size(); ++i)
            if (filedInCells(primitives[i])) filed.push_back(static_cast<int>(i));
    std::vector<double> values;
    values.reserve(filed.size());
    Box bulk;
    bulk.take(edgeQuantile(boxes, filed, values, &Box::lowX, outlierShare),
              edgeQuantile(boxes, filed, values, &Box::lowY, outlierShare));
    bulk.take(edgeQuantile(boxes, filed, values, &Box::highX, 1 - outlierShare),
              edgeQuantile(boxes, filed, values, &Box::highY, 1 - outlierShare));
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

// Sizes the finest cells so that one holds about one primitive of the bulk, and the grid over
// area, within maxCellsPerAxis a side; each coarser level has cells twice as wide, down to one
// cell for the whole area.
void sizeGrid(const Box& bulk, const Box& area) {
    double bulkWidth = bulk.highX - bulk.lowX, bulkHeight = bulk.highY - bulk.lowY;
    double bulkSpan = std::max({bulkWidth, bulkHeight, 1e-9});
    double width = area.highX - area.lowX, height = area.highY - area.lowY;
    double span = std::max({width, height, 1e-9});
    auto filed = std::count_if(primitives.begin(), primitives.end(), filedInCells);
    double cell = std::sqrt(std::max(bulkWidth * bulkHeight, bulkSpan * bulkSpan * 1e-6) /
                            static_cast<double>(std::max<std::ptrdiff_t>(filed, 1)));
    cell = std::max({cell, span / maxCellsPerAxis, 1e-9});
    grid.area = area;
    grid.originX = area.lowX;
    grid.originY = area.lowY;
    Level level;
    level.cellSize = cell;
    level.columns = std::min(maxCellsPerAxis, static_cast<int>(std::min(width / cell, 1e6)) + 1);
    level.rows = std::min(maxCellsPerAxis, static_cast<int>(std::min(height / cell, 1e6)) + 1);
    grid.levels.push_back(level);
    while (level.columns > 1 || level.rows > 1) {
        level.cellSize *= 2;
        level.columns = (level.columns + 1) / 2;
        level.rows = (level.rows + 1) / 2;
        grid.levels.push_back(level);
    }
}

bool isFiniteBox(const Box& box) {
    return !box.empty() && std::isfinite(box.highX - box.lowX) &&
           std::isfinite(box.highY - box.lowY);
}

// Calls visit(cell) for each cell of level that range covers, row by row.
template <typename Visit>
void forEachCell(const Level& level, const CellRange& range, Visit visit) {
    for (int r = range.r0; r <= range.r1; ++r)
        for (int c = range.c0; c <= range.c1; ++c)
            visit(static_cast<std::size_t>(r) * static_cast<std::size_t>(level.columns) +
                  static_cast<std::size_t>(c));
}

// The curves of each cell that crowdedCurves curves or more cross leave the level's cells for
// its tree.
void fileCrowdedCurves(Level& level) {
    auto isCurve = [](int i) { return primitives[i].kind == Primitive::Kind::Curve; };
    std::vector<int> crowd;
    for (std::size_t cell = 0; cell + 1 < level.cellStart.size(); ++cell) {
        auto begin = level.items.begin() + level.cellStart[cell];
        auto end = level.items.begin() + level.cellStart[cell + 1];
        if (end - begin >= crowdedCurves && std::count_if(begin, end, isCurve) >= crowdedCurves)
            std::copy_if(begin, end, std::back_inserter(crowd), isCurve);
    }
    if (crowd.empty()) return;
    std::sort(crowd.begin(), crowd.end());  // each once: a curve may cross four crowded cells
    crowd.erase(std::unique(crowd.begin(), crowd.end()), crowd.end());
    std::vector<bool> inCrowd(primitives.size(), false);
    for (int i : crowd) inCrowd[i] = true;
    int kept = 0, begin = 0;
    for (std::size_t cell = 0; cell + 1 < level.cellStart.size(); ++cell) {
        int end = level.cellStart[cell + 1];
        for (int k = begin; k < end; ++k)
            if (!inCrowd[level.items[k]]) level.items[kept++] = level.items[k];
        level.cellStart[cell + 1] = kept;
        begin = end;
    }
    level.items.resize(kept);
    level.crowd = hostsim::RingTree(crowd);
}

// Files every primitive in the cells of its level of a grid over area, or in the wide list.
// False, with the grid half built, when more than maxOutliers lie outside area. A counting sort:
// each cell's primitives are counted, then placed, in drawing order, with no list of pairs.
bool fileGrid(const std::vector<Box>& boxes, const Box& bulk, const Box& area) {
    grid = Grid();
    sizeGrid(bulk, area);
    // Cell c's count goes to cellStart[c + 2]: summed, cellStart[c + 1] is where c's first
    // primitive goes, and as c is filled it moves on to where c + 1 starts.
    for (Level& level : grid.levels)
        level.cellStart.assign(
            static_cast<std::size_t>(level.columns) * static_cast<std::size_t>(level.rows) + 2, 0);
    std::vector<signed char> levels(primitives.size(), -1);  // -1: in no cell
    std::size_t outliers = 0;
    for (std::size_t i = 0; i < primitives.size(); ++i) {
        if (!pickable(primitives[i])) continue;
        CellRange range;
        int level = hostsim::isUnbounded(primitives[i]) ? -1 : levelOf(boxes[i], range);
        if (level < 0) {  // no cell holds it: checked at every pick
            outliers += !hostsim::isUnbounded(primitives[i]);
            grid.wide.push_back(static_cast<int>(i));
            continue;
        }
        levels[i] = static_cast<signed char>(level);
        Level& filed = grid.levels[static_cast<std::size_t>(level)];
        forEachCell(filed, range, [&](std::size_t cell) { ++filed.cellStart[cell + 2]; });
    }
    if (outliers > maxOutliers) return false;
    for (Level& level : grid.levels) {
        std::partial_sum(level.cellStart.begin(), level.cellStart.end(), level.cellStart.begin());
        level.items.resize(static_cast<std::size_t>(level.cellStart.back()));
    }
    for (std::size_t i = 0; i < primitives.size(); ++i) {
        if (levels[i] < 0) continue;
        Level& level = grid.levels[static_cast<std::size_t>(levels[i])];
        forEachCell(level, cellRange(level, boxes[i]), [&](std::size_t cell) {
            level.items[static_cast<std::size_t>(level.cellStart[cell + 1]++)] =
                static_cast<int>(i);
        });
    }
    for (Level& level : grid.levels) {
        level.cellStart.pop_back();
        fileCrowdedCurves(level);
    }
    return true;
}

// A grid over the bulk of the primitives, or over all of them when the far-off ones are too
// many to check at every pick; with no finite extents every primitive is checked at each pick.
void buildGrid(const std::vector<Box>& boxes) {
    grid = Grid();
    if (primitives.empty() || !isFiniteBox(extents)) {
        for (std::size_t i = 0; i < primitives.size(); ++i)
            if (pickable(primitives[i])) grid.wide.push_back(static_cast<int>(i));
        return;
    }
    Box bulk = bulkBox(boxes);
    if (!isFiniteBox(bulk) || !fileGrid(boxes, bulk, widened(bulk)))
        fileGrid(boxes, extents, extents);
}

// Every primitive filed in the cells within radius of (x, y), each once, in drawing order,
// with the bounds of its distance, but those whose lower bound is past radius.
void gatherNear(double x, double y, double radius, std::vector<hostsim::NearPrimitive>& out) {
    out.clear();
    lastExamined = 0;
    if (primitives.empty() || !std::isfinite(x) || !std::isfinite(y) || !(radius >= 0.0)) return;
    if (++currentStamp == 0) {  // wrapped: forget every old stamp
        std::fill(visitStamp.begin(), visitStamp.end(), 0);
        currentStamp = 1;
    }
    auto consider = [&](int i) {
        if (visitStamp[i] == currentStamp || hostsim::workMustStop()) return;
        visitStamp[i] = currentStamp;
        ++lastExamined;
        double below = hostsim::distanceBelow(primitives[i], x, y);
        if (below <= radius)
            out.push_back({i, below, hostsim::distanceIsExact(primitives[i]) ? below : INFINITY});
    };
    for (int i : grid.wide) consider(i);
    Box window;
    window.take(x - radius, y - radius);
    window.take(x + radius, y + radius);
    if (grid.levels.empty() || window.highX < grid.area.lowX || window.highY < grid.area.lowY ||
        window.lowX > grid.area.highX || window.lowY > grid.area.highY)
        return;
    for (const Level& level : grid.levels) {
        if (!level.crowd.empty())  // its curves are in no cell: met once, here
            lastExamined += level.crowd.near(x, y, radius, out);
        if (level.items.empty()) continue;
        CellRange range = cellRange(level, window);
        for (int r = range.r0; r <= range.r1; ++r)
            for (int c = range.c0; c <= range.c1; ++c) {
                std::size_t cell = static_cast<std::size_t>(r) * level.columns + c;
                for (int k = level.cellStart[cell]; k < level.cellStart[cell + 1]; ++k)
                    consider(level.items[k]);
            }
    }
    auto byIndex = [](const hostsim::NearPrimitive& a, const hostsim::NearPrimitive& b) {
        return a.index < b.index;
    };
    if (!std::is_sorted(out.begin(), out.end(), byIndex))  // one cell's are in order already
        std::sort(out.begin(), out.end(), byIndex);
}

// Of copies that a view with cells of copyCell cannot tell apart, the piece of the last copy
// stands for the same piece of the others: a tie, which the later wins.
void keepOneOfEachCopy(std::vector<hostsim::NearPrimitive>& near, double copyCell) {
    if (!(copyCell > 0.0) || instances.size() <= 1) return;  // no block reference: no copies
    const std::vector<int>& classes = hostsim::copyClasses(copyCell);
    struct Piece {
        int copyClass, ordinal, leaf;
        bool operator==(const Piece& o) const {
            return copyClass == o.copyClass && ordinal == o.ordinal && leaf == o.leaf;
        }
    };
    struct PieceHash {
        std::size_t operator()(const Piece& p) const {
            return (static_cast<std::size_t>(p.copyClass) * 1000003u + p.ordinal) * 1000003u +
                   static_cast<std::size_t>(p.leaf);
        }
    };
    std::unordered_map<Piece, std::size_t, PieceHash> lastOf;  // -> its place in near
    std::vector<bool> keep(near.size(), true);
    for (std::size_t i = 0; i < near.size(); ++i) {
        const Primitive& p = primitives[near[i].index];
        if (p.instance == 0) continue;  // the drawing's own objects are no copies
        Piece piece{classes[p.instance], hostsim::copyOrdinal(near[i].index), p.leaf};
        auto [found, added] = lastOf.emplace(piece, i);
        if (!added) {
            keep[found->second] = false;
            found->second = i;
        }
    }
    std::size_t kept = 0;
    for (std::size_t i = 0; i < near.size(); ++i)
        if (keep[i]) near[kept++] = near[i];
    near.resize(kept);
}

}  // namespace

namespace hostsim {

void indexGeometry(std::vector<Primitive>&& built, std::vector<Instance>&& builtInstances) {
    primitives = std::move(built);
    instances = std::move(builtInstances);
    if (instances.empty()) instances.emplace_back();
    extents = Box();  // of what is picked and has an end: the grid is laid over them
    std::vector<Box> boxes(primitives.size());  // each worked out once: a curve's costs sines
    for (std::size_t i = 0; i < primitives.size(); ++i) {
        if (!filedInCells(primitives[i])) continue;
        boxes[i] = primitiveBox(primitives[i]);
        extents.take(boxes[i]);
    }
    buildGrid(boxes);
    forgetExtents(std::move(boxes));
    forgetCopyClasses();
    visitStamp.assign(primitives.size(), 0);
    currentStamp = 0;
    ++revision;
}

std::uint64_t geometryRevision() { return revision; }

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

// Asked at every primitive a query meets: the stop's check (a lock, for a hover) and the clock
// are consulted at every checksPerClockRead-th call only, the first included.
bool workMustStop() {
    if (workEndState != WorkEnd::Completed) return true;
    if (!workBounded || ++workChecks < checksPerClockRead) return false;
    workChecks = 0;
    if (workStopRequested && workStopRequested())
        workEndState = WorkEnd::Cancelled;
    else if (std::chrono::steady_clock::now() >= workDeadline)
        workEndState = WorkEnd::TimedOut;
    return workEndState != WorkEnd::Completed;
}

bool workStopped() { return workEndState != WorkEnd::Completed; }

std::size_t primitivesExamined() { return lastExamined; }

const std::vector<Primitive>& drawingPrimitives() { return primitives; }

const Instance& drawingInstance(int index) {
    if (index < 0 || index >= static_cast<int>(instances.size())) return instances[0];
    return instances[index];
}

std::size_t drawingInstanceCount() { return instances.size(); }

void primitivesNear(double x, double y, double radius, double copyCell,
                    std::vector<NearPrimitive>& out) {
    gatherNear(x, y, radius, out);
    keepOneOfEachCopy(out, copyCell);
    std::size_t kept = 0;
    for (const NearPrimitive& candidate : out) {
        if (workMustStop()) break;
        NearPrimitive measured = candidate;
        const Primitive& p = primitives[candidate.index];
        if (!(measured.above <= radius)) measured.above = distanceAbove(p, x, y);
        if (!(measured.above <= radius)) {  // the bounds leave it open: measured
            measured.below = measured.above = viewDistance(p, x, y, nullptr);
            if (!(measured.above <= radius)) continue;
        }
        out[kept++] = measured;
    }
    out.resize(kept);
}

// The nearest first, by the lower bounds; once the next bound is past the nearest found, no
// primitive left can be nearer, nor tie with it. Those measured then meet the rule in drawing
// order.
int selectPrimitive(double x, double y, double radius, double copyCell, bool nested) {
    std::vector<NearPrimitive> near;
    gatherNear(x, y, radius, near);
    keepOneOfEachCopy(near, copyCell);
    // by the lower bounds, ties in drawing order: a heap, taken only as far as needed
    std::vector<std::pair<double, std::size_t>> order;
    order.reserve(near.size());
    for (std::size_t k = 0; k < near.size(); ++k) order.emplace_back(near[k].below, k);
    auto greater = std::greater<std::pair<double, std::size_t>>();
    std::make_heap(order.begin(), order.end(), greater);
    std::vector<std::pair<int, double>> measured;
    double nearest = INFINITY;
    for (; !order.empty(); order.pop_back()) {
        const NearPrimitive& candidate = near[order.front().second];
        std::pop_heap(order.begin(), order.end(), greater);
        if (workMustStop()) return -1;
        if (candidate.below > nearest + tieTolerance * std::max(1.0, std::fabs(nearest))) break;
        double d = viewDistance(primitives[candidate.index], x, y, nullptr);
        if (!(d <= radius)) continue;
        measured.emplace_back(candidate.index, d);
        nearest = std::min(nearest, d);
    }
    std::sort(measured.begin(), measured.end());
    int best = -1;
    double bestDistance = INFINITY;
    for (const auto& [index, d] : measured) {
        const Primitive& candidate = primitives[index];
        double slack = tieTolerance * std::max(1.0, std::fabs(bestDistance));
        bool later = best >= 0 && (candidate.top > primitives[best].top ||
                                   (nested && candidate.top == primitives[best].top &&
                                    candidate.leaf > primitives[best].leaf));
        if (best < 0 || d < bestDistance - slack ||
            (std::fabs(d - bestDistance) <= slack && later)) {
            best = index;
            bestDistance = d;
        }
    }
    return best;
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
