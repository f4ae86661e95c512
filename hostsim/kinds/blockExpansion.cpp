// hostsim/kinds/blockExpansion.cpp - block references: each copy of a reference expands its
// block under its own map, its attributes drawn where they stand; and the budgets that bound
// what references add, since nested references grow exponentially.
#include <algorithm>
#include <cmath>

#include "hostsim/kinds/building.h"
#include "hostsim/kinds/kinds.h"

namespace hostsim::building {

namespace {

constexpr int maxNesting = 16;  // references inside references, deeper than any real drawing
constexpr std::size_t maxExpanded = 1000000;  // pieces drawn through block references, at most
constexpr std::size_t maxReferencesWalked = 100000;  // references inside blocks, at most
constexpr int maxArrayCopies = 10000;                // columns times rows of one reference

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

}  // namespace

bool roomForMore(Builder& b) {
    return b.blockStack.empty() || roomForExpansion(b, hostsim::geometryBytesPerPoint);
}

namespace {

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
        addNotice(b, o.line,
                  "block '" + hostsim::utf8FromCp1252(name) +
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

// The objects of a block, held by a reference that hands them its look (handedOn).
void expandBlock(Builder& b, int block, const Affine& map, int instance, int top,
                 const InheritedLook& handedOn) {
    InheritedLook outer = b.inherited;
    b.inherited = handedOn;
    b.blockStack.push_back(block);
    for (int i = b.drawing.blocks[block].first; i >= 0 && !b.capped; i = b.drawing.objects[i].next)
        addObject(b, i, map, instance, top);
    b.blockStack.pop_back();
    b.inherited = outer;
}

// The ATTRIB objects after a reference are drawn where they stand, not in block coordinates;
// they show as parts of the reference, which hands them its look (handedOn).
void addAttributes(Builder& b, int insert, const Affine& parent, int instance, int top,
                   const InheritedLook& handedOn) {
    const auto& objects = b.drawing.objects;
    InheritedLook outer = b.inherited;
    b.inherited = handedOn;
    for (int i = objects[insert].next; i >= 0 && objects[i].type == "ATTRIB"; i = objects[i].next) {
        ObjectBeingBuilt s;
        s.top = top;
        s.leaf = i;
        s.instance = instance;
        s.snaps = objectKindOf(objects[i])->snaps;
        showsInside(b, i, s);
        addText(b, s, i, parent);
    }
    b.inherited = outer;
}

}  // namespace

void addReference(Builder& b, ObjectBeingBuilt s, int index, const Affine& parent) {
    if (!roomForReference(b)) return;
    const DrawingObject& o = b.drawing.objects[index];
    s.frame = objectFrame(parent, o);
    addNode(b, s, hostsim::groupPoint(o, 10, {0, 0, 0}), hostsim::snapIns);
    addAttributes(b, index, parent, s.instance, s.top, s.handedOn);
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
                        s.handedOn);
        }
    }
}

}  // namespace hostsim::building
