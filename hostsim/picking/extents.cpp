// hostsim/picking/extents.cpp - the boxes of primitives in world XY, and the extents a view must
// show to hold the drawing.
//
// A view holds every primitive, but for a far-off few: a point at 1e20 beside a drawing a metre
// wide would shrink the drawing to less than a pixel. Those are left out only when showing them
// would do exactly that to the rest, the bulk of the drawing that lies around the middle of its
// primitives.
#include <algorithm>
#include <cmath>
#include <unordered_set>
#include <utility>

#include "hostsim/picking/picking.h"

namespace {

using hostsim::PlanBox;
using hostsim::Point;
using hostsim::Primitive;

using hostsim::pi;
constexpr double middleShare = 0.25;  // the bulk starts from the middle half of the centres

// The extents last worked out, for the geometry and screen they were worked out for.
struct ExtentsAnswer {
    bool current = false;  // false once the geometry changed
    double screenWidth = 0.0, screenHeight = 0.0;
    bool found = false;
    PlanBox box;
    std::size_t leftOut = 0;
};

}  // namespace

// ---- extents state: the last answer, kept while the geometry and the screen stay the same ----
static ExtentsAnswer lastExtents;
static std::vector<PlanBox> indexedBoxes;  // the pick index's, until the extents are worked out

