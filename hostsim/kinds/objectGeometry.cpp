// hostsim/kinds/objectGeometry.cpp - world geometry of every drawn object, block references
// expanded, handed to the pick index (hostsim/picking).
//
// Coordinates in DXF are of three kinds: world (LINE, POINT, RAY, XLINE, 3D polylines, meshes),
// the object's own arbitrary-axis system (circles, arcs, 2D polylines, texts, references) and a
// block's own coordinates. Each object is turned into primitives through one Affine map that takes
// its coordinates to world; a reference composes its map onto its parent's and expands its block.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <unordered_map>
#include <unordered_set>

#include "hostsim/kinds/building.h"
#include "hostsim/kinds/kinds.h"

namespace {

using hostsim::Affine;
using hostsim::DrawingObject;
using hostsim::Point;
using hostsim::Primitive;

// The drawing reader's memory estimate counts a primitive and four grid entries per point.
static_assert(sizeof(Primitive) + 4 * sizeof(int) == hostsim::geometryBytesPerPoint,
              "the reader's estimate of geometry memory must follow the primitive's size");

constexpr double bulgeTolerance = 1e-7;
constexpr int maxNesting = 16;  // references inside references, deeper than any real drawing
constexpr std::size_t maxExpanded = 1000000;  // pieces drawn through block references, at most
constexpr std::size_t maxReferencesWalked = 100000;  // references inside blocks, at most
constexpr int maxArrayCopies = 10000;                // columns times rows of one reference
constexpr double textWidthPerHeight = 0.6;  // the box of a text: an average character's width
constexpr double wholeTurnSlack = 1e-5;     // an ellipse's sweep this close to a turn is whole

using hostsim::sub;
using hostsim::add;
using hostsim::scale;
using hostsim::isFinitePoint;
using hostsim::cross;
using hostsim::dot;
using hostsim::norm;

}  // namespace

