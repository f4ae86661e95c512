// adapters/librecad/notices.cpp - what the plug-in says in its own words, in the language of the
// module it loaded, so that a German module's prompts are not framed by English notices.
// SPDX-License-Identifier: GPL-2.0-or-later
//
// The module's own texts come from its catalogue; these are the adapter's, which no catalogue
// holds. A language without a column here gets English.
#include <cstring>

#include "adapters/librecad/librecad.h"

namespace {

using librecad::Notice;

struct NoticeRow {
    Notice notice;
    const char* english;
    const char* german;
};

// One row for each Notice; %1, %2 are the arguments.
const NoticeRow noticeRows[] = {
    {Notice::ConstructionLines, "construction lines", "Konstruktionslinien"},
    {Notice::Dimensions, "dimensions", "Bemaßungen"},
    {Notice::Hatches, "hatches", "Schraffuren"},
    {Notice::Images, "images", "Bilder"},
    {Notice::OtherObjects, "other objects", "andere Objekte"},
    {Notice::Solids, "solids", "Flächen"},
    {Notice::Splines, "splines", "Splines"},
    {Notice::BlockContents, "the contents of %1 block references",
     "den Inhalt von %1 Blockreferenzen"},
    {Notice::MirrorLeavesOut,
     "vectrin sees the drawing without what LibreCAD's plug-in interface does not give: %1.",
     "vectrin sieht die Zeichnung ohne das, was LibreCADs Plug-in-Schnittstelle nicht hergibt: "
     "%1."},
    {Notice::WidgetsMissing,
     "vectrin: LibreCAD's command line (the widgets teHistory, lCommand and leCommand) was not "
     "found; this LibreCAD is not the version the plug-in was built for.",
     "vectrin: LibreCADs Befehlszeile (die Widgets teHistory, lCommand und leCommand) wurde nicht "
     "gefunden; dieses LibreCAD ist nicht die Version, für die das Plug-in gebaut ist."},
    {Notice::RoutinesNotOffered,
     "vectrin: the plug-in could not offer its routines to the module: %1",
     "vectrin: das Plug-in konnte dem Modul seine Routinen nicht anbieten: %1"},
    {Notice::Version, "vectrin %1", "vectrin %1"},
    {Notice::ModuleMissing,
     "vectrin: the calculator is not available; the package vectrin installs its module, make "
     "librecad puts one beside the plug-in (or set VECTRIN_MODULE). LibreCAD goes on.",
     "vectrin: der Rechner ist nicht verfügbar; das Paket vectrin installiert sein Modul, make "
     "librecad legt eines neben das Plug-in (oder setzen Sie VECTRIN_MODULE). LibreCAD läuft "
     "weiter."},
    {Notice::NoCalculatorCommand, "vectrin: the module defines no calculator command.",
     "vectrin: das Modul definiert keinen Rechnerbefehl."},
    {Notice::DrawingUnreadable, "vectrin cannot read the drawing: %1",
     "vectrin kann die Zeichnung nicht lesen: %1"},
    {Notice::PromptInsideCommand,
     "A pick or prompt cannot be answered inside another LibreCAD command: run it with vcal "
     "first (its point becomes the last point, @), then use the value here.",
     "Eine Auswahl oder Eingabe kann nicht innerhalb eines anderen LibreCAD-Befehls beantwortet "
     "werden: führen Sie sie zuerst mit vcal aus (ihr Punkt wird der letzte Punkt, @) und "
     "verwenden Sie dann den Wert hier."},
    {Notice::AnswerLost, "vectrin: the answer was lost: %1",
     "vectrin: die Antwort ging verloren: %1"},
    {Notice::InternalFault,
     "vectrin stopped on an internal fault (%1); LibreCAD and the drawing are unharmed.",
     "vectrin hat wegen eines internen Fehlers angehalten (%1); LibreCAD und die Zeichnung sind "
     "unversehrt."},
    {Notice::ExpressionMissing, "Type an expression after the apostrophe, as 'A+[10,0].",
     "Geben Sie nach dem Apostroph einen Ausdruck ein, etwa 'A+[10,0]."},
    {Notice::CallFailed, "vectrin: %1", "vectrin: %1"},
    {Notice::WaitingForPoint, "vectrin is waiting for a point: click one or type it, or press Esc.",
     "vectrin wartet auf einen Punkt: klicken oder tippen Sie ihn, oder drücken Sie Esc."},
    {Notice::CloseRefused, "vectrin is waiting for an answer: press Esc first, then close.",
     "vectrin wartet auf eine Antwort: drücken Sie zuerst Esc, dann schließen Sie."},
    {Notice::AlreadyRunning, "vectrin is already running: answer its prompt, or press Esc.",
     "vectrin läuft bereits: beantworten Sie seine Eingabeaufforderung, oder drücken Sie Esc."},
    {Notice::LastPointUnknown,
     "@ here is the last point LibreCAD's command received, and LibreCAD has not told vectrin "
     "that point yet: give the command a point first, or type the point itself.",
     "@ ist hier der letzte Punkt, den LibreCADs Befehl erhalten hat, und LibreCAD hat vectrin "
     "diesen Punkt noch nicht mitgeteilt: geben Sie dem Befehl zuerst einen Punkt, oder tippen "
     "Sie den Punkt selbst."},
    {Notice::PointWanted,
     "LibreCAD's command wants a point here, and %1 is a number: give a point, as '[%1,0] or "
     "'[@%1<0].",
     "LibreCADs Befehl erwartet hier einen Punkt, und %1 ist eine Zahl: geben Sie einen Punkt "
     "an, etwa '[%1,0] oder '[@%1<0]."},
    {Notice::Cancel, "*Cancel*", "*Abbruch*"},
    {Notice::NoHelp, "No help for %1. Type HELP for the list.",
     "Keine Hilfe zu %1. HELP zeigt die Liste."},
    {Notice::PrecisionIs,
     "PRECISION is %1; PRECISION N sets N (1 to 17), PRECISION .N N decimal places.",
     "PRECISION ist %1; PRECISION N setzt N (1 bis 17), PRECISION .N N Nachkommastellen."},
    {Notice::PrecisionRefused,
     "PRECISION needs N (1 to 17 significant digits) or .N (1 to 17 decimal places), not "
     "\"%1\"; it stays %2.",
     "PRECISION braucht N (1 bis 17 gültige Ziffern) oder .N (1 bis 17 Nachkommastellen), nicht "
     "\"%1\"; sie bleibt %2."},
    {Notice::SignificantDigit, "%1 significant digit", "%1 gültige Ziffer"},
    {Notice::SignificantDigits, "%1 significant digits", "%1 gültige Ziffern"},
    {Notice::DecimalPlace, ".%1: %1 decimal place", ".%1: %1 Nachkommastelle"},
    {Notice::DecimalPlaces, ".%1: %1 decimal places", ".%1: %1 Nachkommastellen"},
    {Notice::SnapsKept,
     "vectrin could not switch LibreCAD's snaps off for the pick (the snap toolbar was not "
     "found): a snap may have moved the point clicked.",
     "vectrin konnte LibreCADs Fänge für die Auswahl nicht ausschalten (die Fang-Werkzeugleiste "
     "fehlt): ein Fang kann den geklickten Punkt verschoben haben."},
};

}  // namespace

namespace librecad {

std::string noticeText(Notice notice, const std::string& language,
                       std::initializer_list<std::string> arguments) {
    std::string text;
    for (const NoticeRow& row : noticeRows)
        if (row.notice == notice) text = language == "de" ? row.german : row.english;
    int number = 1;
    for (const std::string& argument : arguments) {
        std::string mark = "%" + std::to_string(number++);
        for (std::size_t at = text.find(mark); at != std::string::npos;
             at = text.find(mark, at + argument.size()))
            text.replace(at, mark.size(), argument);
    }
    return text;
}

std::string moduleLanguage(const std::string& modulePath) {
    std::string file = modulePath.substr(modulePath.rfind('/') + 1);
    const char prefix[] = "vectrin.", suffix[] = ".so";
    std::size_t prefixLength = std::strlen(prefix), suffixLength = std::strlen(suffix);
    if (file.size() <= prefixLength + suffixLength || file.compare(0, prefixLength, prefix) != 0 ||
        file.compare(file.size() - suffixLength, suffixLength, suffix) != 0)
        return "";
    return file.substr(prefixLength, file.size() - prefixLength - suffixLength);
}

}  // namespace librecad
