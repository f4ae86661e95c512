// hostsim/view/planPrimitives.cpp - the open drawing's primitives projected on world XY, and its
// texts as lines of text in the boxes the host picks them by; grouped by how they look.
#include <cmath>
#include <map>

#include "hostsim/picking/picking.h"
#include "hostsim/view/view.h"

namespace {

using hostsim::Point;
using hostsim::Primitive;

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

void addPrimitive(const Primitive& p, hostsim::PlanPrimitives& out) {
    switch (p.kind) {
        case Primitive::Kind::Segment:
            addXY(out.segments, p.a);
            addXY(out.segments, p.b);
            break;
        case Primitive::Kind::Curve:
            out.curves.push_back({p.a[0], p.a[1], p.u[0], p.u[1], p.v[0], p.v[1], p.t0, p.t1});
            break;
        case Primitive::Kind::Spline:
            out.polylines.push_back(sampledSpline(p));
            break;
        case Primitive::Kind::Node:
            addXY(out.nodes, p.a);
            break;
        case Primitive::Kind::Face:
            addFaceSides(p, out);
            break;
    }
}

bool isTextType(const std::string& type) {
    return type == "TEXT" || type == "ATTRIB" || type == "MTEXT";
}

// The lines of a text in its box: TEXT and ATTRIB fill it with one line; MTEXT's lines are
// spaced by 5/3 of their height times group 44, as the box was measured.
void addTextLines(const hostsim::DrawingObject& o, const Primitive& box,
                  hostsim::PlanPrimitives& out) {
    double width = hostsim::norm(box.u), boxHeight = hostsim::norm(box.v);
    if (!(width > 0.0) || !(boxHeight > 0.0)) return;
    std::vector<std::string> lines = hostsim::textLines(o);
    double spacing = o.type == "MTEXT" ? 5.0 / 3.0 * hostsim::groupReal(o, 44, 1.0) : 0.0;
    double height = boxHeight / (1.0 + spacing * static_cast<double>(lines.size() - 1));
    Point alongUnit = hostsim::scale(box.u, height / width),
          upUnit = hostsim::scale(box.v, height / boxHeight);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        double rise = boxHeight - height - spacing * height * static_cast<double>(i);
        Point start = hostsim::add(box.a, hostsim::scale(box.v, rise / boxHeight));
        double length = o.type == "MTEXT"
                            ? 0.6 * static_cast<double>(hostsim::characterCount(lines[i]))
                            : width / height;
        out.texts.push_back({start[0], start[1], alongUnit[0], alongUnit[1], upUnit[0], upUnit[1],
                             length, lines[i]});
    }
}

// The face a text is picked by.
bool isTextBox(const Primitive& p) {
    const auto& objects = hostsim::currentDrawing().objects;
    return p.kind == Primitive::Kind::Face && p.leaf >= 0 &&
           p.leaf < static_cast<int>(objects.size()) && isTextType(objects[p.leaf].type);
}

void addPlanned(const Primitive& p, bool withTexts, hostsim::PlanPrimitives& out) {
    if (withTexts && isTextBox(p))
        addTextLines(hostsim::currentDrawing().objects[p.leaf], p, out);
    else
        addPrimitive(p, out);
}

}  // namespace

namespace hostsim {

// The look is worked out again only when the object or the reference changes: an object's
// primitives come one after another.
void styledPlanPrimitives(std::vector<StyledPrimitives>& out) {
    ensureDrawingOpen();
    out.clear();
    std::map<PlanStyle, std::size_t> groupOf;
    int lastLeaf = -1, lastInstance = -1;
    bool shown = false;
    std::size_t group = 0;
    for (const Primitive& p : drawingPrimitives()) {
        if (p.leaf != lastLeaf || p.instance != lastInstance) {
            lastLeaf = p.leaf;
            lastInstance = p.instance;
            PlanStyle style;
            shown = primitiveStyle(p, style);
            if (shown) {
                auto found = groupOf.emplace(style, out.size());
                if (found.second) out.push_back({style, {}});
                group = found.first->second;
            }
        }
        if (shown) addPlanned(p, true, out[group].primitives);
    }
}

void planPrimitives(int top, bool withTexts, PlanPrimitives& out) {
    ensureDrawingOpen();
    const std::vector<Primitive>& all = drawingPrimitives();
    for (std::size_t i = 0; i < all.size(); ++i) {
        if (top >= 0 && all[i].top != top) continue;
        addPlanned(all[i], withTexts, out);
    }
}

}  // namespace hostsim
