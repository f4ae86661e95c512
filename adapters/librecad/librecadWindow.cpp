// adapters/librecad/librecadWindow.cpp - what the adapter reads from LibreCAD's window, and does
// to it, beyond the plug-in interface: the relative zero, the snaps, the command label, the
// coordinate display, the view's scroll bars and the history's lines.
// SPDX-License-Identifier: GPL-2.0-or-later
//
// Widgets, actions and slots are found by the Qt names LibreCAD 2.2 gives them (graphicview,
// snap_toolbar, SnapCenter, coordinates, lCoord1, ...); none of them is an interface, so each is
// looked for every time and its absence leaves things as they were.
#include <QAction>
#include <QFontMetrics>
#include <QLabel>
#include <QMetaObject>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <algorithm>
#include <cstring>
#include <map>
#include <set>

#include "adapters/librecad/librecad.h"

// LibreCAD's vector, known here by name only: its graphic views' signal carries one.
struct RS_Vector;

namespace {

// The snaps an object pick switches off, and the restriction it sets: none.
const char* const snapActions[] = {
    "SnapGrid",         "SnapEnd",           "SnapEntity",       "SnapCenter",
    "SnapMiddle",       "SnapDistance",      "SnapIntersection", "RestrictHorizontal",
    "RestrictVertical", "RestrictOrthogonal"};
const char noRestriction[] = "RestrictNothing";

// LibreCAD's snap toolbar reads its actions' states and hands them to the views.
void applySnaps(QObject* toolbar) { QMetaObject::invokeMethod(toolbar, "actionTriggered"); }

}  // namespace

