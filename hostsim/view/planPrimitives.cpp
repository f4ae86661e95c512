// hostsim/view/planPrimitives.cpp - the open drawing's primitives projected on world XY, and its
// texts as lines of text in the boxes the host picks them by; for a window, only what it shows;
// grouped by how they look.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <unordered_map>
#include <unordered_set>

#include "hostsim/kinds/kinds.h"
#include "hostsim/picking/picking.h"
#include "hostsim/view/view.h"

namespace {

using hostsim::Point;
using hostsim::Primitive;

// Drawing for a window, in its pixels: how far a spline's chords may stray from it, and how close
// two points of a line may be before the second is dropped.
constexpr double chordTolerancePixels = 0.25;
constexpr double pointSpacingPixels = 0.5;
constexpr int maxSplitDepth = 10;  // a piece is drawn in at most 2^10 chords
constexpr double farPixels = 1e9;  // pixels beyond this many from the window's corner are its edge
// Without a window (the page, which zooms itself), copies this share of the extents apart are
// drawn once: a quarter pixel of a page about 1,000 pixels wide, zoomed in 4 times on them.
constexpr double pageCopyCells = 16384;

void addXY(std::vector<double>& list, const Point& p) {
    list.push_back(p[0]);
    list.push_back(p[1]);
}

std::vector<double> sampledSpline(const Primitive& piece) {
    std::vector<double> points;
    for (int i = 0; i <= hostsim::splineSamplesPerPiece; ++i) {
        double t = piece.t0 + (piece.t1 - piece.t0) * i / hostsim::splineSamplesPerPiece;
        addXY(points, hostsim::splinePiecePoint(piece, t));
    }
    return points;
}

// A face as its four sides, from its first corner.
void addFaceSides(const Primitive& p, hostsim::PlanPrimitives& out) {
    using hostsim::add;
    const Point corners[4] = {p.a, add(p.a, p.u), add(add(p.a, p.u), p.v), add(p.a, p.v)};
    for (int i = 0; i < 4; ++i) {
        addXY(out.segments, corners[i]);
        addXY(out.segments, corners[(i + 1) % 4]);
    }
}

// A line without end, for a view that clips it itself; one seen end-on is its point.
void addRay(const Primitive& p, hostsim::PlanPrimitives& out) {
    double dx = p.u[0], dy = p.u[1], length = std::hypot(dx, dy);
    if (!(length > 0.0)) return addXY(out.nodes, p.a);
    out.rays.push_back({p.a[0], p.a[1], dx / length, dy / length, !std::isfinite(p.t0)});
}

// The part of a line without end that the window holds, as a segment.
void addRayInWindow(const Primitive& p, const hostsim::PlanWindow& window,
                    hostsim::PlanPrimitives& out) {
    hostsim::PlanBox box;
    box.take(window.lowX, window.lowY);
    box.take(window.highX, window.highY);
    Point from, to;
    if (!hostsim::rayInBox(p, box, from, to)) return;
    addXY(out.segments, from);
    addXY(out.segments, to);
}

void addPrimitive(const Primitive& p, hostsim::PlanPrimitives& out) {
    switch (p.kind) {
        case Primitive::Kind::Segment:
            addXY(out.segments, p.a);
            addXY(out.segments, p.b);
            break;
        case Primitive::Kind::Curve:
            out.curves.push_back({p.a[0], p.a[1], p.u[0], p.u[1], p.v[0], p.v[1], p.t0, p.t1});
            break;
        case Primitive::Kind::Spline: out.polylines.push_back(sampledSpline(p)); break;
        case Primitive::Kind::Node: addXY(out.nodes, p.a); break;
        case Primitive::Kind::Face: addFaceSides(p, out); break;
        case Primitive::Kind::Ray: addRay(p, out); break;
    }
}

double copyCellFor(const hostsim::PlanWindow* window);

// Draws each copy of a block once among copies a view cannot tell apart (hostsim/picking's
// copyClasses): of the instances of one class, the first met. The classes are looked up at the
// first primitive inside a reference: their cell may need the view's extents, which cost a pass
// over the whole drawing at each new screen size, and an object of the drawing's own needs none.
class CopyFilter {
public:
    explicit CopyFilter(const hostsim::PlanWindow* window) : window(window) {}
    bool drawn(const Primitive& p) {
        if (p.instance == 0) return true;
        if (classes == nullptr) classes = &hostsim::copyClasses(copyCellFor(window));
        int copyClass = (*classes)[static_cast<std::size_t>(p.instance)];
        return firstMet.emplace(copyClass, p.instance).first->second == p.instance;
    }

private:
    const hostsim::PlanWindow* window;  // the window drawn, or none for the whole drawing
    const std::vector<int>* classes = nullptr;
    std::unordered_map<int, int> firstMet;  // class -> the instance of it drawn
};

// The cell copies are told apart by: a share of a window's pixel; without a window, a share of
// the extents the view shows.
double copyCellFor(const hostsim::PlanWindow* window) {
    if (window != nullptr) return window->pixel * hostsim::copyCellPixels;
    Point low, high;
    if (!hostsim::viewExtents(low, high)) return 0.0;
    return std::max(high[0] - low[0], high[1] - low[1]) / pageCopyCells;
}

// ---- drawing for a window ----

using Box = hostsim::PlanBox;

class WindowPlan {
public:
    WindowPlan(const hostsim::PlanWindow& window, hostsim::PlanPrimitives& out)
        : window(window), out(out) {}

