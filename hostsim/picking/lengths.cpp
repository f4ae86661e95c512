// hostsim/picking/lengths.cpp - the point halfway along a curve, by its length: 8-point
// Gauss-Legendre on the pieces of its course, then Newton's method in the piece that holds it.
#include <algorithm>
#include <cmath>

#include "hostsim/picking/picking.h"

namespace {

constexpr int maxNewtonSteps = 60;  // each halves the bracket at worst: past a double's digits

// The length over [t0, t1] by one 8-point Gauss-Legendre rule.
double pieceLength(const hostsim::Speed& speed, double t0, double t1) {
    static const double nodes[4] = {0.1834346424956498, 0.5255324099163290, 0.7966664774136267,
                                    0.9602898564975363};
    static const double weights[4] = {0.3626837833783620, 0.3137066458778873, 0.2223810344533745,
                                      0.1012285362903763};
    double centre = 0.5 * (t0 + t1), half = 0.5 * (t1 - t0), length = 0.0;
    for (int k = 0; k < 4; ++k)
        length += weights[k] * (speed(centre - half * nodes[k]) + speed(centre + half * nodes[k]));
    return half * length;
}

// Where the length from low reaches wanted, within [low, high]: Newton's method on it (its
// derivative is the speed), kept inside the bracket by bisection.
double solveInPiece(const hostsim::Speed& speed, double low, double high, double wanted,
                    double pieceTotal) {
    const double start = low;
    double t = pieceTotal > 0.0 ? low + (high - low) * (wanted / pieceTotal) : 0.5 * (low + high);
    for (int k = 0; k < maxNewtonSteps; ++k) {
        double excess = pieceLength(speed, start, t) - wanted;
        (excess < 0.0 ? low : high) = t;
        double rate = speed(t), next = rate > 0.0 ? t - excess / rate : NAN;
        if (!(next > low && next < high)) next = 0.5 * (low + high);
        if (std::fabs(next - t) <= 1e-15 * (1.0 + std::fabs(t))) return next;
        t = next;
    }
    return t;
}

}  // namespace

namespace hostsim {

double courseMiddle(const Speed& speed, const std::vector<double>& cuts) {
    if (cuts.size() < 2) return cuts.empty() ? NAN : cuts[0];
    std::vector<double> lengths(cuts.size() - 1);
    double total = 0.0;
    for (std::size_t i = 0; i + 1 < cuts.size(); ++i)
        total += lengths[i] = pieceLength(speed, cuts[i], cuts[i + 1]);
    double wanted = 0.5 * total;
    std::size_t i = 0;
    for (; i + 2 < cuts.size() && wanted > lengths[i]; ++i) wanted -= lengths[i];
    return solveInPiece(speed, cuts[i], cuts[i + 1], std::min(wanted, lengths[i]), lengths[i]);
}

}  // namespace hostsim
