// adapters/librecad/librecad.h - vectrin inside LibreCAD: the document mirrored into the host's
// drawing, the decisions of the adapter's command-line filter, and the front end that stands
// where hostsim's shell stands.
// SPDX-License-Identifier: GPL-2.0-or-later
//
// Offers: the mirror (documentMirror.cpp); the line filter's decisions and the text a value is
// handed on as (lineFilter.cpp); the front end, one object the plug-in owns: the calculator
// started, transparent evaluation, the guard around LibreCAD's windows (frontEnd.cpp). Needs:
// hostsim/module (and through it the services, console, quillet, drawing, picking, kinds and
// snapping parts), LibreCAD's document_interface.h, Qt 5.
// Text inside is in the host's code page 1252, as everywhere in the host; Qt's QString at the
// edges.
#ifndef VECTRIN_ADAPTERS_LIBRECAD_LIBRECAD_H
#define VECTRIN_ADAPTERS_LIBRECAD_LIBRECAD_H

#include <QList>
#include <QPointer>
#include <QtGlobal>
#include <cstdio>
#include <functional>
#include <map>
#include <string>

#include "hostsim/module/module.h"

class Document_Interface;
class Plug_Entity;
class QEvent;
class QEventLoop;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QObject;
class QPointF;
class QString;
class QTextEdit;
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
// The host's open drawing as the document's mirror, and the text it was last opened from.
class DocumentMirror {
  public:
    // Makes the host's open drawing the document's mirror: the entities read (visible ones only:
    // a deleted entity kept for undo is not), turned into text and opened unless the text is the
    // one already open. False, with the reader's reason, when it cannot be opened. notice is
    // mirrorNotice's line when the drawing was read anew, else empty.
    bool refresh(Document_Interface& document, std::string& notice, std::string& error);

  private:
    std::string openText;  // empty: the next refresh opens whatever the document gives
};

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
// Everything the adapter keeps between LibreCAD's calls, in one object the plug-in owns: made
// when LibreCAD loads the plug-in, gone when it unloads it. All of it lives on LibreCAD's GUI
// thread, one calculator at a time. The host's session it sets up at the first use stays the
// host's (module-wide, as in hostsim); the object takes its callbacks back when it goes.
class FrontEnd {
  public:
    // startPluginAction starts the plug-in's own menu action, after the event at hand is done
    // with; LibreCAD then calls runCalculator with the current document.
    explicit FrontEnd(std::function<void()> startPluginAction);
    ~FrontEnd();
    FrontEnd(const FrontEnd&) = delete;
    FrontEnd& operator=(const FrontEnd&) = delete;

    // The calculator's command, run for LibreCAD's plug-in call: document is the current
    // drawing, mainWindow LibreCAD's window. The first answer the command word brought
    // (vcal EXPR) answers the first prompt.
    void runCalculator(Document_Interface* document, QWidget* mainWindow);
    // LibreCAD's key events and window closes, seen before LibreCAD; true when the adapter took
    // the event.
    bool filterEvent(QObject* watched, QEvent* event);

  private:
    // ---- LibreCAD's command widgets, found by their Qt names ----
    bool findCommandWidgets(QWidget* window);
    QPointer<QTextEdit> history;      // LibreCAD's command history, teHistory
    QPointer<QLabel> promptLabel;     // the label before its command line, lCommand
    QPointer<QLineEdit> commandEdit;  // its command line, leCommand

    // ---- what goes to the history, and the log beside it ----
    void appendHistory(const QString& line);
    void showHostText(const std::string& text);
    void showFailureText(const std::string& text);
    void showNotice(const std::string& text);
    void copyToLog(const QString& line);
    void logTiming(qint64 runNanoseconds);
    std::FILE* log = nullptr;  // VECTRIN_LIBRECAD_LOG, opened at the first line
    bool logOpened = false;
    std::string openLine;  // text printed since the last line end: a prompt

    // ---- the host's session and the module ----
    bool startSession();
    std::string pluginFolder();
    bool sessionStarted = false;  // the host's session is set up (once per plug-in)
    std::string moduleFolder;     // where the plug-in looks for the modules

    // ---- one call into the module ----
    friend class ModuleCall;
    bool answerPrompt(std::string& line);
    bool answerWithPoint(std::string& line);
    bool answerWithTypedLine(std::string& line);
    bool waitForPoint(const QString& prompt, QPointF& point);
    void showResult(const hostsim::QValue& result);
    void moveRelativeZero(const hostsim::Point& p);
    void reportFault(const char* what);
    Document_Interface* activeDocument = nullptr;  // LibreCAD's, while runCalculator runs
    QPointer<QWidget> activeDrawingWindow;         // its window; null once it is gone
    bool moduleBusy = false;                       // a call into the module runs
    bool insideLibrecadInput = false;  // the call evaluates a line LibreCAD's command reads
    std::string firstAnswer;           // brought by the command word: "vcal 1+2"
    std::string pendingNotice;         // what the mirror left out, shown after the result
    DocumentMirror mirror;
    bool mirrorCurrent = false;      // the mirror was refreshed in this calculator run
    qint64 userWaitNanoseconds = 0;  // this run's time in LibreCAD's input, for the log
    qint64 mirrorNanoseconds = 0;    // this run's time reading the document

    // ---- vectrin's own prompt on LibreCAD's command line ----
    QEventLoop* promptLoop = nullptr;  // runs while vectrin's prompt waits
    std::string promptAnswer;          // the line typed there, in UTF-8
    bool promptAnswered = false;       // false: Esc, or the window went away

    // ---- LibreCAD's events ----
    bool evaluateInLine(QLineEdit* edit, const std::string& expression);
    bool filterKey(QLineEdit* edit, QKeyEvent* key);
    bool refuseClose(QObject* watched, QEvent* event);
    std::function<void()> startPluginAction;
};

}  // namespace librecad

#endif
