// bench/oneShotRounds.cpp - the one-shot lines timed in rounds: one pass over the whole list per
// evaluator per round, the evaluators taking turns, so that a change in the machine's load falls
// on all of them alike. Each evaluator's time is its median pass.
#include <algorithm>
#include <chrono>
#include <vector>

#include "bench/bench.h"
#include "engine/engine.h"
#include "host/calculator.h"

namespace bench {

OneShotTimes oneShotTimes;

namespace {

constexpr int warmUpRounds = 100;
constexpr int timedRounds = 4000;

using Pass = void (*)();

void vectrinPass() {
    Value value;
    for (const char* text : oneShotExpressions) {
        evaluateStatement(text, value);
        benchmark::DoNotOptimize(value);
    }
}

void tinyexprPass() {
    for (int i = 0; i < oneShotCount; i++) {
        double number = 0;
        tinyexprNumber(i, number);
        benchmark::DoNotOptimize(number);
    }
}

void muparserPass() {
    for (int i = 0; i < oneShotCount; i++) {
        double number = 0;
        muparserNumber(i, number);
        benchmark::DoNotOptimize(number);
    }
}

void floorPass() {
    for (int i = 0; i < oneShotCount; i++) {
        double number = 0;
        floorNumber(i, number);
        benchmark::DoNotOptimize(number);
    }
}

struct Evaluator {
    Pass pass;
    double* median;
    std::vector<double> passNs;
};

double timedPass(Pass pass) {
    auto start = std::chrono::steady_clock::now();
    pass();
    auto stop = std::chrono::steady_clock::now();
    return std::chrono::duration<double, std::nano>(stop - start).count();
}

double medianOf(std::vector<double>& values) {
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    return values[values.size() / 2];
}

// Each round starts with the next evaluator, so that none always runs first or after another.
void runRounds(std::vector<Evaluator>& evaluators, int rounds, bool keep) {
    int count = static_cast<int>(evaluators.size());
    for (int round = 0; round < rounds; round++) {
        for (int k = 0; k < count; k++) {
            Evaluator& evaluator = evaluators[(round + k) % count];
            double ns = timedPass(evaluator.pass);
            if (keep) evaluator.passNs.push_back(ns);
        }
    }
}

void timeOneShotRounds(benchmark::State& state) {
    oneShotTimes = OneShotTimes();
    std::vector<Evaluator> evaluators = {
        {vectrinPass, &oneShotTimes.vectrin, {}},
        {muparserPass, &oneShotTimes.muparser, {}},
        {floorPass, &oneShotTimes.floor, {}},
    };
    if (tinyexprAvailable()) evaluators.push_back({tinyexprPass, &oneShotTimes.tinyexpr, {}});
    for (Evaluator& evaluator : evaluators) evaluator.passNs.reserve(timedRounds);
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        runRounds(evaluators, warmUpRounds, false);
        runRounds(evaluators, timedRounds, true);
        auto stop = std::chrono::steady_clock::now();
        state.SetIterationTime(std::chrono::duration<double>(stop - start).count());
    }
    for (Evaluator& evaluator : evaluators) *evaluator.median = medianOf(evaluator.passNs);
    oneShotTimes.rounds = timedRounds;
    if (ErrorCode != 0) state.SkipWithError("a one-shot line failed in vectrin");
}

}  // namespace

void registerOneShotRounds() {
    benchmark::RegisterBenchmark(oneShotRoundsName, timeOneShotRounds)
        ->Iterations(1)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
}

}  // namespace bench
