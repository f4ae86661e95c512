// hostsim/kinds/kinds.h - the kinds of object a drawing holds, turned into the primitives that
// picks, snaps and the view work on, and each object's own coordinate system.
//
// Each kind of object is one row of a table (kindsTable.cpp): its record's type,
// the routine that builds its primitives, its axes, the snap modes it offers and whether it is a
// text. Adding a kind is a row there and its builder routine.
//
// Offers: buildGeometry (objectGeometry.cpp; block references in blockExpansion.cpp, polylines
// in polylines.cpp, texts in textBoxes.cpp, hatches in hatches.cpp, whether each object shows in
// visibility.cpp) and textFormOf (kindsTable.cpp, the table of kinds); what they share, the
// table's rows among it, is in building.h, for this part's own files only;
// extrusionAxes, wholeObject and objectAxes (objectAxes.cpp).
// Needs: hostsim/picking (the primitives, the maps, splines as pieces, the index they are handed
// to) and hostsim/drawing (the objects).
#ifndef VECTRIN_HOSTSIM_KINDS_KINDS_H
#define VECTRIN_HOSTSIM_KINDS_KINDS_H

#include <cstdint>
#include <string>
#include <vector>

#include "hostsim/drawing/drawing.h"
#include "hostsim/picking/picking.h"

namespace hostsim {

// ---- building primitives (objectGeometry.cpp) ----
// Rebuilds everything from d; notices tell what could not be drawn. What block references
// expand to counts against byteLimit, with what the reader counted (d.bytesCounted): past it
// nothing is built, and error says so ("file:line: the block references expand past ...").
bool buildGeometry(const Drawing& d, std::uint64_t byteLimit, std::vector<std::string>& notices,
                   std::string& error);

// ---- what the table of kinds tells others (kindsTable.cpp) ----
// Whether an object is a text, and how its lines are kept: one line (TEXT, ATTRIB, ATTDEF) or
// paragraphs (MTEXT). The view draws a text as its lines, not as the box picks find it by.
enum class TextForm : unsigned char { None, OneLine, Paragraphs };
TextForm textFormOf(const DrawingObject& o);

// ---- an object's own coordinate system (objectAxes.cpp) ----
// The arbitrary-axis system of an extrusion direction as columns x, y, z; false for a zero one.
bool extrusionAxes(const Point& extrusion, Point axes[3]);
// The object an object is a part of, whose axes and look it takes: a VERTEX's or a SEQEND's
// polyline (or reference); any other object is whole by itself.
const DrawingObject& wholeObject(const Drawing& d, int index);
// An object's own system, as its kind's row says: its extrusion's axes, or world axes for LINE,
// POINT, 3D polylines and meshes. VERTEX and SEQEND take their polyline's. False for an index of
// nothing.
bool objectAxes(const Drawing& d, int index, Point axes[3]);

}  // namespace hostsim

#endif
