// hostsim/kinds/textBoxes.cpp - TEXT, ATTRIB and MTEXT as the boxes picks find them by: there
// are no fonts, so a text's width is estimated from its characters and its height.
#include <algorithm>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "hostsim/kinds/building.h"
#include "hostsim/kinds/kinds.h"

namespace hostsim::building {

namespace {

constexpr double textWidthPerHeight = 0.6;      // the box of a text: an average character's width
constexpr double mtextLineSpacing = 5.0 / 3.0;  // baseline to baseline, in text heights

// A text's box by its lower left corner, its directions and its size: one face, picked anywhere
// inside, snapped to its insertion point (anchor, in the same coordinates as the corner), kept
// in the face's b.
void addTextBox(Builder& b, const ObjectBeingBuilt& s, const Point& corner, const Point& along,
                const Point& up, double width, double height, const Point& anchor) {
    if (!roomForMore(b)) return;
    Primitive p = primitiveFrom(s, Primitive::Kind::Face, hostsim::snapIns);
    p.a = hostsim::applyAffine(s.frame, corner);
    p.u = hostsim::applyLinear(s.frame, scale(along, width));
    p.v = hostsim::applyLinear(s.frame, scale(up, height));
    p.b = hostsim::applyAffine(s.frame, anchor);
    if (!isFinitePoint(p.a) || !isFinitePoint(p.u) || !isFinitePoint(p.v)) return;
    b.primitives.push_back(p);
}

// How many lines a text has and how many characters its longest (for a one-line text, its first
// and only line), read once an object.
std::pair<std::size_t, std::size_t> measureText(Builder& b, int index, bool paragraphs) {
    if (!paragraphs) {  // one line with no character code: measured by its bytes, nothing kept
        const hostsim::DxfGroup* text = hostsim::findGroup(b.drawing.objects[index], 1);
        if (text == nullptr || text->text().find('\\') == std::string_view::npos)
            return {1, hostsim::oneLineTextLength(b.drawing.objects[index])};
    }
    auto found = b.textMeasures.find(index);
    if (found != b.textMeasures.end()) return found->second;
    std::vector<std::string> lines = hostsim::textLines(b.drawing.objects[index], paragraphs);
    std::size_t longest = 0;
    for (const std::string& line : lines)
        longest = std::max(longest, hostsim::characterCount(line));
    if (!paragraphs) longest = hostsim::characterCount(lines[0]);
    return b.textMeasures.emplace(index, std::make_pair(lines.size(), longest)).first->second;
}

double estimatedWidth(double height, std::size_t characters) {
    return textWidthPerHeight * height * static_cast<double>(std::max<std::size_t>(characters, 1));
}

}  // namespace

// TEXT and ATTRIB in their own coordinates. Left on the baseline (72 and 73 both 0) they start at
// 10; otherwise 11 is the point of the alignment 72 (left, center, right, aligned, middle, fit)
// and 73 (baseline, bottom, middle, top), but for aligned and fit texts, which run from 10 to 11
// (an aligned text's height grows with its width). Bottom is the baseline: there are no fonts.
void addText(Builder& b, ObjectBeingBuilt s, int index, const Affine& parent) {
    const DrawingObject& o = b.drawing.objects[index];
    s.frame = objectFrame(parent, o);
    Point at = hostsim::groupPoint(o, 10, {0, 0, 0});
    double height = hostsim::groupReal(o, 40, 1.0);
    double angle = radians(hostsim::groupReal(o, 50, 0.0));
    double width = estimatedWidth(height, measureText(b, index, false).second) *
                   hostsim::groupReal(o, 41, 1.0);
    int horizontal = hostsim::groupInt(o, 72, 0), vertical = hostsim::groupInt(o, 73, 0);
    const hostsim::DxfGroup* second = hostsim::findGroup(o, 11);
    Point aligned = hostsim::groupPoint(o, 11, at);
    aligned[2] = at[2];
    double run = std::hypot(aligned[0] - at[0], aligned[1] - at[1]);
    if ((horizontal == 3 || horizontal == 5) && second != nullptr && run > 0.0) {
        angle = std::atan2(aligned[1] - at[1], aligned[0] - at[0]);
        if (horizontal == 3 && width > 0.0) height *= run / width;
        width = run;
        horizontal = vertical = 0;
    }
    Point along = {std::cos(angle), std::sin(angle), 0},
          up = {-std::sin(angle), std::cos(angle), 0};
    if ((horizontal == 0 && vertical == 0) || second == nullptr)
        return addTextBox(b, s, at, along, up, width, height, at);
    double dx = horizontal == 1 || horizontal == 4 ? -width / 2 : horizontal == 2 ? -width : 0.0;
    double dy = vertical == 3                                         ? -height
                : vertical == 2 || (horizontal == 4 && vertical == 0) ? -height / 2
                                                                      : 0.0;
    addTextBox(b, s, add(add(aligned, scale(along, dx)), scale(up, dy)), along, up, width, height,
               aligned);
}

// MTEXT: insertion point 10 and the direction 11 in world (or the angle 50 in its own
// coordinates); the box, width 42, else 41, else estimated, and lines of height 40 spaced by
// 5/3 of it (times the factor 44), is placed about 10 by the attachment 71: 1 to 9, top, middle,
// bottom rows of left, center, right.
void addMText(Builder& b, ObjectBeingBuilt s, int index, const Affine&) {
    const DrawingObject& o = b.drawing.objects[index];
    Point axes[3];
    Point normal = hostsim::groupPoint(o, 210, {0, 0, 1});
    if (!hostsim::extrusionAxes(normal, axes)) hostsim::extrusionAxes({0, 0, 1}, axes);
    double angle = radians(hostsim::groupReal(o, 50, 0.0));
    Point along = add(scale(axes[0], std::cos(angle)), scale(axes[1], std::sin(angle)));
    if (hostsim::findGroup(o, 11) != nullptr) {
        Point direction = hostsim::groupPoint(o, 11, {1, 0, 0});
        direction = sub(direction, scale(axes[2], dot(direction, axes[2])));
        double length = norm(direction);
        if (length > 0.0 && std::isfinite(length)) along = scale(direction, 1.0 / length);
    }
    Point up = cross(axes[2], along);
    double height = hostsim::groupReal(o, 40, 1.0);
    auto [lineCount, longest] = measureText(b, index, true);
    double width = hostsim::groupReal(o, 42, 0.0);
    if (!(width > 0.0)) width = hostsim::groupReal(o, 41, 0.0);
    if (!(width > 0.0)) width = estimatedWidth(height, longest);
    double spacing = mtextLineSpacing * hostsim::groupReal(o, 44, 1.0);
    double boxHeight = height + static_cast<double>(lineCount - 1) * spacing * height;
    int attachment = std::min(std::max(hostsim::groupInt(o, 71, 1), 1), 9) - 1;
    int column = attachment % 3, row = attachment / 3;
    double dx = -width * column / 2.0, dy = -boxHeight * (2 - row) / 2.0;
    Point at = hostsim::groupPoint(o, 10, {0, 0, 0});
    addTextBox(b, s, add(add(at, scale(along, dx)), scale(up, dy)), along, up, width, boxHeight,
               at);
}

}  // namespace hostsim::building
