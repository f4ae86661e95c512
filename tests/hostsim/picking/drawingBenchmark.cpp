// tests/hostsim/picking/drawingBenchmark.cpp - how long a drawing of 100,000 objects takes to open,
// and one pick or snap in it. Run: drawingBenchmark (Google Benchmark); build it in a release
// build.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include "hostsim/shell/shell.h"

namespace {

constexpr int objectCount = 100000;
constexpr int perRow = 316;       // objects laid out in a square
constexpr double spacing = 10.0;  // drawing units between neighbours

std::string group(int code, const std::string& value) {
    return std::to_string(code) + "\n" + value + "\n";
}
std::string group(int code, double value) { return group(code, std::to_string(value)); }

// Lines, circles, arcs and lightweight polylines with an arc segment, in turn.
std::string object(int i) {
    double x = (i % perRow) * spacing, y = (i / perRow) * spacing;
    switch (i % 4) {
        case 0:
            return group(0, "LINE") + group(8, "0") + group(10, x) + group(20, y) + group(30, 0.0) +
                   group(11, x + 6) + group(21, y + 3) + group(31, 0.0);
        case 1:
            return group(0, "CIRCLE") + group(8, "0") + group(10, x + 3) + group(20, y + 3) +
                   group(30, 0.0) + group(40, 2.5);
        case 2:
            return group(0, "ARC") + group(8, "0") + group(10, x + 3) + group(20, y + 3) +
                   group(30, 0.0) + group(40, 2.5) + group(50, 30.0) + group(51, 200.0);
        default:
            return group(0, "LWPOLYLINE") + group(8, "0") + group(90, "3") + group(70, "0") +
                   group(10, x) + group(20, y) + group(42, 0.5) + group(10, x + 5) + group(20, y) +
                   group(10, x + 5) + group(20, y + 5);
    }
}

// Two points far off: they must not stretch the pick grid over the whole drawing.
const std::string farPoints = group(0, "POINT") + group(10, "1e20") + group(20, "1e20") +
                              group(0, "POINT") + group(10, "-1e20") + group(20, "-1e20");

const std::string& generatedDrawing(bool withFarPoints = false) {
    static std::string texts[2];
    std::string& text = texts[withFarPoints];
    if (text.empty()) {
        text = group(0, "SECTION") + group(2, "ENTITIES");
        for (int i = 0; i < objectCount; ++i) text += object(i);
        if (withFarPoints) text += farPoints;
        text += group(0, "ENDSEC") + group(0, "EOF");
    }
    return text;
}

void openGenerated(bool withFarPoints = false) {
    std::string error;
    if (!hostsim::openDrawingText(generatedDrawing(withFarPoints), "generated.dxf", error))
        std::abort();
}

void BM_OpenDrawing(benchmark::State& state) {
    const std::string& text = generatedDrawing();
    for (auto _ : state) openGenerated();
    state.counters["objects"] = objectCount;
    state.counters["MB"] = text.size() / 1e6;
}
BENCHMARK(BM_OpenDrawing)->Unit(benchmark::kMillisecond);

// One pick through the whole road: the typed answer, the grid, the nearest object; argument 1
// adds the far-off points.
void BM_Entsel(benchmark::State& state) {
    openGenerated(state.range(0) != 0);
    hostsim::captureOutput(true);
    int i = 0;
    for (auto _ : state) {
        int k = (i++ * 7919) % objectCount;
        double x = (k % perRow) * spacing + 3,
               y = (k / perRow) * spacing + 0.5;  // near the first piece
        hostsim::queueAnswer(std::to_string(x) + "," + std::to_string(y));
        kvs_name name;
        double point[3];
        benchmark::DoNotOptimize(kvs_entsel("Select: ", name, point));
        hostsim::takeOutput();
    }
    hostsim::captureOutput(false);
}
BENCHMARK(BM_Entsel)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_OsnapIntersection(benchmark::State& state) {
    openGenerated();
    int i = 0;
    for (auto _ : state) {
        int k = (i++ * 7919) % objectCount;
        double point[3] = {(k % perRow) * spacing + 3, (k / perRow) * spacing + 1, 0}, result[3];
        benchmark::DoNotOptimize(kvs_osnap(point, "_INT", result));
    }
}
BENCHMARK(BM_OsnapIntersection)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
