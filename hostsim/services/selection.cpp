// hostsim/services/selection.cpp - kvs_entsel, kvs_nentsel and kvs_osnap: the drawing picked at
// a typed point, within PICKBOX or APERTURE pixels.
//
// The pick point is read like any point answer (kvs_getpoint, in the UCS; an empty answer,
// *cancel* or the end of input cancels). The object whose geometry, seen in the plan
// view, passes nearest the point and within PICKBOX pixels of it is selected; on a tie the later
// object in the file wins, as it is drawn over the earlier one (hostsim/picking's
// selectPrimitive).
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "hostsim/picking/picking.h"
#include "hostsim/services/services.h"
#include "hostsim/snapping/snapping.h"

// ---- selection state ----
static bool objectPickOpen = false;   // a pick point is being read for kvs_entsel or kvs_nentsel
static double querySecondsSpent = 0;  // of a query's time before it starts: set by tests only

// ---- the last pick and snap measured, each with all that its answer depends on ----
// A hover at a pick prompt asks what a click at that spot then asks again: the object selected
// and the snap point at one world point. Each answer is kept with its question, so the same
// question is answered without measuring the drawing again; a query stopped before its end
// keeps nothing. A question never asked has NaN in it, which equals nothing.
struct Question {
    hostsim::Point p = {NAN, NAN, NAN}, from = {0, 0, 0};  // from: a snap's start (PER, TAN)
    unsigned modes = 0;                                    // a snap's
    bool nested = false;                                   // a pick's
    double radius = NAN, copyCell = NAN;
    std::uint64_t geometry = 0;  // geometryRevision
    bool operator==(const Question& o) const {
        return p == o.p && from == o.from && modes == o.modes && nested == o.nested &&
               radius == o.radius && copyCell == o.copyCell && geometry == o.geometry;
    }
};
static Question lastPick;
static int lastPickHit = -1;
static Question lastSnap;
static bool lastSnapFound = false;
static hostsim::Point lastSnapPoint = {0, 0, 0};

