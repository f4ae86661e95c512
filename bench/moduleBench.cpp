// bench/moduleBench.cpp - starting and stopping the module, and getMessage.
//
// Module start goes the whole way a host goes: dlopen of vectrin.so, its exports bound, messages
// 1 (catalogue opened at the end of its own file) and 3 (61 functions registered, four names
// defined), then message 2 and dlclose. getMessage is timed on the in-process catalogue.
#include <chrono>
#include <string>

#include "bench/bench.h"
#include "hostsim/shell/shell.h"
#include "messages/messageNumbers.h"
#include "messages/messages.h"

namespace bench {

const char* const moduleStartName = "module/startAndStop";
const char* const loadedMessageName = "getMessage/loaded";
const char* const firstMessageName = "getMessage/firstUse";

namespace {

constexpr std::size_t hostNameCount = 4;  // CAL, C:CAL and their localised names

// One load before timing, to see that the module starts completely: every name defined.
bool moduleStartsCompletely(std::string& reason) {
    if (!hostsim::loadModule(VECTRIN_MODULE_PATH)) {
        reason = "the module does not load: " + hostsim::takeOutput();
        return false;
    }
    std::size_t defined = hostsim::definedFunctions().size();
    hostsim::unloadModule();
    if (defined == hostNameCount) return true;
    reason = "the module defined " + std::to_string(defined) + " names, not 4";
    return false;
}

void startAndStopModule(benchmark::State& state) {
    hostsim::captureOutput(true);  // a module that fails to load says why; kept off the table
    std::string reason;
    if (!moduleStartsCompletely(reason)) state.SkipWithError(reason.c_str());
    for (auto _ : state) {
        if (!hostsim::loadModule(VECTRIN_MODULE_PATH)) {
            state.SkipWithError(("the module does not load: " + hostsim::takeOutput()).c_str());
            break;
        }
        hostsim::unloadModule();
    }
    hostsim::takeOutput();
    hostsim::captureOutput(false);
}

void lookUpLoadedMessage(benchmark::State& state) {
    getMessage(errorModule, errorHeading);  // loaded and unscrambled once, before timing
    for (auto _ : state) {
        const char* text = getMessage(errorModule, errorHeading);
        benchmark::DoNotOptimize(text);
    }
}

// The first lookup of a text reads its block from the file and unscrambles the text. Each
// iteration reopens the catalogue, which forgets every loaded block, and times only the lookup.
void lookUpFirstMessage(benchmark::State& state) {
    using Clock = std::chrono::steady_clock;
    for (auto _ : state) {
        closeCatalogue();
        openBenchCatalogue();
        auto start = Clock::now();
        const char* text = getMessage(errorModule, errorHeading);
        auto stop = Clock::now();
        benchmark::DoNotOptimize(text);
        state.SetIterationTime(std::chrono::duration<double>(stop - start).count());
    }
}

}  // namespace

void registerModuleBenchmarks() {
    benchmark::RegisterBenchmark(moduleStartName, startAndStopModule)
        ->Unit(benchmark::kMicrosecond)
        ->MinTime(0.3)
        ->Repetitions(3);
    quickCase(benchmark::RegisterBenchmark(loadedMessageName, lookUpLoadedMessage));
    benchmark::RegisterBenchmark(firstMessageName, lookUpFirstMessage)
        ->UseManualTime()
        ->MinTime(0.1)
        ->Repetitions(3);
}

}  // namespace bench
