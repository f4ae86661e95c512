// hostsim/serve/drawingView.cpp - the drawing and the prompt as the page reads them, in JSON (and
// the drawing in binary too): the plan view's primitives, what a pick would select, the point a
// click answers.
#include "hostsim/serve/serve.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
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
    for (const std::vector<double>& points : plan.polylines)
        polylines.push_back(finiteList(points));
    for (const hostsim::PlanText& t : plan.texts) texts.push_back(textJson(t));
    for (const hostsim::PlanRay& r : plan.rays) rays.push_back(rayJson(r));
    return {{"segments", finiteList(plan.segments)},
            {"curves", std::move(curves)},
            {"polylines", std::move(polylines)},
            {"nodes", finiteList(plan.nodes)},
            {"texts", std::move(texts)},
            {"rays", std::move(rays)}};
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

// ---- the drawing in binary, for the page ----
// Each array is packed in the host's byte order and padded to 8 bytes, so that the page takes it
// as a typed array where it lies. Numbers that place an object (its first point, its centre) go
// as doubles; the rest of the object as floats relative to those, which keeps a float's 7 digits
// for the object's own size, however far from the origin it lies.
class PackedArrays {
public:
    void doubles(double value) { put(finiteOrZero(value)); }
    void floats(double value) {
        float single = static_cast<float>(value);
        put(std::isfinite(single) ? single : 0.0f);
    }
    void count(std::size_t value) { put(static_cast<std::uint32_t>(value)); }
    // Ends an array: what follows starts at a multiple of 8 bytes.
    void endArray() { bytes.resize((bytes.size() + 7) / 8 * 8, '\0'); }
    std::string bytes;

private:
    template <typename T>
    void put(T value) {
        char raw[sizeof value];
        std::memcpy(raw, &value, sizeof value);
        bytes.append(raw, sizeof value);
    }
};

// A circle or an arc of one, in the plane of the view: u along world X, v along world Y, as long.
bool isRound(const hostsim::PlanCurve& c) {
    return c.uY == 0.0 && c.vX == 0.0 && c.uX == c.vY && c.uX > 0.0;
}

void packPlace(PackedArrays& out, double x, double y) {
    out.doubles(x);
    out.doubles(y);
}

void packSegments(const std::vector<double>& segments, PackedArrays& out) {
    for (std::size_t i = 0; i + 3 < segments.size(); i += 4)
        packPlace(out, segments[i], segments[i + 1]);
    out.endArray();
    for (std::size_t i = 0; i + 3 < segments.size(); i += 4) {
        out.floats(segments[i + 2] - segments[i]);
        out.floats(segments[i + 3] - segments[i + 1]);
    }
    out.endArray();
}

// Circles and arcs by their radius, the other curves by u and v.
void packCurves(const std::vector<const hostsim::PlanCurve*>& curves, bool round,
                PackedArrays& out) {
    for (const hostsim::PlanCurve* c : curves) packPlace(out, c->centerX, c->centerY);
    out.endArray();
    for (const hostsim::PlanCurve* c : curves) {
        if (!round) {
            for (double v : {c->uX, c->uY, c->vX, c->vY}) out.floats(v);
        } else {
            out.floats(c->uX);
        }
        out.floats(c->t0);
        out.floats(c->t1);
    }
    out.endArray();
}

std::size_t packPolylines(const std::vector<std::vector<double>>& lines, PackedArrays& out) {
    std::size_t points = 0;
    for (const std::vector<double>& line : lines) out.count(line.size() / 2);
    out.endArray();
    for (const std::vector<double>& line : lines) {
        bool empty = line.size() < 2;
        packPlace(out, empty ? 0.0 : line[0], empty ? 0.0 : line[1]);
        points += line.size() / 2;
    }
    out.endArray();
    for (const std::vector<double>& line : lines) {
        for (std::size_t i = 2; i + 1 < line.size(); i += 2) {
            out.floats(line[i] - line[0]);
            out.floats(line[i + 1] - line[1]);
        }
    }
    out.endArray();
    return points;
}

Json packTexts(const std::vector<hostsim::PlanText>& texts, PackedArrays& out) {
    Json strings = Json::array();
    for (const hostsim::PlanText& t : texts) packPlace(out, t.x, t.y);
    out.endArray();
    for (const hostsim::PlanText& t : texts) {
        for (double v : {t.alongX, t.alongY, t.upX, t.upY, t.length}) out.floats(v);
        strings.push_back(t.text);
    }
    out.endArray();
    return strings;
}

// The group's arrays in the order the head's counts list them; the head gets the counts, the
// rays and the texts' strings.
void packPlan(const hostsim::PlanPrimitives& plan, PackedArrays& out, Json& head) {
    packSegments(plan.segments, out);
    std::vector<const hostsim::PlanCurve*> rounds, others;
    for (const hostsim::PlanCurve& c : plan.curves) (isRound(c) ? rounds : others).push_back(&c);
    packCurves(rounds, true, out);
    packCurves(others, false, out);
    std::size_t points = packPolylines(plan.polylines, out);
    for (std::size_t i = 0; i + 1 < plan.nodes.size(); i += 2)
        packPlace(out, plan.nodes[i], plan.nodes[i + 1]);
    out.endArray();
    head["texts"] = packTexts(plan.texts, out);
    Json rays = Json::array();
    for (const hostsim::PlanRay& r : plan.rays) rays.push_back(rayJson(r));
    head["rays"] = std::move(rays);
    head["counts"] = {{"segments", plan.segments.size() / 4},
                      {"rounds", rounds.size()},
                      {"curves", others.size()},
                      {"polylines", plan.polylines.size()},
                      {"polylinePoints", points},
                      {"nodes", plan.nodes.size() / 2}};
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
    return {{"mode", mode},
            {"x", finiteOrZero(snapped[0])},
            {"y", finiteOrZero(snapped[1])},
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

std::string drawingPrimitivesBinary() {
    ensureDrawingOpen();
    std::vector<StyledPrimitives> groups;
    styledPlanPrimitives(groups);
    PackedArrays arrays;
    Json heads = Json::array();
    for (const StyledPrimitives& group : groups) {
        Json head = {{"colour", colourJson(group.style.colour)},
                     {"dashes", finiteList(group.style.dashes)}};
        packPlan(group.primitives, arrays, head);
        heads.push_back(std::move(head));
    }
    Json drawing = {{"groups", std::move(heads)}, {"id", currentDrawing().id}};
    drawing["extents"] = extentsJson();
    std::string headText = drawing.dump(-1, ' ', false, Json::error_handler_t::replace);
    PackedArrays packed;
    packed.count(headText.size());
    packed.bytes += headText;
    packed.endArray();
    return packed.bytes + arrays.bytes;
}

std::string promptStateJson() {
    QValue pickbox;
    int pixels = getSysvar("PICKBOX", pickbox) && pickbox.isNumber()
                     ? static_cast<int>(pickbox.number())
                     : 0;
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
    if (pointPromptWaiting() && runWithin(previewLimitSeconds, stop, find)) {
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
                      {"x", finiteOrZero(mark.world[0])},
                      {"y", finiteOrZero(mark.world[1])}};
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
