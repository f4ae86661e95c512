// adapters/librecad/frontEndEvents.cpp - LibreCAD's events as the front end takes them: keys on
// its command line, window closes, clicks in a drawing, the label's repaints.
// SPDX-License-Identifier: GPL-2.0-or-later
//
// The plug-in sees every event before LibreCAD (an event filter on the application). Most pass
// untouched; the filter takes the command word, 'EXPR and the lines of vectrin's prompt, refuses
// a close while the module runs, and notes what the front end needs to know of the rest.
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMdiSubWindow>
#include <exception>

#include "adapters/librecad/librecad.h"

namespace {

// Input that may change the document while LibreCAD's point input waits: keys (typed commands,
// shortcuts such as Undo), clicks anywhere but in a drawing (toolbars, menus, the layer list),
// files dropped. A click in a drawing goes to the point input itself, and the mouse's moves
// only draw its preview.
bool mayChangeDocument(QObject* watched, QEvent* event) {
    if (!watched->isWidgetType()) return false;  // Qt's window hands it on to a widget
    switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::Drop: return true;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick: return watched->objectName() != "graphicview";
        default: return false;
    }
}

}  // namespace

namespace librecad {

// Enter on LibreCAD's command line, as the user's own: the filter lets it through.
void FrontEnd::sendEnter(QLineEdit* edit) {
    struct Passing {
        bool& flag;
        explicit Passing(bool& flag) : flag(flag) { flag = true; }
        ~Passing() { flag = false; }
    } passing(passingOwnKey);
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(edit, &enter);
}

bool FrontEnd::filterKey(QLineEdit* edit, QKeyEvent* key) {
    LineKey lineKey;
    switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter: lineKey = LineKey::Enter; break;
        case Qt::Key_Space: lineKey = LineKey::Space; break;
        case Qt::Key_Escape: lineKey = LineKey::Escape; break;
        case Qt::Key_Up: lineKey = LineKey::Up; break;
        case Qt::Key_Down: lineKey = LineKey::Down; break;
        default: return false;
    }
    if (objectPickWaits && lineKey == LineKey::Enter) clickSeen = false;  // a typed pick point
    LineState state;
    state.promptOpen = promptLoop != nullptr;
    state.moduleBusy = moduleBusy;
    LineDecision decision = decideLine(state, lineKey, edit->text().toUtf8().toStdString());
    switch (decision.action) {
        case LineAction::Pass: return false;
        case LineAction::InsertSpace: edit->insert(" "); return true;
        case LineAction::Answer:
        case LineAction::Help:
        case LineAction::Precision:
        case LineAction::Cancel:
            // the line as typed: the prompt's loop tells its words from an expression
            promptAnswer = edit->text().toUtf8().toStdString();
            promptAnswered = decision.action != LineAction::Cancel;
            edit->clear();
            promptLoop->quit();
            return true;
        case LineAction::Earlier:
        case LineAction::Later: return walkAnswers(edit, decision.action);
        case LineAction::Start:
            if (findCommandWidgets(edit->window())) appendHistory(edit->text());
            firstAnswer = decision.text;
            edit->clear();
            // at once, within the key's event: the keys typed after it are vectrin's prompt's,
            // however soon they come
            runCommandWord(edit->window());
            return true;
        case LineAction::Evaluate: return evaluateInLine(edit, decision.text);
        case LineAction::Refuse:
            if (findCommandWidgets(edit->window())) showNotice(Notice::WaitingForPoint);
            edit->clear();
            return true;
    }
    return false;
}

// Up and Down at vectrin's prompt walk vectrin's answers, never LibreCAD's own history.
bool FrontEnd::walkAnswers(QLineEdit* edit, LineAction direction) {
    std::string shown;
    bool moved = direction == LineAction::Earlier
                     ? answers.earlier(edit->text().toUtf8().toStdString(), shown)
                     : answers.later(shown);
    if (moved) edit->setText(QString::fromStdString(shown));
    return true;
}

// While the module runs, closing the drawing or LibreCAD would pull the document from under the
// call (and LibreCAD itself uses the window after a plug-in returns): the close waits.
bool FrontEnd::refuseClose(QObject* watched, QEvent* event) {
    if (!moduleBusy) return false;
    if (qobject_cast<QMainWindow*>(watched) == nullptr &&
        qobject_cast<QMdiSubWindow*>(watched) == nullptr)
        return false;
    event->ignore();
    showNotice(Notice::CloseRefused);
    return true;
}

bool FrontEnd::filterEvent(QObject* watched, QEvent* event) {
    if (passingOwnKey) return false;
    try {
        if (pointWaits && !documentTouched) documentTouched = mayChangeDocument(watched, event);
        switch (event->type()) {
            case QEvent::Close: return refuseClose(watched, event);
            case QEvent::KeyPress: {
                if (watched->objectName() != "leCommand") return false;
                QLineEdit* edit = qobject_cast<QLineEdit*>(watched);
                return edit != nullptr && filterKey(edit, static_cast<QKeyEvent*>(event));
            }
            case QEvent::ChildAdded:  // a graphic view adds its scroll bars as it is made
                if (watched->objectName() == "graphicview") relativeZeros->follow(watched);
                return false;
            case QEvent::MouseButtonRelease:
                if (objectPickWaits && readViewClick(watched, event, lastClick)) clickSeen = true;
                return false;
            case QEvent::Paint:
                if (watched == label->widget() && label->keep())
                    copyToLog("# label kept: " + promptLabel->text() + " (LibreCAD set " +
                              label->librecadText() + ")");
                return false;
            default: return false;
        }
    } catch (const std::exception& e) {
        reportFault(e.what());
    } catch (...) {
        reportFault("an unknown exception");
    }
    return false;
}

}  // namespace librecad
