// adapters/librecad/librecad.h - vectrin inside LibreCAD: the document mirrored into the host's
// drawing, the rules of LibreCAD's command line as the adapter shares it, the adapter's notices,
// and the front end that stands where hostsim's shell stands.
// SPDX-License-Identifier: GPL-2.0-or-later
//
// Offers: the mirror and the document's signature (documentMirror.cpp); the line filter's
// decisions, the text a value is handed on as, the last point's rule, vectrin's own history
// and the scale of LibreCAD's view (lineFilter.cpp); HELP and PRECISION at vectrin's prompt
// (promptWords.cpp); the adapter's notices in the module's language (notices.cpp); what the
// adapter reads from and does to LibreCAD's window beyond the interface (librecadWindow.cpp);
// the front end, one object the plug-in owns: the calculator's runs and transparent evaluation
// (frontEnd.cpp), LibreCAD's events as it takes them (frontEndEvents.cpp). Needs: hostsim/module
// (and through it the services, console, quillet, drawing, picking, kinds and snapping parts),
// hostsim/help, LibreCAD's document_interface.h, Qt 5.
// Text inside is in the host's code page 1252, as everywhere in the host; Qt's QString at the
// edges, and the adapter's notices in UTF-8.
#ifndef VECTRIN_ADAPTERS_LIBRECAD_LIBRECAD_H
#define VECTRIN_ADAPTERS_LIBRECAD_LIBRECAD_H

#include <QHash>
#include <QList>
#include <QPointer>
#include <QString>
#include <QVariant>
#include <QtGlobal>
#include <cstdio>
#include <functional>
#include <initializer_list>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "document_interface.h"
#include "hostsim/module/module.h"

class QAction;
class QEvent;
class QEventLoop;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QObject;
class QTextEdit;
class QWidget;

