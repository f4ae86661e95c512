// bench/largeDrawingBench.cpp - large drawings: the drawing reader against its floor, and the
// opening of a million objects and of 300,000 concentric circles.
//
// The floor is the least a reader of the text can do: one pass over its bytes, a line at a
// time, and one std::from_chars for each number (the group code tells which values are
// numbers). The reader does that, checks every value and keeps every group. The two take turns
// round after round, so that the machine's load falls on both alike; each time is a median
// pass in CPU time. Opening a drawing reads its file, builds every object's geometry, files it
// in the pick grid and works out the view's extents, as `hostsim --drawing` does.
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench.h"
#include "bench/largeDrawings.h"
#include "hostsim/shell/shell.h"

namespace bench {

ReaderTimes readerTimes;

const char* const readerRoundsName = "largeDrawings/readerRounds";
const char* const writerOpenName = "largeDrawings/writerOpen";
const char* const mixedOpenName = "largeDrawings/mixedOpen";
const char* const ringsOpenName = "largeDrawings/ringsOpen";

namespace {

constexpr int warmUpRounds = 3;
constexpr int timedRounds = 25;

double threadSeconds() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec * 1e-9;
}

// One pass over the bytes, a line at a time, and one std::from_chars a number.
double floorPass(const std::string& text) {
    const char* at = text.data();
    const char* end = at + text.size();
    double sum = 0;
    while (at < end) {
        const char* newline = static_cast<const char*>(std::memchr(at, '\n', end - at));
        const char* codeEnd = newline != nullptr ? newline : end;
        int code = 0;
        std::from_chars(at, codeEnd, code);
        at = codeEnd + 1;
        if (at >= end) break;
        newline = static_cast<const char*>(std::memchr(at, '\n', end - at));
        const char* valueEnd = newline != nullptr ? newline : end;
        hostsim::GroupKind kind = hostsim::groupKind(code);
        if (kind != hostsim::GroupKind::Text && kind != hostsim::GroupKind::Name) {
            double number = 0;
            std::from_chars(at, valueEnd, number);
            sum += number;
        }
        at = valueEnd + 1;
    }
    return sum;
}

const std::string& writerText() {
    static const std::string text = writerDrawing(writerObjectCount);
    return text;
}

double medianOf(std::vector<double>& values) {
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    return values[values.size() / 2];
}

// The reader and the floor, taking turns: each round starts with the other one. The drawing
// read is released outside the time measured.
void timeReaderRounds(benchmark::State& state) {
    const std::string& text = writerText();
    readerTimes = ReaderTimes();
    std::vector<double> readerSeconds, floorSeconds;
    std::string error;
    for (auto _ : state) {
        for (int round = 0; round < warmUpRounds + timedRounds; ++round) {
            for (int turn = 0; turn < 2; ++turn) {
                bool reader = (round + turn) % 2 == 0;
                auto drawing = std::make_unique<hostsim::Drawing>();
                double start = threadSeconds();
                if (reader)
                    hostsim::readDxfText(text, "writer.dxf", *drawing, error);
                else
                    benchmark::DoNotOptimize(floorPass(text));
                double seconds = threadSeconds() - start;
                if (round >= warmUpRounds)
                    (reader ? readerSeconds : floorSeconds).push_back(seconds);
            }
        }
        state.SetIterationTime(medianOf(readerSeconds));
    }
    if (!error.empty()) return state.SkipWithError(("the drawing does not read: " + error).c_str());
    readerTimes.reader = medianOf(readerSeconds) * 1e9;
    readerTimes.floor = medianOf(floorSeconds) * 1e9;
    readerTimes.rounds = timedRounds;
    readerTimes.megabytes = text.size() / 1e6;
}

// A generated drawing as a file, removed when the suite ends.
struct DrawingFile {
    explicit DrawingFile(const std::string& text) {
        char name[] = "/tmp/vectrinBench.XXXXXX.dxf";
        int fd = mkstemps(name, 4);
        if (fd < 0) return;
        close(fd);
        std::ofstream(name, std::ios::binary) << text;
        path = name;
    }
    ~DrawingFile() {
        if (!path.empty()) std::remove(path.c_str());
    }
    std::string path;
};

void openFile(benchmark::State& state, const DrawingFile& file) {
    std::string error;
    for (auto _ : state) {
        if (hostsim::openDrawingFile(file.path, error)) continue;
        return state.SkipWithError(("the drawing does not open: " + error).c_str());
    }
    state.counters["objects"] = static_cast<double>(hostsim::currentDrawing().objects.size());
}

void openWriterDrawing(benchmark::State& state) {
    static const DrawingFile file(writerText());
    openFile(state, file);
}

void openMixedDrawing(benchmark::State& state) {
    static const DrawingFile file(mixedDrawing(mixedObjectCount));
    openFile(state, file);
}

void openConcentricCircles(benchmark::State& state) {
    static const DrawingFile file(concentricCircles(concentricCircleCount));
    openFile(state, file);
}

}  // namespace

void registerLargeDrawingBenchmarks() {
    benchmark::RegisterBenchmark(readerRoundsName, timeReaderRounds)
        ->Iterations(1)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(writerOpenName, openWriterDrawing)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(5)
        ->Repetitions(3);
    benchmark::RegisterBenchmark(mixedOpenName, openMixedDrawing)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(1)
        ->Repetitions(3);
    benchmark::RegisterBenchmark(ringsOpenName, openConcentricCircles)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(2)
        ->Repetitions(3);
}

}  // namespace bench
