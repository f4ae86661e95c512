// bench/expressionBench.cpp - one-shot evaluation against muparser, and the geometry mix.
//
// Both sides read the text from scratch on every iteration: vectrin through evaluateStatement,
// as the calculator entry does, and muparser through one long-lived parser given the text again
// with SetExpr before each Eval, which makes it parse anew.
#include <cmath>
#include <cstdio>
#include <string>

#include <muParser.h>

#include "bench/bench.h"
#include "engine/engine.h"
#include "host/calculator.h"

namespace bench {

const char* const oneShotExpressions[expressionCount] = {
    "1+2*3",
    "(3.5*2-1)/7",
    "2^10",
    "SIN(30)^2+COS(30)^2",
    "SQRT(2)*SQRT(2)",
    "EXP(1)-2.718281828",
    "1.5e3/3-250",
    "((((1+2)*3)-4)/5)",
    "ABS(-3.25)+ROUND(2.7)",
    "ATAN(1)*4",
};

const char* const geometryExpressions[expressionCount] = {
    "[1,2,3]+[4,5,6]*2",
    "[3<45,2]",
    "[1,0,0]&[0,1,0]",
    "5'6\"+2'",
    "10d30'36\"*2",
    "ROT([1,0,0],[0,0,0],90)",
    "ILL([0,0,0],[2,2,0],[0,2,0],[2,0,0])",
    "ANG([0,0,0],[1,0,0],[0,1,0])",
    "DIST([0,0,0],[3,4,0])",
    "PLD([0,0,0],[10,0,0],3)",
};

std::string oneShotName(const char* side, int index) {
    return std::string("oneShot/") + side + "/" + std::to_string(index);
}

std::string geometryName(int index) { return "geometry/" + std::to_string(index); }

namespace {

// The calculator's functions for muparser, computed as vectrin computes them, so that every
// pair gives the same double. muparser's own sin and cos take radians and it has no ROUND.
constexpr double degreesToRadians = 0.017453292519943295;
constexpr double radiansToDegrees = 57.29577951308232;

double sinDegrees(double x) { return std::sin(x * degreesToRadians); }
double cosDegrees(double x) { return std::cos(x * degreesToRadians); }
double atanDegrees(double x) { return std::atan(x) * radiansToDegrees; }
double squareRoot(double x) { return std::sqrt(x); }
double exponential(double x) { return std::exp(x); }
double absolute(double x) { return std::fabs(x); }
double roundHalfUp(double x) { return std::floor(x + 0.5); }

// ---- the peer: one parser for the whole run, as a program that evaluates many texts keeps ----
mu::Parser& peerParser() {
    static mu::Parser parser;
    static bool defined = false;
    if (!defined) {
        parser.DefineFun("SIN", sinDegrees);
        parser.DefineFun("COS", cosDegrees);
        parser.DefineFun("ATAN", atanDegrees);
        parser.DefineFun("SQRT", squareRoot);
        parser.DefineFun("EXP", exponential);
        parser.DefineFun("ABS", absolute);
        parser.DefineFun("ROUND", roundHalfUp);
        defined = true;
    }
    return parser;
}

// The texts as muparser takes them, built once so that the loop times only the parser.
const std::string& peerText(int index) {
    static std::string texts[expressionCount];
    if (texts[index].empty()) texts[index] = oneShotExpressions[index];
    return texts[index];
}

// A number, whatever its kind; false when the text does not evaluate to one.
bool vectrinNumber(const char* text, double& number) {
    Value value;
    if (!evaluateStatement(text, value) || value.kind == ValueKind::Vector) return false;
    number = value.num;
    return true;
}

bool peerNumber(int index, double& number) {
    try {
        peerParser().SetExpr(peerText(index));
        number = peerParser().Eval();
        return true;
    } catch (const mu::Parser::exception_type& e) {
        std::fprintf(stderr, "muparser: %s: %s\n", oneShotExpressions[index],
                     e.GetMsg().c_str());
        return false;
    }
}

void evaluateVectrin(benchmark::State& state, const char* text) {
    Value value;
    for (auto _ : state) {
        evaluateStatement(text, value);
        benchmark::DoNotOptimize(value);
    }
    if (ErrorCode != 0) state.SkipWithError("the expression failed");
}

void evaluatePeer(benchmark::State& state, int index) {
    mu::Parser& parser = peerParser();
    const std::string& text = peerText(index);
    for (auto _ : state) {
        parser.SetExpr(text);
        double number = parser.Eval();
        benchmark::DoNotOptimize(number);
    }
}

}  // namespace

bool checkPairsAgree() {
    bool agree = true;
    for (int i = 0; i < expressionCount; i++) {
        double ours = 0, theirs = 0;
        bool evaluated = vectrinNumber(oneShotExpressions[i], ours) && peerNumber(i, theirs);
        if (!evaluated || ours != theirs) {  // the same double, bit for bit
            std::fprintf(stderr, "pair %d differs: %s gives %.17g in vectrin, %.17g in muparser\n",
                         i + 1, oneShotExpressions[i], ours, theirs);
            agree = false;
        }
    }
    return agree;
}

bool checkGeometryEvaluates() {
    bool evaluated = true;
    for (const char* text : geometryExpressions) {
        Value value;
        if (!evaluateStatement(text, value)) {
            std::fprintf(stderr, "geometry expression %s fails with error %d\n", text, ErrorCode);
            evaluated = false;
        }
    }
    return evaluated;
}

// Each pair side by side, so that both sides of a row run under the same conditions.
void registerExpressionBenchmarks() {
    for (int i = 0; i < expressionCount; i++) {
        const char* text = oneShotExpressions[i];
        quickCase(benchmark::RegisterBenchmark(oneShotName("vectrin", i).c_str(), evaluateVectrin,
                                               text));
        quickCase(benchmark::RegisterBenchmark(oneShotName("muparser", i).c_str(), evaluatePeer, i));
    }
    for (int i = 0; i < expressionCount; i++) {
        quickCase(benchmark::RegisterBenchmark(geometryName(i).c_str(), evaluateVectrin,
                                               geometryExpressions[i]));
    }
}

}  // namespace bench