namespace {

using hostsim::Point;
using hostsim::Primitive;

// A pick or a snap that runs longer is given up: a script left to itself must not hang on one.
constexpr double maxQuerySeconds = 10.0;

// Runs a query on the geometry with Ctrl-C caught whatever the input, so that it stops the
// query and never the session, within the query's time. Returns how the query ended; a
// Ctrl-C that stopped it is taken, and shown as one at a prompt is.
template <typename Query>
hostsim::WorkEnd runBounded(const char* what, Query query) {
    bool caught = hostsim::catchInterrupts();
    hostsim::startWork(maxQuerySeconds - querySecondsSpent, hostsim::interruptWaiting);
    query();
    hostsim::WorkEnd end = hostsim::finishWork();
    if (end == hostsim::WorkEnd::Cancelled) {
        hostsim::takeInterrupt();
        hostsim::showInterrupt();
    } else if (end == hostsim::WorkEnd::TimedOut) {
        hostsim::startLine();
        hostsim::printText(std::string("The ") + what + " took longer than " +
                           std::to_string(static_cast<int>(maxQuerySeconds)) +
                           " seconds and was given up.\n");
    }
    if (caught) hostsim::releaseInterrupts();
    return end;
}

// The status a query's caller gets when it did not end: the user cancelled, or it failed.
int statusOfStopped(hostsim::WorkEnd end) {
    return end == hostsim::WorkEnd::Cancelled ? KVS_RTCAN : KVS_RTERROR;
}

// The primitive hit by a pick at world point p, or -1. nested: ties among the objects inside
// one reference go to the later innermost object.
// A stop asked for (Ctrl-C) still stops a question answered before.
int hitPrimitive(const Point& p, double radius, bool nested) {
    hostsim::ensureDrawingOpen();
    Question asked;
    asked.p = p;
    asked.nested = nested;
    asked.radius = radius;
    asked.copyCell = hostsim::pixelSize() * hostsim::copyCellPixels;
    asked.geometry = hostsim::geometryRevision();
    if (asked == lastPick && !hostsim::workMustStop()) return lastPickHit;
    int hit = hostsim::selectPrimitive(p[0], p[1], radius, asked.copyCell, nested);
    if (!hostsim::workStopped()) {
        lastPick = asked;
        lastPickHit = hit;
    }
    return hit;
}

int pickboxPixels() {
    hostsim::QValue pickbox;
    return hostsim::getSysvar("PICKBOX", pickbox) && pickbox.isNumber()
               ? static_cast<int>(pickbox.number())
               : 3;
}

// Prompts, reads the point and finds what it hits: KVS_RTNORM with the primitive, KVS_RTCAN when
// the user cancels, KVS_RTERROR when nothing is there.
int pickPrimitive(const char* prompt, double point[3], bool nested, int& hit) {
    objectPickOpen = true;
    int status = kvs_getpoint(nullptr, prompt != nullptr ? prompt : "", point);
    objectPickOpen = false;
    if (status != KVS_RTNORM) return status;
    Point world = hostsim::ucsToWorld({point[0], point[1], point[2]}, false);
    double radius = pickboxPixels() * hostsim::pixelSize();
    hostsim::WorkEnd end = runBounded("pick", [&] { hit = hitPrimitive(world, radius, nested); });
    if (end != hostsim::WorkEnd::Completed) return statusOfStopped(end);
    if (hit >= 0) return KVS_RTNORM;
    // The module asks again after a miss; from a script or a pipe that would take the lines
    // meant as the next commands for picks, to the end of the input.
    if (hostsim::lastLineUnattended()) hostsim::cancelNextPointPrompt(true);
    return KVS_RTERROR;
}

void writeMatrix(const hostsim::Affine& map, double matrix[4][3]) {
    const Point* columns[4] = {&map.x, &map.y, &map.z, &map.origin};
    for (int i = 0; i < 4; ++i) std::memcpy(matrix[i], columns[i]->data(), sizeof matrix[i]);
}

// One KVS_RTENAME record per containing reference, innermost first; NULL when there is none.
ResultBuffer* containerList(const std::vector<int>& containers) {
    ResultBuffer* list = hostsim::allocateList(containers.size());
    ResultBuffer* r = list;
    for (int index : containers) {
        r->type = KVS_RTENAME;
        hostsim::setRecordObject(*r, index);
        r = r->next;
    }
    return list;
}

Point lastPointInWorld() {
    hostsim::QValue last;
    hostsim::getSysvar("LASTPOINT", last);
    return hostsim::ucsToWorld(last.isPoint() ? last.coordinates() : Point{0, 0, 0}, false);
}

double aperturePixels() {
    hostsim::QValue aperture;
    return hostsim::getSysvar("APERTURE", aperture) && aperture.isNumber() ? aperture.number()
                                                                           : 10.0;
}

}  // namespace

// Answered from the last snap when it asked the same (as hitPrimitive is).
bool hostsim::snapPointAt(const Point& p, unsigned modes, Point& snapped) {
    hostsim::ensureDrawingOpen();
    if (modes == 0) return false;
    double pixel = hostsim::pixelSize();
    // Only PER and TAN start from LASTPOINT, which each pick moves.
    Question asked;
    asked.p = p;
    if (modes & (hostsim::snapPer | hostsim::snapTan)) asked.from = lastPointInWorld();
    asked.modes = modes;
    asked.radius = aperturePixels() * pixel;
    asked.copyCell = pixel * hostsim::copyCellPixels;
    asked.geometry = hostsim::geometryRevision();
    if (asked == lastSnap && !hostsim::workMustStop()) {
        if (lastSnapFound) snapped = lastSnapPoint;
        return lastSnapFound;
    }
    bool found =
        hostsim::findSnapPoint(p, modes, asked.from, asked.radius, snapped, asked.copyCell);
    if (!hostsim::workStopped()) {
        lastSnap = asked;
        lastSnapFound = found;
        if (found) lastSnapPoint = snapped;
    }
    return found;
}

