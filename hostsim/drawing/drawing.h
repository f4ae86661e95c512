// hostsim/drawing/drawing.h - a drawing as read from DXF: its objects and blocks, their groups.
//
// A drawing is the objects of a DXF file's ENTITIES section in file order and the definitions of
// its BLOCKS section. Every object keeps its groups as read, numbers converted once as they are
// read and texts in the host's code page 1252, less comments (an old-style POLYLINE gains group
// 70, 0, when the file omits it); geometry for
// picking and snapping is derived from them (hostsim/kinds). Which drawing is open, and its
// object names, are the services' part.
//
// Offers: the Drawing types and readDxfText, the LAYER and LTYPE tables included (dxfReader.cpp);
// where the groups are kept (groupStore.cpp); the colour index (colours.cpp); readDrawingFile and
// the size limit (drawingFile.cpp); demoDrawingText (demoDrawing.cpp); groups that repeat in
// one object (repeatedGroups.cpp); the curve of a SPLINE (splineCurves.cpp); what texts show
// (texts.cpp). Needs: hostsim/base only.
#ifndef VECTRIN_HOSTSIM_DRAWING_DRAWING_H
#define VECTRIN_HOSTSIM_DRAWING_DRAWING_H

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "hostsim/base/base.h"

namespace hostsim {

// One group of a DXF file: its code and its value, read once. A group of a numeric kind holds
// its number, checked by the reader; any other holds its text (code page 1252, less a trailing
// carriage return), kept by the drawing that read it (GroupStore::keepText). Twelve bytes, as a
// million objects hold ten million groups. Made by ofNumber or ofText: the default is left unset,
// so that the store's blocks are not written twice.
struct DxfGroup {
    static DxfGroup ofNumber(int code, double number) {
        DxfGroup g;
        g.code = static_cast<std::uint16_t>(code);
        g.size = numberMark;
        std::memcpy(g.value, &number, sizeof number);
        return g;
    }
    static DxfGroup ofText(int code, std::string_view kept) {  // kept by a GroupStore
        DxfGroup g;
        g.code = static_cast<std::uint16_t>(code);
        g.size = kept.size() < longMark ? static_cast<std::uint16_t>(kept.size()) : longMark;
        const char* chars = kept.data();
        std::memcpy(g.value, &chars, sizeof chars);
        return g;
    }
    bool holdsText() const { return size != numberMark; }
    // The number, 0 for a text; the text, "" for a number.
    double number() const {
        double number = 0.0;
        if (!holdsText()) std::memcpy(&number, value, sizeof number);
        return number;
    }
    std::string_view text() const {
        if (!holdsText()) return {};
        const char* chars = nullptr;
        std::memcpy(&chars, value, sizeof chars);
        std::uint64_t length = size;
        if (size == longMark) std::memcpy(&length, chars - sizeof length, sizeof length);
        return length > 0 ? std::string_view(chars, length) : std::string_view();
    }

