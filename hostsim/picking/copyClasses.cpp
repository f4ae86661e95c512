// hostsim/picking/copyClasses.cpp - copies of a block that a view cannot tell apart.
//
// An array of block references (a reference with rows and columns, arrays of arrays) makes
// copies that differ only by where they lie: each copy's map turns and scales as the others do,
// and moves by its own offset. Copies whose offsets differ by less than a pixel cover the same
// pixels, however large each copy is; a view draws them once, and a pick or a snap measures them
// once. So what they cost follows what can be seen, not how many copies the file asks for.
//
// Two instances are copies of each other when they show the same block, through the same
// reference in the drawing's own objects (the one kvs_entsel selects), mapped by the very same
// turn and scale, and expanded alike (the same count of primitives from the first to the last).
// Taken in drawing order, a copy whose insertion lies within the given size of an earlier class's
// first copy, along X and Y, joins that class; any other starts one. So the first copies of the
// classes of one block lie that far apart at least, and the copies a view shows are bounded by
// the view's size in cells, whatever the array asks for.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "hostsim/picking/picking.h"

// ---- copy state: the classes last worked out, for the geometry and the cell sizes they hold
// for; two, as the page asks for those of its whole drawing and those of its picks in turn ----
struct WorkedClasses {
    double cell = 0.0;            // 0: none worked out since the geometry changed
    std::vector<int> ofInstance;  // the first instance of each instance's class
};
static WorkedClasses workedClasses[2];
static int newestClasses = 0;
static std::vector<int> firstOfInstance;  // each instance's first primitive; -1 for none
static std::vector<int> spanOfInstance;   // from its first primitive to its last

namespace {

using hostsim::Point;
using hostsim::Primitive;

// Past this many cells from the origin a coordinate has no cell: the instance stays alone.
constexpr double farthestCell = 1e15;

struct CopyKey {
    int block, top, span;
    std::uint64_t turn[9];  // the map's axes, bit for bit
    std::int64_t cell[3];   // where the insertion lies
    bool operator==(const CopyKey& other) const {
        return block == other.block && top == other.top && span == other.span &&
               std::memcmp(turn, other.turn, sizeof turn) == 0 &&
               std::memcmp(cell, other.cell, sizeof cell) == 0;
    }
};

struct CopyKeyHash {
    std::size_t operator()(const CopyKey& k) const {
        std::uint64_t h = 1469598103934665603ull;
        auto mix = [&h](std::uint64_t v) { h = (h ^ v) * 1099511628211ull; };
        mix(static_cast<std::uint64_t>(k.block));
        mix(static_cast<std::uint64_t>(k.top));
        mix(static_cast<std::uint64_t>(k.span));
        for (std::uint64_t t : k.turn) mix(t);
        for (std::int64_t c : k.cell) mix(static_cast<std::uint64_t>(c));
        return static_cast<std::size_t>(h);
    }
};

// The cell of a coordinate, converted to an integer only once it is known to fit.
bool cellOf(double coordinate, double cell, std::int64_t& out) {
    double scaled = std::floor(coordinate / cell);
    if (!(std::fabs(scaled) < farthestCell)) return false;  // NaN too
    out = static_cast<std::int64_t>(scaled);
    return true;
}

bool copyKey(int instance, double cell, CopyKey& key) {
    const hostsim::Instance& copy = hostsim::drawingInstance(instance);
    if (copy.containers.empty() || firstOfInstance[instance] < 0) return false;
    key.block = copy.block;
    key.top = copy.containers.back();
    key.span = spanOfInstance[instance];
    const Point* axes[3] = {&copy.map.x, &copy.map.y, &copy.map.z};
    for (int i = 0; i < 3; ++i) {
        std::memcpy(&key.turn[3 * i], axes[i]->data(), 3 * sizeof(double));
        if (!cellOf(copy.map.origin[i], cell, key.cell[i])) return false;
    }
    return key.block >= 0;
}

// The earliest first copy of a class whose insertion lies within cell of this one's along X and
// Y (and in its cell along Z): it lies in this cell or a neighbour. -1 for none: then none is
// in this cell either, and this one starts a class there.
int earlierCopyWithin(const std::unordered_map<CopyKey, int, CopyKeyHash>& firstInCell,
                      const CopyKey& key, int instance, double cell) {
    const Point& at = hostsim::drawingInstance(instance).map.origin;
    int earliest = -1;
    CopyKey neighbour = key;
    for (int dx = -1; dx <= 1; ++dx)
        for (int dy = -1; dy <= 1; ++dy) {
            neighbour.cell[0] = key.cell[0] + dx;
            neighbour.cell[1] = key.cell[1] + dy;
            auto found = firstInCell.find(neighbour);
            if (found == firstInCell.end()) continue;
            const Point& first = hostsim::drawingInstance(found->second).map.origin;
            bool within =
                std::fabs(first[0] - at[0]) <= cell && std::fabs(first[1] - at[1]) <= cell;
            if (within && (earliest < 0 || found->second < earliest)) earliest = found->second;
        }
    return earliest;
}

void findInstanceSpans(std::size_t instanceCount) {
    const std::vector<Primitive>& all = hostsim::drawingPrimitives();
    firstOfInstance.assign(instanceCount, -1);
    spanOfInstance.assign(instanceCount, 0);
    for (std::size_t i = 0; i < all.size(); ++i) {
        auto k = static_cast<std::size_t>(all[i].instance);
        if (k >= instanceCount) continue;
        if (firstOfInstance[k] < 0) firstOfInstance[k] = static_cast<int>(i);
        spanOfInstance[k] = static_cast<int>(i) - firstOfInstance[k];
    }
}

}  // namespace

namespace hostsim {

void forgetCopyClasses() {
    for (WorkedClasses& worked : workedClasses) worked = WorkedClasses();
    firstOfInstance.clear();
    spanOfInstance.clear();
}

const std::vector<int>& copyClasses(double cell) {
    // to the nearest power of two: a view zoomed by less than twice keeps the classes worked out
    if (cell > 0.0 && std::isfinite(cell)) cell = std::exp2(std::round(std::log2(cell)));
    for (const WorkedClasses& worked : workedClasses)
        if (worked.cell == cell && !worked.ofInstance.empty()) return worked.ofInstance;
    std::size_t count = drawingInstanceCount();
    if (firstOfInstance.size() != count) findInstanceSpans(count);
    newestClasses = 1 - newestClasses;  // the older of the two makes room
    WorkedClasses& worked = workedClasses[newestClasses];
    worked.ofInstance.resize(count);
    std::unordered_map<CopyKey, int, CopyKeyHash> firstInCell;
    for (std::size_t k = 0; k < count; ++k) {
        CopyKey key;
        int instance = static_cast<int>(k);
        worked.ofInstance[k] = instance;
        if (!(cell > 0.0) || !copyKey(instance, cell, key)) continue;
        int earlier = earlierCopyWithin(firstInCell, key, instance, cell);
        if (earlier >= 0)
            worked.ofInstance[k] = earlier;
        else
            firstInCell.emplace(key, instance);
    }
    worked.cell = cell;
    return worked.ofInstance;
}

int copyOrdinal(int index) {
    if (firstOfInstance.size() != drawingInstanceCount()) findInstanceSpans(drawingInstanceCount());
    const Primitive& p = drawingPrimitives()[static_cast<std::size_t>(index)];
    auto k = static_cast<std::size_t>(p.instance);
    if (k >= firstOfInstance.size() || firstOfInstance[k] < 0) return index;
    return index - firstOfInstance[k];
}

}  // namespace hostsim
