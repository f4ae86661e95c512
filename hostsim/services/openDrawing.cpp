// hostsim/services/openDrawing.cpp - the open drawing: opening it (the demo at its first use),
// object names, kvs_entget, kvs_entnext, the view and LIST.
#include "hostsim/services/services.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "hostsim/kinds/kinds.h"
#include "hostsim/picking/picking.h"

namespace {

constexpr double viewMargin = 1.1;  // the default view shows the extents and 5% on each side

}  // namespace

// ---- drawing state: the one open drawing ----
static hostsim::Drawing drawing;          // empty, id 0, until a drawing opens
static std::vector<std::string> notices;  // what the last open could not draw
static int64_t lastDrawingId = 0;         // ids are never reused, so old names stay dead
static int64_t deferredDemoId = 0;        // non-zero: the demo waits for its first use, this its id

namespace {

// Group codes 330-369, 390-399 and 480-481 hold handles: the record names the object that has
// that handle, or (0, 0) when the drawing keeps no such object (a table entry, say).
void setHandleName(ResultBuffer& r, const std::string& handle) {
    int object = hostsim::objectOfHandle(drawing, handle);
    r.value.name[0] = 0;
    r.value.name[1] = 0;
    if (object >= 0) hostsim::setRecordObject(r, object);
}

// How many records a group run from i makes: 1, and a point takes its y and z.
std::size_t pointPartsAt(const hostsim::GroupList& groups, std::size_t i) {
    std::size_t parts = 1;
    int x = groups[i].code;
    if (i + 1 < groups.size() && groups[i + 1].code == x + 10) {
        ++parts;
        if (i + 2 < groups.size() && groups[i + 2].code == x + 20) ++parts;
    }
    return parts;
}

std::size_t recordCount(const hostsim::DrawingObject& o) {
    std::size_t count = 2 + (o.type == "SEQEND" ? 1 : 0);
    for (std::size_t i = 0; i < o.groups.size(); ++count)
        i += hostsim::groupKind(o.groups[i].code) == hostsim::GroupKind::PointX
                 ? pointPartsAt(o.groups, i)
                 : 1;
    return count;
}

// Fills r from the groups at i; returns how many groups it used.
std::size_t fillRecord(ResultBuffer* list, ResultBuffer& r, const hostsim::GroupList& groups,
                       std::size_t i) {
    const hostsim::DxfGroup& g = groups[i];
    r.type = static_cast<int16_t>(g.code);
    switch (hostsim::groupKind(g.code)) {
        case hostsim::GroupKind::PointX: {
            std::size_t parts = pointPartsAt(groups, i);
            double point[3] = {0.0, 0.0, 0.0};  // a packed record takes no references into it
            for (std::size_t k = 0; k < parts; ++k) point[k] = groups[i + k].number();
            std::memcpy(r.value.point, point, sizeof point);
            return parts;
        }
        case hostsim::GroupKind::PointY:  // a y or z without its x stays a plain real
        case hostsim::GroupKind::PointZ:
        case hostsim::GroupKind::Real: r.value.real = g.number(); break;
        case hostsim::GroupKind::Short: r.value.shortInt = static_cast<int16_t>(g.number()); break;
        case hostsim::GroupKind::Long: r.value.longInt = static_cast<int32_t>(g.number()); break;
        case hostsim::GroupKind::Name: setHandleName(r, std::string(g.text())); break;
        case hostsim::GroupKind::Text:
            r.value.text = hostsim::attachText(list, std::string(g.text()));
            break;
    }
    return 1;
}

ResultBuffer* objectRecords(int index) {
    const hostsim::DrawingObject& o = drawing.objects[index];
    ResultBuffer* list = hostsim::allocateList(recordCount(o));
    ResultBuffer* r = list;
    r->type = -1;
    hostsim::setRecordObject(*r, index);
    r = r->next;
    r->type = 0;
    r->value.text = hostsim::attachText(list, std::string(o.type));
    if (o.type == "SEQEND") {
        r = r->next;
        r->type = -2;
        hostsim::setRecordObject(*r, o.owner);
    }
    for (std::size_t i = 0; i < o.groups.size();) {
        r = r->next;
        i += fillRecord(list, *r, o.groups, i);
    }
    return list;
}

// A real as the host prints values: 15 significant digits, ".0" when it would look whole.
std::string realText(double value) {
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.15g", value);
    std::string text = buffer;
    if (text.find_first_of(".einEIN") == std::string::npos) text += ".0";
    return text;
}

std::string recordValueText(const ResultBuffer& r) {
    if (r.type == -1 || r.type == -2 || hostsim::groupKind(r.type) == hostsim::GroupKind::Name)
        return ". <Object name: " + std::to_string(r.value.name[0]) + " " +
               std::to_string(r.value.name[1]) + ">";
    switch (hostsim::groupKind(r.type)) {
        case hostsim::GroupKind::PointX:
            return realText(r.value.point[0]) + " " + realText(r.value.point[1]) + " " +
                   realText(r.value.point[2]);
        case hostsim::GroupKind::Short: return ". " + std::to_string(r.value.shortInt);
        case hostsim::GroupKind::Long: return ". " + std::to_string(r.value.longInt);
        case hostsim::GroupKind::Text: {  // escaped as Quillet prints a text
            std::string text = r.value.text != nullptr ? r.value.text : "";
            return ". " + hostsim::formatValue(hostsim::QValue::textValue(text));
        }
        default: return ". " + realText(r.value.real);
    }
}

// Makes a drawing just read the open one, with its geometry and notices. A demo still waiting
// to open is replaced before it ever opened. False, with the reason, when what its block
// references expand to passes the size limit: the drawing open before stays, its geometry built
// again (within no limit: it was within one when it opened).
bool installDrawing(hostsim::Drawing& next, int64_t id, std::string& error) {
    std::vector<std::string> nextNotices;
    if (!hostsim::buildGeometry(next, hostsim::maxDrawingBytes(), nextNotices, error)) {
        std::vector<std::string> again;
        std::string unused;
        if (deferredDemoId == 0) hostsim::buildGeometry(drawing, UINT64_MAX, again, unused);
        return false;
    }
    deferredDemoId = 0;
    next.id = id;
    drawing = std::move(next);  // the objects stay where they are: the geometry names them
    notices = std::move(nextNotices);
    notices.insert(notices.begin(), drawing.notices.begin(), drawing.notices.end());
    return true;
}

hostsim::Point screenPixels() {
    hostsim::QValue screenSize;
    hostsim::getSysvar("SCREENSIZE", screenSize);
    return screenSize.isPoint() ? screenSize.coordinates() : hostsim::Point{1, 1, 0};
}

// The extents the view shows, and how many objects they leave out.
bool shownExtents(hostsim::Point& low, hostsim::Point& high, std::size_t& leftOut) {
    hostsim::ensureDrawingOpen();
    hostsim::Point screen = screenPixels();
    return hostsim::drawingExtents(screen[0], screen[1], low, high, leftOut);
}

void noteObjectsLeftOut() {
    hostsim::Point low, high;
    std::size_t leftOut = 0;
    if (!shownExtents(low, high, leftOut) || leftOut == 0) return;
    notices.push_back(drawing.source + ": the view leaves out " + std::to_string(leftOut) +
                      (leftOut == 1 ? " object: showing it" : " objects: showing them") +
                      " would shrink the rest below a pixel");
}

// An open by the user: a new id, the default view, and no marks of the drawing that is gone.
bool openDrawing(hostsim::Drawing& next, std::string& error) {
    if (!installDrawing(next, lastDrawingId + 1, error)) return false;
    ++lastDrawingId;
    hostsim::setDefaultViewSize();
    noteObjectsLeftOut();
    hostsim::clearMarks();
    return true;
}

// The demo drawing read from its text; false, with the fault printed, when it cannot be (which
// only a faulty build can bring about).
bool readDemoDrawing(hostsim::Drawing& next) {
    std::string error;
    if (hostsim::readDxfText(hostsim::demoDrawingText(), "(demo drawing)", next, error))
        return true;
    hostsim::printText("hostsim: the demo drawing cannot be read: " + error + "\n");
    return false;
}

}  // namespace

