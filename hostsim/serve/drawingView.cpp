// hostsim/serve/drawingView.cpp - the drawing and the prompt as the page reads them, in JSON (and
// the drawing in binary too): the plan view's primitives, what a pick would select, the point a
// click answers.
#include "hostsim/serve/serve.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <nlohmann/json.hpp>

#include "hostsim/view/view.h"

namespace {

using Json = nlohmann::json;

// ---- the drawing as last listed in binary, with what it was listed from ----
struct ListedDrawing {
    std::vector<double> key;  // the drawing's id and its extents
    std::shared_ptr<const hostsim::PackedDrawing> packed;
};
ListedDrawing listedDrawing;

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

// Hands the memory freed back to the system: the last look's plan and the groups' members are
// not at the top of the heap, and would stay with the process while it waits (about 19 MB for
// a million objects).
void releaseFreedMemory() {
#ifdef __GLIBC__
    malloc_trim(0);
#endif
}

// ---- the drawing in binary, for the page ----
// Each array is packed in the host's byte order and padded to 8 bytes, so that the page takes it
// as a typed array where it lies. Numbers that place an object (its first point, its centre) go
// as doubles; the rest of the object as floats relative to those, which keeps a float's 7 digits
// for the object's own size, however far from the origin it lies. An array's room is made
// first and then filled, in one pass over what it holds: a million objects packed value by
// value cost several passes' worth of appends.
class PackedArrays {
public:
    // Room for size bytes at a multiple of 8, zeroed; where it starts.
    std::size_t room(std::size_t size) {
        std::size_t at = (bytes.size() + 7) / 8 * 8;
        bytes.resize((at + size + 7) / 8 * 8, '\0');
        return at;
    }
    void set(std::size_t at, const void* value, std::size_t size) {
        std::memcpy(&bytes[at], value, size);
    }
    // The numbers as the page reads them back.
    static double placeValue(double value) { return finiteOrZero(value); }
    static float restValue(double value) {
        float single = static_cast<float>(value);
        return std::isfinite(single) ? single : 0.0f;
    }
    std::string bytes;
};

// One array of count values of T in out, filled by index.
template <typename T>
class PackedArray {
public:
    PackedArray(PackedArrays& out, std::size_t count) : out(out), at(out.room(count * sizeof(T))) {}
    void set(std::size_t index, T value) { out.set(at + index * sizeof(T), &value, sizeof value); }

private:
    PackedArrays& out;
    std::size_t at;
};

// A place (2 doubles each) and the rest (floats, relative to it).
struct Places : PackedArray<double> {
    Places(PackedArrays& out, std::size_t count) : PackedArray(out, 2 * count) {}
    void put(std::size_t index, double x, double y) {
        set(2 * index, PackedArrays::placeValue(x));
        set(2 * index + 1, PackedArrays::placeValue(y));
    }
};
struct Rests : PackedArray<float> {
    Rests(PackedArrays& out, std::size_t count, std::size_t stride)
        : PackedArray(out, stride * count), stride(stride) {}
    void put(std::size_t index, std::initializer_list<double> values) {
        std::size_t n = stride * index;
        for (double v : values) set(n++, PackedArrays::restValue(v));
    }
    std::size_t stride;
};

double placed(double value) { return PackedArrays::placeValue(value); }
double rest(double value) { return static_cast<double>(PackedArrays::restValue(value)); }

// ---- segments, curves and texts in blocks by place ----
// The page paints a look's segments, curves and texts in blocks of blockSize, each with the box
// its members fill, so that a pan's strip visits only the blocks near it. Each kind is put in
// the order of a Morton curve over a 256 x 256 grid of the kind's extents (by the middle of each
// one's box), a stable order; the boxes are worked out from the numbers as the page reads them
// back, in the page's arithmetic (a minimum or maximum with a NaN is NaN), so that it paints
// exactly what it would have ordered itself.
constexpr std::size_t blockSize = 64;
constexpr int gridCells = 256;

double pageMin(double a, double b) { return std::isnan(a) || std::isnan(b) ? NAN : std::min(a, b); }
double pageMax(double a, double b) { return std::isnan(a) || std::isnan(b) ? NAN : std::max(a, b); }

struct Box {
    double lowX = INFINITY, lowY = INFINITY, highX = -INFINITY, highY = -INFINITY;
    void take(const Box& other) {
        lowX = pageMin(lowX, other.lowX), lowY = pageMin(lowY, other.lowY);
        highX = pageMax(highX, other.highX), highY = pageMax(highY, other.highY);
    }
};

// 8 bits to the even ones of 16.
std::uint32_t spreadBits(std::uint32_t v) {
    v = (v | (v << 4)) & 0x0F0F;
    v = (v | (v << 2)) & 0x3333;
    return (v | (v << 1)) & 0x5555;
}

std::uint32_t gridCell(double value, double low, double high) {
    double cell = std::floor((value - low) / (high - low) * gridCells);
    return cell >= 0 && cell < gridCells ? static_cast<std::uint32_t>(cell)
           : cell >= gridCells           ? gridCells - 1
                                         : 0;
}

struct Blocks {
    std::vector<std::uint32_t> order;  // order[k]: the index of the k-th in the page's order
    std::vector<Box> boxes;            // a box for each run of blockSize in that order
};

Blocks inBlocks(const std::vector<Box>& boxes) {
    Box all;
    for (const Box& box : boxes) all.take(box);
    std::vector<std::uint32_t> cells(boxes.size()), firsts(gridCells * gridCells + 1, 0);
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        double x = (boxes[i].lowX + boxes[i].highX) / 2, y = (boxes[i].lowY + boxes[i].highY) / 2;
        cells[i] = spreadBits(gridCell(x, all.lowX, all.highX)) |
                   (spreadBits(gridCell(y, all.lowY, all.highY)) << 1);
        ++firsts[cells[i] + 1];
    }
    for (std::size_t cell = 1; cell < firsts.size(); ++cell) firsts[cell] += firsts[cell - 1];
    Blocks blocks;
    blocks.order.resize(boxes.size());
    for (std::size_t i = 0; i < boxes.size(); ++i)
        blocks.order[firsts[cells[i]]++] = static_cast<std::uint32_t>(i);
    blocks.boxes.resize((boxes.size() + blockSize - 1) / blockSize);
    for (std::size_t k = 0; k < boxes.size(); ++k)
        blocks.boxes[k / blockSize].take(boxes[blocks.order[k]]);
    return blocks;
}