    std::uint16_t code;  // 0 to 1071

private:
    friend class GroupStore;
    // The text's size; longMark for a text as long or longer, whose size the store keeps in the
    // eight bytes before it; numberMark for a number.
    static constexpr std::uint16_t longMark = 0xFFFE, numberMark = 0xFFFF;
    std::uint16_t size;
    std::uint32_t value[2];  // the number, or the text's address: four-byte aligned, no padding
};

// How a group's value is typed in an object record list, by group-code range.
enum class GroupKind { Text, Real, Short, Long, Name, PointX, PointY, PointZ };
GroupKind groupKind(int code);

// Groups side by side in a GroupStore: an object's, or a block's header.
struct GroupList {
    const DxfGroup* first = nullptr;
    std::uint32_t count = 0;
    const DxfGroup* begin() const { return first; }
    const DxfGroup* end() const { return first + count; }
    std::size_t size() const { return count; }
    bool empty() const { return count == 0; }
    const DxfGroup& operator[](std::size_t i) const { return first[i]; }
};

// Where a drawing keeps its groups and their texts: in blocks that are filled and never moved,
// so that what an object points at stays put while the drawing grows and when it is moved.
// One allocation a block rather than one a group or text: a million objects of a few groups
// each would otherwise cost more in allocations and their headers than in the groups. A block
// of a megabyte or more is mapped in huge pages where the system has them: the reader writes
// every byte of its blocks once, and on fresh 4 KiB pages the faults cost it more than the
// writing.
class GroupStore {
public:
    // Sizes the first large blocks for a drawing read from a text this long, so that a large
    // drawing fills a few large blocks rather than a row of small ones.
    void expectText(std::size_t textBytes);
    std::string_view keepText(std::string_view text) {
        if (text.empty()) return {};
        if (text.size() >= DxfGroup::longMark) return keepLongText(text);
        char* kept = texts.take(text.size());
        std::memcpy(kept, text.data(), text.size());
        return {kept, text.size()};
    }
    // An object's groups are written straight into the store, one at a time, as the open run;
    // keepRun closes it, dropRun gives its room back. A run stays side by side: when its block
    // fills, it moves to the next one.
    void addGroup(const DxfGroup& group) {
        if (groups.room == 0) moveRun();
        *groups.free++ = group;
        --groups.room;
        ++runCount;
    }
    std::size_t runSize() const { return runCount; }
    const DxfGroup* runBegin() const { return groups.free - runCount; }
    const DxfGroup* runEnd() const { return groups.free; }
    GroupList keepRun();  // at most UINT32_MAX groups
    void dropRun() {
        groups.free -= runCount;
        groups.room += runCount;
        runCount = 0;
    }

private:
    std::string_view keepLongText(std::string_view text);  // its size before it
    void moveRun();                                        // to a block with room for more
    // One block's memory: from the heap, or mapped whole when it is large.
    class Memory {
    public:
        explicit Memory(std::size_t bytes);  // at least; capacity() says how many
        Memory(Memory&& other) noexcept
            : start(other.start), bytes(other.bytes), mapped(other.mapped) {
            other.start = nullptr;
        }
        Memory& operator=(Memory&&) = delete;
        ~Memory();
        void* data() const { return start; }
        std::size_t capacity() const { return bytes; }