    bool shows(const Box& box) const {
        return box.highX >= window.lowX && box.lowX <= window.highX && box.highY >= window.lowY &&
               box.lowY <= window.highY;
    }

    // False for a box smaller than a pixel in a pixel already drawn in: a million such copies
    // make a few thousand marks, not a million.
    bool firstInItsPixel(const Box& box) {
        if (box.highX - box.lowX >= window.pixel || box.highY - box.lowY >= window.pixel)
            return true;
        return cover(box.lowX, box.lowY);
    }

    // A spline piece, joined to the line drawn so far when it goes on from that line's last piece.
    void addSplinePiece(const Primitive& p) {
        bool goesOn =
            inLine && last.curve == p.curve && last.instance == p.instance && last.t1 == p.t0;
        if (!goesOn) {
            endLine();
            inLine = true;
            keep(hostsim::splinePiecePoint(p, p.t0), true);
        }
        last = p;
        Point start = hostsim::splinePiecePoint(p, p.t0), end = hostsim::splinePiecePoint(p, p.t1);
        sample(p, p.t0, start, p.t1, end, 0);
    }

    // Ends the spline line in progress: drawn where it passes pixels nothing drew in before, each
    // such stretch with the points on either side of it; a line that meets only pixels drawn
    // already adds nothing. So many copies of a curve over each other cost what one does.
    void endLine() {
        if (!inLine) return;
        inLine = false;
        if (points.size() == 1) keep({lastX, lastY, 0}, true);  // a line needs two points
        LinePoint& end = points.back();  // where the curve ends, if too close to keep
        if (end.x != lastX || end.y != lastY) {
            end.x = lastX, end.y = lastY;
            end.fresh = end.fresh || cover(lastX, lastY);
        }
        std::vector<double>* run = nullptr;
        for (std::size_t i = 0; i < points.size(); ++i) {
            bool drawn = points[i].fresh || (i > 0 && points[i - 1].fresh) ||
                         (i + 1 < points.size() && points[i + 1].fresh);
            if (!drawn) {
                run = nullptr;
                continue;
            }
            if (run == nullptr) run = &out.polylines.emplace_back();
            run->insert(run->end(), {points[i].x, points[i].y});
        }
        if (run != nullptr && run->size() == 2) out.polylines.pop_back();  // a lone end point
        points.clear();
    }

private:
    double offChord(const Point& q, const Point& a, const Point& b) const {
        double dx = b[0] - a[0], dy = b[1] - a[1], length = std::hypot(dx, dy);
        if (length == 0.0) return std::hypot(q[0] - a[0], q[1] - a[1]);
        return std::fabs(dx * (q[1] - a[1]) - dy * (q[0] - a[0])) / length;
    }