namespace librecad {

// ---- the adapter's notices (notices.cpp) ----
enum class Notice {
    // what the mirror leaves out, by kind (in this order in the notice)
    ConstructionLines,
    Dimensions,
    Hatches,
    Images,
    OtherObjects,
    Solids,
    Splines,
    BlockContents,
    MirrorLeavesOut,
    // the plug-in and the module
    Version,
    WidgetsMissing,
    RoutinesNotOffered,
    ModuleMissing,
    NoCalculatorCommand,
    DrawingUnreadable,
    AnswerLost,
    InternalFault,
    CallFailed,
    // the command line
    PromptInsideCommand,
    ExpressionMissing,
    WaitingForPoint,
    CloseRefused,
    AlreadyRunning,
    LastPointUnknown,
    PointWanted,
    Cancel,
    SnapsKept,
    // the words at vectrin's prompt
    NoHelp,
    PrecisionIs,
    PrecisionRefused,
    SignificantDigit,
    SignificantDigits,
    DecimalPlace,
    DecimalPlaces,
};
// The notice in the language ("de" German; anything else English), with %1, %2, ... replaced
// by the arguments. UTF-8.
std::string noticeText(Notice notice, const std::string& language,
                       std::initializer_list<std::string> arguments = {});
// The language of a module file as hostsim names them: "de" for .../vectrin.de.so, "" for
// vectrin.so or a file named otherwise.
std::string moduleLanguage(const std::string& modulePath);

// ---- the mirror (documentMirror.cpp) ----
// What LibreCAD's interface gives of one entity: its data and, for a polyline, its vertices.
struct EntityRecord {
    using Data = QHash<int, QVariant>;
    Data data;
    QList<Plug_VertexData> vertices;
};
std::vector<EntityRecord> readEntities(const QList<Plug_Entity*>& entities);
// A checksum of the records, in their order: any value the interface gives that changes, an
// entity added, removed or reordered, changes it. It costs the reading of the entities, not the
// writing and reading of a drawing.
quint64 recordsSignature(const std::vector<EntityRecord>& records);
// LibreCAD's entities as DXF text for the host's reader, one object per entity in the
// document's order: LINE, POINT, CIRCLE, ARC and ELLIPSE (reversed ones turned round), TEXT,
// MTEXT, INSERT (its block defined empty: its contents are out of the interface's reach) and
// polylines as LWPOLYLINE with their bulges. Points are 2D: z is 0. What the interface gives only
// the type of is counted in left, by the kind the notice names.
struct MirrorGaps {
    std::map<Notice, int> left;  // kind -> entities not mirrored
    int blockReferences = 0;     // INSERTs, whose blocks are mirrored empty
};
std::string mirrorText(const std::vector<EntityRecord>& records, MirrorGaps& gaps);
// One line naming what the mirror could not hold, with counts; empty when it holds everything.
std::string mirrorNotice(const MirrorGaps& gaps, const std::string& language);
// The host's open drawing as the document's mirror, and the signature it was opened from.
class DocumentMirror {
public:
    // Makes the host's open drawing the document's mirror: the entities read (visible ones only:
    // a deleted entity kept for undo is not) and, when their signature is not the one already
    // open, turned into text and opened. False, with the reader's reason, when it cannot be
    // opened. notice is mirrorNotice's line when the drawing was read anew, else empty.
    bool refresh(Document_Interface& document, const std::string& language, std::string& notice,
                 std::string& error);

private:
    bool open = false;  // false: the next refresh opens whatever the document gives
    quint64 openSignature = 0;
};

// ---- the line filter and the command line's rules (lineFilter.cpp) ----
// The keys the filter looks at on LibreCAD's command line; every other key is LibreCAD's.
enum class LineKey { Enter, Space, Escape, Up, Down };
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
    Help,         // HELP [NAME] or ? at vectrin's prompt; text is the name
    Precision,    // PRECISION [N|.N] at vectrin's prompt; text is what follows the word
    Earlier,      // Up at vectrin's prompt: the answer before in vectrin's own history
    Later,        // Down there: the one after
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
// A value as LibreCAD shows it, from the text its coordinate display made of it ("64.6410 ,
// 0.0000"): "64.6410,0.0000" for a point, the first part alone for a number; a zero never shows
// as "-0.0000".
std::string shownAsLibrecadShows(const std::string& coordinateDisplay, bool point);
// Whether an answer uses the last point: @ or LASTPOINT. Inside a LibreCAD command the last
// point is the one that command received (what LibreCAD's own @ reads); where the adapter does
// not know it, such an answer is refused rather than read against another point.
bool mentionsLastPoint(const std::string& answer);

// The answers typed at vectrin's prompt, for Up and Down there: LibreCAD's own history holds
// what LibreCAD's commands read. Text answers are kept, as hostsim keeps them per kind (blank
// lines and a repeat of the last one are not); the answers to picks and points never are.
class AnswerHistory {
public:
    void remember(const std::string& answer);
    // Up: the answer before the one shown; current is what the line holds, given back after
    // the newest. False when there is none before.
    bool earlier(const std::string& current, std::string& shown);
    bool later(std::string& shown);  // Down; false when the line already shows what was typed
    void startOver();                // a new prompt starts below the newest answer

private:
    static constexpr std::size_t limit = 1000;
    std::vector<std::string> answers;  // oldest first
    std::size_t position = 0;          // the answer shown; answers.size(): the line as typed
    std::string typed;                 // the line as it was when Up was first pressed
};

// A click in LibreCAD's graphic view, with what its widgets tell of the view at that moment:
// the scroll bars' values (horizontal -offsetX, vertical offsetY, as LibreCAD sets them) and
// the drawing area's height in pixels, the view less its horizontal scroll bar.
struct ViewClick {
    int x = 0, y = 0;
    int horizontalScroll = 0, verticalScroll = 0, height = 0;
};
// LibreCAD's pixels per drawing unit, from a click and the point LibreCAD made of it with no
// snap (x = (pixel x - offsetX) / factor, y = (height - pixel y - offsetY) / factor). Each axis
// gives the factor on its own; false unless both agree, as they do not when a scroll bar held
// at its end no longer shows the offset, or when the click is on an axis through the view's
// origin, where it tells nothing.
bool viewPixelsPerUnit(const ViewClick& click, const hostsim::Point& world, double& factor);

// ---- the words vectrin's prompt takes besides expressions (promptWords.cpp) ----
// HELP alone, HELP NAME (a function, CAL or a name of the calculator) and the text to show; empty
// for a name the help does not know.
std::string helpText(const std::string& name);
// PRECISION with what followed it: shows the setting (empty), sets it (N or .N, as hostsim's
// PRECISION), or refuses; the text to show, empty when the setting changed.
std::string precisionAnswer(const std::string& argument, const std::string& language);

// ---- LibreCAD's window beyond the plug-in interface (librecadWindow.cpp) ----
// The interface has no output routine, no line input, no last point, no snap setting and no
// view scale; the widgets of LibreCAD's window, found by their Qt names, tell and do these. Each
// is checked: one that is missing leaves the adapter as it would be without it.

// Each graphic view's relative zero, the base of @ in LibreCAD's point input, as the view
// announces it (its signal relative_zero_changed, which LibreCAD's own input follows too). A view
// whose zero has not moved since the plug-in began to follow it is not known.
class ZeroReceiver;
class RelativeZeros {
public:
    RelativeZeros();
    ~RelativeZeros();
    void follow(QObject* view);  // a view followed already is left as it is
    bool known(QObject* view, hostsim::Point& zero) const;

private:
    std::unique_ptr<ZeroReceiver> receiver;  // the Qt object the views' signal reaches
};

// LibreCAD's snaps off (no snap, no restriction) while an object is picked, and back as they
// were when this goes, whatever happened: the pick wants the point clicked, which a snap would
// move (Snap Center puts a click on a circle's edge at its centre). switched() is false when the
// snap toolbar or one of its actions is missing; nothing was changed then.
class SnapsOff {
public:
    explicit SnapsOff(QWidget* mainWindow);
    ~SnapsOff();
    SnapsOff(const SnapsOff&) = delete;
    SnapsOff& operator=(const SnapsOff&) = delete;
    bool switched() const { return toolbar != nullptr; }

private:
    QPointer<QObject> toolbar;
    std::vector<std::pair<QPointer<QAction>, bool>> saved;  // each action and how it was
};

// vectrin's prompt in LibreCAD's label while vectrin owns the command line, and LibreCAD's own
// label back afterwards. LibreCAD may set its label meanwhile (a refused close does): keep()
// puts vectrin's prompt back before the label is painted, and what LibreCAD set is what comes
// back. A prompt is cut to half the command line's width, so that a long one does not widen
// LibreCAD's dock for good; the whole prompt is the label's tool tip and goes to the history
// with its answer.
class PromptLabel {
public:
    static QString fitted(QLabel& label, const QString& prompt);
    void show(QLabel* label, const QString& prompt);
    bool keep();  // before a paint: true when LibreCAD's text had to give way again
    void restore();
    bool showing() const;
    QLabel* widget() const;
    const QString& librecadText() const { return librecad; }

private:
    QPointer<QLabel> label;  // set while vectrin's prompt shows
    QString vectrin, librecad;
};

// A left click released in a graphic view, read with its view's scroll bars; false for any
// other event.
bool readViewClick(QObject* watched, QEvent* event, ViewClick& click);
// The value as LibreCAD's coordinate display shows coordinates, at the drawing's own format and
// precision: the display is asked to show it, read, and given back what it showed. fallback
// when there is no display or no drawing in it.
QString librecadShows(QWidget* mainWindow, double x, double y, bool point, const QString& fallback);
// Removes the history's last lines when they are these, in order; true when they were.
bool removeLastLines(QTextEdit& history, const QStringList& lines);

// ---- the front end (frontEnd.cpp, frontEndEvents.cpp) ----
// Everything the adapter keeps between LibreCAD's calls, in one object the plug-in owns: made
// when LibreCAD loads the plug-in, gone when it unloads it. All of it lives on LibreCAD's GUI
// thread, one calculator at a time. The host's session it sets up at the first use stays the
// host's (module-wide, as in hostsim); the object takes its callbacks back when it goes.
//
// A calculator run starts from the command word without LibreCAD's plug-in call, which empties
// LibreCAD's Redo: a run that comes to a pick, which needs the document, ends unseen there and
// runs again from its expression in the plug-in call.
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
    // (vcal EXPR), or the expression of a run that came to a pick, answers the first prompt.
    void runCalculator(Document_Interface* document, QWidget* mainWindow);
    // LibreCAD's events, seen before LibreCAD: key presses on its command line, window closes,
    // its graphic views' clicks and the label's repaints. True when the adapter took the event.
    bool filterEvent(QObject* watched, QEvent* event);

private:
    // ---- LibreCAD's command widgets, found by their Qt names ----
    bool findCommandWidgets(QWidget* window);
    QPointer<QTextEdit> history;      // LibreCAD's command history, teHistory
    QPointer<QLabel> promptLabel;     // the label before its command line, lCommand
    QPointer<QLineEdit> commandEdit;  // its command line, leCommand
    QPointer<QWidget> mainWindow;     // LibreCAD's window, where they were found

