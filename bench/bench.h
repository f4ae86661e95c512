// bench/bench.h - the speed suite: its cases, the host it runs in, and the table it prints.
#ifndef VECTRIN_BENCH_BENCH_H
#define VECTRIN_BENCH_BENCH_H

#include <benchmark/benchmark.h>

#include <map>
#include <string>

namespace bench {

constexpr int oneShotCount = 22;
constexpr int pointCount = 12;

// The one-shot lines, as vectrin reads them; the peers read the same texts.
extern const char* const oneShotExpressions[oneShotCount];
// Point and vector lines, with no peer.
extern const char* const pointExpressions[pointCount];

// The calculator's functions as vectrin computes them, for the peers and the floor.
double sinDegrees(double x);
double cosDegrees(double x);
double atanDegrees(double x);
double squareRoot(double x);
double exponential(double x);
double absolute(double x);
double roundHalfUp(double x);

// ---- the evaluators of one-shot line `index`; each false when the line gives no number ----
bool vectrinNumber(const char* text, double& number);
bool muparserNumber(int index, double& number);
bool tinyexprAvailable();  // false when the suite was built without tinyexpr
bool tinyexprNumber(int index, double& number);
// The floor: strtod on the line's numerals and the same arithmetic and libm calls, no parsing.
void prepareFloor();  // finds each line's numerals once, before anything is timed
bool floorNumber(int index, double& number);

// One pass over the one-shot lines per round, the evaluators taking turns round after round.
// Each time is the median pass in nanoseconds; a negative time was not measured.
struct OneShotTimes {
    double vectrin = -1, tinyexpr = -1, muparser = -1, floor = -1;
    int rounds = 0;
};
extern OneShotTimes oneShotTimes;

// The drawing reader and its floor on the generated drawing of a CAD program's kind, taking
// turns (largeDrawingBench.cpp): each time is the median pass in nanoseconds of CPU time; a
// negative time was not measured.
struct ReaderTimes {
    double reader = -1, floor = -1;
    double megabytes = 0;
    int rounds = 0;
};
extern ReaderTimes readerTimes;

// ---- the in-process host (benchMain.cpp) ----
// Catalogue open, host state reset, every built-in function registered.
void startInProcessHost();
// Opens the catalogue the module's own build compiled; a failure ends the run with status 2.
void openBenchCatalogue();

// ---- the cases (expressionBench.cpp, moduleBench.cpp, drawingBench.cpp and
// largeDrawingBench.cpp) ----
// Evaluates every one-shot line with every evaluator; false, with the lines where one differs
// from vectrin printed, when any does.
bool checkPairsAgree();
// Every point expression evaluates without an error; false, with the failures printed.
bool checkGeometryEvaluates();
void registerExpressionBenchmarks();  // the point lines, and the one-shot rounds below
void registerOneShotRounds();
void registerModuleBenchmarks();
void registerDrawingBenchmarks();
void registerLargeDrawingBenchmarks();  // the reader against its floor, and large drawings

// A case that takes nanoseconds: short runs, repeated, the fastest repetition kept.
benchmark::internal::Benchmark* quickCase(benchmark::internal::Benchmark* b);

// Benchmark names, shared by the registrations and the table.
extern const char* const oneShotRoundsName;  // "oneShot/rounds"
std::string geometryName(int index);         // "points/3"
extern const char* const moduleStartName;
extern const char* const loadedMessageName;
extern const char* const firstMessageName;
extern const char* const drawingLoadName;
extern const char* const drawingPickName;
extern const char* const readerRoundsName;  // "largeDrawings/readerRounds"
extern const char* const writerOpenName;
extern const char* const mixedOpenName;
extern const char* const ringsOpenName;

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
    void printOneShotRows() const;
    double printGeometryRows() const;  // returns the average, negative when one is missing
    void printOtherRows() const;
    void printLargeDrawingRows() const;
    void printBudgets(double pointAverage);

    std::map<std::string, double> bestNanoseconds;  // the fastest repetition of each case
    std::map<std::string, std::string> failures;    // cases that reported an error
    int budgetsMet = 0, budgetsMissed = 0;
};

}  // namespace bench

#endif