namespace hostsim::building {

// Each distinct notice is kept once: a block referred to a million times would repeat its
// notice a million times.
void addNoticeText(Builder& b, const std::string& text) {
    auto found = b.noticeIndex.emplace(text, b.notices.size());
    if (found.second) {
        b.notices.push_back(text);
        b.noticeCounts.push_back(1);
    } else {
        ++b.noticeCounts[found.first->second];
    }
}

// "file:line: text", for a notice about the object read at that line.
void addNotice(Builder& b, int line, const std::string& text) {
    addNoticeText(b, b.drawing.source + ":" + std::to_string(line) + ": " + text);
}

void countRepeatedNotices(Builder& b) {
    for (std::size_t i = 0; i < b.notices.size(); ++i)
        if (b.noticeCounts[i] > 1)
            b.notices[i] += " (" + std::to_string(b.noticeCounts[i]) + " times)";
}

void capExpansion(Builder& b, const std::string& why) {
    if (!b.capped) addNoticeText(b, b.drawing.source + ": " + why + "; the rest are not drawn");
    b.capped = true;
}

// What block references add, pieces and copies alike, shares one budget: a reference to a
// block of references to blocks of references grows exponentially with the nesting. Their memory
// counts against the drawing's size limit, which the reader's count has used in part: past it
// the drawing is refused (buildGeometry), as a file that holds as much is.
bool roomForExpansion(Builder& b, std::uint64_t bytes) {
    if (b.tooLarge) return false;
    if (bytes > b.bytesLeft) {
        b.tooLarge = true;
        b.capped = true;  // stops every loop over blocks and copies
        return false;
    }
    b.bytesLeft -= bytes;
    if (b.expanded < maxExpanded) {
        ++b.expanded;
        return true;
    }
    capExpansion(b, "the block references expand past " + std::to_string(maxExpanded) + " pieces");
    return false;
}

// The references walked have their own, smaller budget: each costs an instance and notices
// whether it draws anything or not.
bool roomForReference(Builder& b) {
    if (b.blockStack.empty()) return true;
    if (b.capped) return false;
    if (b.referencesWalked < maxReferencesWalked) {
        ++b.referencesWalked;
        return true;
    }
    capExpansion(
        b, "the block references walk past " + std::to_string(maxReferencesWalked) + " references");
    return false;
}

bool roomForMore(Builder& b) {
    return b.blockStack.empty() || roomForExpansion(b, hostsim::geometryBytesPerPoint);
}

Primitive primitiveFrom(const Source& s, Primitive::Kind kind, unsigned snaps) {
    Primitive p;
    p.kind = kind;
    p.snaps = snaps & s.snaps;  // no more than its kind offers
    p.top = s.top;
    p.leaf = s.leaf;
    p.instance = s.instance;
    p.shown = s.shown;
    return p;
}

// Geometry whose numbers overflowed (a bulge of 1e210 between vertices at 1e308, say) cannot be
// seen or picked; it is left out rather than carried as infinities and NaNs into picking.
void addSegment(Builder& b, const Source& s, const Point& from, const Point& to, unsigned snaps) {
    if (!roomForMore(b)) return;
    Primitive p = primitiveFrom(s, Primitive::Kind::Segment, snaps);
    p.a = hostsim::applyAffine(s.frame, from);
    p.b = hostsim::applyAffine(s.frame, to);
    if (!isFinitePoint(p.a) || !isFinitePoint(p.b)) return;
    b.primitives.push_back(p);
}

// A circular arc in the object's coordinates: centre, radius, angles in radians, t0 < t1.
void addArc(Builder& b, const Source& s, const Point& centre, double radius, double t0, double t1,
            unsigned snaps) {
    if (!roomForMore(b) || !(radius > 0.0)) return;
    Primitive p = primitiveFrom(s, Primitive::Kind::Curve, snaps);
    p.a = hostsim::applyAffine(s.frame, centre);
    p.u = hostsim::applyLinear(s.frame, {radius, 0, 0});
    p.v = hostsim::applyLinear(s.frame, {0, radius, 0});
    p.t0 = t0;
    p.t1 = t1;
    if (!std::isfinite(t0) || !std::isfinite(t1) || !isFinitePoint(p.a) || !isFinitePoint(p.u) ||
        !isFinitePoint(p.v)) {
        return;
    }
    b.primitives.push_back(p);
}

void addNode(Builder& b, const Source& s, const Point& at, unsigned snaps) {
    if (!roomForMore(b)) return;
    Primitive p = primitiveFrom(s, Primitive::Kind::Node, snaps);
    p.a = hostsim::applyAffine(s.frame, at);
    p.anchor = p.a;
    b.primitives.push_back(p);
}

double radians(double degrees) {
    return degrees * pi / 180.0;
}

// The object's own coordinates to world: its extrusion's axes, then the parent map. Most
// objects lie in world XY: the axes of that extrusion are worked out once.
Affine objectFrame(const Affine& parent, const DrawingObject& o) {
    static const Point worldZ = {0, 0, 1};
    static const struct WorldAxes {
        Point axes[3];
        WorldAxes() { hostsim::extrusionAxes(worldZ, axes); }
        Affine frame() const {
            Affine own;
            own.x = axes[0];
            own.y = axes[1];
            own.z = axes[2];
            return own;
        }
    } world;
    static const Affine topLevel, worldFrame = composeAffine(topLevel, world.frame());
    Point extrusion = hostsim::groupPoint(o, 210, worldZ);
    Point axes[3];
    if (std::memcmp(extrusion.data(), worldZ.data(), sizeof worldZ) == 0) {  // not -0.0, say
        if (std::memcmp(&parent, &topLevel, sizeof topLevel) == 0) return worldFrame;
        std::copy(world.axes, world.axes + 3, axes);
    } else if (!hostsim::extrusionAxes(extrusion, axes))
        std::copy(world.axes, world.axes + 3, axes);
    Affine own;
    own.x = axes[0];
    own.y = axes[1];
    own.z = axes[2];
    return hostsim::composeAffine(parent, own);
}

// The segment from p to v with the bulge of p: straight, or an arc of 4 atan(bulge) radians.
void addBulgeSegment(Builder& b, const Source& s, const Point& p, const Point& v, double bulge,
                     unsigned straightSnaps, unsigned curvedSnaps) {
    double dx = v[0] - p[0], dy = v[1] - p[1];
    double chord = std::hypot(dx, dy);
    if (std::fabs(bulge) < bulgeTolerance || chord < 1e-12) {
        addSegment(b, s, p, v, straightSnaps);
        return;
    }
    double offset = (1.0 - bulge * bulge) / (4.0 * bulge);  // centre from the chord's middle
    Point centre = {p[0] + dx / 2 - dy * offset, p[1] + dy / 2 + dx * offset, p[2]};
    double radius = chord * (1.0 + bulge * bulge) / (4.0 * std::fabs(bulge));
    double startAngle = std::atan2(p[1] - centre[1], p[0] - centre[0]);
    double endAngle = std::atan2(v[1] - centre[1], v[0] - centre[0]);
    if (bulge < 0) std::swap(startAngle, endAngle);  // clockwise: the same arc, run backwards
    if (endAngle <= startAngle) endAngle += 2 * pi;  // atan2 gives both within one turn
    addArc(b, s, centre, radius, startAngle, endAngle, curvedSnaps);
}

}  // namespace hostsim::building