    private:
        void* start;
        std::size_t bytes;
        bool mapped;
    };
    // Blocks of items, each twice the last up to blockLimit bytes; a take of more than
    // ownBlockItems gets a block of its own, so that the block being filled keeps its room.
    template <typename Item>
    struct Blocks {
        std::vector<Memory> blocks;
        Item* free = nullptr;  // the room left in the block being filled
        std::size_t room = 0;
        std::size_t nextSize = 256;
        Item* take(std::size_t count) {
            if (count > room) return takeBlock(count);
            Item* taken = free;
            free += count;
            room -= count;
            return taken;
        }
        Item* takeBlock(std::size_t count);   // count items where the last block has no room
        Item* startBlock(std::size_t count);  // a block of count items at least, filled next
    };
    static constexpr std::size_t blockLimit = std::size_t{64} << 20;  // bytes
    static constexpr std::size_t ownBlockItems = 16384;
    Blocks<DxfGroup> groups;
    Blocks<char> texts;
    std::size_t runCount = 0;  // the open run: the groups last taken
};

constexpr int entitiesSequence = 0;  // DrawingObject::sequence of the ENTITIES section

struct DrawingObject {
    std::string_view type;            // the value of its group 0, as read; kept by the drawing
    GroupList groups;                 // every later group, in file order
    int sequence = entitiesSequence;  // 0, or 1 + the index of the block that holds it
    int next = -1;                    // the next object of the same sequence, -1 after the last
    int owner = -1;  // VERTEX, ATTRIB, SEQEND: the POLYLINE or INSERT they belong to
    int line = 0;    // file line of its group 0
};

struct BlockDefinition {
    std::string name;        // group 2, as read
    Point base = {0, 0, 0};  // group 10
    GroupList header;        // the BLOCK's groups
    int first = -1;          // its first object, -1 for an empty block
    int line = 0;
};

// A row of the LAYER table. Colour 7 is the foreground: white on a dark screen, black on paper.
struct Layer {
    int colour = 7;        // ACI 1 to 255
    int trueColour = -1;   // 0xRRGGBB (group 420), -1 for none
    std::string linetype;  // its linetype's name, upper case; empty: continuous
    bool off = false;      // a negative colour
    bool frozen = false;   // flag 1 of group 70
};

constexpr int maxCoordinateDecimals = 8;

struct Drawing {
    int64_t id = 0;                      // set when the drawing opens; never 0 for an open drawing
    std::string source;                  // the file name, for messages
    std::vector<DrawingObject> objects;  // file order, the blocks' objects included
    GroupStore store;                    // their groups and texts, and the blocks' headers
    std::vector<BlockDefinition> blocks;
    int firstEntity = -1;                              // first object of the ENTITIES section
    std::unordered_map<std::string, int> blockByName;  // upper-case name -> blocks index
    // Upper-case group 5 -> objects index, filled at the first objectOfHandle: most drawings are
    // never asked, and the index of a million objects would cost about as much as they do.
    mutable std::unordered_map<std::string, int> objectByHandle;
    mutable bool handlesIndexed = false;
    std::vector<std::string>
        notices;  // what was read but cannot be honoured (an unknown code page)
    std::unordered_map<std::string, Layer> layers;  // upper-case name -> its row
    // Upper-case name -> its pattern in drawing units: a dash above 0, a gap below, a dot 0.
    std::unordered_map<std::string, std::vector<double>> linetypes;
    double linetypeScale = 1.0;  // $LTSCALE
    // Inches, not millimetres: $MEASUREMENT 0, or without it $INSUNITS an imperial unit. The
    // usual linetypes' patterns, for a table that names one without its pattern, are sized by it.
    bool imperial = false;
    // $LUPREC: the decimal places a CAD program shows coordinates and lengths at; 4 when the
    // header has none or one outside 0 to maxCoordinateDecimals.
    int coordinateDecimals = 4;
    // The memory the reader counted against the size limit: the file's text, the objects, and
    // the geometry they give by themselves (hostsim/picking adds what block references expand to).
    std::uint64_t bytesCounted = 0;
    // The points of the ENTITIES section's objects, each object counting one at least: about
    // the primitives they are drawn as, block references aside.
    std::size_t entityPoints = 0;
};

// ---- reading DXF (dxfReader.cpp) ----
// What the geometry built for an object costs per point it has (a primitive and its grid
// entries); the reader's memory estimate counts it, and hostsim/picking checks it holds.
constexpr std::size_t geometryBytesPerPoint = 152;
// Reads ASCII DXF text. On failure error is "file:line: message" and out is unspecified.
bool readDxfText(const std::string& text, const std::string& fileName, Drawing& out,
                 std::string& error);
// The first object whose handle (group 5) is handle, in either case; -1 when none has it.
int objectOfHandle(const Drawing& d, const std::string& handle);
// The value of a group as a number; false when it is not one (the reader has checked the
// groups it keeps, so this fails only for a group of a text kind). These are asked of every
// object as its geometry is built: they are defined here, to be inlined.
inline bool groupNumber(const DxfGroup& group, double& out) {
    if (group.holdsText()) return false;
    out = group.number();
    return true;
}
inline const DxfGroup* findGroup(const DrawingObject& object, int code) {  // the first such
    for (const DxfGroup& g : object.groups)
        if (g.code == code) return &g;
    return nullptr;
}
inline double groupReal(const DrawingObject& object, int code, double absent) {
    const DxfGroup* g = findGroup(object, code);
    double value = absent;
    if (g != nullptr && !groupNumber(*g, value)) value = absent;
    return value;
}
inline int groupInt(const DrawingObject& object, int code, int absent) {
    return static_cast<int>(groupReal(object, code, absent));
}
// The point whose x is the first xCode group; y and z are the groups that follow it.
Point groupPoint(const DrawingObject& object, int xCode, const Point& absent);

// ---- groups that repeat in one object (repeatedGroups.cpp) ----
// The values of every group of code, in order: a SPLINE's knots (40) or weights (41).
std::vector<double> groupValues(const DrawingObject& o, int code);
// The points of every group of xCode, each with the y and z right after it (0 where they are
// not): a SPLINE's control points (10), an LWPOLYLINE's vertices.
std::vector<Point> groupPoints(const DrawingObject& o, int xCode);
// One value a point of xCode: the last group of code between it and the next point, else
// absent (an LWPOLYLINE's bulges, 42, written for the vertices that have one).
std::vector<double> groupValuesPerPoint(const DrawingObject& o, int xCode, int code, double absent);

// ---- colours (colours.cpp) ----
// The RGB of a DXF colour index (ACI), 0xRRGGBB, for 1 to 255; -1 for any other index.
int aciColour(int index);

// ---- a drawing file's text (drawingFile.cpp) ----
// The memory a drawing may take, its file text included: HOSTSIM_MAX_DRAWING_BYTES when that is
// a whole number above 0, else 4 GiB. A file larger than this is refused unread; a stream (a
// pipe, /dev/stdin) is read up to it; the reader refuses a drawing whose objects would pass it.
std::uint64_t maxDrawingBytes();
std::string drawingTooLargeText();  // "larger than the N bytes a drawing may take here (...)"
// Reads the file at path whole. False, with "path: reason" in error, for a missing file, a
// directory, a file or stream past maxDrawingBytes, or a read that fails.
bool readDrawingFile(const std::string& path, std::string& text, std::string& error);

// ---- the demo drawing (demoDrawing.cpp) ----
const char* demoDrawingText();  // a small drawing as DXF text, described in the README

// ---- the curve of a SPLINE (splineCurves.cpp) ----
// A rational B-spline: point = sum N(i,p)(t) w[i] control[i] / sum N(i,p)(t) w[i].
struct Spline {
    int degree = 3;
    std::vector<Point> control;
    std::vector<double> weights;  // one per control point, all positive
    std::vector<double> knots;    // control.size() + degree + 1, never decreasing
    bool closed = false;          // the closed flag: a closed curve has no ends
};
// A SPLINE's curve from its control points; false, with the reason, when it cannot be drawn
// (knots or weights that do not match, a weight that is not positive, fit points that give no
// curve); fit points alone give the cubic through them.
bool readSpline(const DrawingObject& o, Spline& spline, std::string& why);
// Empty when a spline built elsewhere (a hatch's edge) can be evaluated; else why not.
std::string splineFaultOf(const Spline& spline);
void splineDomain(const Spline& spline, double& low, double& high);  // [knots[p], knots[count]]
Point splinePoint(const Spline& spline, double t);
Point splineDerivative(const Spline& spline, double t);

// ---- what texts show (texts.cpp) ----
// The lines of a one-line text, TEXT or ATTRIB (group 1), or of paragraphs, MTEXT (groups 3 and
// 1, split at \P, formatting codes dropped) in UTF-8, the character codes \U+XXXX and \M+nXXXX
// decoded. Which an object holds is its kind's (hostsim/kinds).
std::vector<std::string> textLines(const DrawingObject& o, bool paragraphs);
std::size_t characterCount(std::string_view utf8);
// characterCount(textLines(o, false)[0]), without the line when it holds no character code.
std::size_t oneLineTextLength(const DrawingObject& o);

}  // namespace hostsim

#endif