namespace {

// The drawn part of centre + u cos t + v sin t: its ends, and where it turns along X or Y. A
// whole one reaches sqrt(ux^2 + vx^2) along X from its centre, and likewise along Y: no sines.
void takeCurve(PlanBox& box, const Primitive& p) {
    if (p.t1 - p.t0 >= 2 * pi) {
        double alongX = std::sqrt(p.u[0] * p.u[0] + p.v[0] * p.v[0]);
        double alongY = std::sqrt(p.u[1] * p.u[1] + p.v[1] * p.v[1]);
        box.take(p.a[0] - alongX, p.a[1] - alongY);
        box.take(p.a[0] + alongX, p.a[1] + alongY);
        return;
    }
    auto take = [&](double t) {
        Point q = hostsim::primitivePoint(p, t);
        box.take(q[0], q[1]);
    };
    take(p.t0);
    take(p.t1);
    for (int axis = 0; axis < 2; ++axis) {
        double extreme = std::atan2(p.v[axis], p.u[axis]);
        for (double t = extreme + pi * std::ceil((p.t0 - extreme) / pi); t < p.t1; t += pi) take(t);
    }
}

// Where a line without end goes from `from` along (dx, dy): infinitely far on each axis it moves
// along, level with `from` on one it does not.
void takeFarEnd(PlanBox& box, const Point& from, double dx, double dy) {
    box.take(dx > 0   ? INFINITY
             : dx < 0 ? -INFINITY
                      : from[0],
             dy > 0   ? INFINITY
             : dy < 0 ? -INFINITY
                      : from[1]);
}

// Narrows [low, high] of origin + t step to where it lies within [boxLow, boxHigh].
void clipAxis(double origin, double step, double boxLow, double boxHigh, double& low,
              double& high) {
    if (step == 0.0) {
        if (!(origin >= boxLow && origin <= boxHigh)) high = -INFINITY;  // beside the box
        return;
    }
    double enter = (boxLow - origin) / step, leave = (boxHigh - origin) / step;
    low = std::max(low, std::min(enter, leave));
    high = std::min(high, std::max(enter, leave));
}

// Units a pixel in a view of the box on the screen.
double unitsPerPixel(const PlanBox& box, double screenWidth, double screenHeight) {
    return std::max((box.highX - box.lowX) / screenWidth, (box.highY - box.lowY) / screenHeight);
}

double largerSide(const PlanBox& box) {
    return std::max(box.highX - box.lowX, box.highY - box.lowY);
}

PlanBox joined(PlanBox box, const PlanBox& other) {
    box.take(other);
    return box;
}

bool isFiniteBox(const PlanBox& box) {
    return !box.empty() && std::isfinite(box.highX - box.lowX) &&
           std::isfinite(box.highY - box.lowY);
}

// The value at a share of the sorted values, counted from either end alike.
double centreQuantile(std::vector<double>& values, bool fromTop) {
    std::size_t k = static_cast<std::size_t>(std::lround(middleShare * (values.size() - 1)));
    if (fromTop) k = values.size() - 1 - k;
    std::nth_element(values.begin(), values.begin() + k, values.end());
    return values[k];
}

// The box of the middle half of the boxes' centres along each axis: where the bulk lies.
PlanBox middleBox(const std::vector<PlanBox>& boxes) {
    std::vector<double> xs, ys;
    xs.reserve(boxes.size());
    ys.reserve(boxes.size());
    for (const PlanBox& b : boxes) {
        xs.push_back(0.5 * (b.lowX + b.highX));
        ys.push_back(0.5 * (b.lowY + b.highY));
    }
    PlanBox middle;
    middle.take(centreQuantile(xs, false), centreQuantile(ys, false));
    middle.take(centreQuantile(xs, true), centreQuantile(ys, true));
    return middle;
}

// Whether showing box beside the rest would make the rest smaller than a pixel.
bool shrinksBelowAPixel(const PlanBox& rest, const PlanBox& box, double screenWidth,
                        double screenHeight) {
    double size = largerSide(rest);
    return size > 0.0 && size < unitsPerPixel(joined(rest, box), screenWidth, screenHeight);
}

// The boxes taken nearest the bulk first. At least half of them make the rest; after that each
// is taken until all the boxes still left would shrink the rest below a pixel. When even all of
// them together would not shrink the first half (one that is not a point), every box is taken
// whatever the order: the usual drawing needs only that half, not the order of all.
void workOutExtents(const std::vector<PlanBox>& boxes, const std::vector<int>& tops,
                    ExtentsAnswer& answer) {
    PlanBox middle = middleBox(boxes);
    std::vector<std::pair<double, std::size_t>> order;
    order.reserve(boxes.size());
    for (std::size_t i = 0; i < boxes.size(); ++i)
        order.emplace_back(
            unitsPerPixel(joined(middle, boxes[i]), answer.screenWidth, answer.screenHeight), i);
    std::size_t half = (boxes.size() + 1) / 2;
    std::nth_element(order.begin(), order.begin() + (half - 1), order.end());
    PlanBox rest, all;
    for (std::size_t k = 0; k < half; ++k) rest.take(boxes[order[k].second]);
    for (const PlanBox& box : boxes) all.take(box);
    if (largerSide(rest) > 0.0 &&
        !shrinksBelowAPixel(rest, all, answer.screenWidth, answer.screenHeight)) {
        answer.box = all;
        answer.leftOut = 0;
        return;
    }
    std::sort(order.begin(), order.end());
    rest = PlanBox();
    std::size_t taken = 0;
    for (; taken < half; ++taken) rest.take(boxes[order[taken].second]);
    for (std::size_t next = taken; next < boxes.size(); ++next) {
        if (shrinksBelowAPixel(rest, boxes[order[next].second], answer.screenWidth,
                               answer.screenHeight))
            continue;
        for (; taken <= next; ++taken) rest.take(boxes[order[taken].second]);
    }
    std::unordered_set<int> leftOut;
    for (std::size_t k = taken; k < boxes.size(); ++k) leftOut.insert(tops[order[k].second]);
    answer.box = rest;
    answer.leftOut = leftOut.size();
}

}  // namespace

