// bench/bench.h - the speed suite: its cases, the host it runs in, and the table it prints.
#ifndef VECTRIN_BENCH_BENCH_H
#define VECTRIN_BENCH_BENCH_H

#include <benchmark/benchmark.h>

#include <map>
#include <string>

namespace bench {

constexpr int expressionCount = 10;

// The one-shot set, as vectrin reads it; muparser reads the same texts.
extern const char* const oneShotExpressions[expressionCount];
// The geometry mix: points, units and geometric functions, with no peer.
extern const char* const geometryExpressions[expressionCount];

// ---- the in-process host (benchMain.cpp) ----
// Catalogue open, host state reset, every built-in function registered.
void startInProcessHost();
// Opens the catalogue the module's own build compiled; a failure ends the run with status 2.
void openBenchCatalogue();

// ---- the cases (expressionBench.cpp, moduleBench.cpp, drawingBench.cpp) ----
// Evaluates every one-shot pair once; false, with the pairs that differ printed, when any does.
bool checkPairsAgree();
// Every geometry expression evaluates without an error; false, with the failures printed.
bool checkGeometryEvaluates();
void registerExpressionBenchmarks();
void registerModuleBenchmarks();
void registerDrawingBenchmarks();

// A case that takes nanoseconds: short runs, repeated, the fastest repetition kept.
benchmark::internal::Benchmark* quickCase(benchmark::internal::Benchmark* b);

// Benchmark names, shared by the registrations and the table.
std::string oneShotName(const char* side, int index);  // "oneShot/vectrin/3"
std::string geometryName(int index);                   // "geometry/3"
extern const char* const moduleStartName;
extern const char* const loadedMessageName;
extern const char* const firstMessageName;
extern const char* const drawingLoadName;
extern const char* const drawingPickName;

// ---- the table (tableReporter.cpp) ----
// Collects every run's time and prints one table when the suite ends, then the budgets.
class TableReporter : public benchmark::BenchmarkReporter {
public:
    bool ReportContext(const Context& context) override;
    void ReportRuns(const std::vector<Run>& runs) override;
    void Finalize() override;
    bool allCasesRan() const { return failures.empty(); }

private:
    bool timeOf(const std::string& name, double& ns) const;
    std::string shownTime(const std::string& name) const;  // its time, "failed" or "-"
    void judge(const std::string& label, const std::string& name, bool measured,
               const std::string& shown, const std::string& limit, bool withinLimit);
    double printOneShotRows() const;  // returns the ratio of the sums, 0 when one is missing
    void printGeometryRows() const;
    void printOtherRows() const;
    void printBudgets(double oneShotRatio);

    std::map<std::string, double> bestNanoseconds;  // the fastest repetition of each case
    std::map<std::string, std::string> failures;    // cases that reported an error
    int budgetsMet = 0, budgetsMissed = 0;
};

}  // namespace bench

#endif
