// hostsim/serve/drawingView.cpp - the drawing and the prompt as the page reads them, in JSON: the
// plan view's primitives, what a pick would select, the point a click answers.
#include "hostsim/serve/serve.h"

#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "hostsim/view/view.h"

namespace {

using Json = nlohmann::json;

// JSON has no infinities; a coordinate that overflowed shows as 0 rather than break the page.
double finiteOrZero(double value) { return std::isfinite(value) ? value : 0.0; }

Json finiteList(const std::vector<double>& values) {
    Json list = Json::array();
    for (double v : values) list.push_back(finiteOrZero(v));
    return list;
}

Json curveJson(const hostsim::PlanCurve& c) {
    return finiteList({c.centerX, c.centerY, c.uX, c.uY, c.vX, c.vY, c.t0, c.t1});
}

Json extentsJson() {
    hostsim::Point low, high;
    if (!hostsim::viewExtents(low, high)) return nullptr;
    return finiteList({low[0], low[1], high[0], high[1]});
}

// [x, y, alongX, alongY, upX, upY, length, "text in UTF-8"]: one line of text on its baseline.
Json textJson(const hostsim::PlanText& t) {
    Json entry = finiteList({t.x, t.y, t.alongX, t.alongY, t.upX, t.upY, t.length});
    entry.push_back(t.text);
    return entry;
}

// [x, y, alongX, alongY, bothWays]: a line without end, which the page draws to its edges.
Json rayJson(const hostsim::PlanRay& r) {
    Json entry = finiteList({r.x, r.y, r.alongX, r.alongY});
    entry.push_back(r.bothWays ? 1 : 0);
    return entry;
}

Json planJson(const hostsim::PlanPrimitives& plan) {
    Json curves = Json::array(), polylines = Json::array(), texts = Json::array(),
         rays = Json::array();
    for (const hostsim::PlanCurve& c : plan.curves) curves.push_back(curveJson(c));
    for (const std::vector<double>& points : plan.polylines) polylines.push_back(finiteList(points));
    for (const hostsim::PlanText& t : plan.texts) texts.push_back(textJson(t));
    for (const hostsim::PlanRay& r : plan.rays) rays.push_back(rayJson(r));
    return {{"segments", finiteList(plan.segments)}, {"curves", std::move(curves)},
            {"polylines", std::move(polylines)}, {"nodes", finiteList(plan.nodes)},
            {"texts", std::move(texts)}, {"rays", std::move(rays)}};
}

// The primitives of object top; withTexts: texts as their lines ("texts"), not as the boxes a
// pick finds them by.
Json primitivesJson(int top, bool withTexts) {
    hostsim::PlanPrimitives plan;
    hostsim::planPrimitives(top, withTexts, plan);
    return planJson(plan);
}

Json colourJson(int colour) {
    if (colour == hostsim::foregroundColour) return nullptr;
    char text[8];
    std::snprintf(text, sizeof text, "#%06x", colour & 0xFFFFFF);
    return text;
}

Json styledGroupsJson() {
    std::vector<hostsim::StyledPrimitives> groups;
    hostsim::styledPlanPrimitives(groups);
    Json list = Json::array();
    for (const hostsim::StyledPrimitives& group : groups) {
        Json entry = planJson(group.primitives);
        entry["colour"] = colourJson(group.style.colour);
        entry["dashes"] = finiteList(group.style.dashes);
        list.push_back(std::move(entry));
    }
    return list;
}

hostsim::QValue pointValue(const hostsim::Point& p) {
    return hostsim::QValue::point(p[0], p[1], p[2]);
}

// The name as a page shows it: the file's last part, in UTF-8 (a name that is not valid UTF-8 is
// in the host's code page, as a dropped file's).
std::string drawingNameShown(const std::string& source) {
    std::string name = source.substr(source.find_last_of("/\\") + 1);
    return hostsim::isValidUtf8(name) ? name : hostsim::utf8FromCp1252(name);
}

// The current UCS as the page maps a world point into it: p - origin along each axis.
Json ucsJson() {
    const hostsim::Ucs& ucs = hostsim::currentUcs();
    auto list = [](const hostsim::Point& p) { return finiteList({p[0], p[1], p[2]}); };
    return {{"origin", list(ucs.origin)},
            {"xAxis", list(ucs.xAxis)},
            {"yAxis", list(ucs.yAxis)},
            {"zAxis", list(ucs.zAxis)}};
}

// What a click gives when the prompt names a snap mode: its point (clicked, in world) goes the
// way a typed one does, to the selection (top, the object it selected) and then to object snap,
// as the module's pick asks.
Json snapGlyphJson(const hostsim::Point& clicked, int top) {
    std::string mode;
    unsigned modes = hostsim::snapModesNamedIn(hostsim::waitingPrompt(), mode);
    hostsim::Point snapped;
    if (modes == 0 || top < 0 || !hostsim::snapPointAt(clicked, modes, snapped)) return nullptr;
    hostsim::Point value = hostsim::worldToUcs(snapped, false);
    return {{"mode", mode}, {"x", finiteOrZero(snapped[0])}, {"y", finiteOrZero(snapped[1])},
            {"value", hostsim::formatValue(pointValue(value))}};
}

std::string lastLine(const std::string& text) {
    std::size_t lastBreak = text.rfind('\n');
    return lastBreak == std::string::npos ? text : text.substr(lastBreak + 1);
}

}  // namespace

