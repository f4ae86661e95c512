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
#include <dlfcn.h>
#include <unistd.h>

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextEdit>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>

#include "adapters/librecad/librecad.h"

namespace {

// The label LibreCAD shows while no command of its own waits.
QString idleLabel() { return QCoreApplication::translate("QG_CommandWidget", "Command:"); }

QString fromHost(const std::string& text) {
    return QString::fromStdString(hostsim::utf8FromCp1252(text));
}

// UTF-8 (a notice, a typed line) in the host's code page; a character it lacks becomes '?', and
// text that is no UTF-8 is in the code page already.
std::string toHost(const std::string& text) { return hostsim::hostTextFromDrawing(text, ""); }

// The text a value is handed on or answered as, in the fewest digits that read back exactly.
QString exactPoint(double x, double y) {
    return QString::fromStdString(hostsim::exactNumberText(x) + "," + hostsim::exactNumberText(y));
}

// The drawing window LibreCAD's plug-in call works on: the MDI area's current window.
QWidget* currentDrawingWindow(QWidget* mainWindow) {
    QMdiArea* area = mainWindow != nullptr ? mainWindow->findChild<QMdiArea*>() : nullptr;
    return area != nullptr ? area->currentSubWindow() : nullptr;
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

// LibreCAD's point input keeps a core busy while it waits (it polls its event queue). While
// vectrin waits on it, a timer lets the polling thread sleep until the next event arrives; its
// first tick does the work that can be done while the user points (idleWork), once.
class PointWaitPacer : public QObject {
public:
    explicit PointWaitPacer(std::function<void()> idleWork) : idleWork(std::move(idleWork)) {
        timer = startTimer(restMilliseconds);
    }
    ~PointWaitPacer() override { killTimer(timer); }

protected:
    void timerEvent(QTimerEvent*) override {
        if (resting) return;
        resting = true;
        std::function<void()> work;
        work.swap(idleWork);
        if (work) work();
        QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
        if (dispatcher != nullptr) dispatcher->processEvents(QEventLoop::WaitForMoreEvents);
        resting = false;
    }

private:
    static constexpr int restMilliseconds = 20;
    std::function<void()> idleWork;
    int timer = 0;
    bool resting = false;
};

}  // namespace

namespace librecad {

// Marks a call into the module for the filter and the close guard, and ends what belongs to it:
// the capture (the history has it), the run's answers and its muting.
class ModuleCall {
public:
    explicit ModuleCall(FrontEnd& frontEnd) : frontEnd(frontEnd) { frontEnd.moduleBusy = true; }
    ~ModuleCall() {
        frontEnd.moduleBusy = false;
        frontEnd.insideLibrecadInput = false;
        frontEnd.activeDocument = nullptr;
        frontEnd.muted = false;
        frontEnd.echoReplayed = false;
        frontEnd.firstAnswer.clear();
        hostsim::clearQueuedAnswers();
        hostsim::takeOutput();
        frontEnd.openLine.clear();
    }
    ModuleCall(const ModuleCall&) = delete;
    ModuleCall& operator=(const ModuleCall&) = delete;

private:
    FrontEnd& frontEnd;
};

FrontEnd::FrontEnd(std::function<void()> startPluginAction)
    : language(moduleLanguage(hostsim::moduleFileName(hostsim::environmentLanguage()))),
      relativeZeros(new RelativeZeros),
      label(new PromptLabel),
      startPluginAction(std::move(startPluginAction)) {}

// The host keeps running without a screen: its output and line source are handed back.
FrontEnd::~FrontEnd() {
    if (sessionStarted) {
        hostsim::mirrorOutput({});
        hostsim::mirrorFailures({});
        hostsim::useLineSource({});
    }
    if (log != nullptr) std::fclose(log);
}

// ---- the history and the log ----

// VECTRIN_LIBRECAD_LOG names a file that gets a copy of every line the adapter adds to the
// history, and notes starting "# " (each prompt as it opens, each run's cost): LibreCAD keeps no
// log of its own, and a test or a user's bug report can read it.
void FrontEnd::copyToLog(const QString& line) {
    if (!logOpened) {
        logOpened = true;
        const char* path = std::getenv("VECTRIN_LIBRECAD_LOG");
        if (path != nullptr && *path != '\0') log = std::fopen(path, "a");
    }
    if (log == nullptr) return;
    std::fprintf(log, "%s\n", line.toUtf8().constData());
    std::fflush(log);
}

// The log's note of a calculator run: what it cost apart from the user's own time at a prompt
// (the mirror included, and shown apart).
void FrontEnd::logTiming(qint64 runNanoseconds) {
    char note[200];
    std::snprintf(note, sizeof note,
                  "# vcal took %.1f ms (the mirror %.1f ms) besides %.1f ms at "
                  "LibreCAD's input (the mirror %.1f ms of it)",
                  (runNanoseconds - userWaitNanoseconds) / 1e6, mirrorNanoseconds / 1e6,
                  userWaitNanoseconds / 1e6, mirrorWhileWaitingNanoseconds / 1e6);
    copyToLog(note);
}

// One line at the end of LibreCAD's history, as plain text: QTextEdit::append would read a
// line that looks like markup ("[2<45]", "<Object name ...>") as markup.
void FrontEnd::appendHistory(const QString& line) {
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
// A run that ends unseen shows nothing, and a run again from its expression does not show the
// expression a second time.
void FrontEnd::showHostText(const std::string& text) {
    try {
        openLine += text;
        std::size_t lineEnd;
        while ((lineEnd = openLine.find('\n')) != std::string::npos) {
            std::string line = openLine.substr(0, lineEnd);
            openLine.erase(0, lineEnd + 1);
            if (muted || hostsim::trimmed(line, " \t\r").empty()) continue;
            if (echoReplayed) {
                echoReplayed = false;
                continue;
            }
            appendHistory(fromHost(line));
        }
    } catch (...) {
        // the module is mid-call: a line lost from the history must not unwind through it
    }
}

void FrontEnd::showFailureText(const std::string& text) {
    try {
        appendHistory(QString::fromStdString(hostsim::trimmed(text, hostsim::commandBlanks)));
    } catch (...) {
    }
}

// The adapter's own notice: while the module prints, through the host's output so that it
// stands in order with the module's text; else (and while a prompt waits, whose line it would
// cut) straight into the history.
void FrontEnd::showNotice(Notice notice, std::initializer_list<std::string> arguments) {
    std::string text = noticeText(notice, language, arguments);
    bool promptWaits = promptLoop != nullptr || pointWaits;
    if (moduleBusy && sessionStarted && !promptWaits) {
        hostsim::startLine();
        hostsim::printText(toHost(text) + "\n");
        return;
    }
    appendHistory(QString::fromStdString(text));
}

// The command widgets of LibreCAD's window; false, with the reason shown, when one is missing.
bool FrontEnd::findCommandWidgets(QWidget* window) {
    if (window == nullptr) return false;
    mainWindow = window;
    history = window->findChild<QTextEdit*>("teHistory");
    promptLabel = window->findChild<QLabel*>("lCommand");
    commandEdit = window->findChild<QLineEdit*>("leCommand");
    if (history && promptLabel && commandEdit) return true;
    std::string reason = noticeText(Notice::WidgetsMissing, language);
    std::fprintf(stderr, "%s\n", reason.c_str());
    QMessageBox::warning(window, "vectrin", QString::fromStdString(reason));
    return false;
}

// LibreCAD loads a plug-in with its symbols private; the module resolves the host's kvs_*
// routines against the global scope, so the plug-in re-opens itself into it.
std::string FrontEnd::pluginFolder() {
    Dl_info info;
    if (dladdr(reinterpret_cast<void*>(&currentDrawingWindow), &info) == 0 ||
        info.dli_fname == nullptr)
        return ".";
    if (dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD | RTLD_GLOBAL) == nullptr)
        showNotice(Notice::RoutinesNotOffered, {dlerror()});
    // the file itself, not a link to it: the installed modules are found relative to the file
    char* resolved = realpath(info.dli_fname, nullptr);
    std::string path = resolved != nullptr ? resolved : info.dli_fname;
    std::free(resolved);
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

}  // namespace librecad

namespace {

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

}  // namespace

namespace librecad {

// The host's session, set up at the first use, and the module loaded (again, after it stopped
// itself); false, with the reason in the history, when the module cannot be loaded. The host's
// notices about the module speak as the plug-in.
bool FrontEnd::startSession() {
    if (!sessionStarted) {
        moduleFolder = pluginFolder();
        hostsim::resetSessionState();
        hostsim::captureOutput(true);  // LibreCAD's standard output is nobody's screen
        hostsim::nameProgram("vectrin");
        hostsim::mirrorOutput([this](const std::string& text) { showHostText(text); });
        hostsim::mirrorFailures([this](const std::string& text) { showFailureText(text); });
        hostsim::useLineSource([this](std::string& line) { return answerPrompt(line); });
        sessionStarted = true;
        showNotice(Notice::Version, {VECTRIN_VERSION});
    }
    if (hostsim::moduleLoaded()) return true;
    std::string path = modulePath(moduleFolder);
    language = moduleLanguage(path);
    if (hostsim::loadModule(path)) return true;
    showNotice(Notice::ModuleMissing);
    return false;
}

// ---- one calculator run ----

// The command word: a run without LibreCAD's plug-in call, which would empty LibreCAD's Redo. A
// run that comes to a pick ends there unseen and runs again from its expression in the plug-in
// call, which gives the document a pick needs.
void FrontEnd::runCommandWord(QWidget* window) {
    replayPending = false;
    carriedNanoseconds = 0;
    runModule(nullptr, window);
    if (!needsDocument) return;
    needsDocument = false;
    replayExpression = lastExpression;
    replayPending = true;
    startPluginAction();
}

void FrontEnd::runCalculator(Document_Interface* document, QWidget* window) {
    if (document == nullptr) return;
    if (replayPending) {
        replayPending = false;
        firstAnswer = replayExpression;
        echoReplayed = true;  // the run before showed it
    }
    runModule(document, window);
}

void FrontEnd::runModule(Document_Interface* document, QWidget* window) {
    try {
        if (moduleBusy) {
            showNotice(Notice::AlreadyRunning);
            return;
        }
        std::string command;
        if (findCommandWidgets(window) && startSession()) {
            command = calculatorCommand();
            if (command.empty()) showNotice(Notice::NoCalculatorCommand);
        }
        if (command.empty()) {
            firstAnswer.clear();
            echoReplayed = false;
            return;
        }
        QElapsedTimer run;
        run.start();
        ModuleCall call(*this);
        userWaitNanoseconds = mirrorNanoseconds = mirrorWhileWaitingNanoseconds = 0;
        activeDocument = document;
        activeDrawingWindow = currentDrawingWindow(window);
        mirrorCurrent = needsDocument = false;
        lastExpression.clear();
        chooseLastPoint(librecadCommandWaits());
        hostsim::QValue result;
        std::string error;
        if (!hostsim::invokeFunction(command, {}, result, error))
            showNotice(Notice::CallFailed, {hostsim::utf8FromCp1252(error)});
        if (needsDocument) {
            carriedNanoseconds += run.nsecsElapsed() - userWaitNanoseconds;
            return;
        }
        showResult(result);
        if (!pendingNotice.empty()) appendHistory(QString::fromStdString(pendingNotice));
        pendingNotice.clear();
        if (result.isPoint() && !librecadCommandWaits()) moveRelativeZero(result.coordinates());
        // the keys go back to LibreCAD's command line, where the user typed vcal, not to the
        // drawing a pick was clicked in
        if (commandEdit) commandEdit->setFocus();
        logTiming(run.nsecsElapsed() + carriedNanoseconds);
        carriedNanoseconds = 0;
    } catch (const std::exception& e) {
        reportFault(e.what());
    } catch (...) {
        reportFault("an unknown exception");
    }
}

// The host's line source while the adapter runs the module. Inside a line LibreCAD's own
// command reads, no prompt can be asked: LibreCAD's point input would cancel that command.
bool FrontEnd::answerPrompt(std::string& line) {
    try {
        if (insideLibrecadInput) {
            showNotice(Notice::PromptInsideCommand);
            return false;
        }
        if (hostsim::pointPromptWaiting()) {
            if (!activeDrawingWindow) return false;  // no drawing, or it went away
            if (activeDocument != nullptr) return answerWithPoint(line);
            needsDocument = muted = true;
            return false;
        }
        return !needsDocument && answerWithTypedLine(line);
    } catch (const std::exception& e) {
        showNotice(Notice::AnswerLost, {e.what()});
    } catch (...) {
        showNotice(Notice::AnswerLost, {"?"});
    }
    return false;  // read as the end of input: the prompt is cancelled
}

// A text prompt: the first answer the run brought, else the line typed at LibreCAD's command
// line. HELP and PRECISION are answered here and the prompt asked again, and so is an answer
// with a last point that is not known; what the module gets is an expression.
bool FrontEnd::answerWithTypedLine(std::string& line) {
    if (!promptLabel || !commandEdit) return false;
    const std::string prompt = openLine;  // printed again after a word answered here
    bool drawingShown = activeDrawingWindow;
    for (;;) {
        std::string answer;
        answer.swap(firstAnswer);
        if (answer.empty() && !waitForTypedLine(answer)) {
            if (activeDrawingWindow || !drawingShown)  // Esc, not the drawing closed
                hostsim::printText(noticeText(Notice::Cancel, language) + "\n");
            return false;
        }
        LineDecision decision = decideLine({true, true}, LineKey::Enter, answer);
        bool unknownPoint = lastPointUnknown && mentionsLastPoint(answer);
        if (decision.action == LineAction::Answer && !unknownPoint) {
            answers.remember(answer);
            lastExpression = line = answer;
            return true;
        }
        hostsim::printText(toHost(answer) + "\n");
        if (unknownPoint)
            showNotice(Notice::LastPointUnknown);
        else
            answerHostWord(decision);
        hostsim::startLine();
        hostsim::printText(prompt);
    }
}

// HELP and PRECISION, as hostsim's command line answers them.
void FrontEnd::answerHostWord(const LineDecision& decision) {
    std::string word = toHost(decision.text);
    if (decision.action == LineAction::Precision) {
        std::string reply = precisionAnswer(word, language);
        if (!reply.empty()) hostsim::printText(toHost(reply) + "\n");
        return;
    }
    std::string help = helpText(word);
    if (!help.empty()) {
        hostsim::printResult(help);
        return;
    }
    // as Quillet prints a text: a control character typed shows instead of acting
    std::string name = hostsim::formatValue(hostsim::QValue::textValue(hostsim::upperName(word)));
    showNotice(Notice::NoHelp, {hostsim::utf8FromCp1252(name)});
}

bool FrontEnd::waitForTypedLine(std::string& answer) {
    QString prompt = fromHost(hostsim::trimmed(openLine));
    label->show(promptLabel, prompt);
    copyToLog("# asks: " + prompt);
    answers.startOver();
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
    label->restore();
    if (!promptAnswered) return false;
    answer = promptAnswer;
    return true;
}

// A point or pick prompt: the mirror brought up to date first (once per calculator run), then
// LibreCAD's point input, answered by a click or typed coordinates. A point keeps the user's
// snaps; a pick of an object takes the point clicked, with LibreCAD's snaps off meanwhile, and
// its pick box follows LibreCAD's view.
//
// The mirror is read while the point input waits for the user, and not again after the click
// unless input that may change the document came meanwhile: the first pick of a run costs the
// user no wait for the document, however large.
bool FrontEnd::answerWithPoint(std::string& line) {
    QString prompt = fromHost(hostsim::trimmed(openLine));
    copyToLog("# asks: " + prompt);
    bool objectPick = hostsim::objectPickWaiting();
    QPointF point;
    bool given = false;
    {
        SnapsOff snapsOff(objectPick ? mainWindow.data() : nullptr);
        if (objectPick && !snapsOff.switched())
            appendHistory(QString::fromStdString(noticeText(Notice::SnapsKept, language)));
        objectPickWaits = objectPick;
        clickSeen = false;
        documentTouched = !mirrorCurrent;  // until the mirror is read while the input waits
        std::function<void()> readAhead;
        if (!mirrorCurrent)
            readAhead = [this]() {
                if (readMirror(false)) documentTouched = false;
            };
        given = waitForPoint(promptLabel ? PromptLabel::fitted(*promptLabel, prompt) : prompt,
                             point, std::move(readAhead));
        objectPickWaits = false;
    }
    if (!activeDrawingWindow) return false;  // the drawing went away
    if (!given) {
        hostsim::printText(noticeText(Notice::Cancel, language) + "\n");
        return false;
    }
    if (documentTouched) mirrorCurrent = false;  // read again: the user may have changed it
    if (!readMirror(true)) return false;
    if (objectPick) useViewScale({point.x(), point.y(), 0.0});
    QString exact = exactPoint(point.x(), point.y());
    line = exact.toStdString();
    hostsim::echoSourceLineAs(
        toHost(librecadShows(mainWindow, point.x(), point.y(), true, exact).toStdString()));
    return true;
}

bool FrontEnd::waitForPoint(const QString& prompt, QPointF& point, std::function<void()> idleWork) {
    PointWaitPacer pacer(std::move(idleWork));
    QElapsedTimer waited;
    waited.start();
    pointWaits = true;
    bool given = activeDocument->getPoint(&point, prompt);
    pointWaits = false;
    userWaitNanoseconds += waited.nsecsElapsed();
    return given;
}

// The mirror brought up to date, once per calculator run; false, with the reason shown when
// asked to, when the document cannot be read. Its time while the user points is the user's.
bool FrontEnd::readMirror(bool showFailure) {
    if (mirrorCurrent) return true;
    std::string error;
    QElapsedTimer reading;
    reading.start();
    bool read = mirror.refresh(*activeDocument, language, pendingNotice, error);
    (pointWaits ? mirrorWhileWaitingNanoseconds : mirrorNanoseconds) += reading.nsecsElapsed();
    if (!read) {
        if (showFailure) showNotice(Notice::DrawingUnreadable, {error});
        return false;
    }
    mirrorCurrent = true;
    return true;
}

// The pick box is PICKBOX pixels of what the user sees: LibreCAD's view, when the click that
// answered tells its scale; else (a typed point) the mirror's own view of the drawing's
// extents, as hostsim has it for the drawing saved as DXF.
void FrontEnd::useViewScale(const hostsim::Point& picked) {
    double pixelsPerUnit = 0;
    hostsim::QValue screen;
    if (clickSeen && viewPixelsPerUnit(lastClick, picked, pixelsPerUnit) &&
        hostsim::getSysvar("SCREENSIZE", screen) && screen.isPoint()) {
        hostsim::setSysvarReal("VIEWSIZE", screen.coordinates()[1] / pixelsPerUnit);
        copyToLog(QString("# the pick box is in LibreCAD's view: %1 pixels a unit")
                      .arg(pixelsPerUnit, 0, 'g', 17));
        return;
    }
    hostsim::setDefaultViewSize();
}

// ---- after a result ----

void FrontEnd::showResult(const hostsim::QValue& result) {
    if (result.isNil()) return;
    hostsim::printResult(hostsim::formatValue(result) + "\n");
    if (result.isPoint()) hostsim::setSysvarPoint("LASTPOINT", result.coordinates());
}

// The point becomes LibreCAD's relative zero, the base of @ in its point input, which the
// interface cannot set: LibreCAD's own Set Relative Zero is given the point as typed text. Only
// at LibreCAD's Command:, as inside a command @ is that command's last point.
void FrontEnd::moveRelativeZero(const hostsim::Point& p) {
    QAction* set = mainWindow ? mainWindow->findChild<QAction*>("SetRelativeZero") : nullptr;
    if (set == nullptr || !set->isEnabled() || !commandEdit || !history) return;
    QString typed = exactPoint(p[0], p[1]);
    set->trigger();
    commandEdit->setText(typed);
    sendEnter(commandEdit);
    removeLastLines(*history, {typed});  // LibreCAD's echo of it is no line of the user's
}

void FrontEnd::reportFault(const char* what) { showNotice(Notice::InternalFault, {what}); }

// ---- LibreCAD's last point ----

bool FrontEnd::librecadCommandWaits() const {
    if (!promptLabel) return false;
    QString librecad = label->showing() ? label->librecadText() : promptLabel->text();
    return librecad != idleLabel();
}

QWidget* FrontEnd::currentGraphicView() const {
    QWidget* drawing = currentDrawingWindow(mainWindow);
    return drawing != nullptr ? drawing->findChild<QWidget*>("graphicview") : nullptr;
}

// Inside a LibreCAD command, @ is the last point that command received: LibreCAD's relative
// zero, which LASTPOINT becomes for the run; where LibreCAD has not announced it, an answer with
// @ is refused. At LibreCAD's Command: @ is vectrin's own last point. False when it is refused.
bool FrontEnd::chooseLastPoint(bool insideCommand) {
    lastPointUnknown = false;
    QWidget* view = currentGraphicView();
    relativeZeros->follow(view);  // at the latest now: a view it missed is known from its next move
    hostsim::Point zero;
    if (!insideCommand) return true;
    if (relativeZeros->known(view, zero)) {
        hostsim::setSysvarPoint("LASTPOINT", zero);
        return true;
    }
    lastPointUnknown = true;
    return false;
}

// ---- LibreCAD's events ----

// 'EXPR typed at LibreCAD's command line: evaluated at once; the value is handed to the
// LibreCAD command that waits for it, else only shown. The line is always used up.
bool FrontEnd::evaluateInLine(QLineEdit* edit, const std::string& expression) {
    if (!findCommandWidgets(edit->window())) return false;
    appendHistory(edit->text());
    edit->clear();
    if (expression.empty()) {
        showNotice(Notice::ExpressionMissing);
        return true;
    }
    bool waiting = librecadCommandWaits();
    std::string command = startSession() ? calculatorCommand() : "";
    std::string text;
    if (command.empty() || !hostsim::hostLineFromTerminal(expression, text)) return true;
    if (!chooseLastPoint(waiting) && mentionsLastPoint(text)) {
        showNotice(Notice::LastPointUnknown);
        return true;
    }
    hostsim::QValue result;
    {
        ModuleCall call(*this);
        insideLibrecadInput = true;
        std::string error;
        if (!hostsim::invokeFunction(command.substr(2), {hostsim::QValue::textValue(text)}, result,
                                     error))
            showNotice(Notice::CallFailed, {hostsim::utf8FromCp1252(error)});
        showResult(result);
    }
    if (waiting) handOn(edit, result);
    return true;
}

// The value handed to the LibreCAD command that waits, as if typed, exactly. LibreCAD's echo of
// it shows it as LibreCAD shows coordinates; a number LibreCAD's command does not take as a
// command (LINE wants a point) is said so in vectrin's words, not as an unknown command.
void FrontEnd::handOn(QLineEdit* edit, const hostsim::QValue& value) {
    std::string handed;
    if (!handedOnText(value, handed)) return;
    QString typed = QString::fromStdString(handed);
    copyToLog("# handed: " + typed);
    edit->setText(typed);
    sendEnter(edit);
    if (!history) return;
    QString unknown =
        QCoreApplication::translate("QG_CommandWidget", "Unknown command: %1").arg(typed);
    if (!value.isPoint() && removeLastLines(*history, {typed, unknown})) {
        showNotice(Notice::PointWanted, {hostsim::utf8FromCp1252(hostsim::formatValue(value))});
        return;
    }
    bool point = value.isPoint();
    double x = point ? value.coordinates()[0] : value.number();
    double y = point ? value.coordinates()[1] : 0.0;
    if (removeLastLines(*history, {typed}))
        appendHistory(librecadShows(mainWindow, x, y, point, typed));
}

}  // namespace librecad