namespace hostsim {

void PlanBox::take(double x, double y) {
    lowX = std::min(lowX, x);
    lowY = std::min(lowY, y);
    highX = std::max(highX, x);
    highY = std::max(highY, y);
}

void PlanBox::take(const PlanBox& other) {
    if (other.empty()) return;
    take(other.lowX, other.lowY);
    take(other.highX, other.highY);
}

PlanBox primitiveBox(const Primitive& p) {
    PlanBox box;
    switch (p.kind) {
        case Primitive::Kind::Spline:  // u and v hold its control points' box
            box.take(p.u[0], p.u[1]);
            box.take(p.v[0], p.v[1]);
            break;
        case Primitive::Kind::Curve: takeCurve(box, p); break;
        case Primitive::Kind::Face:
            for (const Point& corner : {p.a, add(p.a, p.u), add(p.a, p.v), add(add(p.a, p.u), p.v)})
                box.take(corner[0], corner[1]);
            break;
        case Primitive::Kind::Ray:
            box.take(p.a[0], p.a[1]);
            takeFarEnd(box, p.a, p.u[0], p.u[1]);
            if (p.t0 < 0.0) takeFarEnd(box, p.a, -p.u[0], -p.u[1]);
            break;
        case Primitive::Kind::Segment: box.take(p.b[0], p.b[1]); [[fallthrough]];
        case Primitive::Kind::Node: box.take(p.a[0], p.a[1]); break;
    }
    return box;
}

bool rayInBox(const Primitive& p, const PlanBox& box, Point& from, Point& to) {
    double dx = p.u[0], dy = p.u[1];
    if (dx == 0.0 && dy == 0.0) {  // seen end-on
        from = to = p.a;
        return p.a[0] >= box.lowX && p.a[0] <= box.highX && p.a[1] >= box.lowY &&
               p.a[1] <= box.highY;
    }
    double low = p.t0, high = p.t1;
    clipAxis(p.a[0], dx, box.lowX, box.highX, low, high);
    clipAxis(p.a[1], dy, box.lowY, box.highY, low, high);
    if (!(low <= high) || !std::isfinite(low) || !std::isfinite(high)) return false;
    from = primitivePoint(p, low);
    to = primitivePoint(p, high);
    return true;
}

void forgetExtents(std::vector<PlanBox>&& boxes) {
    lastExtents.current = false;
    indexedBoxes = std::move(boxes);
}

bool drawingExtents(double screenWidth, double screenHeight, Point& low, Point& high,
                    std::size_t& leftOut) {
    const std::vector<Primitive>& all = drawingPrimitives();
    ExtentsAnswer& answer = lastExtents;
    if (!answer.current || answer.screenWidth != screenWidth ||
        answer.screenHeight != screenHeight) {
        answer = ExtentsAnswer();
        answer.current = true;
        answer.screenWidth = screenWidth;
        answer.screenHeight = screenHeight;
        // The boxes the pick index worked out are taken where they are; a curve's costs sines.
        bool known = indexedBoxes.size() == all.size();
        std::vector<PlanBox> boxes = known ? std::move(indexedBoxes) : std::vector<PlanBox>();
        std::vector<PlanBox>().swap(indexedBoxes);
        std::vector<int> tops;
        boxes.resize(all.size());  // not grown by doubling: a million boxes would be copied
        tops.reserve(all.size());
        std::size_t kept = 0;
        for (std::size_t i = 0; i < all.size(); ++i) {
            const Primitive& p = all[i];
            if (!p.shown || isUnbounded(p)) continue;  // unbounded: drawn across any view
            PlanBox box = known ? boxes[i] : primitiveBox(p);
            if (!isFiniteBox(box)) continue;  // an overflowed spline's control points
            boxes[kept++] = box;
            tops.push_back(p.top);
        }
        boxes.resize(kept);
        answer.found = !boxes.empty();
        if (answer.found) workOutExtents(boxes, tops, answer);
    }
    leftOut = answer.leftOut;
    if (!answer.found) return false;
    low = {answer.box.lowX, answer.box.lowY, 0};
    high = {answer.box.highX, answer.box.highY, 0};
    return true;
}

}  // namespace hostsim
