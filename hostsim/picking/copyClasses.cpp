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
// turn and scale, with their insertions in the same cell of a grid of the given size; and when
// the block expanded alike for both (the same count of primitives from the first to the last).
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "hostsim/picking/picking.h"

// ---- copy state: the classes last worked out, for the geometry and cell size they hold for ----
static double classesCell = 0.0;          // 0: none worked out since the geometry changed
static std::vector<int> classOfInstance;  // the first instance of each instance's class
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
    classesCell = 0.0;
    classOfInstance.clear();
    firstOfInstance.clear();
    spanOfInstance.clear();
}

const std::vector<int>& copyClasses(double cell) {
    if (cell == classesCell && !classOfInstance.empty()) return classOfInstance;
    std::size_t count = drawingInstanceCount();
    if (firstOfInstance.size() != count) findInstanceSpans(count);
    classOfInstance.resize(count);
    std::unordered_map<CopyKey, int, CopyKeyHash> firstOfKey;
    for (std::size_t k = 0; k < count; ++k) {
        CopyKey key;
        int instance = static_cast<int>(k);
        bool merged = cell > 0.0 && copyKey(instance, cell, key);
        classOfInstance[k] = merged ? firstOfKey.emplace(key, instance).first->second : instance;
    }
    classesCell = cell;
    return classOfInstance;
}

int copyOrdinal(int index) {
    if (firstOfInstance.size() != drawingInstanceCount()) findInstanceSpans(drawingInstanceCount());
    const Primitive& p = drawingPrimitives()[static_cast<std::size_t>(index)];
    auto k = static_cast<std::size_t>(p.instance);
    if (k >= firstOfInstance.size() || firstOfInstance[k] < 0) return index;
    return index - firstOfInstance[k];
}

}  // namespace hostsim
