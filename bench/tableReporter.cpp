// bench/tableReporter.cpp - the suite's one table: each case's time, the ratios, the budgets.
//
// Google Benchmark hands every repetition of every case to ReportRuns; only the fastest
// repetition is kept, as the one least disturbed by other work on the machine. Nothing is
// printed until the suite ends, so the table comes out whole.
#include <cstdio>
#include <fstream>
#include <string>

#include "bench/bench.h"

namespace bench {

namespace {

constexpr double tinyexprRatioBudget = 2.5;   // vectrin at least this many times tinyexpr
constexpr double floorRatioBudget = 1.2;      // vectrin at most this many times the floor
constexpr double pointAverageBudgetNs = 200;  // a point or vector line, on average
constexpr double moduleStartBudgetNs = 1e6;   // 1 ms
constexpr double loadedMessageBudgetNs = 50;  // 50 ns
constexpr double drawingLoadBudgetNs = 1e9;   // 1 s
constexpr double drawingPickBudgetNs = 1e7;   // 10 ms
constexpr double readerFloorBudget = 2.0;     // the reader at most this many times its floor
constexpr double mixedOpenBudgetNs = 1e9;     // a million objects opened in 1 s
constexpr double ringsOpenBudgetNs = 5e8;     // 300,000 concentric circles in 0.5 s

// The first line of a /proc file that starts with key, less the key; empty when there is none.
std::string procLine(const char* path, const std::string& key) {
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        if (line.compare(0, key.size(), key) != 0) continue;
        std::string rest = line.substr(key.size());
        std::size_t start = rest.find_first_not_of(" \t:");
        return start == std::string::npos ? std::string() : rest.substr(start);
    }
    return std::string();
}

// The three load averages of /proc/loadavg.
std::string loadAverages() {
    std::string line = procLine("/proc/loadavg", "");
    std::size_t thirdSpace = line.find(' ', line.find(' ', line.find(' ') + 1) + 1);
    return thirdSpace == std::string::npos ? line : line.substr(0, thirdSpace);
}

// A duration in the unit that suits it, to three or four significant digits.
std::string formatDuration(double ns) {
    char text[32];
    if (ns < 1e3) {
        std::snprintf(text, sizeof text, "%.1f ns", ns);
    } else if (ns < 1e6) {
        std::snprintf(text, sizeof text, "%.2f us", ns / 1e3);
    } else if (ns < 1e9) {
        std::snprintf(text, sizeof text, "%.2f ms", ns / 1e6);
    } else {
        std::snprintf(text, sizeof text, "%.3f s", ns / 1e9);
    }
    return text;
}

std::string formatNumber(const char* format, double value) {
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

void printRow(const std::string& label, const std::string& first, const std::string& second = "",
              const std::string& third = "", const std::string& fourth = "") {
    std::printf("| %-38s | %12s | %12s | %9s | %-6s |\n", label.c_str(), first.c_str(),
                second.c_str(), third.c_str(), fourth.c_str());
}

void printRule() {
    std::printf("|%s|%s|%s|%s|%s|\n", std::string(40, '-').c_str(), std::string(14, '-').c_str(),
                std::string(14, '-').c_str(), std::string(11, '-').c_str(),
                std::string(8, '-').c_str());
}

}  // namespace

bool TableReporter::ReportContext(const Context& context) {
    std::string model = procLine("/proc/cpuinfo", "model name");
    std::printf("vectrin speed suite: %s, %d cores; load average at start %s\n",
                model.empty() ? "unknown processor" : model.c_str(), context.cpu_info.num_cpus,
                loadAverages().c_str());
    std::printf(
        "Times are CPU time per iteration (clock time where a case times itself), "
        "the fastest of its repetitions.\n\n");
    std::fflush(stdout);
    return true;
}

void TableReporter::ReportRuns(const std::vector<Run>& runs) {
    for (const Run& run : runs) {
        if (run.run_type != Run::RT_Iteration) continue;
        const std::string& name = run.run_name.function_name;
        if (run.error_occurred) {
            failures[name] = run.error_message;
            continue;
        }
        // CPU time, which another program on the machine disturbs less than the clock; a case
        // that times itself (manual time) has only its own clock time.
        bool manual = run.run_name.time_type == "manual_time";
        double time = manual ? run.GetAdjustedRealTime() : run.GetAdjustedCPUTime();
        double ns = time * 1e9 / benchmark::GetTimeUnitMultiplier(run.time_unit);
        auto found = bestNanoseconds.find(name);
        if (found == bestNanoseconds.end() || ns < found->second) bestNanoseconds[name] = ns;
    }
}

bool TableReporter::timeOf(const std::string& name, double& ns) const {
    auto found = bestNanoseconds.find(name);
    if (found == bestNanoseconds.end()) return false;
    ns = found->second;
    return true;
}

std::string TableReporter::shownTime(const std::string& name) const {
    double ns = 0;
    if (timeOf(name, ns)) return formatDuration(ns);
    return failures.count(name) != 0 ? "failed" : "-";
}

// One budget row. A case that failed misses its budget; one left out by a filter is not judged.
void TableReporter::judge(const std::string& label, const std::string& name, bool measured,
                          const std::string& shown, const std::string& limit, bool withinLimit) {
    std::string verdict = "met";
    if (failures.count(name) != 0) {
        verdict = "FAILED";
    } else if (!measured) {
        verdict = "-";
    } else if (!withinLimit) {
        verdict = "MISSED";
    }
    if (verdict == "met") budgetsMet++;
    if (verdict == "MISSED" || verdict == "FAILED") budgetsMissed++;
    printRow(label, measured ? shown : "-", limit, "", verdict);
}

// One row per evaluator: its median pass over the one-shot lines, per line, and its ratio.
void TableReporter::printOneShotRows() const {
    printRow(formatNumber("One-shot: %.0f lines, median pass", oneShotCount), "pass", "per line",
             "ratio");
    printRule();
    const OneShotTimes& t = oneShotTimes;
    auto row = [](const std::string& label, double ns, const std::string& ratio) {
        if (ns < 0) {
            printRow(label, "-", "-", "-");
            return;
        }
        printRow(label, formatDuration(ns), formatDuration(ns / oneShotCount), ratio);
    };
    bool ours = t.vectrin > 0;
    row("vectrin", t.vectrin, ours ? "1.00x" : "-");
    row("tinyexpr (its time / vectrin's)", t.tinyexpr,
        ours && t.tinyexpr > 0 ? formatNumber("%.2fx", t.tinyexpr / t.vectrin) : "-");
    row("muparser (its time / vectrin's)", t.muparser,
        ours && t.muparser > 0 ? formatNumber("%.1fx", t.muparser / t.vectrin) : "-");
    row("floor (vectrin's time / its)", t.floor,
        ours && t.floor > 0 ? formatNumber("%.2fx", t.vectrin / t.floor) : "-");
    if (t.rounds > 0) {
        std::printf(
            "(%d rounds, the evaluators taking turns; strtod and libm only for the "
            "floor)\n",
            t.rounds);
    }
}

double TableReporter::printGeometryRows() const {
    printRow("Point and vector lines", "vectrin");
    printRule();
    double total = 0;
    bool complete = true;
    for (int i = 0; i < pointCount; i++) {
        double ns = 0;
        complete = timeOf(geometryName(i), ns) && complete;
        total += ns;
        printRow(pointExpressions[i], shownTime(geometryName(i)));
    }
    double average = complete ? total / pointCount : -1;
    printRow(formatNumber("average of the %.0f", pointCount),
             complete ? formatDuration(average) : "-");
    return average;
}

void TableReporter::printOtherRows() const {
    printRow("Module, messages, drawing", "time");
    printRule();
    printRow("module start: load, 1, 3, 2, unload", shownTime(moduleStartName));
    printRow("getMessage, text already loaded", shownTime(loadedMessageName));
    printRow("getMessage, text loaded first time", shownTime(firstMessageName));
    printRow("open a drawing of 100,000 objects", shownTime(drawingLoadName));
    printRow("one pick in it", shownTime(drawingPickName));
}

void TableReporter::printLargeDrawingRows() const {
    const ReaderTimes& t = readerTimes;
    printRow("Large drawings", "time");
    printRule();
    printRow(formatNumber("reader, %.1f MB", t.megabytes) + ", 20,000 objects",
             t.reader > 0 ? formatDuration(t.reader) : shownTime(readerRoundsName));
    printRow("its floor: the bytes, from_chars", t.floor > 0 ? formatDuration(t.floor) : "-");
    printRow("open those 20,000 objects", shownTime(writerOpenName));
    printRow("open 1,000,000 objects (64 MB)", shownTime(mixedOpenName));
    printRow("open 300,000 concentric circles", shownTime(ringsOpenName));
    std::printf("(reader and floor: median of %d passes each, taking turns, CPU time)\n", t.rounds);
}

void TableReporter::printBudgets(double pointAverage) {
    printRow("Budget", "measured", "limit", "", "");
    printRule();
    const OneShotTimes& t = oneShotTimes;
    bool measured = t.vectrin > 0 && t.tinyexpr > 0;
    double ratio = measured ? t.tinyexpr / t.vectrin : 0;
    judge("one-shot: tinyexpr's time / vectrin's", oneShotRoundsName, measured,
          formatNumber("%.2fx", ratio), ">= 2.5x", ratio >= tinyexprRatioBudget);
    measured = t.vectrin > 0 && t.floor > 0;
    ratio = measured ? t.vectrin / t.floor : 0;
    judge("one-shot: vectrin's time / floor's", oneShotRoundsName, measured,
          formatNumber("%.2fx", ratio), "<= 1.2x", ratio <= floorRatioBudget);
    judge("point and vector lines, average", geometryName(0), pointAverage >= 0,
          formatDuration(pointAverage), "<= 200 ns", pointAverage <= pointAverageBudgetNs);
    double ns = 0;
    measured = timeOf(moduleStartName, ns);
    judge("module start", moduleStartName, measured, formatDuration(ns), "< 1 ms",
          ns < moduleStartBudgetNs);
    measured = timeOf(loadedMessageName, ns);
    judge("getMessage, text already loaded", loadedMessageName, measured, formatDuration(ns),
          "< 50 ns", ns < loadedMessageBudgetNs);
    measured = timeOf(drawingLoadName, ns);
    judge("open a drawing of 100,000 objects", drawingLoadName, measured, formatDuration(ns),
          "< 1 s", ns < drawingLoadBudgetNs);
    measured = timeOf(drawingPickName, ns);
    judge("one pick in it", drawingPickName, measured, formatDuration(ns), "< 10 ms",
          ns < drawingPickBudgetNs);
    measured = readerTimes.reader > 0 && readerTimes.floor > 0;
    ratio = measured ? readerTimes.reader / readerTimes.floor : 0;
    judge("drawing reader / its floor", readerRoundsName, measured, formatNumber("%.2fx", ratio),
          "<= 2.0x", ratio <= readerFloorBudget);
    measured = timeOf(mixedOpenName, ns);
    judge("open 1,000,000 objects", mixedOpenName, measured, formatDuration(ns), "< 1 s",
          ns < mixedOpenBudgetNs);
    measured = timeOf(ringsOpenName, ns);
    judge("open 300,000 concentric circles", ringsOpenName, measured, formatDuration(ns), "< 0.5 s",
          ns < ringsOpenBudgetNs);
}

void TableReporter::Finalize() {
    printOneShotRows();
    std::printf("\n");
    double pointAverage = printGeometryRows();
    std::printf("\n");
    printOtherRows();
    std::printf("\n");
    printLargeDrawingRows();
    std::printf("\n");
    printBudgets(pointAverage);
    std::printf("\nBudgets: %d met, %d missed.\n", budgetsMet, budgetsMissed);
    for (const auto& failure : failures) {
        std::printf("%s failed: %s\n", failure.first.c_str(), failure.second.c_str());
    }
    std::printf("Load average at the end: %s\n", loadAverages().c_str());
    std::fflush(stdout);
}

}  // namespace bench