void packBlocks(const Blocks& blocks, PackedArrays& out) {
    PackedArray<double> boxes(out, 4 * blocks.boxes.size());
    std::size_t n = 0;
    for (const Box& box : blocks.boxes)
        for (double v : {box.lowX, box.lowY, box.highX, box.highY}) boxes.set(n++, v);
}

// A circle or an arc of one, in the plane of the view: u along world X, v along world Y, as long.
bool isRound(const hostsim::PlanCurve& c) {
    return c.uY == 0.0 && c.vX == 0.0 && c.uX == c.vY && c.uX > 0.0;
}

void packSegments(const std::vector<double>& segments, PackedArrays& out) {
    std::vector<Box> boxes(segments.size() / 4);
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        const double* s = &segments[4 * i];
        double x0 = placed(s[0]), y0 = placed(s[1]);
        double x1 = x0 + rest(s[2] - s[0]), y1 = y0 + rest(s[3] - s[1]);
        boxes[i] = {pageMin(x0, x1), pageMin(y0, y1), pageMax(x0, x1), pageMax(y0, y1)};
    }
    Blocks blocks = inBlocks(boxes);
    Places places(out, boxes.size());
    Rests rests(out, boxes.size(), 2);
    for (std::size_t k = 0; k < boxes.size(); ++k) {
        const double* s = &segments[4 * blocks.order[k]];
        places.put(k, s[0], s[1]);
        rests.put(k, {s[2] - s[0], s[3] - s[1]});
    }
    packBlocks(blocks, out);
}

Box curveBox(const hostsim::PlanCurve& c, bool round) {
    double ux = rest(c.uX), uy = round ? 0.0 : rest(c.uY), vx = round ? 0.0 : rest(c.vX),
           vy = round ? ux : rest(c.vY);
    double radius = std::sqrt(pageMax(ux * ux + uy * uy, vx * vx + vy * vy));
    double x = placed(c.centerX), y = placed(c.centerY);
    return {x - radius, y - radius, x + radius, y + radius};
}

