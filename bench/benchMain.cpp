// bench/benchMain.cpp - the speed suite's start: the in-process host, the agreement check, the run.
//
// Usage: vectrinBench [Google Benchmark options, e.g. --benchmark_filter=oneShot]
// Exit status: 0 when every case ran (a missed budget is shown in the table, not failed), 1
// when a case failed, 2 when the two evaluators disagree on a value (nothing is timed then).
#include <cstdio>
#include <cstdlib>

#include "bench/bench.h"
#include "engine/engine.h"
#include "functions/functions.h"
#include "hostsim/shell/shell.h"
#include "messages/messages.h"

namespace bench {

namespace {

void stopOnCatalogueError(const char* text) {
    std::fprintf(stderr, "vectrinBench: %s", text);
    std::exit(2);
}

}  // namespace

void openBenchCatalogue() { openCatalogue(VECTRIN_CATALOGUE_PATH, stopOnCatalogueError); }

benchmark::internal::Benchmark* quickCase(benchmark::internal::Benchmark* b) {
    return b->Unit(benchmark::kNanosecond)->MinTime(0.1)->Repetitions(3);
}

// The module's libraries linked into this program, with the host beside them, as the calculator
// runs once the module is loaded: catalogue open, every built-in function registered.
void startInProcessHost() {
    hostsim::resetHostState();
    openBenchCatalogue();
    clearFunctionTable();
    ErrorCode = 0;
    registerBuiltinFunctions();
    registerMaxFunction();
    if (ErrorCode != 0) {
        std::fprintf(stderr, "vectrinBench: registering the functions failed with %d\n", ErrorCode);
        std::exit(2);
    }
}

}  // namespace bench

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 2;
    bench::startInProcessHost();
    if (!bench::checkPairsAgree() || !bench::checkGeometryEvaluates()) {
        std::fprintf(stderr,
                     "vectrinBench: the expressions do not evaluate as they must; "
                     "nothing was timed\n");
        return 2;
    }
    bench::registerExpressionBenchmarks();
    bench::registerModuleBenchmarks();
    bench::registerDrawingBenchmarks();
    bench::registerLargeDrawingBenchmarks();
    bench::TableReporter table;
    benchmark::RunSpecifiedBenchmarks(&table);
    benchmark::Shutdown();
    closeCatalogue();
    return table.allCasesRan() ? 0 : 1;
}
