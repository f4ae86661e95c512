// hostsim/drawing.h - the drawing the host holds: objects and blocks read from DXF, their names.
//
// A drawing is the objects of a DXF file's ENTITIES section in file order and the definitions of
// its BLOCKS section. Every object keeps its groups as read, less comments (an old-style POLYLINE
// gains group 70, 0, when the file omits it); geometry for picking and snapping is derived from
// them (entityGeometry.h). An object's name is the pair (drawing id,
// index into objects); a name from a drawing no longer open refers to nothing.
#ifndef VECTRIN_HOSTSIM_DRAWING_H
#define VECTRIN_HOSTSIM_DRAWING_H

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "hostsim/hostsim.h"

namespace hostsim {

// One group of a DXF file: its code and its value line, less a trailing carriage return.
struct DxfGroup {
    int code = 0;
    std::string value;
};

// How a group's value is typed in an object record list, by group-code range.
enum class GroupKind { Text, Real, Short, Long, Name, PointX, PointY, PointZ };
GroupKind groupKind(int code);

constexpr int entitiesSequence = 0;  // DrawingObject::sequence of the ENTITIES section

struct DrawingObject {
    std::string type;                 // the value of its group 0, as read
    std::vector<DxfGroup> groups;     // every later group, in file order
    int sequence = entitiesSequence;  // 0, or 1 + the index of the block that holds it
    int next = -1;                    // the next object of the same sequence, -1 after the last
    int owner = -1;  // VERTEX, ATTRIB, SEQEND: the POLYLINE or INSERT they belong to
    int line = 0;    // file line of its group 0
};

struct BlockDefinition {
    std::string name;              // group 2, as read
    Point base = {0, 0, 0};        // group 10
    std::vector<DxfGroup> header;  // the BLOCK's groups
    int first = -1;                // its first object, -1 for an empty block
    int line = 0;
};

struct Drawing {
    int64_t id = 0;                      // set when the drawing opens; never 0 for an open drawing
    std::string source;                  // the file name, for messages
    std::vector<DrawingObject> objects;  // file order, the blocks' objects included
    std::vector<BlockDefinition> blocks;
    int firstEntity = -1;                                 // first object of the ENTITIES section
    std::unordered_map<std::string, int> blockByName;     // upper-case name -> blocks index
    std::unordered_map<std::string, int> objectByHandle;  // upper-case group 5 -> objects index
};

// ---- reading DXF (dxfReader.cpp) ----
// Reads ASCII DXF text. On failure error is "file:line: message" and out is unspecified.
bool readDxfText(const std::string& text, const std::string& fileName, Drawing& out,
                 std::string& error);
// The value of a group as a number; false when it is not one (the reader has checked the
// groups it keeps, so this fails only for a group of a text kind).
bool groupNumber(const DxfGroup& group, double& out);
const DxfGroup* findGroup(const DrawingObject& object, int code);  // the first such group
double groupReal(const DrawingObject& object, int code, double absent);
int groupInt(const DrawingObject& object, int code, int absent);
Point groupPoint(const DrawingObject& object, int xCode, const Point& absent);

// ---- the open drawing (drawing.cpp) ----
// The memory a drawing may take, its file text included: HOSTSIM_MAX_DRAWING_BYTES when that is
// a whole number above 0, else 4 GiB. A file larger than this is refused unread; a stream (a
// pipe, /dev/stdin) is read up to it; the reader refuses a drawing whose objects would pass it.
std::uint64_t maxDrawingBytes();
// Each open replaces the drawing, sets VIEWSIZE to its extents with a margin and leaves
// notices (things read but not drawn, such as a block that inserts itself) for drawingNotices.
bool openDrawingFile(const std::string& path, std::string& error);
bool openDrawingText(const std::string& text, const std::string& fileName, std::string& error);
void openDemoDrawing();
const Drawing& currentDrawing();
const std::vector<std::string>& drawingNotices();
bool objectOfName(const int64_t name[2], int& index);  // false for a name of nothing
void nameOfObject(int index, int64_t name[2]);
// The same for a record's name: ResultBuffer is packed, so its name is read and written by member.
bool objectOfRecord(const ResultBuffer& record, int& index);
void setRecordObject(ResultBuffer& record, int index);
std::string describeRecords(const ResultBuffer* records);  // one record per line, for LIST
void listCommand();  // LIST: asks for a pick and prints the records of the object selected

// ---- the demo drawing (demoDrawing.cpp) ----
const char* demoDrawingText();  // a small drawing as DXF text, described in the README

// ---- the view (drawing.cpp) ----
// A plan view of world XY: display X and Y are world X and Y.
double pixelSize();         // VIEWSIZE / SCREENSIZE.y drawing units
void setDefaultViewSize();  // the drawing's extents with a margin

// ---- display and object coordinates (drawingTransforms.cpp) ----
// True when a kvs_trans system record names display coordinates or an object; kvs_trans then
// hands the whole call to transformWithDrawing.
bool usesDrawingSystem(const ResultBuffer* from, const ResultBuffer* to);
int transformWithDrawing(const double point[3], const ResultBuffer* from, const ResultBuffer* to,
                         int displacement, double result[3]);
// The arbitrary-axis system of an extrusion direction as columns x, y, z; false for a zero one.
bool extrusionAxes(const Point& extrusion, Point axes[3]);
// An object's own system: its extrusion's axes, or world axes for LINE, POINT, 3D polylines
// and meshes. VERTEX and SEQEND take their polyline's. False for a name of nothing.
bool objectAxes(int index, Point axes[3]);

}  // namespace hostsim

#endif
