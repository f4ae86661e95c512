// hostsim/services/services.h - what the host does for the module behind the kvs_* routines, and
// the host state those routines read and change.
//
// Offers: the lists and texts handed to the module (memory.cpp) and Quillet values as records
// (records.cpp, with kvs_getsym and kvs_putsym); system variables (sysvars.cpp); the user
// coordinate system, kvs_trans, kvs_angle and kvs_inters (transforms.cpp, drawingSystems.cpp);
// units (units.cpp); the open drawing, its object names, kvs_entget, kvs_entnext and the view
// (openDrawing.cpp); kvs_entsel, kvs_nentsel and kvs_osnap (selection.cpp); the marks of results
// and picks (marks.cpp); notices about the calculator's failures (calculatorHints.cpp). Needs:
// hostsim/console, hostsim/quillet's values and symbols, hostsim/drawing, hostsim/picking,
// hostsim/kinds and hostsim/snapping, and the names of functions/functionList.h; nothing of the
// shell.
#ifndef VECTRIN_HOSTSIM_SERVICES_SERVICES_H
#define VECTRIN_HOSTSIM_SERVICES_SERVICES_H

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "hostsim/console/console.h"
#include "hostsim/drawing/drawing.h"
#include "hostsim/quillet/quillet.h"

namespace hostsim {

// ---- Quillet values as records (records.cpp) ----
// Builds a host list (released with kvs_relrb) holding v: an integer as 5003 when it fits 16
// bits, else 5010; a real 5001; a point 5009, or 5002 for two numbers; a text 5005; an object
// name 5006; a symbol (T too) 5022 with its name; nil inside a list 5019; any other list its
// elements between 5016 and 5017, so that its first record never passes for a value of its own.
// Nil gives an empty list (NULL). False, with *list NULL, only when memory runs out.
bool valueToList(const QValue& v, ResultBuffer** list);
// Builds the argument list of a call: one record per argument, a point argument as one point
// record. False, with *list NULL, when an argument is a symbol or a list that is not a point.
bool argumentsToList(const std::vector<QValue>& arguments, ResultBuffer** list);
// Reads a record list from the module: one value (a record, or a list from 5016 to its 5017)
// gives that value, several give a list. Returns false for an unknown type, a text record
// without text, unmatched 5016 or 5017, lists nested deeper than maxQuilletDepth, or a list that
// does not end.
bool listToValue(const ResultBuffer* list, QValue& out);

// ---- lists and texts handed to the module (memory.cpp) ----
// Every list the host hands out comes from allocateList and stays counted until kvs_relrb gives
// it back; every text from allocateText until korv_free.
ResultBuffer* allocateList(std::size_t recordCount);  // zeroed, linked; NULL for 0 records
char* attachText(ResultBuffer* list, const std::string& text);  // freed with the list
char* allocateText(const std::string& text);
std::size_t outstandingLists();
std::size_t outstandingTexts();
void releaseAllLists();  // between module calls only: frees every list and text still out

// ---- system variables (sysvars.cpp) ----
// The host's setters take the same types as kvs_setvar. The read-only variables (UCSORG, UCSXDIR,
// UCSYDIR, VIEWDIR) follow the user coordinate system and cannot be set by anyone.
bool setSysvarReal(const std::string& name, double value);
bool setSysvarInt(const std::string& name, int32_t value);
bool setSysvarPoint(const std::string& name, const Point& value);
bool setSysvarText(const std::string& name, const std::string& value);
bool getSysvar(const std::string& name, QValue& out);         // false for an unknown name
int setSysvar(const std::string& name, const QValue& value);  // as kvs_setvar: a status
void resetSysvars();
// From now on VIEWSIZE is the drawing's default view (setDefaultViewSize), worked out at the
// first use of VIEWSIZE or SCREENSIZE; resetSysvars drops it.
void deferDefaultViewSize();
std::vector<std::string> sysvarNames();       // every variable, sorted by name
constexpr double maxScreenPixels = 100000.0;  // SCREENSIZE's sides, at most
// What a variable's value must keep to beyond its type, for a refusal to say; nullptr when no
// more than its type and sign.
const char* sysvarBound(const std::string& name);
// LASTPOINT and ANGBASE, which an answer to a point prompt is read against (parsePointAnswer).
PointAnswerBase pointAnswerBase();

// ---- user coordinate system (transforms.cpp) ----
struct Ucs {
    Point origin;
    Point xAxis, yAxis, zAxis;  // orthonormal, right-handed, in world coordinates
};
const Ucs& currentUcs();
bool setUcsByPoints(const Point& origin, const Point& pointOnX, const Point& pointInXY);
void setWorldUcs();
Point ucsToWorld(const Point& p, bool displacement);
Point worldToUcs(const Point& p, bool displacement);

// ---- units (units.cpp) ----
// Loads udunits2 and its unit database on first use; false when either cannot be loaded.
bool unitsAvailable();

// ---- the open drawing (openDrawing.cpp) ----
// Each open replaces the drawing, sets VIEWSIZE to its extents with a margin and leaves
// notices (things read but not drawn, such as a block that inserts itself) for drawingNotices.
bool openDrawingFile(const std::string& path, std::string& error);
bool openDrawingText(const std::string& text, const std::string& fileName, std::string& error);
void openDemoDrawing();
// openDemoDrawing as seen from outside, the drawing read at its first use: a session that never
// looks at it does not pay for reading it. Whatever reads the drawing, its names, its geometry
// (hostsim/picking) or VIEWSIZE calls ensureDrawingOpen first; the accessors below do.
void deferDemoDrawing();
void ensureDrawingOpen();
const Drawing& currentDrawing();
const std::vector<std::string>& drawingNotices();
bool objectOfName(const int64_t name[2], int& index);  // false for a name of nothing
void nameOfObject(int index, int64_t name[2]);
// The same for a record's name: ResultBuffer is packed, so its name is read and written by member.
bool objectOfRecord(const ResultBuffer& record, int& index);
void setRecordObject(ResultBuffer& record, int index);
std::string describeRecords(const ResultBuffer* records);  // one record per line, for LIST
void listCommand();  // LIST: asks for a pick and prints the records of the object selected

// ---- the view (openDrawing.cpp) ----
// A plan view of world XY: display X and Y are world X and Y.
double pixelSize();         // VIEWSIZE / SCREENSIZE.y drawing units
void setDefaultViewSize();  // the drawing's extents with a margin
// The extents a view of SCREENSIZE shows to hold the drawing: every object, but for those so far
// from the rest that showing them would shrink it below a pixel (an open notes them). False for
// a drawing with no geometry.
bool viewExtents(Point& low, Point& high);

// ---- selection (selection.cpp) ----
// The object kvs_entsel would select at world point p with the current PICKBOX and view, or -1.
int objectSelectedAt(const Point& p);
// True while kvs_entsel or kvs_nentsel waits for its pick point: the point prompt open
// (pointPromptWaiting) asks for an object, not a place.
bool objectPickWaiting();
// The snap modes a prompt names (SnapBits): its first whole word that is a mode's name, as in
// "Select an object for the snap mode END: ", which word gets; 0 when it names none.
unsigned snapModesNamedIn(const std::string& prompt, std::string& word);
// What kvs_osnap answers at world point p for modes, in world; false when it finds nothing.
bool snapPointAt(const Point& p, unsigned modes, Point& snapped);
// Runs query (objectSelectedAt, snapPointAt) for at most seconds, and stops it sooner once stop
// says so: a preview that must not hold the session. False when it did not run to its end; what
// it found is then no answer.
bool runWithin(double seconds, const std::function<bool()>& stop,
               const std::function<void()>& query);
// Picks and snaps (kvs_entsel, kvs_nentsel, kvs_osnap) are given up after 10 seconds. For tests:
// each starts as if seconds of that time were spent already, so that a test reaches the limit
// without waiting for it; resetHostState puts back 0.
void setQueryTimeSpent(double seconds);

// ---- marks (marks.cpp) ----
// What the host draws over the drawing, in world coordinates (results and picks come in the UCS
// and are converted): each point result of an evaluation with its label, and the points given to
// the module while it ran: the points answered (a selection's pick point among them) and the
// points object snap returned. At most maxMarks, the oldest dropped first; opening a drawing
// clears them, as they belong to the drawing they were picked in.
// A result that is a number (Value) or a vector (a point result of a function that gives a
// direction: NOR, VEC, ...) has no place in the drawing; it is listed only.
struct Mark {
    // ORDER: the served page names them so
    enum class Kind { Result, Picked, Snapped, Value, Vector };
    Kind kind = Kind::Result;
    Point world = {0, 0, 0};
    std::string label;  // a result's: "P1 = (33.0 16.0 0.0)", in code page 1252; else empty
    std::string value;  // a result's value as the command line takes it: "[33,16,0]", "33.0"
};
constexpr std::size_t maxMarks = 1000;
const std::deque<Mark>& drawingMarks();
std::uint64_t marksRevision();  // moves at every change of the marks: whoever copies them knows
void clearMarks();
// One call into the module from the host (the registry's outermost call). expression is the text
// it was given ((cal "...")), else empty: the last text answered while it runs is taken. A point
// result is labelled with the variable it was assigned to, else with that text as typed (cut to
// maxLabelExpression characters), else "Result N"; then " = " and the value as printed.
void beginEvaluation(const std::string& expression);
void endEvaluation(const QValue& result);
constexpr std::size_t maxLabelExpression = 40;
void noteAssignment(const std::string& name, const QValue& value);  // kvs_putsym
void noteSnappedPoint(const Point& world);                          // kvs_osnap's answer
// The functions whose point result is a direction, not a place (upper case); the shell names them
// from its reference.
void useVectorFunctions(std::vector<std::string> names);

// ---- notices that say more about the calculator's failures (calculatorHints.cpp) ----
// Each text given to the module to evaluate: a whole number past its 16-bit integers (40000)
// gets, once a session, a notice of how to write it as a real. A name without a value that the
// text calls like a function (kvs_getsym) gets a notice that it is neither, with the function
// nearest it (DIST for DST). The notices follow the module's own message.
void noteExpressionGiven(const std::string& text);
void noteNameWithoutValue(const std::string& name);
void forgetHintsGiven();  // a fresh session

// ---- display and object coordinates (drawingSystems.cpp) ----
// True when a kvs_trans system record names display coordinates or an object; kvs_trans then
// hands the whole call to transformWithDrawing.
bool usesDrawingSystem(const ResultBuffer* from, const ResultBuffer* to);
int transformWithDrawing(const double point[3], const ResultBuffer* from, const ResultBuffer* to,
                         int displacement, double result[3]);

}  // namespace hostsim

#endif
