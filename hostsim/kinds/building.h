// hostsim/kinds/building.h - what the files that turn objects into primitives share; only
// the kinds part's own files include it.
//
// objectGeometry.cpp defines these and builds each object by its row of the kinds table
// (kindsTable.cpp); blockExpansion.cpp expands block references within their budgets;
// polylines.cpp, textBoxes.cpp and hatches.cpp build those kinds; visibility.cpp decides whether
// each object shows.
#ifndef VECTRIN_HOSTSIM_KINDS_BUILDING_H
#define VECTRIN_HOSTSIM_KINDS_BUILDING_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "hostsim/kinds/kinds.h"

namespace hostsim::building {

constexpr unsigned lineSnaps = snapEnd | snapMid | snapNea | snapPer | snapInt;
constexpr unsigned curveSnaps = snapCen | snapQua | snapNea | snapPer | snapTan | snapInt;
constexpr unsigned arcSnaps = curveSnaps | snapEnd | snapMid;

// What a block reference hands to the objects of its block (visibility.cpp): the layer that
// their layer 0 stands for, and whether they are hidden whatever their own layers say (the
// reference, or one that holds it, is invisible or on a frozen layer).
struct InheritedLook {
    const Layer* layer = nullptr;
    bool hidden = false;
};
// An object's own layer (nullptr for layer 0, which is the inherited one) and group 60, read once
// however often its block is referred to.
struct ObjectLook {
    const Layer* layer = nullptr;
    bool invisible = false;
};

// The object whose primitives are being built: what every one of them shares.
struct ObjectBeingBuilt {
    Affine frame;  // the object's coordinates to world
    int top = -1;
    int leaf = -1;
    int instance = 0;
    unsigned snaps = ~0u;  // the modes its kind offers: none of its primitives offers more
    bool shown = true;     // drawn, so picked and snapped (showsInside)
    InheritedLook
        handedOn;  // what it hands on, when it is a reference, to its block and attributes
};

struct ObjectKind;  // a row of the table of kinds (below)

struct Builder {
    const Drawing& drawing;
    std::vector<std::string>& notices;
    std::vector<int> blockStack;       // blocks being expanded, outermost first
    std::size_t expanded = 0;          // pieces and copies added through references so far
    std::size_t referencesWalked = 0;  // references met inside blocks, drawn or refused
    bool capped = false;
    std::uint64_t bytesLeft = 0;  // of the size limit, for what references expand to
    bool tooLarge = false;        // they expanded past it: the drawing is refused
    int topLine = 0;              // the line of the object of ENTITIES being drawn
    std::unordered_map<std::string, std::size_t> noticeIndex;  // text -> notices index
    std::vector<std::size_t> noticeCounts;                     // how often each was met
    std::unordered_set<int> undrawn;                           // objects met that draw nothing
    std::map<std::string, std::size_t> undrawnTypes;           // their types, and how many
    std::vector<Primitive> primitives;                         // built so far
    std::vector<Instance> instances;                           // 0: not inside a reference
    std::vector<ObjectLook> looks;                             // per object (readLooks)
    InheritedLook
        inherited;  // what the reference being expanded hands on; the drawing's own at the top
    // The rows of the types last drawn, by where the drawing keeps each type's name (once):
    // objects of a few types take turns, and a look-up by name costs a hash.
    std::array<std::pair<std::string_view, const ObjectKind*>, 8> recentKinds{};
    std::size_t nextRecentKind = 0;
    // A text's lines and the characters of its longest, per object: measured once however often
    // its block is shown.
    std::unordered_map<int, std::pair<std::size_t, std::size_t>> textMeasures;
};

// ---- building an object (objectGeometry.cpp) ----
// The primitives of object index by its kind's row, inside the block (or world) parent maps.
void addObject(Builder& b, int index, const Affine& parent, int instance, int top);
void addNoticeText(Builder& b, const std::string& text);  // once however often it is met
// "file:line: text", once however often it is met.
void addNotice(Builder& b, int line, const std::string& text);
// An object that draws nothing, counted in one notice however often its block is referred to.
void noteUndrawn(Builder& b, int index);
Primitive primitiveFrom(const ObjectBeingBuilt& s, Primitive::Kind kind, unsigned snaps);
// In the object's coordinates, mapped to world by s.frame; left out when they overflow.
void addSegment(Builder& b, const ObjectBeingBuilt& s, const Point& from, const Point& to,
                unsigned snaps);
void addArc(Builder& b, const ObjectBeingBuilt& s, const Point& centre, double radius, double t0,
            double t1, unsigned snaps);
// The segment from p to v with the bulge of p: straight, or an arc of 4 atan(bulge) radians.
void addBulgeSegment(Builder& b, const ObjectBeingBuilt& s, const Point& p, const Point& v,
                     double bulge, unsigned straightSnaps, unsigned curvedSnaps);
void addNode(Builder& b, const ObjectBeingBuilt& s, const Point& at, unsigned snaps);
double radians(double degrees);

// ---- block references and their budgets (blockExpansion.cpp) ----
// False once the block references have added all they may.
bool roomForMore(Builder& b);
// INSERT: a node at its point, its attributes, and its block once per copy.
void addReference(Builder& b, ObjectBeingBuilt s, int index, const Affine& parent);

// ---- whether an object shows (visibility.cpp) ----
// Reads every object's layer and group 60 once, and sets what the drawing's own objects inherit.
void readLooks(Builder& b);
// Sets s.shown and s.handedOn for object index inside b.inherited: an object shows unless its layer
// (the inherited one, for layer 0) is off or frozen, it is invisible, or what it inherits is
// hidden.
void showsInside(const Builder& b, int index, ObjectBeingBuilt& s);
// The object's own coordinates to world: its extrusion's axes, then the parent map.
Affine objectFrame(const Affine& parent, const DrawingObject& o);

// ---- the kinds of object (kindsTable.cpp) ----
// The primitives of object index, which stands in the block (or world) that parent maps.
using BuildRoutine = void (*)(Builder& b, ObjectBeingBuilt s, int index, const Affine& parent);
// The axes of an object's own coordinate system (objectAxes). Some kinds keep world points yet
// have the axes of their extrusion (ELLIPSE, SPLINE, MTEXT): their builders say where points are.
enum class KindAxes : unsigned char {
    Extrusion,  // the arbitrary-axis system of group 210
    World,      // world axes, whatever its 210
    Polyline,   // world for a 3D polyline, a mesh or a polyface (group 70 bit 8, 16 or 64)
    Owner,      // its owner's, whose part it is (VERTEX, SEQEND): wholeObject
};
struct ObjectKind {
    const char* name;    // the record's type, group 0
    BuildRoutine build;  // nullptr: drawn with the object it belongs to
    KindAxes axes;
    unsigned snaps;  // the modes it offers, as SnapBits
    TextForm text;   // a text is drawn by the view as its lines
};
// The row of an object's type; nullptr for a type nothing here draws.
const ObjectKind* objectKindOf(const DrawingObject& o);

// ---- hatches.cpp ----
// A HATCH by the edges of its boundary paths.
void addHatch(Builder& b, ObjectBeingBuilt s, int index, const Affine& parent);

// ---- polylines.cpp ----
void addLightPolyline(Builder& b, ObjectBeingBuilt s, int index,
                      const Affine& parent);  // LWPOLYLINE
// POLYLINE and its VERTEX objects: 2D, 3D, a polygon mesh or a polyface mesh.
void addOldPolyline(Builder& b, ObjectBeingBuilt s, int index, const Affine& parent);

// ---- textBoxes.cpp ----
void addText(Builder& b, ObjectBeingBuilt s, int index, const Affine& parent);  // TEXT and ATTRIB
void addMText(Builder& b, ObjectBeingBuilt s, int index, const Affine& parent);

}  // namespace hostsim::building

#endif
