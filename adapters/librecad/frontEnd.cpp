// adapters/librecad/frontEnd.cpp - the calculator in LibreCAD's window: its prompts on LibreCAD's
// command line, its points from LibreCAD's point input, its text in LibreCAD's command history.
// SPDX-License-Identifier: GPL-2.0-or-later
//
// LibreCAD's plug-in interface has no output routine and no line input, so the adapter finds
// LibreCAD's command widgets by their Qt object names (teHistory, lCommand, leCommand): not an
// interface, so each is checked and their absence reported. Nothing that goes wrong here may take
// LibreCAD down with the user's drawing: every entry from LibreCAD catches what it throws, the
// host's routines the module calls never let an exception into the module, and while the module
// runs the drawing's window and LibreCAD's cannot close under it.
#include "adapters/librecad/librecad.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QPointer>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextEdit>
#include <QTimer>

#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>

#include "document_interface.h"

// ---- front-end state: one calculator at a time, on LibreCAD's GUI thread ----
static Document_Interface* activeDocument = nullptr;  // LibreCAD's, while runCalculator runs
static QPointer<QWidget> activeDrawingWindow;          // its window; null once it is gone
static QPointer<QTextEdit> history;                     // LibreCAD's command history, teHistory
static QPointer<QLabel> promptLabel;                    // the label before its command line
static QPointer<QLineEdit> commandEdit;                 // its command line, leCommand
static QEventLoop* promptLoop = nullptr;                // runs while vectrin's prompt waits
static std::string promptAnswer;                        // the line typed there, in UTF-8
static bool promptAnswered = false;                     // false: Esc, or the window went away
static bool moduleBusy = false;                         // a call into the module runs
static bool insideLibrecadInput = false;  // the call evaluates a line LibreCAD's command reads
static bool mirrorCurrent = false;        // the mirror was refreshed in this calculator run
static qint64 userWaitNanoseconds = 0;    // this run's time in LibreCAD's input, for the log
static qint64 mirrorNanoseconds = 0;      // this run's time reading the document
static bool sessionStarted = false;       // the host's session is set up (once per LibreCAD)
static std::string openLine;              // text printed since the last line end: a prompt
static std::string firstAnswer;           // brought by the command word: "vcal 1+2"
static std::string pendingNotice;         // what the mirror left out, shown after the result

