// hostsim/picking/ringTree.cpp - curves that crowd one cell of the pick grid, filed again in a
// tree by their centres and radii.
//
// A curve passes a point no nearer than its ring allows: rho - largest outside it, smallest -
// rho inside it, rho the point's distance from its centre. A node holds the box of its curves'
// centres and the widest and narrowest of their radii, so the same holds for all of them with
// rho running over the distances from the point to that box. Splitting by the centres and the
// radii alike, concentric circles part by radius and circles of one size by where they lie.
#include <algorithm>
#include <cmath>
#include <cstddef>

#include "hostsim/picking/picking.h"

namespace {

constexpr std::size_t leafCurves = 16;
// Rounding in the node's bound against each curve's own, relative to the sizes involved: far
// more than a few operations' worth, and far less than any radius a query asks.
constexpr double nodeSlack = 1e-9;

}  // namespace

namespace hostsim {

RingTree::RingTree(const std::vector<int>& curves) {
    const auto& all = drawingPrimitives();
    items_.reserve(curves.size());
    for (int i : curves) {
        const Primitive& p = all[i];
        double radius = 0.0;  // a whole circle seen round: its distance bounded from above too
        bool wholeRound = p.t1 - p.t0 >= 2 * pi && roundInPlan(p, radius);
        items_.push_back({p.a[0], p.a[1], planRing(p), i, wholeRound});
    }
    nodes_.reserve(2 * items_.size() / leafCurves + 1);
    nodes_.emplace_back();
    build(0, 0, items_.size());
}

void RingTree::build(std::size_t node, std::size_t begin, std::size_t end) {
    Node n;
    n.begin = begin;
    n.end = end;
    double narrowest = INFINITY;
    for (std::size_t k = begin; k < end; ++k) {
        const Item& item = items_[k];
        n.lowX = std::min(n.lowX, item.x);
        n.highX = std::max(n.highX, item.x);
        n.lowY = std::min(n.lowY, item.y);
        n.highY = std::max(n.highY, item.y);
        n.largest = std::max(n.largest, item.ring.largest);
        n.smallest = std::min(n.smallest, item.ring.smallest);
        narrowest = std::min(narrowest, item.ring.largest);
    }
    if (end - begin > leafCurves) {
        // split at the middle curve along what varies most: X, Y or the radius
        double spanX = n.highX - n.lowX, spanY = n.highY - n.lowY, spanR = n.largest - narrowest;
        auto from = items_.begin() + static_cast<std::ptrdiff_t>(begin);
        auto to = items_.begin() + static_cast<std::ptrdiff_t>(end);
        auto middle = from + static_cast<std::ptrdiff_t>((end - begin) / 2);
        auto byKey = [&](auto key) {
            std::nth_element(from, middle, to,
                             [&](const Item& a, const Item& b) { return key(a) < key(b); });
        };
        if (spanR >= spanX && spanR >= spanY)
            byKey([](const Item& item) { return item.ring.largest; });
        else if (spanX >= spanY)
            byKey([](const Item& item) { return item.x; });
        else
            byKey([](const Item& item) { return item.y; });
        n.first = nodes_.size();
        nodes_.emplace_back();
        nodes_.emplace_back();
        std::size_t half = static_cast<std::size_t>(middle - items_.begin());
        build(n.first, begin, half);
        build(n.first + 1, half, end);
    } else {  // a leaf's curves in drawing order, as a query wants them
        std::sort(items_.begin() + static_cast<std::ptrdiff_t>(begin),
                  items_.begin() + static_cast<std::ptrdiff_t>(end),
                  [](const Item& a, const Item& b) { return a.index < b.index; });
    }
    nodes_[node] = n;
}

// No curve of the node passes nearer (x, y) than this, up to the slack.
double RingTree::below(const Node& n, double x, double y) {
    double nearX = std::max({n.lowX - x, 0.0, x - n.highX});
    double nearY = std::max({n.lowY - y, 0.0, y - n.highY});
    double farX = std::max(std::fabs(x - n.lowX), std::fabs(x - n.highX));
    double farY = std::max(std::fabs(y - n.lowY), std::fabs(y - n.highY));
    double nearest = std::sqrt(nearX * nearX + nearY * nearY);
    double furthest = std::sqrt(farX * farX + farY * farY);
    double slack = nodeSlack * (furthest + n.largest + std::fabs(x) + std::fabs(y));
    return std::max({0.0, nearest - n.largest, n.smallest - furthest}) - slack;
}

std::size_t RingTree::near(double x, double y, double radius,
                           std::vector<NearPrimitive>& out) const {
    std::size_t bounded = 0;
    if (nodes_.empty()) return bounded;
    std::size_t pending[64];  // a path's siblings: the depth is below 64 for any count
    std::size_t count = 0;
    pending[count++] = 0;
    while (count > 0) {
        const Node& n = nodes_[pending[--count]];
        if (!(below(n, x, y) <= radius)) continue;
        if (n.first != 0) {
            pending[count++] = n.first + 1;  // the first half is taken first
            pending[count++] = n.first;
            continue;
        }
        if (workMustStop()) break;
        bounded += n.end - n.begin;
        for (std::size_t k = n.begin; k < n.end; ++k) {
            const Item& item = items_[k];
            double itemBelow = ringBelow(item.x, item.y, item.ring, x, y);
            if (!(itemBelow <= radius)) continue;
            double above =
                item.wholeRound ? ringAbove(item.x, item.y, item.ring.largest, x, y) : INFINITY;
            out.push_back({item.index, itemBelow, above});
        }
    }
    return bounded;
}

}  // namespace hostsim