namespace hostsim {

std::string drawingPrimitivesJson() {
    ensureDrawingOpen();
    Json drawing = {{"groups", styledGroupsJson()}, {"id", currentDrawing().id}};
    drawing["extents"] = extentsJson();
    return drawing.dump(-1, ' ', false, Json::error_handler_t::replace);
}

std::string promptStateJson() {
    QValue pickbox;
    int pixels = getSysvar("PICKBOX", pickbox) && pickbox.isNumber()
                     ? static_cast<int>(pickbox.number()) : 0;
    const Drawing& drawing = currentDrawing();
    Json state = {{"pointPrompt", pointPromptWaiting()},
                  {"pickbox", pixels},
                  {"prompt", utf8FromCp1252(lastLine(waitingPrompt()))},
                  {"drawingId", drawing.id},
                  {"drawingName", drawingNameShown(drawing.source)},
                  {"ucs", ucsJson()},
                  {"coordinateDecimals", drawing.coordinateDecimals}};
    std::string mode;
    if (pointPromptWaiting() && snapModesNamedIn(waitingPrompt(), mode) != 0)
        state["snapMode"] = mode;
    return state.dump(-1, ' ', false, Json::error_handler_t::replace);
}

std::string selectionPreviewJson(double x, double y, const std::function<bool()>& stop) {
    Json preview = Json::object();
    int top = -1;
    Json snap;
    auto find = [&] {  // the point a click here sends, as the host reads it back
        Point clicked = ucsToWorld(worldToUcs({x, y, 0.0}, false), false);
        top = objectSelectedAt(clicked);
        snap = snapGlyphJson(clicked, top);
    };
    if (pointPromptWaiting() && runWithin(previewSeconds, stop, find)) {
        if (top >= 0) preview = primitivesJson(top, false);  // a text by its box
        preview["object"] = top;
        preview["snap"] = snap;
    }
    return preview.dump(-1, ' ', false, Json::error_handler_t::replace);
}

std::string marksJson() {
    static const char* const kindNames[] = {"result", "pick", "snap", "value",
                                            "vector"};  // ORDER Mark::Kind
    Json marks = Json::array();
    for (const Mark& mark : drawingMarks()) {
        Json entry = {{"kind", kindNames[static_cast<int>(mark.kind)]},
                      {"x", finiteOrZero(mark.world[0])}, {"y", finiteOrZero(mark.world[1])}};
        if (!mark.label.empty()) entry["label"] = utf8FromCp1252(mark.label);
        if (!mark.value.empty()) entry["value"] = mark.value;
        marks.push_back(std::move(entry));
    }
    return Json{{"marks", std::move(marks)}}.dump(-1, ' ', false, Json::error_handler_t::replace);
}

// In the fewest digits that read back exactly: the host reads back the very point the page named.
void typedPointAnswer(double x, double y, std::string& line, std::string& echo) {
    Point p = worldToUcs({x, y, 0.0}, false);
    line = exactNumberText(p[0]) + "," + exactNumberText(p[1]) + "," + exactNumberText(p[2]);
    int decimals = currentDrawing().coordinateDecimals;
    echo = decimalPlacesText(p[0], decimals) + "," + decimalPlacesText(p[1], decimals) + "," +
           decimalPlacesText(p[2], decimals);
}

}  // namespace hostsim
