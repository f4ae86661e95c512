// hostsim/kinds/objectGeometry.cpp - world geometry of every drawn object, handed to the pick
// index (hostsim/picking): each object built by its kind's row (kindsTable.cpp), notices of what
// is not drawn, and the primitives every builder adds.
//
// Coordinates in DXF are of three kinds: world (LINE, POINT, RAY, XLINE, 3D polylines, meshes),
// the object's own arbitrary-axis system (circles, arcs, 2D polylines, texts, references) and a
// block's own coordinates. Each object is turned into primitives through one Affine map that takes
// its coordinates to world; a reference composes its map onto its parent's and expands its block
// (blockExpansion.cpp).
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

using hostsim::add;
using hostsim::cross;
using hostsim::dot;
using hostsim::isFinitePoint;
using hostsim::norm;
using hostsim::scale;
using hostsim::sub;

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

Primitive primitiveFrom(const ObjectBeingBuilt& s, Primitive::Kind kind, unsigned snaps) {
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
void addSegment(Builder& b, const ObjectBeingBuilt& s, const Point& from, const Point& to,
                unsigned snaps) {
    if (!roomForMore(b)) return;
    Primitive p = primitiveFrom(s, Primitive::Kind::Segment, snaps);
    p.a = hostsim::applyAffine(s.frame, from);
    p.b = hostsim::applyAffine(s.frame, to);
    if (!isFinitePoint(p.a) || !isFinitePoint(p.b)) return;
    b.primitives.push_back(p);
}

// A circular arc in the object's coordinates: centre, radius, angles in radians, t0 < t1.
void addArc(Builder& b, const ObjectBeingBuilt& s, const Point& centre, double radius, double t0,
            double t1, unsigned snaps) {
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

void addNode(Builder& b, const ObjectBeingBuilt& s, const Point& at, unsigned snaps) {
    if (!roomForMore(b)) return;
    Primitive p = primitiveFrom(s, Primitive::Kind::Node, snaps);
    p.a = hostsim::applyAffine(s.frame, at);
    b.primitives.push_back(p);
}

double radians(double degrees) { return degrees * pi / 180.0; }

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
void addBulgeSegment(Builder& b, const ObjectBeingBuilt& s, const Point& p, const Point& v,
                     double bulge, unsigned straightSnaps, unsigned curvedSnaps) {
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

// An object with no geometry here, counted once however often its block is referred to.
void noteUndrawn(Builder& b, int index) {
    if (b.undrawn.insert(index).second)
        ++b.undrawnTypes[std::string(b.drawing.objects[index].type)];
}

namespace {

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

// objectKindOf(o), from the kinds met last when o's type is one of them.
const ObjectKind* kindOfType(Builder& b, const DrawingObject& o) {
    for (const auto& [name, kind] : b.recentKinds)
        if (name.data() == o.type.data() && name.size() == o.type.size() && !name.empty())
            return kind;
    const ObjectKind* kind = objectKindOf(o);
    b.recentKinds[b.nextRecentKind++ % b.recentKinds.size()] = {o.type, kind};
    return kind;
}

}  // namespace

void addObject(Builder& b, int index, const Affine& parent, int instance, int top) {
    const DrawingObject& o = b.drawing.objects[index];
    if (top < 0) b.topLine = o.line;
    const ObjectKind* kind = kindOfType(b, o);
    if (kind == nullptr) return noteUndrawn(b, index);
    if (kind->build == nullptr) return;  // drawn with the object it belongs to
    ObjectBeingBuilt s;
    s.frame = parent;
    s.top = top < 0 ? index : top;
    s.leaf = index;
    s.instance = instance;
    s.snaps = kind->snaps;
    showsInside(b, index, s);
    kind->build(b, s, index, parent);
}

}  // namespace hostsim::building

namespace hostsim {

using namespace building;

bool buildGeometry(const Drawing& d, std::uint64_t byteLimit, std::vector<std::string>& notices,
                   std::string& error) {
    indexGeometry({}, {});  // the last drawing's: released before the next one is built
    clearSplines();
    std::uint64_t bytesLeft = byteLimit > d.bytesCounted ? byteLimit - d.bytesCounted : 0;
    Builder b{d,  notices, {},           0,  0,  false, bytesLeft, false, 0, {}, {}, {},
              {}, {},      {Instance()}, {}, {}, {},    0,         {}};
    readLooks(b);
    // About a primitive a point: grown by doubling, a million objects' primitives would pass
    // through three times their memory, moved twice.
    b.primitives.reserve(d.entityPoints);
    for (int i = d.firstEntity; i >= 0 && !b.tooLarge; i = d.objects[i].next)
        addObject(b, i, Affine(), 0, -1);
    if (b.tooLarge) {
        error = d.source + ":" + std::to_string(b.topLine) +
                ": the block references expand past the " + std::to_string(byteLimit) +
                " bytes a drawing may take here (HOSTSIM_MAX_DRAWING_BYTES)";
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