    // ---- what goes to the history, and the log beside it ----
    void appendHistory(const QString& line);
    void showHostText(const std::string& text);
    void showFailureText(const std::string& text);
    void showNotice(Notice notice, std::initializer_list<std::string> arguments = {});
    void copyToLog(const QString& line);
    void logTiming(qint64 runNanoseconds);
    std::FILE* log = nullptr;  // VECTRIN_LIBRECAD_LOG, opened at the first line
    bool logOpened = false;
    std::string openLine;       // text printed since the last line end: a prompt
    bool muted = false;         // a run that ends unseen, to run again in the plug-in call
    bool echoReplayed = false;  // the run's first answer was shown already, by the run before

    // ---- the host's session and the module ----
    bool startSession();
    std::string pluginFolder();
    bool sessionStarted = false;  // the host's session is set up (once per plug-in)
    std::string moduleFolder;     // where the plug-in looks for the modules
    std::string language;         // the loaded module's, which the notices follow

    // ---- one calculator run: a call into the module ----
    friend class ModuleCall;
    void runCommandWord(QWidget* window);
    void runModule(Document_Interface* document, QWidget* window);
    bool answerPrompt(std::string& line);
    bool answerWithPoint(std::string& line);
    bool answerWithTypedLine(std::string& line);
    void answerHostWord(const LineDecision& decision);
    bool waitForPoint(const QString& prompt, QPointF& point, std::function<void()> idleWork);
    bool readMirror(bool showFailure);
    void useViewScale(const hostsim::Point& picked);
    void showResult(const hostsim::QValue& result);
    void moveRelativeZero(const hostsim::Point& p);
    void reportFault(const char* what);
    Document_Interface* activeDocument = nullptr;  // LibreCAD's, while runCalculator runs
    QPointer<QWidget> activeDrawingWindow;         // its window; null once it is gone
    bool moduleBusy = false;                       // a call into the module runs
    bool insideLibrecadInput = false;  // the call evaluates a line LibreCAD's command reads
    std::string firstAnswer;           // brought by the command word, or a run's expression
    std::string lastExpression;        // the last text answer of this run
    bool needsDocument = false;        // the run came to a pick without the plug-in call
    std::string replayExpression;      // its expression, for the run in the plug-in call
    bool replayPending = false;        // the plug-in call that runs it is yet to come
    bool lastPointUnknown = false;     // inside a LibreCAD command whose last point is unknown
    std::string pendingNotice;         // what the mirror left out, shown after the result
    DocumentMirror mirror;
    bool mirrorCurrent = false;      // the mirror was refreshed in this calculator run
    bool pointWaits = false;         // LibreCAD's point input waits for the user
    bool documentTouched = false;    // input that may change the document came since it was read
    qint64 userWaitNanoseconds = 0;  // this run's time in LibreCAD's input, for the log
    qint64 mirrorNanoseconds = 0;    // this run's time reading the document, the user waiting
    qint64 mirrorWhileWaitingNanoseconds = 0;  // and while LibreCAD's input waited for the user
    qint64 carriedNanoseconds = 0;             // the cost of the run before, which came to a pick

