// adapters/librecad/librecad.h - vectrin inside LibreCAD: the document mirrored into the host's
// drawing, the decisions of the adapter's command-line filter, and the front end that stands
// where hostsim's shell stands.
// SPDX-License-Identifier: GPL-2.0-or-later
//
// Offers: the mirror (documentMirror.cpp); the line filter's decisions and the text a value is
// handed on as (lineFilter.cpp); the front end: the calculator started, transparent evaluation,
// the guard around LibreCAD's windows (frontEnd.cpp). Needs: hostsim/module (and through it the
// services, console, quillet, drawing, picking, kinds and snapping parts), LibreCAD's
// document_interface.h, Qt 5.
// Text inside is in the host's code page 1252, as everywhere in the host; Qt's QString at the
// edges.
#ifndef VECTRIN_ADAPTERS_LIBRECAD_LIBRECAD_H
#define VECTRIN_ADAPTERS_LIBRECAD_LIBRECAD_H

#include <QList>

#include <map>
#include <string>

#include "hostsim/module/module.h"

class Document_Interface;
class Plug_Entity;
class QEvent;
class QObject;
class QWidget;

namespace librecad {

// ---- the mirror (documentMirror.cpp) ----
// LibreCAD's entities as DXF text for the host's reader, one object per entity in the
// document's order: LINE, POINT, CIRCLE, ARC and ELLIPSE (reversed ones turned round), TEXT,
// MTEXT, INSERT (its block defined empty: its contents are out of the interface's reach) and
// polylines as LWPOLYLINE with their bulges. Points are 2D: z is 0. What the interface gives only
// the type of is counted in left, by the name the notice uses ("splines", "hatches", ...).
struct MirrorGaps {
    std::map<std::string, int> left;  // kind -> entities not mirrored
    int blockReferences = 0;          // INSERTs, whose blocks are mirrored empty
};
std::string mirrorText(const QList<Plug_Entity*>& entities, MirrorGaps& gaps);
// One line naming what the mirror could not hold, with counts; empty when it holds everything.
std::string mirrorNotice(const MirrorGaps& gaps);
// Makes the host's open drawing the document's mirror: the entities read (visible ones only: a
// deleted entity kept for undo is not), turned into text and opened unless the text is the one
// already open. False, with the reader's reason, when it cannot be opened. notice is
// mirrorNotice's line when the drawing was read anew, else empty.
bool refreshMirror(Document_Interface& document, std::string& notice, std::string& error);

// ---- the line filter (lineFilter.cpp) ----
// The keys the filter looks at on LibreCAD's command line; every other key is LibreCAD's.
enum class LineKey { Enter, Space, Escape };
struct LineState {
    bool promptOpen = false;  // vectrin's own prompt waits for a typed line
    bool moduleBusy = false;  // a call into the module runs (LibreCAD's point input answers it)
};
enum class LineAction {
    Pass,         // LibreCAD handles the key and the line as usual
    InsertSpace,  // a blank inside vectrin's line, where LibreCAD would submit the line
    Answer,       // text answers vectrin's prompt
    Cancel,       // Esc at vectrin's prompt
    Start,        // the command word: start the calculator; text is its first answer, if any
    Evaluate,     // 'EXPR: evaluate text and hand the value to whatever waits
    Refuse,       // the command word or 'EXPR while the module is busy answering a pick
};
struct LineDecision {
    LineAction action = LineAction::Pass;
    std::string text;
};
constexpr char commandWord[] = "vcal";  // LibreCAD keeps the lowercase word cal for itself
LineDecision decideLine(const LineState& state, LineKey key, const std::string& line);
// The text LibreCAD reads for a value handed on: a point as "x,y" (LibreCAD's points are 2D), a
// number as itself, each in the fewest digits that read back exactly. False for anything else.
bool handedOnText(const hostsim::QValue& value, std::string& text);

// ---- the front end (frontEnd.cpp) ----
// The calculator's command, run for LibreCAD's plug-in call: document is the current drawing,
// mainWindow LibreCAD's window. The first answer the command word brought (vcal EXPR) answers
// the first prompt.
void runCalculator(Document_Interface* document, QWidget* mainWindow);
// LibreCAD's key events and window closes, seen before LibreCAD; true when the adapter took the
// event. startCalculator starts the plug-in's own action (LibreCAD then calls runCalculator).
bool filterEvent(QObject* watched, QEvent* event, void (*startCalculator)());

}  // namespace librecad

#endif
