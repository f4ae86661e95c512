// bench/drawingBench.cpp - opening a generated drawing of 100,000 objects, and one pick in it.
//
// The drawing is generated here as DXF text: lines, circles, arcs and lightweight polylines with
// an arc segment, in turn, laid out on a square grid. Opening it reads the text, builds every
// object's geometry and the pick grid; a pick goes the user's whole road: the typed answer, the
// grid and the nearest object.
#include <cstdio>
#include <string>

#include "bench/bench.h"
#include "hostsim/shell/shell.h"

namespace bench {

const char* const drawingLoadName = "drawing/open100k";
const char* const drawingPickName = "drawing/pick";

namespace {

constexpr int objectCount = 100000;
constexpr int perRow = 317;       // objects per row of the square: ceil(sqrt(100000))
constexpr double spacing = 10.0;  // drawing units between neighbours

void addGroup(std::string& text, int code, const char* value) {
    char line[64];
    std::snprintf(line, sizeof line, "%d\n%s\n", code, value);
    text += line;
}

void addGroup(std::string& text, int code, double value) {
    char line[64];
    std::snprintf(line, sizeof line, "%d\n%.6f\n", code, value);
    text += line;
}

void addPoint(std::string& text, int xCode, double x, double y) {
    addGroup(text, xCode, x);
    addGroup(text, xCode + 10, y);
    addGroup(text, xCode + 20, 0.0);
}

void addObject(std::string& text, int i) {
    double x = (i % perRow) * spacing, y = (i / perRow) * spacing;
    switch (i % 4) {
        case 0:
            addGroup(text, 0, "LINE");
            addGroup(text, 8, "0");
            addPoint(text, 10, x, y);
            addPoint(text, 11, x + 6, y + 3);
            break;
        case 1:
            addGroup(text, 0, "CIRCLE");
            addGroup(text, 8, "0");
            addPoint(text, 10, x + 3, y + 3);
            addGroup(text, 40, 2.5);
            break;
        case 2:
            addGroup(text, 0, "ARC");
            addGroup(text, 8, "0");
            addPoint(text, 10, x + 3, y + 3);
            addGroup(text, 40, 2.5);
            addGroup(text, 50, 30.0);
            addGroup(text, 51, 200.0);
            break;
        default:
            addGroup(text, 0, "LWPOLYLINE");
            addGroup(text, 8, "0");
            addGroup(text, 90, "3");
            addGroup(text, 70, "0");
            addGroup(text, 10, x);
            addGroup(text, 20, y);
            addGroup(text, 42, 0.5);
            addGroup(text, 10, x + 5);
            addGroup(text, 20, y);
            addGroup(text, 10, x + 5);
            addGroup(text, 20, y + 5);
            break;
    }
}

const std::string& generatedDrawing() {
    static std::string text;
    if (text.empty()) {
        addGroup(text, 0, "SECTION");
        addGroup(text, 2, "ENTITIES");
        for (int i = 0; i < objectCount; i++) addObject(text, i);
        addGroup(text, 0, "ENDSEC");
        addGroup(text, 0, "EOF");
    }
    return text;
}

bool openGenerated(benchmark::State& state) {
    std::string error;
    if (hostsim::openDrawingText(generatedDrawing(), "generated.dxf", error)) return true;
    state.SkipWithError(("the generated drawing does not open: " + error).c_str());
    return false;
}

void openDrawing(benchmark::State& state) {
    generatedDrawing();  // generated once, before timing
    for (auto _ : state) {
        if (!openGenerated(state)) break;
    }
    state.counters["objects"] = static_cast<double>(hostsim::currentDrawing().objects.size());
}

// The answers are prepared before timing; each pick lands near the line of a different cell.
void pickObject(benchmark::State& state) {
    if (!openGenerated(state)) return;
    constexpr int answerCount = 64;
    std::string answers[answerCount];
    for (int i = 0; i < answerCount; i++) {
        int k = (i * 7919) % objectCount / 4 * 4;  // a LINE, from (x, y) to (x + 6, y + 3)
        char text[64];
        std::snprintf(text, sizeof text, "%.3f,%.3f", (k % perRow) * spacing + 2,
                      (k / perRow) * spacing + 1);
        answers[i] = text;
    }
    hostsim::captureOutput(true);  // the prompt
    int i = 0, missed = 0;
    for (auto _ : state) {
        hostsim::queueAnswer(answers[i]);
        i = (i + 1) % answerCount;
        kvs_name name;
        double point[3];
        if (kvs_entsel("Select object: ", name, point) != KVS_RTNORM) missed++;
    }
    hostsim::takeOutput();
    hostsim::captureOutput(false);
    if (missed > 0) state.SkipWithError("a pick found no object");
}

}  // namespace

void registerDrawingBenchmarks() {
    benchmark::RegisterBenchmark(drawingLoadName, openDrawing)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(2)
        ->Repetitions(2);
    benchmark::RegisterBenchmark(drawingPickName, pickObject)
        ->Unit(benchmark::kMicrosecond)
        ->MinTime(0.2)
        ->Repetitions(3);
}

}  // namespace bench