    // The chord from (t0, a) to (t1, b), split while a point between strays from it.
    void sample(const Primitive& p, double t0, const Point& a, double t1, const Point& b,
                int depth) {
        double tolerance = chordTolerancePixels * window.pixel;
        Point middle = hostsim::splinePiecePoint(p, 0.5 * (t0 + t1));
        bool straight =
            depth >= maxSplitDepth ||
            (offChord(middle, a, b) <= tolerance &&
             offChord(hostsim::splinePiecePoint(p, 0.75 * t0 + 0.25 * t1), a, b) <= tolerance &&
             offChord(hostsim::splinePiecePoint(p, 0.25 * t0 + 0.75 * t1), a, b) <= tolerance);
        if (straight) {
            keep(b, false);
            return;
        }
        sample(p, t0, a, 0.5 * (t0 + t1), middle, depth + 1);
        sample(p, 0.5 * (t0 + t1), middle, t1, b, depth + 1);
    }

    // A point of the line, unless it is too close to the last one kept; the line's very last
    // point is remembered, so that the line still ends where the curve does.
    void keep(const Point& q, bool first) {
        lastX = q[0], lastY = q[1];
        if (!first && std::hypot(q[0] - points.back().x, q[1] - points.back().y) <
                          pointSpacingPixels * window.pixel)
            return;
        points.push_back({q[0], q[1], cover(q[0], q[1])});
    }

    // Marks the pixel of (x, y) drawn; true when nothing had drawn in it before. A point far
    // outside the window (a spline's control points may lie anywhere) shares its edge's pixel.
    bool cover(double x, double y) {
        auto cell = [&](double value, double low) {
            double index = std::floor((value - low) / window.pixel);
            index = std::isnan(index) ? 0.0 : std::clamp(index, -farPixels, farPixels);
            return static_cast<std::uint64_t>(static_cast<std::int64_t>(index));
        };
        return covered.insert(cell(x, window.lowX) * 4000003u + cell(y, window.lowY)).second;
    }

    struct LinePoint {
        double x, y;
        bool fresh;  // the first thing drawn in its pixel
    };

    const hostsim::PlanWindow& window;
    hostsim::PlanPrimitives& out;
    std::unordered_set<std::uint64_t> covered;  // the pixels drawn in, by column and row
    bool inLine = false;                        // a spline line is in progress
    std::vector<LinePoint> points;              // its points, at least half a pixel apart
    Primitive last;                             // its last piece
    double lastX = 0.0, lastY = 0.0;            // the last point of that piece
};

// The lines of a text in its box: a one-line text (TEXT, ATTRIB) fills it; paragraphs' lines
// (MTEXT) are spaced by 5/3 of their height times group 44, as the box was measured.
void addTextLines(const hostsim::DrawingObject& o, const Primitive& box,
                  hostsim::PlanPrimitives& out) {
    double width = hostsim::norm(box.u), boxHeight = hostsim::norm(box.v);
    if (!(width > 0.0) || !(boxHeight > 0.0)) return;
    bool paragraphs = hostsim::textFormOf(o) == hostsim::TextForm::Paragraphs;
    std::vector<std::string> lines = hostsim::textLines(o, paragraphs);
    double spacing = paragraphs ? 5.0 / 3.0 * hostsim::groupReal(o, 44, 1.0) : 0.0;
    double height = boxHeight / (1.0 + spacing * static_cast<double>(lines.size() - 1));
    Point alongUnit = hostsim::scale(box.u, height / width),
          upUnit = hostsim::scale(box.v, height / boxHeight);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        double rise = boxHeight - height - spacing * height * static_cast<double>(i);
        Point start = hostsim::add(box.a, hostsim::scale(box.v, rise / boxHeight));
        double length = paragraphs ? 0.6 * static_cast<double>(hostsim::characterCount(lines[i]))
                                   : width / height;
        out.texts.push_back({start[0], start[1], alongUnit[0], alongUnit[1], upUnit[0], upUnit[1],
                             length, std::move(lines[i])});
    }
}