    // ---- LibreCAD's last point, snaps and view ----
    bool librecadCommandWaits() const;
    QWidget* currentGraphicView() const;
    bool chooseLastPoint(bool insideCommand);
    std::unique_ptr<RelativeZeros> relativeZeros;  // each graphic view's, as it announces it
    bool objectPickWaits = false;  // LibreCAD's point input answers a pick of an object
    bool clickSeen = false;        // a click in the graphic view answered it
    ViewClick lastClick;

    // ---- vectrin's own prompt on LibreCAD's command line ----
    bool waitForTypedLine(std::string& answer);
    std::unique_ptr<PromptLabel> label;  // who owns the line, shown in LibreCAD's label
    QEventLoop* promptLoop = nullptr;    // runs while vectrin's prompt waits
    std::string promptAnswer;            // the line typed there, in UTF-8
    bool promptAnswered = false;         // false: Esc, or the window went away
    AnswerHistory answers;

    // ---- LibreCAD's events ----
    bool evaluateInLine(QLineEdit* edit, const std::string& expression);
    void handOn(QLineEdit* edit, const hostsim::QValue& value);
    void sendEnter(QLineEdit* edit);
    bool filterKey(QLineEdit* edit, QKeyEvent* key);
    bool walkAnswers(QLineEdit* edit, LineAction direction);
    bool refuseClose(QObject* watched, QEvent* event);
    bool passingOwnKey = false;  // a key the adapter sends LibreCAD goes through the filter
    std::function<void()> startPluginAction;
};

}  // namespace librecad

#endif
