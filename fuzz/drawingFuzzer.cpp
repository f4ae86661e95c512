// fuzz/drawingFuzzer.cpp - DXF files through the drawing reader, then selection and snapping.
//
// Input: DXF text. When it reads, every object is walked with kvs_entnext and its records fetched
// with kvs_entget and released; its own coordinate system is asked of kvs_trans. Then points
// near the first objects' coordinates, moved by amounts taken from the input's bytes, are picked
// (kvs_entsel, kvs_nentsel) and snapped in every mode. Every list must come back.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "hostsim/drawing.h"
#include "hostsim/hostsim.h"

namespace {

constexpr int maxObjectsWalked = 5000;  // entnext follows file order; a cycle would show here
constexpr int maxObjectsPicked = 24;    // keeps one run short on a large drawing

const char* const snapModes[] = {"_END", "_MID", "_CEN", "_INT", "_NEA", "_NOD",
                                 "_QUA", "_PER", "_TAN", "_INS", "end,_mid", "_NON"};

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

void pickAndSnap(const hostsim::Point& p) {
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
    for (const char* mode : snapModes) {
        double snapped[3];
        kvs_osnap(at, mode, snapped);
    }
}

void pickNearObjects(const std::string& input) {
    const hostsim::Drawing& d = hostsim::currentDrawing();
    std::size_t count = d.objects.size() < maxObjectsPicked ? d.objects.size() : maxObjectsPicked;
    for (std::size_t k = 0; k < count; k++) {
        hostsim::Point p = hostsim::groupPoint(d.objects[k], 10, {0.0, 0.0, 0.0});
        p[0] += nudge(input, 2 * k);
        p[1] += nudge(input, 2 * k + 1);
        pickAndSnap(p);
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
        pickNearObjects(input);
    }
    hostsim::clearQueuedAnswers();
    hostsim::takeOutput();
    if (hostsim::outstandingLists() != 0 || hostsim::outstandingTexts() != 0) {
        std::fprintf(stderr, "a host list or text was not released\n");
        std::abort();
    }
    return 0;
}