// A block reference's insertion point is picked and snapped to (INS), and drawn as nothing.
bool drawnInView(const Primitive& p) {
    if (p.kind != Primitive::Kind::Node || p.leaf < 0) return true;  // most: asked of each
    const auto& objects = hostsim::currentDrawing().objects;
    return p.leaf >= static_cast<int>(objects.size()) || objects[p.leaf].type != "INSERT";
}

// The face a text is picked by.
bool isTextBox(const Primitive& p) {
    if (p.kind != Primitive::Kind::Face || p.leaf < 0) return false;  // most: asked of each
    const auto& objects = hostsim::currentDrawing().objects;
    return p.leaf < static_cast<int>(objects.size()) &&
           hostsim::textFormOf(objects[p.leaf]) != hostsim::TextForm::None;
}

void addPlanned(const Primitive& p, bool withTexts, hostsim::PlanPrimitives& out) {
    if (withTexts && isTextBox(p))
        addTextLines(hostsim::currentDrawing().objects[p.leaf], p, out);
    else
        addPrimitive(p, out);
}

// What a window shows of the primitives: a text's box by its lines, each once a pixel when
// smaller than one; a spline's pieces as lines; the rest as they are.
void planWindow(const hostsim::PlanWindow& window, const std::vector<const Primitive*>& primitives,
                bool withTexts, hostsim::PlanPrimitives& out) {
    WindowPlan plan(window, out);
    CopyFilter copies(&window);
    for (const Primitive* p : primitives) {
        if (!drawnInView(*p) || !copies.drawn(*p)) continue;
        if (p->kind == Primitive::Kind::Ray) {
            plan.endLine();
            addRayInWindow(*p, window, out);
            continue;
        }
        bool text = withTexts && isTextBox(*p);
        Box box = hostsim::primitiveBox(*p);
        bool shown = plan.shows(box);
        if (shown && p->kind == Primitive::Kind::Spline) {
            plan.addSplinePiece(*p);
        } else {
            plan.endLine();
            bool drawn = shown && plan.firstInItsPixel(box);
            if (drawn && text)
                addTextLines(hostsim::currentDrawing().objects[p->leaf], *p, out);
            else if (drawn)
                addPrimitive(*p, out);
        }
    }
    plan.endLine();
}

// Where the primitives of object top lie in all: [first, end). The drawing's are built object
// by object, so they are in order of top and a binary search finds them (a hover asks this of a
// million primitives); that order is checked once per drawing, and without it all are given.
void primitivesOf(int top, const std::vector<Primitive>& all, std::size_t& first,
                  std::size_t& end) {
    static std::int64_t checkedDrawing = 0;
    static const Primitive* checkedData = nullptr;
    static bool inOrder = false;
    auto byTop = [](const Primitive& a, const Primitive& b) { return a.top < b.top; };
    if (hostsim::currentDrawing().id != checkedDrawing || all.data() != checkedData) {
        inOrder = std::is_sorted(all.begin(), all.end(), byTop);
        checkedDrawing = hostsim::currentDrawing().id;
        checkedData = all.data();
    }
    if (!inOrder) return;
    Primitive key;
    key.top = top;
    auto range = std::equal_range(all.begin(), all.end(), key, byTop);
    first = static_cast<std::size_t>(range.first - all.begin());
    end = static_cast<std::size_t>(range.second - all.begin());
}

// How many kinds of primitive there are (Ray the last).
constexpr std::size_t kindCount = static_cast<std::size_t>(Primitive::Kind::Ray) + 1;