namespace {

using namespace hostsim::building;
using hostsim::pi;

// ---- the builders of the table of kinds (at the end of this file), one a kind ----
// Each takes the object by its index, with the map of the block (or world) it stands in.

void addLine(Builder& b, Source s, int index, const Affine&) {
    const DrawingObject& o = b.drawing.objects[index];
    addSegment(b, s, hostsim::groupPoint(o, 10, {0, 0, 0}), hostsim::groupPoint(o, 11, {0, 0, 0}),
               lineSnaps);
}

void addPoint(Builder& b, Source s, int index, const Affine&) {
    addNode(b, s, hostsim::groupPoint(b.drawing.objects[index], 10, {0, 0, 0}), hostsim::snapNod);
}

void addCircle(Builder& b, Source s, int index, const Affine& parent) {
    const DrawingObject& o = b.drawing.objects[index];
    s.frame = objectFrame(parent, o);
    addArc(b, s, hostsim::groupPoint(o, 10, {0, 0, 0}), hostsim::groupReal(o, 40, 0.0), 0.0, 2 * pi,
           curveSnaps);
}

void addArcObject(Builder& b, Source s, int index, const Affine& parent) {
    const DrawingObject& o = b.drawing.objects[index];
    s.frame = objectFrame(parent, o);
    Point centre = hostsim::groupPoint(o, 10, {0, 0, 0});
    double radius = hostsim::groupReal(o, 40, 0.0);
    double start = radians(hostsim::groupReal(o, 50, 0.0));
    double end = radians(hostsim::groupReal(o, 51, 360.0));
    start = std::fmod(start, 2 * pi);
    double sweep = std::fmod(end - start, 2 * pi);  // by fmod, not by steps: angles may be huge
    if (!(sweep > 0.0)) sweep += 2 * pi;
    if (!std::isfinite(start) || !std::isfinite(sweep)) return;
    addArc(b, s, centre, radius, start, start + sweep, arcSnaps);
}

struct Vertex {
    Point at;
    double bulge = 0.0;
    int object = -1;
};

void addVertexChain(Builder& b, Source s, const std::vector<Vertex>& vertices, bool closed) {
    std::size_t count = vertices.size();
    std::size_t segments = closed && count > 2 ? count : (count > 0 ? count - 1 : 0);
    for (std::size_t i = 0; i < segments; ++i) {
        const Vertex& from = vertices[i];
        const Vertex& to = vertices[(i + 1) % count];
        if (from.object >= 0) s.leaf = from.object;
        addBulgeSegment(b, s, from.at, to.at, from.bulge, lineSnaps, arcSnaps);
    }
}

// LWPOLYLINE: each group 10 starts a vertex (at the elevation 38); a group 42 before the next
// one is its bulge.
void addLightPolyline(Builder& b, Source s, int index, const Affine& parent) {
    const DrawingObject& o = b.drawing.objects[index];
    s.frame = objectFrame(parent, o);
    double elevation = hostsim::groupReal(o, 38, 0.0);
    std::vector<Point> points = hostsim::groupPoints(o, 10);
    std::vector<double> bulges = hostsim::groupValuesPerPoint(o, 10, 42, 0.0);
    std::vector<Vertex> vertices(points.size());
    for (std::size_t i = 0; i < points.size(); ++i) {
        vertices[i].at = {points[i][0], points[i][1], elevation};
        vertices[i].bulge = bulges[i];
    }
    addVertexChain(b, s, vertices, (hostsim::groupInt(o, 70, 0) & 1) != 0);
}

// The VERTEX objects after a POLYLINE, up to its SEQEND.
std::vector<int> polylineVertices(const hostsim::Drawing& d, int polyline) {
    std::vector<int> out;
    for (int i = d.objects[polyline].next; i >= 0 && d.objects[i].type == "VERTEX";
         i = d.objects[i].next)
        out.push_back(i);
    return out;
}

void addMesh(Builder& b, Source s, const std::vector<int>& ids, const DrawingObject& header) {
    const auto& objects = b.drawing.objects;
    int m = std::max(0, hostsim::groupInt(header, 71, 0));
    int n = std::max(0, hostsim::groupInt(header, 72, 0));
    int flags = hostsim::groupInt(header, 70, 0);
    if (static_cast<long>(m) * n > static_cast<long>(ids.size()) || m == 0 || n == 0) {
        addNotice(b, header.line, "a mesh with fewer vertices than its size is not drawn");
        return;
    }
    auto at = [&](int i, int j) {
        return hostsim::groupPoint(objects[ids[i * n + j]], 10, {0, 0, 0});
    };
    for (int i = 0; i < m; ++i) {
        for (int j = 0; j < n; ++j) {
            s.leaf = ids[i * n + j];
            bool lastJ = j + 1 == n, lastI = i + 1 == m;
            if (!lastJ || (flags & 32)) addSegment(b, s, at(i, j), at(i, (j + 1) % n), lineSnaps);
            if (!lastI || (flags & 1)) addSegment(b, s, at(i, j), at((i + 1) % m, j), lineSnaps);
        }
    }
}

// A polyface mesh: position vertices (flag 64), then face records naming them by number;
// a negative number hides the edge that starts there.
void addPolyface(Builder& b, Source s, const std::vector<int>& ids) {
    const auto& objects = b.drawing.objects;
    std::vector<Point> positions;
    for (int id : ids) {
        int flags = hostsim::groupInt(objects[id], 70, 0);
        if (flags & 64) {
            positions.push_back(hostsim::groupPoint(objects[id], 10, {0, 0, 0}));
            continue;
        }
        if (!(flags & 128)) continue;
        std::vector<int> corners;
        for (int code = 71; code <= 74; ++code) {
            int k = hostsim::groupInt(objects[id], code, 0);
            if (k != 0) corners.push_back(k);
        }
        s.leaf = id;
        for (std::size_t c = 0; c < corners.size(); ++c) {
            int from = corners[c], to = std::abs(corners[(c + 1) % corners.size()]);
            if (from < 0 || from > static_cast<int>(positions.size()) ||
                to > static_cast<int>(positions.size()))
                continue;
            addSegment(b, s, positions[from - 1], positions[to - 1], lineSnaps);
        }
    }
}

// An old-style POLYLINE: 2D (own coordinates, bulges), 3D (world) or a mesh of either kind.
void addOldPolyline(Builder& b, Source s, int index, const Affine& parent) {
    const DrawingObject& header = b.drawing.objects[index];
    std::vector<int> ids = polylineVertices(b.drawing, index);
    int flags = hostsim::groupInt(header, 70, 0);
    s.frame = parent;
    if (flags & 16) return addMesh(b, s, ids, header);
    if (flags & 64) return addPolyface(b, s, ids);
    bool flat = (flags & 8) == 0;
    if (flat) s.frame = objectFrame(parent, header);
    double elevation = hostsim::groupPoint(header, 10, {0, 0, 0})[2];
    std::vector<Vertex> vertices;
    for (int id : ids) {
        const DrawingObject& o = b.drawing.objects[id];
        if (hostsim::groupInt(o, 70, 0) & 16) continue;  // a spline's frame, not the curve
        Vertex v;
        v.at = hostsim::groupPoint(o, 10, {0, 0, 0});
        if (flat) v.at[2] = elevation;
        v.bulge = flat ? hostsim::groupReal(o, 42, 0.0) : 0.0;
        v.object = id;
        vertices.push_back(v);
    }
    addVertexChain(b, s, vertices, (flags & 1) != 0);
}

// A text's box by its lower left corner, its directions and its size: one face, picked anywhere
// inside, snapped to its insertion point (anchor, in the same coordinates as the corner).
void addTextBox(Builder& b, const Source& s, const Point& corner, const Point& along,
                const Point& up, double width, double height, const Point& anchor) {
    if (!roomForMore(b)) return;
    Primitive p = primitiveFrom(s, Primitive::Kind::Face, hostsim::snapIns);
    p.a = hostsim::applyAffine(s.frame, corner);
    p.u = hostsim::applyLinear(s.frame, scale(along, width));
    p.v = hostsim::applyLinear(s.frame, scale(up, height));
    p.anchor = hostsim::applyAffine(s.frame, anchor);
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

// TEXT and ATTRIB in their own coordinates. Left on the baseline (72 and 73 both 0) they start at
// 10; otherwise 11 is the point of the alignment 72 (left, center, right, aligned, middle, fit)
// and 73 (baseline, bottom, middle, top), but for aligned and fit texts, which run from 10 to 11
// (an aligned text's height grows with its width). Bottom is the baseline: there are no fonts.
void addText(Builder& b, Source s, int index, const Affine& parent) {
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
    double dy = vertical == 3 ? -height : vertical == 2 || (horizontal == 4 && vertical == 0)
                                              ? -height / 2
                                              : 0.0;
    addTextBox(b, s, add(add(aligned, scale(along, dx)), scale(up, dy)), along, up, width, height,
               aligned);
}

constexpr double mtextLineSpacing = 5.0 / 3.0;  // baseline to baseline, in text heights

// MTEXT: insertion point 10 and the direction 11 in world (or the angle 50 in its own
// coordinates); the box, width 42, else 41, else estimated, and lines of height 40 spaced by
// 5/3 of it (times the factor 44), is placed about 10 by the attachment 71: 1 to 9, top, middle,
// bottom rows of left, center, right.
void addMText(Builder& b, Source s, int index, const Affine&) {
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

// Conjugate semi-diameters u and v (an ellipse seen through an unevenly scaled block) turned into
// its axes, the parameter range shifted with them: QUA then finds the ends of the true axes.
void alignWithAxes(Primitive& p) {
    double shift = 0.5 * std::atan2(2 * dot(p.u, p.v), dot(p.u, p.u) - dot(p.v, p.v));
    if (!std::isfinite(shift) || shift == 0.0) return;
    double c = std::cos(shift), sn = std::sin(shift);
    Point u = add(scale(p.u, c), scale(p.v, sn)), v = add(scale(p.u, -sn), scale(p.v, c));
    p.u = u;
    p.v = v;
    p.t0 -= shift;
    p.t1 -= shift;
}

// ELLIPSE: centre and major axis are world coordinates; the extrusion only turns the minor axis,
// extrusion x major scaled to ratio times the major's length. The parameters run from 41 to 42,
// across 0 when 42 is the smaller; a full ellipse runs 0 to 2 pi.
void addEllipse(Builder& b, Source s, int index, const Affine&) {
    const DrawingObject& o = b.drawing.objects[index];
    Point major = hostsim::groupPoint(o, 11, {0, 0, 0});
    Point normal = hostsim::groupPoint(o, 210, {0, 0, 1});
    double ratio = hostsim::groupReal(o, 40, 1.0);
    Point across = cross(normal, major);
    double acrossLength = norm(across);
    if (!(ratio > 0.0) || !(acrossLength > 0.0) || !std::isfinite(acrossLength)) {
        addNotice(b, o.line, "an ellipse without two axes is not drawn");
        return;
    }
    Point minor = scale(across, ratio * norm(major) / acrossLength);
    double start = std::fmod(hostsim::groupReal(o, 41, 0.0), 2 * pi);
    double sweep = std::fmod(hostsim::groupReal(o, 42, 2 * pi) - start, 2 * pi);
    if (!(sweep > 0.0)) sweep += 2 * pi;
    if (!std::isfinite(start) || !std::isfinite(sweep) || !roomForMore(b)) return;
    // 2 pi written with few digits (6.28318) falls just short of a turn, or just past one
    bool whole = sweep < wholeTurnSlack || sweep > 2 * pi - wholeTurnSlack;
    if (whole) sweep = 2 * pi;
    Primitive p = primitiveFrom(s, Primitive::Kind::Curve, whole ? curveSnaps : arcSnaps);
    p.a = hostsim::applyAffine(s.frame, hostsim::groupPoint(o, 10, {0, 0, 0}));
    p.u = hostsim::applyLinear(s.frame, major);
    p.v = hostsim::applyLinear(s.frame, minor);
    p.t0 = start;
    p.t1 = start + sweep;
    p.axisEnds = true;
    alignWithAxes(p);
    if (!isFinitePoint(p.a) || !isFinitePoint(p.u) || !isFinitePoint(p.v)) return;
    b.primitives.push_back(p);
}

// Straight edges round corners, none for a corner repeated (a triangle's fourth corner); bit i
// of hidden hides the edge from corner i, for the first 32.
void addEdges(Builder& b, const Source& s, const Point* corners, std::size_t count,
              unsigned hidden) {
    for (std::size_t i = 0; i < count; ++i) {
        const Point& from = corners[i];
        const Point& to = corners[(i + 1) % count];
        bool isHidden = i < 32 && ((hidden >> i) & 1u) != 0;
        if (!isHidden && from != to) addSegment(b, s, from, to, lineSnaps);
    }
}

// SOLID and TRACE: corners in their own coordinates, drawn in the order 1, 2, 4, 3.
void addSolid(Builder& b, Source s, int index, const Affine& parent) {
    const DrawingObject& o = b.drawing.objects[index];
    s.frame = objectFrame(parent, o);
    Point third = hostsim::groupPoint(o, 12, {0, 0, 0});
    Point corners[4] = {hostsim::groupPoint(o, 10, {0, 0, 0}),
                        hostsim::groupPoint(o, 11, {0, 0, 0}), hostsim::groupPoint(o, 13, third),
                        third};
    addEdges(b, s, corners, 4, 0);
}

// 3DFACE: world corners in order; bits 1, 2, 4 and 8 of group 70 hide the edges that start at
// corners 1 to 4, which are then neither drawn nor picked.
void addFace(Builder& b, Source s, int index, const Affine&) {
    const DrawingObject& o = b.drawing.objects[index];
    Point third = hostsim::groupPoint(o, 12, {0, 0, 0});
    Point corners[4] = {hostsim::groupPoint(o, 10, {0, 0, 0}),
                        hostsim::groupPoint(o, 11, {0, 0, 0}), third,
                        hostsim::groupPoint(o, 13, third)};
    addEdges(b, s, corners, 4, static_cast<unsigned>(hostsim::groupInt(o, 70, 0)) & 15u);
}

// The clip boundary of an IMAGE or WIPEOUT in pixels (groups 14 and 24, from the image's top left
// corner): a rectangle by two corners, or a polygon; the whole image without one, or when it is
// not clipped (an image whose clipping is off, group 280, shows whole).
std::vector<Point> boundaryPixels(const DrawingObject& o, bool clipped) {
    std::vector<Point> pixels;
    if (clipped) pixels = hostsim::groupPoints(o, 14);
    for (Point& p : pixels) p[2] = 0.0;  // a boundary in pixels is flat: a stray 34 is no z
    if (pixels.size() < 2) {
        Point size = hostsim::groupPoint(o, 13, {1, 1, 0});
        pixels = {{-0.5, -0.5, 0}, {size[0] - 0.5, size[1] - 0.5, 0}};
    }
    if (pixels.size() == 2)
        pixels = {
            pixels[0], {pixels[1][0], pixels[0][1], 0}, pixels[1], {pixels[0][0], pixels[1][1], 0}};
    if (pixels.size() > 3 && pixels.front() == pixels.back()) pixels.pop_back();
    return pixels;
}

// A SPLINE's points are world coordinates: the instance's map is its frame.
void addSpline(Builder& b, Source s, int index, const Affine&) {
    const DrawingObject& o = b.drawing.objects[index];
    std::vector<Primitive> pieces;
    std::string why;
    if (!hostsim::splinePieces(o, b.instances[s.instance].map, pieces, why))
        return addNotice(b, o.line, why + " is not drawn");
    for (const Primitive& piece : pieces) {
        if (!roomForMore(b)) return;
        Primitive p = primitiveFrom(s, Primitive::Kind::Spline, piece.snaps);
        p.a = piece.a, p.b = piece.b, p.u = piece.u, p.v = piece.v;
        p.t0 = piece.t0, p.t1 = piece.t1, p.curve = piece.curve;
        b.primitives.push_back(p);
    }
}

// IMAGE and WIPEOUT, by their boundary: pixel (x, y) lies at the insertion point 10 plus x + 1/2
// times the pixel vector 11 and height - y - 1/2 times the pixel vector 12, all in world.
void addBoundary(Builder& b, const Source& s, const DrawingObject& o, bool clipped) {
    Point at = hostsim::groupPoint(o, 10, {0, 0, 0});
    Point u = hostsim::groupPoint(o, 11, {1, 0, 0}), v = hostsim::groupPoint(o, 12, {0, 1, 0});
    double height = hostsim::groupPoint(o, 13, {1, 1, 0})[1];
    std::vector<Point> corners = boundaryPixels(o, clipped);
    for (Point& p : corners) p = add(add(at, scale(u, p[0] + 0.5)), scale(v, height - p[1] - 0.5));
    addEdges(b, s, corners.data(), corners.size(), 0);
}

void addImage(Builder& b, Source s, int index, const Affine&) {
    const DrawingObject& o = b.drawing.objects[index];
    addBoundary(b, s, o, hostsim::groupInt(o, 280, 1) != 0);
}

void addWipeout(Builder& b, Source s, int index, const Affine&) {
    addBoundary(b, s, b.drawing.objects[index], true);
}

// RAY and XLINE: a line without end from point 10 along direction 11, both in world (in the
// block's coordinates inside one), one way from the point or both ways through it.
void addUnboundedLine(Builder& b, const Source& s, const DrawingObject& o, bool bothWays) {
    if (!roomForMore(b)) return;
    Point from = hostsim::applyAffine(s.frame, hostsim::groupPoint(o, 10, {0, 0, 0}));
    Point along = hostsim::applyLinear(s.frame, hostsim::groupPoint(o, 11, {0, 0, 0}));
    double largest = std::max({std::fabs(along[0]), std::fabs(along[1]), std::fabs(along[2])});
    if (!(largest > 0.0) || !std::isfinite(largest)) {
        addNotice(b, o.line, std::string(bothWays ? "a construction line" : "a ray") +
                                 " without a direction is not drawn");
        return;
    }
    along = scale(along, 1.0 / largest);  // scaled first: a huge direction's length overflows
    Primitive p = primitiveFrom(s, Primitive::Kind::Ray, lineSnaps);
    p.a = from;
    p.u = scale(along, 1.0 / hostsim::norm(along));
    p.t0 = bothWays ? -INFINITY : 0.0;
    p.t1 = INFINITY;
    if (!isFinitePoint(p.a)) return;
    b.primitives.push_back(p);
}

void addRay(Builder& b, Source s, int index, const Affine&) {
    addUnboundedLine(b, s, b.drawing.objects[index], false);
}

void addXline(Builder& b, Source s, int index, const Affine&) {
    addUnboundedLine(b, s, b.drawing.objects[index], true);
}

// An object with no geometry here, counted once however often its block is referred to.
void noteUndrawn(Builder& b, int index) {
    if (b.undrawn.insert(index).second)
        ++b.undrawnTypes[std::string(b.drawing.objects[index].type)];
}

// An ATTDEF in a block is drawn as its reference's ATTRIB; one in ENTITIES draws nothing.
void addAttributeDefinition(Builder& b, Source, int index, const Affine&) {
    if (b.drawing.objects[index].sequence == hostsim::entitiesSequence) noteUndrawn(b, index);
}

// One notice for them all: "12 objects of types HATCH, MTEXT are not drawn".
void reportUndrawn(Builder& b) {
    if (b.undrawn.empty()) return;
    std::size_t count = b.undrawn.size();
    std::string types;
    for (const auto& entry : b.undrawnTypes)
        types += (types.empty() ? "" : ", ") + hostsim::utf8FromCp1252(entry.first);
    bool oneType = b.undrawnTypes.size() == 1;
    const char* objects = count == 1 ? " object of type "
                          : oneType  ? " objects of type "
                                     : " objects of types ";
    const char* verb = count == 1 ? " is not drawn" : " are not drawn";
    addNoticeText(b, b.drawing.source + ": " + std::to_string(count) + objects + types + verb);
}

void addObject(Builder& b, int index, const Affine& parent, int instance, int top);

// The map of one copy of a reference: block coordinates to the parent's.
Affine referenceMap(const Affine& parent, const DrawingObject& o, const Point& base, int column,
                    int row) {
    Point at = hostsim::groupPoint(o, 10, {0, 0, 0});
    double sx = hostsim::groupReal(o, 41, 1.0), sy = hostsim::groupReal(o, 42, 1.0);
    double sz = hostsim::groupReal(o, 43, 1.0);
    double angle = radians(hostsim::groupReal(o, 50, 0.0));
    double c = std::cos(angle), s = std::sin(angle);
    Point offset = {column * hostsim::groupReal(o, 44, 0.0), row * hostsim::groupReal(o, 45, 0.0),
                    0};
    Point shifted = add(at, {c * offset[0] - s * offset[1], s * offset[0] + c * offset[1], 0});
    Affine local;  // scale about the base point, turn, then move to the insertion point
    local.x = {c * sx, s * sx, 0};
    local.y = {-s * sy, c * sy, 0};
    local.z = {0, 0, sz};
    local.origin = sub(shifted, applyLinear(local, base));
    return hostsim::composeAffine(objectFrame(parent, o), local);
}

bool canExpand(Builder& b, const DrawingObject& o, int block) {
    const std::string& name = b.drawing.blocks[block].name;
    if (std::find(b.blockStack.begin(), b.blockStack.end(), block) != b.blockStack.end()) {
        addNotice(b, o.line, "block '" + hostsim::utf8FromCp1252(name) +
                                 "' contains a reference to itself, which is not drawn");
        return false;
    }
    if (static_cast<int>(b.blockStack.size()) >= maxNesting) {
        addNotice(b, o.line,
                  "references nested deeper than " + std::to_string(maxNesting) + " are not drawn");
        return false;
    }
    return true;
}

// The objects of a block, held by a reference that hands them holder.
void expandBlock(Builder& b, int block, const Affine& map, int instance, int top,
                 const Holder& holder) {
    Holder outer = b.holder;
    b.holder = holder;
    b.blockStack.push_back(block);
    for (int i = b.drawing.blocks[block].first; i >= 0 && !b.capped; i = b.drawing.objects[i].next)
        addObject(b, i, map, instance, top);
    b.blockStack.pop_back();
    b.holder = outer;
}

// The ATTRIB objects after a reference are drawn where they stand, not in block coordinates;
// they show as parts of the reference, which hands them holder.
void addAttributes(Builder& b, int insert, const Affine& parent, int instance, int top,
                   const Holder& holder) {
    const auto& objects = b.drawing.objects;
    Holder outer = b.holder;
    b.holder = holder;
    for (int i = objects[insert].next; i >= 0 && objects[i].type == "ATTRIB"; i = objects[i].next) {
        Source s;
        s.top = top;
        s.leaf = i;
        s.instance = instance;
        s.snaps = objectKindOf(objects[i])->snaps;
        showsInside(b, i, s);
        addText(b, s, i, parent);
    }
    b.holder = outer;
}

void addReference(Builder& b, Source s, int index, const Affine& parent) {
    if (!roomForReference(b)) return;
    const DrawingObject& o = b.drawing.objects[index];
    s.frame = objectFrame(parent, o);
    addNode(b, s, hostsim::groupPoint(o, 10, {0, 0, 0}), hostsim::snapIns);
    addAttributes(b, index, parent, s.instance, s.top, s.inner);
    const hostsim::DxfGroup* nameGroup = hostsim::findGroup(o, 2);
    auto found =
        nameGroup ? b.drawing.blockByName.find(hostsim::upperName(std::string(nameGroup->text())))
                  : b.drawing.blockByName.end();
    if (found == b.drawing.blockByName.end()) {
        addNotice(b, o.line, "a reference to a block that is not defined");
        return;
    }
    int block = found->second;
    if (!canExpand(b, o, block)) return;
    int columns = std::max(1, hostsim::groupInt(o, 70, 1)),
        rows = std::max(1, hostsim::groupInt(o, 71, 1));
    if (static_cast<long>(columns) * rows > maxArrayCopies) columns = rows = 1;
    const hostsim::Instance outer = b.instances[s.instance];  // copied: instances grows below
    std::uint64_t copyBytes =
        sizeof(hostsim::Instance) + (outer.containers.size() + 1) * sizeof(int);
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < columns && roomForExpansion(b, copyBytes); ++column) {
            hostsim::Instance inner;
            inner.block = block;
            inner.map = referenceMap(parent, o, b.drawing.blocks[block].base, column, row);
            inner.containers.push_back(index);
            inner.containers.insert(inner.containers.end(), outer.containers.begin(),
                                    outer.containers.end());
            inner.insertion =
                outer.containers.empty()
                    ? hostsim::applyAffine(s.frame, hostsim::groupPoint(o, 10, {0, 0, 0}))
                    : outer.insertion;
            b.instances.push_back(inner);
            expandBlock(b, block, inner.map, static_cast<int>(b.instances.size()) - 1, s.top,
                        s.inner);
        }
    }
}

// objectKindOf(o), from the kinds met last when o's type is one of them.
const ObjectKind* kindOfType(Builder& b, const DrawingObject& o) {
    for (const auto& [name, kind] : b.recentKinds)
        if (name.data() == o.type.data() && name.size() == o.type.size() && !name.empty())
            return kind;
    const ObjectKind* kind = objectKindOf(o);
    b.recentKinds[b.nextRecentKind++ % b.recentKinds.size()] = {o.type, kind};
    return kind;
}

void addObject(Builder& b, int index, const Affine& parent, int instance, int top) {
    const DrawingObject& o = b.drawing.objects[index];
    if (top < 0) b.topLine = o.line;
    const ObjectKind* kind = kindOfType(b, o);
    if (kind == nullptr) return noteUndrawn(b, index);
    if (kind->build == nullptr) return;  // drawn with the object it belongs to
    Source s;
    s.frame = parent;
    s.top = top < 0 ? index : top;
    s.leaf = index;
    s.instance = instance;
    s.snaps = kind->snaps;
    showsInside(b, index, s);
    kind->build(b, s, index, parent);
}

}  // namespace

