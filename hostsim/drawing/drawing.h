// hostsim/drawing/drawing.h - a drawing as read from DXF: its objects and blocks, their groups.
//
// A drawing is the objects of a DXF file's ENTITIES section in file order and the definitions of
// its BLOCKS section. Every object keeps its groups as read, texts in the host's code page 1252,
// less comments (an old-style POLYLINE gains group 70, 0, when the file omits it); geometry for
// picking and snapping is derived from them (hostsim/kinds). Which drawing is open, and its
// object names, are the services' part.
//
// Offers: the Drawing types and readDxfText, the LAYER and LTYPE tables included (dxfReader.cpp);
// the colour index (colours.cpp); readDrawingFile and the size limit (drawingFile.cpp);
// demoDrawingText (demoDrawing.cpp); the curve of a SPLINE (splineCurves.cpp); what texts show
// (texts.cpp). Needs: hostsim/base only.
#ifndef VECTRIN_HOSTSIM_DRAWING_DRAWING_H
#define VECTRIN_HOSTSIM_DRAWING_DRAWING_H

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "hostsim/base/base.h"

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
    std::vector<BlockDefinition> blocks;
    int firstEntity = -1;                                 // first object of the ENTITIES section
    std::unordered_map<std::string, int> blockByName;     // upper-case name -> blocks index
    std::unordered_map<std::string, int> objectByHandle;  // upper-case group 5 -> objects index
    std::vector<std::string> notices;  // what was read but cannot be honoured (an unknown code page)
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
};

// ---- reading DXF (dxfReader.cpp) ----
// What the geometry built for an object costs per point it has (a primitive and its grid
// entries); the reader's memory estimate counts it, and hostsim/picking checks it holds.
constexpr std::size_t geometryBytesPerPoint = 176;
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

}  // namespace hostsim

#endif
