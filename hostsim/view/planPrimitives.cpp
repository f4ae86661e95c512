// hostsim/view/planPrimitives.cpp - the open drawing's primitives projected on world XY, and its
// texts as lines of text in the boxes the host picks them by.
#include <cmath>

#include "hostsim/picking/picking.h"
#include "hostsim/view/view.h"

namespace {

using hostsim::Point;
using hostsim::Primitive;

constexpr int textBoxSides = 4;  // a text's box: from its lower left corner, anticlockwise

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
    }
}

bool isTextType(const std::string& type) {
    return type == "TEXT" || type == "ATTRIB" || type == "MTEXT";
}

// MTEXT's lines: groups 3 then 1, split at \P, formatting codes dropped (those with an argument
// up to ';', two-character switches, braces); \\, \{ and \} stand for themselves.
std::vector<std::string> mtextLines(const hostsim::DrawingObject& o) {
    std::string content, last;
    for (const hostsim::DxfGroup& g : o.groups) {
        if (g.code == 3) content += g.value;
        if (g.code == 1) last = g.value;
    }
    content += last;
    static const std::string withArgument = "ACcFfHQTWpSX";
    std::vector<std::string> lines(1);
    for (std::size_t i = 0; i < content.size(); ++i) {
        char c = content[i];
        if (c == '{' || c == '}') continue;
        if (c == '\\' && i + 1 < content.size()) {
            char code = content[++i];
            if (code == 'P') {
                lines.emplace_back();
            } else if (withArgument.find(code) != std::string::npos) {
                std::size_t end = content.find(';', i);
                i = end == std::string::npos ? content.size() : end;
            } else if (code == '\\' || code == '{' || code == '}') {
                lines.back() += code;
            }
            continue;
        }
        lines.back() += c;
    }
    return lines;
}

double length3(const Point& v) {
    return hostsim::norm(v);
}

// The lines of a text from the four sides of its box: TEXT and ATTRIB fill it with one line;
// MTEXT's lines are spaced by 5/3 of their height times group 44, as the box was measured.
void addTextLines(const hostsim::DrawingObject& o, const Primitive* sides,
                  hostsim::PlanPrimitives& out) {
    const Point corner = sides[0].a;
    Point along = hostsim::sub(sides[0].b, corner), up = hostsim::sub(sides[3].a, corner);
    double width = length3(along), boxHeight = length3(up);
    if (!(width > 0.0) || !(boxHeight > 0.0)) return;
    std::vector<std::string> lines;
    double spacing = 0.0;
    if (o.type == "MTEXT") {
        lines = mtextLines(o);
        spacing = 5.0 / 3.0 * hostsim::groupReal(o, 44, 1.0);
    } else {
        const hostsim::DxfGroup* text = hostsim::findGroup(o, 1);
        lines.push_back(text != nullptr ? text->value : "");
    }
    double height = boxHeight / (1.0 + spacing * static_cast<double>(lines.size() - 1));
    Point alongUnit = hostsim::scale(along, height / width),
          upUnit = hostsim::scale(up, height / boxHeight);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        double rise = boxHeight - height - spacing * height * static_cast<double>(i);
        Point start = hostsim::add(corner, hostsim::scale(up, rise / boxHeight));
        double length =
            o.type == "MTEXT" ? 0.6 * static_cast<double>(lines[i].size()) : width / height;
        out.texts.push_back({start[0], start[1], alongUnit[0], alongUnit[1], upUnit[0], upUnit[1],
                             length, lines[i]});
    }
}

// Four sides in a row, of one object in one instance, and that object a text: its box.
bool startsTextBox(const std::vector<Primitive>& all, std::size_t i) {
    if (i + textBoxSides > all.size() || all[i].kind != Primitive::Kind::Segment) return false;
    const auto& objects = hostsim::currentDrawing().objects;
    int leaf = all[i].leaf;
    if (leaf < 0 || leaf >= static_cast<int>(objects.size()) || !isTextType(objects[leaf].type))
        return false;
    for (std::size_t k = 1; k < textBoxSides; ++k) {
        const Primitive& side = all[i + k];
        if (side.kind != Primitive::Kind::Segment || side.leaf != leaf ||
            side.instance != all[i].instance || side.a != all[i + k - 1].b)
            return false;
    }
    return true;
}

}  // namespace

namespace hostsim {

void planPrimitives(int top, bool withTexts, PlanPrimitives& out) {
    ensureDrawingOpen();
    const std::vector<Primitive>& all = drawingPrimitives();
    for (std::size_t i = 0; i < all.size(); ++i) {
        if (top >= 0 && all[i].top != top) continue;
        if (withTexts && startsTextBox(all, i)) {
            addTextLines(currentDrawing().objects[all[i].leaf], &all[i], out);
            i += textBoxSides - 1;
            continue;
        }
        addPrimitive(all[i], out);
    }
}

}  // namespace hostsim