// A word stands alone when no letter or digit touches it: "END" in "mode END:", not in "ENDS".
unsigned hostsim::snapModesNamedIn(const std::string& prompt, std::string& word) {
    auto isUpper = [](char c) { return std::isupper(static_cast<unsigned char>(c)) != 0; };
    auto isWordChar = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; };
    for (std::size_t start = 0; start < prompt.size();) {
        std::size_t end = start;
        while (end < prompt.size() && isUpper(prompt[end])) ++end;
        bool alone = end - start == 3 && (start == 0 || !isWordChar(prompt[start - 1])) &&
                     (end == prompt.size() || !isWordChar(prompt[end]));
        word = prompt.substr(start, end - start);
        unsigned modes = alone ? hostsim::parseSnapModes(word.c_str()) : 0;
        if (modes != 0) return modes;
        start = end > start ? end : start + 1;
    }
    word.clear();
    return 0;
}

bool hostsim::runWithin(double seconds, const std::function<bool()>& stop,
                        const std::function<void()>& query) {
    hostsim::ensureDrawingOpen();  // a drawing read on first use is read whole, not in the budget
    hostsim::startWork(seconds, stop);
    query();
    return hostsim::finishWork() == hostsim::WorkEnd::Completed;
}

bool hostsim::objectPickWaiting() { return objectPickOpen; }

void hostsim::setQueryTimeSpent(double seconds) { querySecondsSpent = seconds; }

int hostsim::objectSelectedAt(const Point& p) {
    int hit = hitPrimitive(p, pickboxPixels() * hostsim::pixelSize(), false);
    return hit >= 0 ? hostsim::drawingPrimitives()[hit].top : -1;
}

extern "C" int kvs_entsel(const char* prompt, kvs_name name, double point[3]) {
    hostsim::ErrnoGuard keepErrno;
    if (name == nullptr || point == nullptr) return KVS_RTERROR;
    int hit = -1;
    int status = pickPrimitive(prompt, point, false, hit);
    if (status != KVS_RTNORM) return status;
    hostsim::nameOfObject(hostsim::drawingPrimitives()[hit].top, name);
    return KVS_RTNORM;
}

extern "C" int kvs_nentsel(const char* prompt, kvs_name name, double point[3], double matrix[4][3],
                           ResultBuffer** containers) {
    hostsim::ErrnoGuard keepErrno;
    if (name == nullptr || point == nullptr) return KVS_RTERROR;
    if (containers != nullptr) *containers = nullptr;
    int hit = -1;
    int status = pickPrimitive(prompt, point, true, hit);
    if (status != KVS_RTNORM) return status;
    const Primitive& picked = hostsim::drawingPrimitives()[hit];
    const hostsim::Instance& instance = hostsim::drawingInstance(picked.instance);
    hostsim::nameOfObject(picked.leaf, name);
    if (matrix != nullptr) writeMatrix(instance.map, matrix);
    if (containers != nullptr) *containers = containerList(instance.containers);
    return KVS_RTNORM;
}

// Object snap: the point of the mode nearest a point, on the objects within APERTURE pixels;
// PER and TAN start from LASTPOINT. Points come and go in the UCS.
extern "C" int kvs_osnap(const double point[3], const char* mode, double result[3]) {
    hostsim::ErrnoGuard keepErrno;
    unsigned modes = hostsim::parseSnapModes(mode);
    if (point == nullptr || result == nullptr || modes == 0) return KVS_RTERROR;
    Point world = hostsim::ucsToWorld({point[0], point[1], point[2]}, false);
    Point snapped;
    bool found = false;
    hostsim::WorkEnd end =
        runBounded("snap", [&] { found = hostsim::snapPointAt(world, modes, snapped); });
    if (end != hostsim::WorkEnd::Completed) return statusOfStopped(end);
    if (!found) return KVS_RTERROR;
    hostsim::noteSnappedPoint(snapped);
    Point answer = hostsim::worldToUcs(snapped, false);
    for (int i = 0; i < 3; ++i) result[i] = answer[i];
    return KVS_RTNORM;
}