// The curves' centres, then the rest of each: circles and arcs by their radius, t0 and t1 when
// all are, else each by u, v, t0 and t1. Ordered together, the circles first.
void packCurves(const std::vector<hostsim::PlanCurve>& curves, PackedArrays& out) {
    std::vector<const hostsim::PlanCurve*> listed;
    for (const hostsim::PlanCurve& c : curves)
        if (isRound(c)) listed.push_back(&c);
    std::size_t roundCount = listed.size();
    for (const hostsim::PlanCurve& c : curves)
        if (!isRound(c)) listed.push_back(&c);
    std::vector<Box> boxes(listed.size());
    for (std::size_t i = 0; i < listed.size(); ++i) boxes[i] = curveBox(*listed[i], i < roundCount);
    Blocks blocks = inBlocks(boxes);
    bool allRound = roundCount == listed.size();
    Places centres(out, listed.size());
    Rests rests(out, listed.size(), allRound ? 3 : 6);
    for (std::size_t k = 0; k < listed.size(); ++k) {
        const hostsim::PlanCurve& c = *listed[blocks.order[k]];
        centres.put(k, c.centerX, c.centerY);
        if (allRound)
            rests.put(k, {c.uX, c.t0, c.t1});
        else
            rests.put(k, {c.uX, c.uY, c.vX, c.vY, c.t0, c.t1});
    }
    packBlocks(blocks, out);
}

void packPolylines(const std::vector<std::vector<double>>& lines, PackedArrays& out) {
    std::size_t others = 0;  // the points after each line's first
    for (const std::vector<double>& line : lines)
        others += line.size() < 2 ? 0 : line.size() / 2 - 1;
    PackedArray<std::uint32_t> counts(out, lines.size());
    Places firsts(out, lines.size());
    Rests rests(out, others, 2);
    for (std::size_t i = 0, n = 0; i < lines.size(); ++i) {
        const std::vector<double>& line = lines[i];
        bool empty = line.size() < 2;
        counts.set(i, static_cast<std::uint32_t>(line.size() / 2));
        firsts.put(i, empty ? 0.0 : line[0], empty ? 0.0 : line[1]);
        for (std::size_t k = 2; k + 1 < line.size(); k += 2)
            rests.put(n++, {line[k] - line[0], line[k + 1] - line[1]});
    }
}

Box textBox(const hostsim::PlanText& t) {
    double x = placed(t.x), y = placed(t.y), length = rest(t.length);
    double endX = x + rest(t.alongX) * length, endY = y + rest(t.alongY) * length;
    double upX = rest(t.upX), upY = rest(t.upY), height = std::sqrt(upX * upX + upY * upY);
    return {pageMin(x, endX) - height, pageMin(y, endY) - height, pageMax(x, endX) + height,
            pageMax(y, endY) + height};
}

// The texts' places, the rest of their numbers, their blocks, then their strings: where each
// starts in the bytes that follow (and where the last ends), and the bytes, in UTF-8.
void packTexts(const std::vector<hostsim::PlanText>& texts, PackedArrays& out) {
    std::vector<Box> boxes(texts.size());
    std::size_t textBytes = 0;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        boxes[i] = textBox(texts[i]);
        textBytes += texts[i].text.size();
    }
    Blocks blocks = inBlocks(boxes);
    Places places(out, texts.size());
    Rests rests(out, texts.size(), 5);
    packBlocks(blocks, out);
    PackedArray<std::uint32_t> starts(out, texts.size() + 1);
    std::size_t bytesAt = out.room(textBytes), end = 0;
    for (std::size_t k = 0; k < texts.size(); ++k) {
        const hostsim::PlanText& t = texts[blocks.order[k]];
        places.put(k, t.x, t.y);
        rests.put(k, {t.alongX, t.alongY, t.upX, t.upY, t.length});
        starts.set(k, static_cast<std::uint32_t>(end));
        out.set(bytesAt + end, t.text.data(), t.text.size());
        end += t.text.size();
    }
    starts.set(texts.size(), static_cast<std::uint32_t>(end));
}

// The group's arrays in the order the head's counts list them.
void packPlan(const hostsim::PlanPrimitives& plan, PackedArrays& out) {
    packSegments(plan.segments, out);
    packCurves(plan.curves, out);
    packPolylines(plan.polylines, out);
    Places nodes(out, plan.nodes.size() / 2);
    for (std::size_t i = 0; i + 1 < plan.nodes.size(); i += 2)
        nodes.put(i / 2, plan.nodes[i], plan.nodes[i + 1]);
    packTexts(plan.texts, out);
}

