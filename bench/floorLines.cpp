// bench/floorLines.cpp - the floor: each one-shot line's numerals through strtod, then the same
// arithmetic and libm calls written out by hand, with no parsing at all.
//
// Where each numeral starts is found once, before anything is timed; the timed part converts the
// numerals from the text and computes the line. A sign is an operator here, as it is in the
// calculator, so the numerals are unsigned and the hand-written line applies the minus.
#include <cctype>
#include <cmath>
#include <cstdlib>

#include "bench/bench.h"

namespace bench {

namespace {

constexpr int maxNumerals = 8;

using LineArithmetic = double (*)(const double* n);

// Line by line, the oneShotExpressions in the same order; n holds the line's numerals.
const LineArithmetic lineArithmetic[oneShotCount] = {
    [](const double* n) { return n[0] + n[1] * n[2]; },
    [](const double* n) { return (n[0] * n[1] - n[2]) / n[3]; },
    [](const double* n) { return std::pow(n[0], n[1]); },
    [](const double* n) {
        return std::pow(sinDegrees(n[0]), n[1]) + std::pow(cosDegrees(n[2]), n[3]);
    },
    [](const double* n) { return squareRoot(n[0]) * squareRoot(n[1]); },
    [](const double* n) { return exponential(n[0]) - n[1]; },
    [](const double* n) { return n[0] / n[1] - n[2]; },
    [](const double* n) { return (((n[0] + n[1]) * n[2]) - n[3]) / n[4]; },
    [](const double* n) { return absolute(-n[0]) + roundHalfUp(n[1]); },
    [](const double* n) { return atanDegrees(n[0]) * n[1]; },
    [](const double* n) { return -n[0] + n[1] * -n[2]; },
    [](const double* n) { return n[0] * n[1]; },
    [](const double* n) { return (std::pow(n[0], n[1]) - n[2]) * n[3]; },
    [](const double* n) { return n[0] * (n[1] + n[2]) / n[3]; },
    [](const double* n) { return squareRoot(std::pow(n[0], n[1]) + std::pow(n[2], n[3])); },
    [](const double* n) { return n[0] / std::pow(n[1] + n[2], n[3]); },
    [](const double* n) { return -(n[0] - n[1]) * -(n[2] + n[3]); },
    [](const double* n) { return cosDegrees(n[0]) * n[1] + sinDegrees(n[2]) * n[3]; },
    [](const double* n) { return exponential(-n[0]) * n[1]; },
    [](const double* n) { return roundHalfUp(n[0] / n[1]) + absolute(n[2] - n[3]); },
    [](const double* n) { return n[0] / n[1] - n[2]; },
    [](const double* n) { return atanDegrees(n[0]) + atanDegrees(n[1] / n[2]); },
};

struct NumeralPlaces {
    int count = 0;
    int offset[maxNumerals] = {};
};

NumeralPlaces numeralPlaces[oneShotCount];  // filled by prepareFloor

bool startsNumeral(const char* text, const char* at) {
    bool digitAhead = std::isdigit(static_cast<unsigned char>(at[0])) ||
                      (at[0] == '.' && std::isdigit(static_cast<unsigned char>(at[1])));
    bool partOfName = at > text && std::isalnum(static_cast<unsigned char>(at[-1]));
    return digitAhead && !partOfName;
}

// False when a line has more numerals than the floor keeps.
bool findNumerals(const char* text, NumeralPlaces& places) {
    places.count = 0;
    for (const char* at = text; *at != '\0';) {
        if (!startsNumeral(text, at)) {
            at++;
            continue;
        }
        if (places.count == maxNumerals) return false;
        places.offset[places.count++] = static_cast<int>(at - text);
        char* end = nullptr;
        std::strtod(at, &end);
        at = end;
    }
    return true;
}

bool prepared = false;
bool allLinesFit = true;

}  // namespace

void prepareFloor() {
    for (int i = 0; i < oneShotCount; i++) {
        allLinesFit = findNumerals(oneShotExpressions[i], numeralPlaces[i]) && allLinesFit;
    }
    prepared = true;
}

bool floorNumber(int index, double& number) {
    if (!prepared || !allLinesFit) return false;
    const char* text = oneShotExpressions[index];
    const NumeralPlaces& places = numeralPlaces[index];
    double numerals[maxNumerals];
    for (int k = 0; k < places.count; k++) {
        numerals[k] = std::strtod(text + places.offset[k], nullptr);
    }
    number = lineArithmetic[index](numerals);
    return true;
}

}  // namespace bench
