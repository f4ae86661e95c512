// fuzz/drawingFuzzer.cpp - DXF files through the drawing reader, then selection and snapping.
//
// Input: DXF text. When it reads, every object is walked with kvs_entnext and its records fetched
// with kvs_entget and released; its own coordinate system is asked of kvs_trans; the view is
// written as SVG text (no file) and as the page's primitives. Then points
// near a few objects spread over the drawing, moved by amounts taken from the input's bytes, are
// picked (kvs_entsel, kvs_nentsel) and snapped in two modes each: six consecutive modes of the
// list, starting at the input's length counted round it, so that the fuzzer reaches every mode
// by changing the length. Every list must come back. Each pick and snap scans the whole drawing,
// so their number is bounded and the campaign caps the input's size.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "hostsim/shell/shell.h"
#include "hostsim/view/view.h"

namespace {

constexpr int maxObjectsWalked = 5000;  // entnext follows file order; a cycle would show here
constexpr int maxObjectsPicked = 3;     // keeps one run short on a large drawing
constexpr int snapsPerPick = 2;

const char* const snapModes[] = {"_END", "_MID", "_CEN", "_INT", "_NEA",     "_NOD",
                                 "_QUA", "_PER", "_TAN", "_INS", "end,_mid", "_NON"};
constexpr int snapModeCount = sizeof snapModes / sizeof snapModes[0];

const char emptyDrawing[] = "0\nSECTION\n2\nENTITIES\n0\nENDSEC\n0\nEOF\n";

bool startHost() {
    hostsim::captureOutput(true);
    return true;
}

// A small displacement for pick k, taken from the input's bytes so the fuzzer can steer it.
double nudge(const std::string& input, std::size_t k) {
    if (input.empty()) return 0.0;
    unsigned char byte = static_cast<unsigned char>(input[(k * 7919) % input.size()]);
    return (static_cast<int>(byte) - 128) / 64.0;
}

void walkObjects() {
    kvs_name name = {0, 0};
    kvs_name next = {0, 0};
    int status = kvs_entnext(nullptr, next);
    for (int n = 0; status == KVS_RTNORM && n < maxObjectsWalked; n++) {
        name[0] = next[0];
        name[1] = next[1];
        ResultBuffer* records = kvs_entget(name);
        if (records == nullptr) std::abort();  // entnext named an object that entget denies
        kvs_relrb(records);
        ResultBuffer objectSystem{};
        objectSystem.type = KVS_RTENAME;
        objectSystem.value.name[0] = name[0];
        objectSystem.value.name[1] = name[1];
        ResultBuffer world{};
        world.type = KVS_RTSHORT;
        world.value.shortInt = KVS_WORLD;
        const double origin[3] = {1.0, 2.0, 3.0};
        double result[3];
        kvs_trans(origin, &objectSystem, &world, 0, result);
        status = kvs_entnext(name, next);
    }
}

std::string pointAnswer(const hostsim::Point& p) {
    char text[128];
    std::snprintf(text, sizeof text, "%.17g,%.17g,%.17g", p[0], p[1], p[2]);
    return text;
}

// Pick k snaps in modes first + 2k and first + 2k + 1, counted round the list.
void pickAndSnap(const hostsim::Point& p, std::size_t k, std::size_t first) {
    kvs_name name;
    double picked[3];
    double matrix[4][3];
    hostsim::queueAnswer(pointAnswer(p));
    kvs_entsel("pick: ", name, picked);
    hostsim::queueAnswer(pointAnswer(p));
    ResultBuffer* containers = nullptr;
    kvs_nentsel("pick: ", name, picked, matrix, &containers);
    kvs_relrb(containers);
    hostsim::setSysvarPoint("LASTPOINT", {p[0] + 1.0, p[1] - 1.0, 0.0});
    const double at[3] = {p[0], p[1], p[2]};
    for (int j = 0; j < snapsPerPick; j++) {
        double snapped[3];
        kvs_osnap(at, snapModes[(first + snapsPerPick * k + j) % snapModeCount], snapped);
    }
}

void pickNearObjects(const std::string& input) {
    const hostsim::Drawing& d = hostsim::currentDrawing();
    std::size_t total = d.objects.size();
    std::size_t count = total < maxObjectsPicked ? total : maxObjectsPicked;
    for (std::size_t k = 0; k < count; k++) {
        const hostsim::DrawingObject& object = d.objects[k * total / count];  // spread out
        hostsim::Point p = hostsim::groupPoint(object, 10, {0.0, 0.0, 0.0});
        p[0] += nudge(input, 2 * k);
        p[1] += nudge(input, 2 * k + 1);
        pickAndSnap(p, k, input.size());
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool started = startHost();
    (void)started;
    std::string input(reinterpret_cast<const char*>(data), size);
    hostsim::resetHostState();
    hostsim::clearQueuedAnswers();
    hostsim::useInputText("");  // a pick that asks again meets the end of input and cancels
    std::string error;
    if (hostsim::openDrawingText(input, "fuzz.dxf", error)) {
        walkObjects();
        hostsim::viewSvg();
        hostsim::PlanPrimitives page;
        hostsim::planPrimitives(-1, true, page);
        pickNearObjects(input);
    }
    // An empty drawing replaces this input's: memory the run took is given back within the run,
    // so libFuzzer sees mallocs and frees balance and only looks for a leak where one may be.
    if (!hostsim::openDrawingText(emptyDrawing, "empty.dxf", error)) std::abort();
    hostsim::clearQueuedAnswers();
    hostsim::takeOutput();
    if (hostsim::outstandingLists() != 0 || hostsim::outstandingTexts() != 0) {
        std::fprintf(stderr, "a host list or text was not released\n");
        std::abort();
    }
    return 0;
}