// ---- the kinds of object ----

namespace hostsim::building {

constexpr unsigned polylineSnaps = lineSnaps | arcSnaps;
constexpr unsigned curvePieceSnaps = snapEnd | snapMid | snapNea | snapPer | snapTan | snapInt;

// One row a kind: the record's type (group 0); the routine that builds its primitives (none:
// drawn with the object it belongs to); the axes of its own coordinate system; the snap modes
// it offers, of which each primitive offers those its shape has (a whole circle has no END);
// and whether it is a text, which the view draws as its lines. A type not here draws nothing
// and is counted in one notice.
const ObjectKind objectKinds[] = {
    {"LINE", addLine, KindAxes::World, lineSnaps, TextForm::None},
    {"POINT", addPoint, KindAxes::World, snapNod, TextForm::None},
    {"RAY", addRay, KindAxes::World, snapEnd | snapNea | snapPer | snapInt, TextForm::None},
    {"XLINE", addXline, KindAxes::World, snapNea | snapPer | snapInt, TextForm::None},
    {"CIRCLE", addCircle, KindAxes::Extrusion, curveSnaps, TextForm::None},
    {"ARC", addArcObject, KindAxes::Extrusion, arcSnaps, TextForm::None},
    {"ELLIPSE", addEllipse, KindAxes::Extrusion, arcSnaps, TextForm::None},
    {"LWPOLYLINE", addLightPolyline, KindAxes::Extrusion, polylineSnaps, TextForm::None},
    {"POLYLINE", addOldPolyline, KindAxes::Polyline, polylineSnaps, TextForm::None},
    {"VERTEX", nullptr, KindAxes::Owner, 0, TextForm::None},
    {"SEQEND", nullptr, KindAxes::Owner, 0, TextForm::None},
    {"SPLINE", addSpline, KindAxes::Extrusion, curvePieceSnaps, TextForm::None},
    {"HATCH", addHatch, KindAxes::Extrusion, curvePieceSnaps, TextForm::None},  // spline edges: TAN
    {"SOLID", addSolid, KindAxes::Extrusion, lineSnaps, TextForm::None},
    {"TRACE", addSolid, KindAxes::Extrusion, lineSnaps, TextForm::None},
    {"3DFACE", addFace, KindAxes::Extrusion, lineSnaps, TextForm::None},
    {"IMAGE", addImage, KindAxes::Extrusion, lineSnaps, TextForm::None},
    {"WIPEOUT", addWipeout, KindAxes::Extrusion, lineSnaps, TextForm::None},
    {"TEXT", addText, KindAxes::Extrusion, snapIns, TextForm::OneLine},
    {"MTEXT", addMText, KindAxes::Extrusion, snapIns, TextForm::Paragraphs},
    {"INSERT", addReference, KindAxes::Extrusion, snapIns, TextForm::None},
    {"ATTRIB", nullptr, KindAxes::Extrusion, snapIns, TextForm::OneLine},
    {"ATTDEF", addAttributeDefinition, KindAxes::Extrusion, 0, TextForm::OneLine},
};

const ObjectKind* objectKindOf(const DrawingObject& o) {
    static const std::unordered_map<std::string_view, const ObjectKind*> byName = [] {
        std::unordered_map<std::string_view, const ObjectKind*> names;
        for (const ObjectKind& kind : objectKinds) names.emplace(kind.name, &kind);
        return names;
    }();
    auto found = byName.find(o.type);
    return found == byName.end() ? nullptr : found->second;
}

}  // namespace hostsim::building