// The group's head: its look, its rays, and the counts of what its arrays hold, worked out
// before they are packed, so that the arrays go straight after the head. bytes grows by about
// what they take.
Json groupHead(const hostsim::PlanStyle& style, const hostsim::PlanPrimitives& plan,
               std::size_t& bytes) {
    std::size_t rounds = std::count_if(plan.curves.begin(), plan.curves.end(), isRound);
    std::size_t points = 0, textBytes = 0;
    for (const std::vector<double>& line : plan.polylines) points += line.size() / 2;
    for (const hostsim::PlanText& t : plan.texts) textBytes += t.text.size();
    Json rays = Json::array();
    for (const hostsim::PlanRay& r : plan.rays) rays.push_back(rayJson(r));
    std::size_t segments = plan.segments.size() / 4, curves = plan.curves.size();
    bytes += 24 * segments + 44 * curves + 20 * plan.polylines.size() + 8 * points +
             8 * plan.nodes.size() + 37 * plan.texts.size() + textBytes +
             (segments + curves + plan.texts.size()) / 2 + 400;
    return {{"colour", colourJson(style.colour)},
            {"dashes", finiteList(style.dashes)},
            {"rays", std::move(rays)},
            {"counts",
             {{"segments", segments},
              {"curves", curves},
              {"curveStride", rounds == curves ? 3 : 6},
              {"polylines", plan.polylines.size()},
              {"polylinePoints", points},
              {"nodes", plan.nodes.size() / 2},
              {"texts", plan.texts.size()},
              {"textBytes", textBytes}}}};
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

// Listed once for each drawing and each view extents it is listed for (the extents decide which
// copies are drawn), and kept: a page that loads again, or a second page, is answered at once.
// The drawing's objects never change while it is open; a drawing opened again has a new id.
std::shared_ptr<const PackedDrawing> drawingPrimitivesBinary() {
    ensureDrawingOpen();
    Point low, high;
    bool hasExtents = viewExtents(low, high);
    std::vector<double> key = {static_cast<double>(currentDrawing().id), hasExtents ? 1.0 : 0.0};
    if (hasExtents) key.insert(key.end(), {low[0], low[1], high[0], high[1]});
    if (listedDrawing.key == key) return listedDrawing.packed;
    listedDrawing = {};  // its memory freed before the next is made
    std::vector<StyledGroup> groups;
    styledGroups(groups);
    auto packed = std::make_shared<PackedDrawing>();
    packed->parts.resize(1 + groups.size());
    Json heads = Json::array();
    // Each group is planned, described in the head and packed by itself, and its plan freed
    // before the next: the plans of a million objects never all take memory at once.
    for (std::size_t i = 0; i < groups.size(); ++i) {
        PlanPrimitives plan;
        planStyledGroup(groups[i], plan);
        std::size_t bytes = 0;
        heads.push_back(groupHead(groups[i].style, plan, bytes));
        groups[i] = {};
        PackedArrays arrays;
        arrays.bytes.reserve(bytes);
        packPlan(plan, arrays);
        arrays.room(0);
        packed->parts[i + 1] = std::move(arrays.bytes);
    }
    Json drawing = {{"groups", std::move(heads)}, {"id", currentDrawing().id}};
    drawing["extents"] = extentsJson();
    std::string headText = drawing.dump(-1, ' ', false, Json::error_handler_t::replace);
    PackedArrays head;
    std::uint32_t headLength = static_cast<std::uint32_t>(headText.size());
    head.bytes.resize(sizeof headLength);
    head.set(0, &headLength, sizeof headLength);
    head.bytes += headText;
    head.room(0);
    packed->parts[0] = std::move(head.bytes);
    groups = {};
    releaseFreedMemory();
    listedDrawing = {std::move(key), std::move(packed)};
    return listedDrawing.packed;
}

std::size_t PackedDrawing::size() const {
    std::size_t size = 0;
    for (const std::string& part : parts) size += part.size();
    return size;
}

std::string_view PackedDrawing::from(std::size_t offset) const {
    for (const std::string& part : parts) {
        if (offset < part.size()) return std::string_view(part).substr(offset);
        offset -= part.size();
    }
    return {};
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