// Room for a look's primitives as most drawings have them (a face as a text's line): a million
// primitives grown into place would be copied over and over.
void reserveFor(const std::vector<std::size_t>& counts, hostsim::PlanPrimitives& out) {
    auto count = [&](Primitive::Kind kind) { return counts[static_cast<int>(kind)]; };
    out.segments.reserve(4 * count(Primitive::Kind::Segment));
    out.curves.reserve(count(Primitive::Kind::Curve));
    out.polylines.reserve(count(Primitive::Kind::Spline));
    out.nodes.reserve(2 * (count(Primitive::Kind::Node) + count(Primitive::Kind::Ray)));
    out.texts.reserve(count(Primitive::Kind::Face));
}

}  // namespace

namespace hostsim {

// The look is worked out again only when the object or the reference changes: an object's
// primitives come one after another; and only once for each lookKey.
void styledGroups(std::vector<StyledGroup>& out) {
    ensureDrawingOpen();
    out.clear();
    std::map<PlanStyle, std::size_t> groupOf;
    std::unordered_map<std::string, std::size_t> groupOfKey;  // lookKey -> group
    std::string key;
    int lastLeaf = -1, lastInstance = -1;
    bool shown = false;
    std::size_t group = 0;
    for (const Primitive& p : drawingPrimitives()) {
        if (p.leaf != lastLeaf || p.instance != lastInstance) {
            lastLeaf = p.leaf;
            lastInstance = p.instance;
            shown = lookKey(p, key);
            auto known = shown ? groupOfKey.find(key) : groupOfKey.end();
            if (known != groupOfKey.end()) {
                group = known->second;
            } else if (shown) {
                PlanStyle style;
                primitiveStyle(p, style);
                auto found = groupOf.find(style);  // an emplace would copy the style each time
                if (found == groupOf.end()) {
                    found = groupOf.emplace(style, out.size()).first;
                    out.push_back({style, {}, std::vector<std::size_t>(kindCount)});
                }
                group = found->second;
                groupOfKey.emplace(key, group);
            }
        }
        if (shown) {
            out[group].members.push_back(&p);
            ++out[group].kindCounts[static_cast<int>(p.kind)];
        }
    }
}

void planStyledGroup(const StyledGroup& group, PlanPrimitives& out) {
    reserveFor(group.kindCounts, out);
    CopyFilter copies(nullptr);
    for (const Primitive* p : group.members)
        if (drawnInView(*p) && copies.drawn(*p)) addPlanned(*p, true, out);
}

// In a window each look is planned by itself, so that one look's marks never hide another's.
void styledPlanPrimitives(std::vector<StyledPrimitives>& out, const PlanWindow* window) {
    std::vector<StyledGroup> groups;
    styledGroups(groups);
    out.clear();
    out.reserve(groups.size());
    for (const StyledGroup& group : groups) {
        out.push_back({group.style, {}});
        if (window != nullptr)
            planWindow(*window, group.members, true, out.back().primitives);
        else
            planStyledGroup(group, out.back().primitives);
    }
}

void planPrimitives(int top, bool withTexts, PlanPrimitives& out, const PlanWindow* window) {
    ensureDrawingOpen();
    const std::vector<Primitive>& all = drawingPrimitives();
    std::size_t first = 0, end = all.size();
    if (top >= 0) primitivesOf(top, all, first, end);
    if (window != nullptr) {
        std::vector<const Primitive*> shown;
        for (std::size_t i = first; i < end; ++i)
            if (top < 0 || all[i].top == top) shown.push_back(&all[i]);
        return planWindow(*window, shown, withTexts, out);
    }
    CopyFilter copies(nullptr);
    for (std::size_t i = first; i < end; ++i) {
        if (top >= 0 && all[i].top != top) continue;
        if (drawnInView(all[i]) && copies.drawn(all[i])) addPlanned(all[i], withTexts, out);
    }
}

}  // namespace hostsim