namespace librecad {

// ---- the relative zero ----

// The Qt object the views' signal reaches; its slot's argument is spelt as LibreCAD's signal
// spells it, for Qt to match them by name.
class ZeroReceiver : public QObject {
    Q_OBJECT

public:
    std::set<QObject*> followed;
    std::map<QObject*, hostsim::Point> zeros;

public slots:
    void moved(const RS_Vector& zero) {
        struct Vector {  // RS_Vector's members, in LibreCAD 2.2's order
            double x, y, z;
            bool valid;
        } vector;
        std::memcpy(&vector, &zero, sizeof vector);
        if (vector.valid)
            zeros[sender()] = {vector.x, vector.y, 0.0};
        else
            zeros.erase(sender());
    }
};

RelativeZeros::RelativeZeros() : receiver(new ZeroReceiver) {}

RelativeZeros::~RelativeZeros() = default;

void RelativeZeros::follow(QObject* view) {
    if (view == nullptr || !receiver->followed.insert(view).second) return;
    QObject::connect(view, SIGNAL(relative_zero_changed(RS_Vector)), receiver.get(),
                     SLOT(moved(RS_Vector)));
    ZeroReceiver* zeros = receiver.get();
    QObject::connect(view, &QObject::destroyed, zeros, [zeros](QObject* gone) {
        zeros->followed.erase(gone);
        zeros->zeros.erase(gone);
    });
}

bool RelativeZeros::known(QObject* view, hostsim::Point& zero) const {
    auto found = receiver->zeros.find(view);
    if (found == receiver->zeros.end()) return false;
    zero = found->second;
    return true;
}

// ---- the snaps ----

SnapsOff::SnapsOff(QWidget* mainWindow) {
    QObject* bar =
        mainWindow != nullptr ? mainWindow->findChild<QObject*>("snap_toolbar") : nullptr;
    QAction* nothing =
        mainWindow != nullptr ? mainWindow->findChild<QAction*>(noRestriction) : nullptr;
    if (bar == nullptr || nothing == nullptr) return;
    for (const char* name : snapActions) {
        QAction* action = mainWindow->findChild<QAction*>(name);
        if (action == nullptr) return;
        saved.emplace_back(action, action->isChecked());
    }
    saved.emplace_back(nothing, nothing->isChecked());
    for (auto& action : saved) action.first->setChecked(action.first == nothing);
    toolbar = bar;
    applySnaps(toolbar);
}

SnapsOff::~SnapsOff() {
    if (!toolbar) return;
    for (auto& action : saved)
        if (action.first) action.first->setChecked(action.second);
    applySnaps(toolbar);
}

// ---- the command label ----

QString PromptLabel::fitted(QLabel& label, const QString& prompt) {
    QWidget* line = label.parentWidget();
    int room = std::max(label.width(), line != nullptr ? line->width() / 2 : label.width());
    return QFontMetrics(label.font()).elidedText(prompt, Qt::ElideRight, room);
}

void PromptLabel::show(QLabel* shown, const QString& prompt) {
    if (shown == nullptr) return;
    if (!label) librecad = shown->text();
    label = shown;
    vectrin = fitted(*shown, prompt);
    label->setText(vectrin);
    label->setToolTip(prompt);
}

bool PromptLabel::keep() {
    if (!label || label->text() == vectrin) return false;
    librecad = label->text();
    label->setText(vectrin);
    return true;
}

bool PromptLabel::showing() const { return !label.isNull(); }

QLabel* PromptLabel::widget() const { return label; }

void PromptLabel::restore() {
    if (!label) return;
    label->setText(librecad);
    label->setToolTip(QString());
    label = nullptr;
}

// ---- the view, the coordinate display and the history ----

bool readViewClick(QObject* watched, QEvent* event, ViewClick& click) {
    if (event->type() != QEvent::MouseButtonRelease || watched->objectName() != "graphicview")
        return false;
    QMouseEvent* mouse = static_cast<QMouseEvent*>(event);
    QWidget* view = qobject_cast<QWidget*>(watched);
    if (mouse->button() != Qt::LeftButton || view == nullptr) return false;
    QScrollBar *across = nullptr, *down = nullptr;
    for (QScrollBar* bar : view->findChildren<QScrollBar*>(QString(), Qt::FindDirectChildrenOnly))
        (bar->orientation() == Qt::Horizontal ? across : down) = bar;
    if (across == nullptr || down == nullptr) return false;
    click.x = mouse->x();
    click.y = mouse->y();
    click.horizontalScroll = across->value();
    click.verticalScroll = down->value();
    // LibreCAD's drawing area is the view less its horizontal bar
    click.height = view->height() - (across->isVisible() ? across->sizeHint().height() : 0);
    return true;
}

QString librecadShows(QWidget* mainWindow, double x, double y, bool point,
                      const QString& fallback) {
    QWidget* display =
        mainWindow != nullptr ? mainWindow->findChild<QWidget*>("coordinates") : nullptr;
    QLabel* absolute = display != nullptr ? display->findChild<QLabel*>("lCoord1") : nullptr;
    if (absolute == nullptr) return fallback;
    QList<QLabel*> labels = display->findChildren<QLabel*>();
    QStringList texts;
    for (QLabel* label : labels) texts << label->text();
    absolute->clear();  // a display without a drawing leaves it so
    QMetaObject::invokeMethod(display, "setCoordinates", Q_ARG(double, x), Q_ARG(double, y),
                              Q_ARG(double, x), Q_ARG(double, y), Q_ARG(bool, true));
    std::string shown = absolute->text().toStdString();
    for (int i = 0; i < labels.size(); ++i) labels[i]->setText(texts[i]);
    if (shown.empty()) return fallback;
    return QString::fromStdString(shownAsLibrecadShows(shown, point));
}

bool removeLastLines(QTextEdit& history, const QStringList& lines) {
    QTextDocument* document = history.document();
    QTextBlock first = document->lastBlock();
    for (int i = lines.size() - 1; i >= 0; --i) {
        if (!first.isValid() || first.text() != lines[i]) return false;
        if (i > 0) first = first.previous();
    }
    QTextCursor cursor(document);
    // with the line break before the first line, when there is a line before it
    cursor.setPosition(first.previous().isValid() ? first.position() - 1 : first.position());
    cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    return true;
}

}  // namespace librecad

#include "librecadWindow.moc"