namespace {

// The label LibreCAD shows while no command of its own waits.
QString idleLabel() { return QCoreApplication::translate("QG_CommandWidget", "Command:"); }

QString fromHost(const std::string& text) {
    return QString::fromStdString(hostsim::utf8FromCp1252(text));
}

// VECTRIN_LIBRECAD_LOG names a file that gets a copy of every line the adapter adds to the
// history, and notes starting "# " (each prompt as it opens, each run's cost): LibreCAD keeps no
// log of its own, and a test or a user's bug report can read it.
void copyToLog(const QString& line) {
    static std::FILE* log = nullptr;
    static bool opened = false;
    if (!opened) {
        opened = true;
        const char* path = std::getenv("VECTRIN_LIBRECAD_LOG");
        if (path != nullptr && *path != '\0') log = std::fopen(path, "a");
    }
    if (log == nullptr) return;
    std::fprintf(log, "%s\n", line.toUtf8().constData());
    std::fflush(log);
}

// The log's note of a calculator run: what it cost apart from the user's own time at a prompt
// (the mirror included, and shown apart).
void logTiming(qint64 runNanoseconds) {
    char note[160];
    std::snprintf(note, sizeof note, "# vcal took %.1f ms (the mirror %.1f ms) besides %.1f ms at "
                  "LibreCAD's input", (runNanoseconds - userWaitNanoseconds) / 1e6,
                  mirrorNanoseconds / 1e6, userWaitNanoseconds / 1e6);
    copyToLog(note);
}

// One line at the end of LibreCAD's history, as plain text: QTextEdit::append would read a
// line that looks like markup ("[2<45]", "<Object name ...>") as markup.
void appendHistory(const QString& line) {
    copyToLog(line);
    if (!history) {
        std::fprintf(stderr, "%s\n", line.toUtf8().constData());
        return;
    }
    QTextCursor cursor(history->document());
    cursor.movePosition(QTextCursor::End);
    if (!history->document()->isEmpty()) cursor.insertBlock();
    cursor.insertText(line);
    history->verticalScrollBar()->setValue(history->verticalScrollBar()->maximum());
}

// The host's output channel: whole lines go to the history (blank ones dropped: the history has
// no room for the terminal's spacing); an unfinished line is a prompt, shown when it is asked.
void showHostText(const std::string& text) {
    try {
        openLine += text;
        std::size_t lineEnd;
        while ((lineEnd = openLine.find('\n')) != std::string::npos) {
            std::string line = openLine.substr(0, lineEnd);
            openLine.erase(0, lineEnd + 1);
            if (!hostsim::trimmed(line, " \t\r").empty()) appendHistory(fromHost(line));
        }
    } catch (...) {
        // the module is mid-call: a line lost from the history must not unwind through it
    }
}

void showFailureText(const std::string& text) {
    try {
        appendHistory(QString::fromStdString(hostsim::trimmed(text, hostsim::commandBlanks)));
    } catch (...) {
    }
}

void showNotice(const std::string& text) { appendHistory(QString::fromStdString(text)); }

// The command widgets of LibreCAD's window; false, with the reason shown, when one is missing.
bool findCommandWidgets(QWidget* window) {
    if (window == nullptr) return false;
    history = window->findChild<QTextEdit*>("teHistory");
    promptLabel = window->findChild<QLabel*>("lCommand");
    commandEdit = window->findChild<QLineEdit*>("leCommand");
    if (history && promptLabel && commandEdit) return true;
    const char* reason =
        "vectrin: LibreCAD's command line (the widgets teHistory, lCommand and leCommand) was not "
        "found; this LibreCAD is not the version the plug-in was built for.";
    std::fprintf(stderr, "%s\n", reason);
    QMessageBox::warning(window, "vectrin", reason);
    return false;
}

// The drawing window LibreCAD's plug-in call works on: the MDI area's current window.
QWidget* currentDrawingWindow(QWidget* mainWindow) {
    QMdiArea* area = mainWindow != nullptr ? mainWindow->findChild<QMdiArea*>() : nullptr;
    return area != nullptr ? area->currentSubWindow() : nullptr;
}

// LibreCAD loads a plug-in with its symbols private; the module resolves the host's kvs_*
// routines against the global scope, so the plug-in re-opens itself into it.
std::string pluginFolder() {
    Dl_info info;
    if (dladdr(reinterpret_cast<void*>(&pluginFolder), &info) == 0 || info.dli_fname == nullptr)
        return ".";
    if (dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD | RTLD_GLOBAL) == nullptr)
        showNotice(std::string("vectrin: the plug-in could not offer its routines to the module: ") +
                   dlerror());
    // the file itself, not a link to it: the installed modules are found relative to the file
    char* resolved = realpath(info.dli_fname, nullptr);
    std::string path = resolved != nullptr ? resolved : info.dli_fname;
    std::free(resolved);
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

// VECTRIN_MODULE names the module; else the language's module (English when the locale's
// language has none) in the folder vectrin beside the plug-in, where make librecad puts it, or
// else where the packages install it. When neither has it, the first is named.
std::string modulePath(const std::string& folder) {
    const char* named = std::getenv("VECTRIN_MODULE");
    if (named != nullptr && *named != '\0') return named;
    std::string fileName = hostsim::moduleFileName(hostsim::environmentLanguage());
    for (std::string modules :
         {folder + "/vectrin/", folder + "/" VECTRIN_INSTALLED_MODULE_FOLDER "/"}) {
        if (access((modules + fileName).c_str(), F_OK) == 0) return modules + fileName;
        if (access((modules + "vectrin.so").c_str(), F_OK) == 0) return modules + "vectrin.so";
    }
    return folder + "/vectrin/vectrin.so";
}

bool answerPrompt(std::string& line);

// The host's session, set up at the first use, and the module loaded (again, after it stopped
// itself); false, with the reason in the history, when the module cannot be loaded.
bool startSession() {
    static std::string folder;
    if (!sessionStarted) {
        folder = pluginFolder();
        hostsim::resetSessionState();
        hostsim::captureOutput(true);  // LibreCAD's standard output is nobody's screen
        hostsim::mirrorOutput(showHostText);
        hostsim::mirrorFailures(showFailureText);
        hostsim::useLineSource(answerPrompt);
        sessionStarted = true;
        showNotice("vectrin " VECTRIN_VERSION);
    }
    if (hostsim::moduleLoaded()) return true;
    if (hostsim::loadModule(modulePath(folder))) return true;
    showNotice(
        "vectrin: the calculator is not available; the package vectrin installs its "
        "module, make librecad puts one beside the plug-in (or set VECTRIN_MODULE). "
        "LibreCAD goes on.");
    return false;
}

// The module's calculator command: C:CAL, else a language's own (C:BERECHNEN); empty when the
// module defines none.
std::string calculatorCommand() {
    std::vector<std::string> names = hostsim::calculatorNames();
    if (std::find(names.begin(), names.end(), "C:CAL") != names.end()) return "C:CAL";
    for (const std::string& name : names)
        if (name.compare(0, 2, "C:") == 0) return name;
    return "";
}

// ---- answers to the module's prompts ----

// LibreCAD's point input keeps a core busy while it waits (it polls its event queue). While
// vectrin waits on it, a timer lets the polling thread sleep until the next event arrives.
class PointWaitPacer : public QObject {
public:
    PointWaitPacer() { timer = startTimer(restMilliseconds); }
    ~PointWaitPacer() override { killTimer(timer); }

protected:
    void timerEvent(QTimerEvent*) override {
        if (resting) return;
        resting = true;
        QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
        if (dispatcher != nullptr) dispatcher->processEvents(QEventLoop::WaitForMoreEvents);
        resting = false;
    }

private:
    static constexpr int restMilliseconds = 20;
    int timer = 0;
    bool resting = false;
};

bool waitForPoint(const QString& prompt, QPointF& point) {
    PointWaitPacer pacer;
    QElapsedTimer waited;
    waited.start();
    bool given = activeDocument->getPoint(&point, prompt);
    userWaitNanoseconds += waited.nsecsElapsed();
    return given;
}

// A point or pick prompt: the mirror brought up to date first (once per calculator run), then
// LibreCAD's point input, answered by a click with the user's snaps or typed coordinates.
bool answerWithPoint(std::string& line) {
    if (!mirrorCurrent) {
        std::string error;
        QElapsedTimer reading;
        reading.start();
        bool read = librecad::refreshMirror(*activeDocument, pendingNotice, error);
        mirrorNanoseconds += reading.nsecsElapsed();
        if (!read) {
            showNotice("vectrin cannot read the drawing: " + error);
            return false;
        }
        mirrorCurrent = true;
    }
    QPointF point;
    copyToLog("# asks: " + fromHost(hostsim::trimmed(openLine)));
    bool given = waitForPoint(fromHost(hostsim::trimmed(openLine)), point);
    if (!given || !activeDrawingWindow) return false;  // Esc, or the drawing went away
    line = hostsim::exactNumberText(point.x()) + "," + hostsim::exactNumberText(point.y());
    return true;
}

// A text prompt: the prompt in LibreCAD's label, the line typed at its command line.
bool answerWithTypedLine(std::string& line) {
    if (!promptLabel || !commandEdit) return false;
    promptLabel->setText(fromHost(hostsim::trimmed(openLine)));
    copyToLog("# asks: " + promptLabel->text());
    commandEdit->setFocus();
    QEventLoop loop;
    QMetaObject::Connection gone;
    if (activeDrawingWindow)
        gone = QObject::connect(activeDrawingWindow, &QObject::destroyed, &loop, &QEventLoop::quit);
    promptLoop = &loop;
    promptAnswered = false;
    QElapsedTimer waited;
    waited.start();
    loop.exec();
    userWaitNanoseconds += waited.nsecsElapsed();
    promptLoop = nullptr;
    QObject::disconnect(gone);
    if (promptLabel) promptLabel->setText(idleLabel());
    if (!promptAnswered) return false;
    line = promptAnswer;
    return true;
}

// The host's line source while the adapter runs the module. Inside a line LibreCAD's own
// command reads, no prompt can be asked: LibreCAD's point input would cancel that command.
bool answerPrompt(std::string& line) {
    try {
        if (insideLibrecadInput || activeDocument == nullptr) {
            hostsim::startLine();
            hostsim::printText(
                "A pick or prompt cannot be answered inside another LibreCAD command: run it with "
                "vcal first (its point becomes the last point, @), then use the value here.\n");
            return false;
        }
        if (!activeDrawingWindow) return false;
        return hostsim::pointPromptWaiting() ? answerWithPoint(line) : answerWithTypedLine(line);
    } catch (const std::exception& e) {
        showNotice(std::string("vectrin: the answer was lost: ") + e.what());
    } catch (...) {
        showNotice("vectrin: the answer was lost to an unexpected fault");
    }
    return false;  // read as the end of input: the prompt is cancelled
}

// ---- after a result ----

// The point becomes LibreCAD's relative zero, the base of @ in its point input, which the
// interface cannot set: LibreCAD's own point input is given the point as typed text.
void moveRelativeZero(const hostsim::Point& p) {
    if (!commandEdit || !history || activeDocument == nullptr || !activeDrawingWindow) return;
    QString typed = QString::fromStdString(hostsim::exactNumberText(p[0]) + "," +
                                           hostsim::exactNumberText(p[1]));
    // Typed once LibreCAD's point input has started: starting it clears the command line.
    QTimer::singleShot(0, commandEdit, [typed]() {
        if (!commandEdit) return;
        commandEdit->setText(typed);
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QCoreApplication::sendEvent(commandEdit, &enter);
    });
    QPointF given;
    activeDocument->getPoint(&given, "");
    // LibreCAD echoes the typed point; it is no line of the user's
    QTextCursor last(history->document());
    last.movePosition(QTextCursor::End);
    last.select(QTextCursor::BlockUnderCursor);
    if (last.selectedText().trimmed() == typed) last.removeSelectedText();
}

void showResult(const hostsim::QValue& result) {
    if (result.isNil()) return;
    hostsim::printResult(hostsim::formatValue(result) + "\n");
    if (result.isPoint()) hostsim::setSysvarPoint("LASTPOINT", result.coordinates());
}

// Marks a call into the module for the filter and the close guard, and drops what the capture
// kept: the history has it.
class ModuleCall {
public:
    ModuleCall() { moduleBusy = true; }
    ~ModuleCall() {
        moduleBusy = false;
        insideLibrecadInput = false;
        activeDocument = nullptr;
        hostsim::clearQueuedAnswers();
        hostsim::takeOutput();
        openLine.clear();
    }
};

void reportFault(const char* what) {
    showNotice(std::string("vectrin stopped on an internal fault (") + what +
               "); LibreCAD and the drawing are unharmed.");
}

// 'EXPR typed at LibreCAD's command line: evaluated at once; the value replaces the line when a
// LibreCAD command waits for it, else it is only shown. true: the line is used up.
bool evaluateInLine(QLineEdit* edit, const std::string& expression) {
    if (!findCommandWidgets(edit->window())) return false;
    appendHistory(edit->text());
    if (expression.empty()) {
        showNotice("Type an expression after the apostrophe, as 'A+[10,0].");
        edit->clear();
        return true;
    }
    bool waiting = promptLabel->text() != idleLabel();
    std::string command = startSession() ? calculatorCommand() : "";
    std::string text;
    if (command.empty() || !hostsim::hostLineFromTerminal(expression, text)) {
        edit->clear();
        return true;
    }
    ModuleCall call;
    insideLibrecadInput = true;
    hostsim::QValue result;
    std::string error;
    if (!hostsim::invokeFunction(command.substr(2), {hostsim::QValue::textValue(text)}, result, error))
        showNotice("vectrin: " + error);
    showResult(result);
    std::string handed;
    if (waiting && librecad::handedOnText(result, handed)) {
        edit->setText(QString::fromStdString(handed));
        return false;  // LibreCAD reads the value as if typed
    }
    edit->clear();
    return true;
}

bool filterKey(QLineEdit* edit, QKeyEvent* key, void (*startCalculator)()) {
    librecad::LineKey lineKey;
    switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter: lineKey = librecad::LineKey::Enter; break;
        case Qt::Key_Space: lineKey = librecad::LineKey::Space; break;
        case Qt::Key_Escape: lineKey = librecad::LineKey::Escape; break;
        default: return false;
    }
    librecad::LineState state;
    state.promptOpen = promptLoop != nullptr;
    state.moduleBusy = moduleBusy;
    librecad::LineDecision decision =
        librecad::decideLine(state, lineKey, edit->text().toUtf8().toStdString());
    switch (decision.action) {
        case librecad::LineAction::Pass: return false;
        case librecad::LineAction::InsertSpace: edit->insert(" "); return true;
        case librecad::LineAction::Answer:
        case librecad::LineAction::Cancel:
            promptAnswer = decision.text;
            promptAnswered = decision.action == librecad::LineAction::Answer;
            edit->clear();
            promptLoop->quit();
            return true;
        case librecad::LineAction::Start:
            if (findCommandWidgets(edit->window())) appendHistory(edit->text());
            firstAnswer = decision.text;
            edit->clear();
            startCalculator();
            return true;
        case librecad::LineAction::Evaluate: return evaluateInLine(edit, decision.text);
        case librecad::LineAction::Refuse:
            if (findCommandWidgets(edit->window()))
                showNotice("vectrin is waiting for a point: click one or type it, or press Esc.");
            edit->clear();
            return true;
    }
    return false;
}

