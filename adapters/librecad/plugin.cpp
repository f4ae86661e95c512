// adapters/librecad/plugin.cpp - the plug-in LibreCAD loads: an entry in its Plugins menu, and
// the filter on its command line that the command word, vectrin's prompts and 'EXPR go through.
// SPDX-License-Identifier: GPL-2.0-or-later
#include <QAction>
#include <QApplication>
#include <QObject>
#include <QTimer>

#include "adapters/librecad/librecad.h"
#include "qc_plugininterface.h"

namespace {

constexpr char menuEntry[] = "vectrin calculator";

}  // namespace

class VectrinPlugin : public QObject, QC_PluginInterface {
    Q_OBJECT
    Q_INTERFACES(QC_PluginInterface)
    Q_PLUGIN_METADATA(IID LC_DocumentInterface_iid)

public:
    VectrinPlugin() : frontEnd([this]() { startFromCommandWord(); }) {
        qApp->installEventFilter(this);
    }
    ~VectrinPlugin() override {
        if (qApp != nullptr) qApp->removeEventFilter(this);
    }

    QString name() const override { return "vectrin"; }

    PluginCapabilities getCapabilities() const override {
        PluginCapabilities capabilities;
        capabilities.menuEntryPoints << PluginMenuLocation("plugins_menu", menuEntry);
        return capabilities;
    }

    void execComm(Document_Interface* document, QWidget* parent, QString) override {
        frontEnd.runCalculator(document, parent);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        return frontEnd.filterEvent(watched, event);
    }

private:
    // The command word starts the plug-in's menu action, after the key event is done with, so
    // that LibreCAD calls execComm with the current document as for the menu.
    void startFromCommandWord() {
        QAction* action = findChild<QAction*>();
        if (action != nullptr) QTimer::singleShot(0, action, &QAction::trigger);
    }

    librecad::FrontEnd frontEnd;  // everything the adapter keeps, for the plug-in's lifetime
};

#include "plugin.moc"