namespace hostsim {

TextForm textFormOf(const DrawingObject& o) {
    const building::ObjectKind* kind = building::objectKindOf(o);
    return kind == nullptr ? TextForm::None : kind->text;
}

bool buildGeometry(const Drawing& d, std::uint64_t byteLimit, std::vector<std::string>& notices,
                   std::string& error) {
    indexGeometry({}, {});  // the last drawing's: released before the next one is built
    clearSplines();
    std::uint64_t bytesLeft = byteLimit > d.bytesCounted ? byteLimit - d.bytesCounted : 0;
    Builder b{d, notices, {}, 0, 0, false, bytesLeft, false, 0, {}, {}, {}, {}, {}, {Instance()},
              {}, {}, {}, 0, {}};
    readLooks(b);
    // About a primitive a point: grown by doubling, a million objects' primitives would pass
    // through three times their memory, moved twice.
    b.primitives.reserve(d.entityPoints);
    for (int i = d.firstEntity; i >= 0 && !b.tooLarge; i = d.objects[i].next)
        addObject(b, i, Affine(), 0, -1);
    if (b.tooLarge) {
        error = d.source + ":" + std::to_string(b.topLine) + ": the block references expand past the " +
                std::to_string(byteLimit) + " bytes a drawing may take here (HOSTSIM_MAX_DRAWING_BYTES)";
        clearSplines();
        return false;
    }
    reportUndrawn(b);
    countRepeatedNotices(b);
    std::vector<ObjectLook>().swap(b.looks);  // not needed while the grid is built
    // Not shrunk: the room past the last primitive was never written, so it takes addresses but
    // no memory, and a copy that fits would hold both at once.
    indexGeometry(std::move(b.primitives), std::move(b.instances));
    return true;
}

}  // namespace hostsim
