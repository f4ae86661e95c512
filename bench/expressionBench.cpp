// bench/expressionBench.cpp - the one-shot lines, vectrin and muparser on them, and the point
// lines.
//
// Every evaluator reads the text from scratch each time: vectrin through evaluateStatement, as
// the calculator entry does, and muparser through one long-lived parser given the text again
// with SetExpr before each Eval, which makes it parse anew.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

#include <muParser.h>

#include "bench/bench.h"
#include "engine/engine.h"
#include "host/calculator.h"

namespace bench {

// What a calculator user types: decimals, exponents, parentheses, unary minus, functions.
const char* const oneShotExpressions[oneShotCount] = {
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
    "-7.25+3*-2",
    "2.5e-3*4e2",
    "(1.08^5-1)*100",
    "12.5*(3+4.25)/2",
    "SQRT(3^2+4^2)",
    "100/(1+0.05)^10",
    "-(2.5-4)*-(1.5+0.5)",
    "COS(60)*10+SIN(45)*2",
    "EXP(-0.5)*3.14159",
    "ROUND(17.6/3)+ABS(2-9.5)",
    "6.02e23/1e20-6020",
    "ATAN(0.5)+ATAN(1/3)",
};

const char* const pointExpressions[pointCount] = {
    "[1,2,3]+[4,5,6]*2",
    "[1.5,2,3.25]+[4,5.5,6]*2",
    "[1,0,0]&[0,1,0]",
    "[1,2,3]*([4,5,6]&[7,8,10])",
    "[3,4,0]-[1,1,1]/2",
    "ROT([1,0,0],[0,0,0],90)",
    "ILL([0,0,0],[2,2,0],[0,2,0],[2,0,0])",
    "ANG([0,0,0],[1,0,0],[0,1,0])",
    "DIST([0,0,0],[3,4,0])",
    "PLD([0,0,0],[10,0,0],3)",
    "DIST([1.5,-2,0.25],[4,0.5,-1])",
    "[2,3,4]*[5,6,7]",
};

const char* const oneShotRoundsName = "oneShot/rounds";

std::string geometryName(int index) { return "points/" + std::to_string(index); }

// muparser's own sin and cos take radians and it has no ROUND; these compute as vectrin does.
namespace {
constexpr double degreesToRadians = 0.017453292519943295;
constexpr double radiansToDegrees = 57.29577951308232;
}  // namespace

double sinDegrees(double x) { return std::sin(x * degreesToRadians); }
double cosDegrees(double x) { return std::cos(x * degreesToRadians); }
double atanDegrees(double x) { return std::atan(x) * radiansToDegrees; }
double squareRoot(double x) { return std::sqrt(x); }
double exponential(double x) { return std::exp(x); }
double absolute(double x) { return std::fabs(x); }
double roundHalfUp(double x) { return std::floor(x + 0.5); }

namespace {

// ---- muparser: one parser for the whole run, as a program that evaluates many texts keeps ----
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

// The texts as muparser takes them, built once so that the timing covers only the parser.
const std::string& peerText(int index) {
    static std::string texts[oneShotCount];
    if (texts[index].empty()) texts[index] = oneShotExpressions[index];
    return texts[index];
}

void evaluateVectrin(benchmark::State& state, const char* text) {
    Value value;
    for (auto _ : state) {
        evaluateStatement(text, value);
        benchmark::DoNotOptimize(value);
    }
    if (ErrorCode != 0) state.SkipWithError("the expression failed");
}

bool sameDouble(const char* evaluator, int index, bool evaluated, double ours, double theirs) {
    // Within a few units in the last place: vectrin takes the sine and cosine of an angle in
    // degrees at the angle itself (exact at whole quarter turns, correctly rounded at 60), where
    // the others take them at the angle's radians rounded to a double, which may move the last
    // bits. Anything larger is a different value.
    if (evaluated &&
        std::fabs(ours - theirs) <= 8 * std::numeric_limits<double>::epsilon() *
                                        std::max({std::fabs(ours), std::fabs(theirs), 1.0}))
        return true;
    std::fprintf(stderr, "line %d differs: %s gives %.17g in vectrin, %.17g in %s\n", index + 1,
                 oneShotExpressions[index], ours, theirs, evaluator);
    return false;
}

}  // namespace

// A number, whatever its kind; false when the text does not evaluate to one.
bool vectrinNumber(const char* text, double& number) {
    Value value;
    if (!evaluateStatement(text, value) || value.kind == ValueKind::Vector) return false;
    number = value.num;
    return true;
}

bool muparserNumber(int index, double& number) {
    try {
        peerParser().SetExpr(peerText(index));
        number = peerParser().Eval();
        return true;
    } catch (const mu::Parser::exception_type& e) {
        std::fprintf(stderr, "muparser: %s: %s\n", oneShotExpressions[index], e.GetMsg().c_str());
        return false;
    }
}

bool checkPairsAgree() {
    prepareFloor();
    bool agree = true;
    for (int i = 0; i < oneShotCount; i++) {
        double ours = 0, theirs = 0;
        if (!vectrinNumber(oneShotExpressions[i], ours)) {
            std::fprintf(stderr, "line %d fails in vectrin: %s\n", i + 1, oneShotExpressions[i]);
            agree = false;
            continue;
        }
        bool evaluated = muparserNumber(i, theirs);
        agree = sameDouble("muparser", i, evaluated, ours, theirs) && agree;
        if (tinyexprAvailable()) {
            evaluated = tinyexprNumber(i, theirs);
            agree = sameDouble("tinyexpr", i, evaluated, ours, theirs) && agree;
        }
        evaluated = floorNumber(i, theirs);
        agree = sameDouble("the floor", i, evaluated, ours, theirs) && agree;
    }
    return agree;
}

bool checkGeometryEvaluates() {
    bool evaluated = true;
    for (const char* text : pointExpressions) {
        Value value;
        if (!evaluateStatement(text, value)) {
            std::fprintf(stderr, "point expression %s fails with error %d\n", text, ErrorCode);
            evaluated = false;
        }
    }
    return evaluated;
}

// The one-shot lines are timed in interleaved rounds (oneShotRounds.cpp); the point lines one
// case each, with no peer.
void registerExpressionBenchmarks() {
    registerOneShotRounds();
    for (int i = 0; i < pointCount; i++) {
        quickCase(benchmark::RegisterBenchmark(geometryName(i).c_str(), evaluateVectrin,
                                               pointExpressions[i]));
    }
}

}  // namespace bench