namespace hostsim {

bool openDrawingText(const std::string& text, const std::string& fileName, std::string& error) {
    Drawing next;
    return readDxfText(text, fileName, next, error) && openDrawing(next, error);
}

bool openDrawingFile(const std::string& path, std::string& error) {
    std::string text;
    Drawing next;
    if (!readDrawingFile(path, text, error) || !readDxfText(text, path, next, error)) return false;
    std::string().swap(text);  // the objects keep what they need: freed before the geometry grows
    return openDrawing(next, error);
}

void openDemoDrawing() {
    Drawing next;
    std::string error;
    if (readDemoDrawing(next) && !openDrawing(next, error))
        printText("hostsim: the demo drawing cannot be opened: " + error + "\n");
}

// What openDemoDrawing does at once, but for reading and indexing the drawing: the id, the
// marks cleared, and VIEWSIZE left to follow the drawing until it is first used.
void deferDemoDrawing() {
    deferredDemoId = ++lastDrawingId;
    deferDefaultViewSize();
    clearMarks();
}

void ensureDrawingOpen() {
    if (deferredDemoId == 0) return;
    int64_t id = deferredDemoId;
    deferredDemoId = 0;
    Drawing next;
    std::string error;
    if (readDemoDrawing(next) && !installDrawing(next, id, error))
        printText("hostsim: the demo drawing cannot be opened: " + error + "\n");
}

const Drawing& currentDrawing() {
    ensureDrawingOpen();
    return drawing;
}

const std::vector<std::string>& drawingNotices() {
    ensureDrawingOpen();
    return notices;
}

bool objectOfName(const int64_t name[2], int& index) {
    ensureDrawingOpen();
    if (name == nullptr || drawing.id == 0 || name[0] != drawing.id) return false;
    if (name[1] < 0 || name[1] >= static_cast<int64_t>(drawing.objects.size())) return false;
    index = static_cast<int>(name[1]);
    return true;
}

void nameOfObject(int index, int64_t name[2]) {
    ensureDrawingOpen();
    name[0] = drawing.id;
    name[1] = index;
}

bool objectOfRecord(const ResultBuffer& record, int& index) {
    int64_t name[2] = {record.value.name[0], record.value.name[1]};
    return objectOfName(name, index);
}

void setRecordObject(ResultBuffer& record, int index) {
    ensureDrawingOpen();
    record.value.name[0] = drawing.id;
    record.value.name[1] = index;
}

double pixelSize() {
    QValue viewSize, screenSize;
    getSysvar("VIEWSIZE", viewSize);
    getSysvar("SCREENSIZE", screenSize);
    double rows = screenSize.isPoint() ? screenSize.coordinates()[1] : 0.0;
    return rows > 0.0 ? viewSize.number() / rows : viewSize.number();
}

bool viewExtents(Point& low, Point& high) {
    std::size_t leftOut = 0;
    return shownExtents(low, high, leftOut);
}

void setDefaultViewSize() {
    Point low, high;
    if (!viewExtents(low, high)) return;
    Point screen = screenPixels();
    double aspect = screen[0] > 0 ? screen[1] / screen[0] : 1.0;
    double height = std::max(high[1] - low[1], (high[0] - low[0]) * aspect) * viewMargin;
    setSysvarReal("VIEWSIZE", height > 1e-9 ? height : 1.0);
}

std::string describeRecords(const ResultBuffer* records) {
    std::string text;
    for (const ResultBuffer* r = records; r != nullptr; r = r->next)
        text += "(" + std::to_string(r->type) + " " + recordValueText(*r) + ")\n";
    return text;
}

void listCommand() {
    kvs_name name = {0, 0};
    double point[3] = {0, 0, 0};
    int status = kvs_entsel("Select object: ", name, point);
    if (status == KVS_RTCAN) return;
    if (status != KVS_RTNORM) {
        printText("Nothing selected.\n");
        return;
    }
    ResultBuffer* records = kvs_entget(name);
    printResult(describeRecords(records));  // the listing asked for: a result
    kvs_relrb(records);
}

}  // namespace hostsim

extern "C" ResultBuffer* kvs_entget(const kvs_name name) {
    hostsim::ErrnoGuard keepErrno;
    int index = 0;
    if (!hostsim::objectOfName(name, index)) return nullptr;
    return objectRecords(index);
}

// From nothing, the first object; from a POLYLINE, into its VERTEX objects and SEQEND. An object
// of a block definition steps through that block.
extern "C" int kvs_entnext(const kvs_name name, kvs_name next) {
    hostsim::ErrnoGuard keepErrno;
    if (next == nullptr) return KVS_RTERROR;
    hostsim::ensureDrawingOpen();
    int index = 0;
    int following = -1;
    if (name == nullptr)
        following = drawing.id != 0 ? drawing.firstEntity : -1;
    else if (hostsim::objectOfName(name, index))
        following = drawing.objects[index].next;
    if (following < 0) return KVS_RTERROR;
    hostsim::nameOfObject(following, next);
    return KVS_RTNORM;
}