// While the module runs, closing the drawing or LibreCAD would pull the document from under the
// call (and LibreCAD itself uses the window after a plug-in returns): the close waits.
bool refuseClose(QObject* watched, QEvent* event) {
    if (!moduleBusy) return false;
    if (qobject_cast<QMainWindow*>(watched) == nullptr &&
        qobject_cast<QMdiSubWindow*>(watched) == nullptr)
        return false;
    event->ignore();
    showNotice("vectrin is waiting for an answer: press Esc first, then close.");
    return true;
}

}  // namespace

namespace librecad {

void runCalculator(Document_Interface* document, QWidget* mainWindow) {
    std::string first;
    first.swap(firstAnswer);
    try {
        if (moduleBusy) {
            showNotice("vectrin is already running: answer its prompt, or press Esc.");
            return;
        }
        if (document == nullptr || !findCommandWidgets(mainWindow) || !startSession()) return;
        std::string command = calculatorCommand();
        if (command.empty()) {
            showNotice("vectrin: the module defines no calculator command.");
            return;
        }
        ModuleCall call;
        QElapsedTimer run;
        run.start();
        userWaitNanoseconds = mirrorNanoseconds = 0;
        activeDocument = document;
        activeDrawingWindow = currentDrawingWindow(mainWindow);
        mirrorCurrent = false;
        std::string text;
        if (!first.empty() && hostsim::hostLineFromTerminal(first, text)) hostsim::queueAnswer(text);
        hostsim::QValue result;
        std::string error;
        if (!hostsim::invokeFunction(command, {}, result, error)) showNotice("vectrin: " + error);
        showResult(result);
        if (!pendingNotice.empty()) showNotice(pendingNotice);
        pendingNotice.clear();
        if (result.isPoint()) moveRelativeZero(result.coordinates());
        logTiming(run.nsecsElapsed());
    } catch (const std::exception& e) {
        reportFault(e.what());
    } catch (...) {
        reportFault("an unknown exception");
    }
}

bool filterEvent(QObject* watched, QEvent* event, void (*startCalculator)()) {
    try {
        if (event->type() == QEvent::Close) return refuseClose(watched, event);
        if (event->type() != QEvent::KeyPress || watched->objectName() != "leCommand") return false;
        QLineEdit* edit = qobject_cast<QLineEdit*>(watched);
        return edit != nullptr && filterKey(edit, static_cast<QKeyEvent*>(event), startCalculator);
    } catch (const std::exception& e) {
        reportFault(e.what());
    } catch (...) {
        reportFault("an unknown exception");
    }
    return false;
}

}  // namespace librecad
