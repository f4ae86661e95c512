// hostsim/drawing/splineCurves.cpp - the curve of a SPLINE object: a rational B-spline from its
// control points, knots and weights, or the cubic through its fit points.
//
// Fit points alone give the cubic of global interpolation: chord-length parameters, the inner
// knots equal to them, and end derivatives from groups 12 and 13 or estimated from the points
// near each end, each as long as the whole chord.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "hostsim/drawing/drawing.h"

namespace {

using hostsim::Point;
using hostsim::Spline;

constexpr int maxDegree = 30;  // far past any drawn curve; sizes the basis rows
constexpr std::size_t maxControlPoints = 1000000;
constexpr std::size_t maxFitPoints = 500;  // the interpolation solves a dense system

// Closed splines (flag 1) have no ends; the other flags (periodic, rational, planar) follow from
// the knots and weights.
constexpr int closedFlag = 1;

using hostsim::cross;
using hostsim::groupPoints;
using hostsim::groupValues;
using hostsim::isFinitePoint;
using hostsim::norm;
using hostsim::sub;
Point combine(double k, const Point& a, double l, const Point& b) {
    return {k * a[0] + l * b[0], k * a[1] + l * b[1], k * a[2] + l * b[2]};
}

// Empty when the curve can be evaluated; else why not.
std::string splineFault(const Spline& s) {
    std::size_t count = s.control.size();
    if (s.degree < 1 || s.degree > maxDegree)
        return "a spline of degree " + std::to_string(s.degree);
    if (count < static_cast<std::size_t>(s.degree) + 1 || count > maxControlPoints)
        return "a spline with too few or too many control points for its degree";
    if (s.knots.size() != count + s.degree + 1)
        return "a spline whose knots do not match its control points";
    if (s.weights.size() != count) return "a spline whose weights do not match its control points";
    for (std::size_t i = 0; i + 1 < s.knots.size(); ++i)
        if (s.knots[i] > s.knots[i + 1]) return "a spline whose knots decrease";
    for (double knot : s.knots)
        if (!std::isfinite(knot)) return "a spline with a knot out of range";
    for (double w : s.weights)
        if (!(w > 0.0) || !std::isfinite(w)) return "a spline with a weight that is not positive";
    for (const Point& p : s.control)
        if (!isFinitePoint(p)) return "a spline with a control point out of range";
    double low = 0.0, high = 0.0;
    hostsim::splineDomain(s, low, high);
    if (!(low < high)) return "a spline whose knots leave it no length";
    return "";
}

// The knot span [knots[i], knots[i + 1]) of a parameter, clamped into the curve's domain and
// moved off empty spans, so that the domain's upper end takes the last span's polynomial.
int spanOf(const Spline& s, double t) {
    int count = static_cast<int>(s.control.size());
    auto first = s.knots.begin() + s.degree, last = s.knots.begin() + count;
    int span = static_cast<int>(std::upper_bound(first, last, t) - s.knots.begin()) - 1;
    span = std::clamp(span, s.degree, count - 1);
    while (span > s.degree && s.knots[span] == s.knots[span + 1]) --span;
    return span;
}

// The degree p basis functions nonzero on span (n[0..p] for control points span-p..span) and
// those of degree p-1 (lower[0..p-1]), by the Cox-de Boor recurrence.
void basisFunctions(const Spline& s, int span, double t, double* n, double* lower) {
    double left[maxDegree + 1], right[maxDegree + 1];
    const std::vector<double>& u = s.knots;
    n[0] = 1.0;
    for (int j = 1; j <= s.degree; ++j) {
        if (j == s.degree) std::copy(n, n + j, lower);
        left[j] = t - u[span + 1 - j];
        right[j] = u[span + j] - t;
        double saved = 0.0;
        for (int r = 0; r < j; ++r) {
            double denominator = right[r + 1] + left[j - r];
            double temp = denominator != 0.0 ? n[r] / denominator : 0.0;
            n[r] = saved + right[r + 1] * temp;
            saved = left[j - r] * temp;
        }
        n[j] = saved;
    }
}

// The point and first derivative at t: the weighted sums over the span's control points.
void evaluate(const Spline& s, double t, Point* point, Point* derivative) {
    int p = s.degree, span = spanOf(s, t);
    double n[maxDegree + 1], lower[maxDegree + 1];
    basisFunctions(s, span, t, n, lower);
    const std::vector<double>& u = s.knots;
    double a[3] = {0, 0, 0}, da[3] = {0, 0, 0}, w = 0.0, dw = 0.0;
    for (int r = 0; r <= p; ++r) {
        int i = span - p + r;
        double dn = 0.0;  // the derivative of basis function i, from those of degree p - 1
        if (r >= 1 && u[i + p] > u[i]) dn += p * lower[r - 1] / (u[i + p] - u[i]);
        if (r <= p - 1 && u[i + p + 1] > u[i + 1]) dn -= p * lower[r] / (u[i + p + 1] - u[i + 1]);
        double weight = s.weights[i];
        for (int k = 0; k < 3; ++k) {
            a[k] += n[r] * weight * s.control[i][k];
            da[k] += dn * weight * s.control[i][k];
        }
        w += n[r] * weight;
        dw += dn * weight;
    }
    Point c = {a[0] / w, a[1] / w, a[2] / w};
    if (point) *point = c;
    if (derivative)
        *derivative = {(da[0] - dw * c[0]) / w, (da[1] - dw * c[1]) / w, (da[2] - dw * c[2]) / w};
}

// ---- curves through fit points: the cubic of global interpolation with end derivatives ----
//
// The parameters of the fit points follow the chords between them (0 to 1), the inner knots are
// those parameters, and the end derivatives have the total chord length as their magnitude. Their
// directions are groups 12 and 13 when both are given, else estimated from five points around each
// end. Two rows tie the second and the second-to-last control points to them.

// The estimated direction at the first (last = false) or last fit point: a blend of the chords
// beside it, weighted by how sharply the chords turn on each side; chords past the ends are
// extrapolated.
Point estimatedTangent(const std::vector<Point>& fit, bool last) {
    int n = static_cast<int>(fit.size());
    auto chord = [&](int k) -> Point {  // q[k] = fit[k] - fit[k - 1], extrapolated past both ends
        if (k >= 1 && k <= n - 1) return sub(fit[k], fit[k - 1]);
        Point q1 = sub(fit[1], fit[0]), q2 = sub(fit[2], fit[1]);
        Point qn1 = sub(fit[n - 1], fit[n - 2]), qn2 = sub(fit[n - 2], fit[n - 3]);
        Point q0 = combine(2, q1, -1, q2), qn = combine(2, qn1, -1, qn2);
        if (k == 0) return q0;
        if (k == -1) return combine(2, q0, -1, q1);
        if (k == n) return qn;
        return combine(2, qn, -1, qn1);  // k == n + 1
    };
    int k = last ? n - 1 : 0;
    double v1 = norm(cross(chord(k - 1), chord(k))), v2 = norm(cross(chord(k + 1), chord(k + 2)));
    double alpha = v1 + v2 > 0.0 ? v1 / (v1 + v2) : 0.5;  // straight chords: either side alike
    return combine(1.0 - alpha, chord(k), alpha, chord(k + 1));
}

// Solves a x = rhs (three columns) by Gaussian elimination with partial pivoting; false when a
// is singular.
bool solveDense(std::vector<std::vector<double>>& a, std::vector<Point>& rhs) {
    int n = static_cast<int>(a.size());
    for (int k = 0; k < n; ++k) {
        int pivot = k;
        for (int r = k + 1; r < n; ++r)
            if (std::fabs(a[r][k]) > std::fabs(a[pivot][k])) pivot = r;
        if (a[pivot][k] == 0.0) return false;
        std::swap(a[k], a[pivot]);
        std::swap(rhs[k], rhs[pivot]);
        for (int r = k + 1; r < n; ++r) {
            double f = a[r][k] / a[k][k];
            if (f == 0.0) continue;
            for (int c = k; c < n; ++c) a[r][c] -= f * a[k][c];
            rhs[r] = combine(1.0, rhs[r], -f, rhs[k]);
        }
    }
    for (int k = n - 1; k >= 0; --k) {
        for (int c = k + 1; c < n; ++c) rhs[k] = combine(1.0, rhs[k], -a[k][c], rhs[c]);
        rhs[k] = combine(1.0 / a[k][k], rhs[k], 0.0, rhs[k]);
    }
    return true;
}

// The chord parameters of the fit points, 0 to 1, and their total chord length; empty, or else
// why not.
std::string chordParameters(const std::vector<Point>& fit, std::vector<double>& t, double& total) {
    t.assign(1, 0.0);
    total = 0.0;
    for (std::size_t i = 1; i < fit.size(); ++i) {
        double d = norm(sub(fit[i], fit[i - 1]));
        if (!(d > 0.0)) return "a spline whose fit points repeat";
        total += d;
        t.push_back(total);
    }
    if (!std::isfinite(total)) return "a spline with a fit point out of range";
    for (double& v : t) v /= total;
    t.back() = 1.0;
    return "";
}

// The end derivatives: the directions given or estimated, the total chord length as magnitude.
std::string endDerivatives(const std::vector<Point>& fit, const Point* tangents, double total,
                           Point ends[2]) {
    if (tangents == nullptr && fit.size() < 3)
        return "a spline through 2 fit points without end tangents";
    ends[0] = tangents ? tangents[0] : estimatedTangent(fit, false);
    ends[1] = tangents ? tangents[1] : estimatedTangent(fit, true);
    for (int i = 0; i < 2; ++i) {
        double length = norm(ends[i]);
        if (!(length > 0.0) || !std::isfinite(length))
            return "a spline whose end tangents are zero";
        ends[i] = combine(total / length, ends[i], 0.0, ends[i]);
    }
    return "";
}

// A row of the system: the basis functions at t, or the difference of two neighbouring control
// points (from, from + 1).
std::vector<double> basisRow(const Spline& s, double t) {
    std::vector<double> row(s.control.size(), 0.0);
    int span = spanOf(s, t);
    double n[maxDegree + 1], lower[maxDegree + 1];
    basisFunctions(s, span, t, n, lower);
    for (int r = 0; r <= s.degree; ++r) row[span - s.degree + r] = n[r];
    return row;
}
std::vector<double> differenceRow(const Spline& s, std::size_t from) {
    std::vector<double> row(s.control.size(), 0.0);
    row[from] = -1.0;
    row[from + 1] = 1.0;
    return row;
}

// The control points of the cubic through fit, its knots the chord parameters: a row per fit
// point, and after the first and before the last a row tying the end control points to the end
// derivatives.
std::string interpolateFitPoints(const std::vector<Point>& fit, const Point* tangents, Spline& s) {
    if (fit.size() < 2 || fit.size() > maxFitPoints)
        return "a spline with fewer than 2 or more than " + std::to_string(maxFitPoints) +
               " fit points";
    std::vector<double> t;
    double total = 0.0;
    Point ends[2];
    std::string why = chordParameters(fit, t, total);
    if (why.empty()) why = endDerivatives(fit, tangents, total, ends);
    if (!why.empty()) return why;
    std::size_t count = fit.size() + 2;
    s = Spline();
    s.degree = 3;
    s.knots.assign(4, 0.0);
    s.knots.insert(s.knots.end(), t.begin() + 1, t.end() - 1);
    s.knots.insert(s.knots.end(), 4, 1.0);
    s.control.assign(count, {0, 0, 0});  // sizes the rows; solved below
    s.weights.assign(count, 1.0);
    std::vector<std::vector<double>> rows;
    std::vector<Point> rhs;
    for (std::size_t j = 0; j < fit.size(); ++j) {
        if (j + 1 == fit.size()) {
            rows.push_back(differenceRow(s, count - 2));
            rhs.push_back(combine((1.0 - s.knots[s.knots.size() - 5]) / 3, ends[1], 0, ends[1]));
        }
        rows.push_back(basisRow(s, t[j]));
        rhs.push_back(fit[j]);
        if (j == 0) {
            rows.push_back(differenceRow(s, 0));
            rhs.push_back(combine(s.knots[4] / 3, ends[0], 0, ends[0]));
        }
    }
    if (!solveDense(rows, rhs)) return "a spline whose fit points cannot be interpolated";
    s.control = rhs;
    return "";
}

// Newton's method on P(s) - Q(t) = 0 in the view, from (s, t); true when it converges inside both
// pieces' ranges.

bool readFitPoints(const hostsim::DrawingObject& o, Spline& s, std::string& why) {
    std::vector<Point> fit = groupPoints(o, 11);
    if (fit.empty()) {
        why = "a spline without control points or fit points";
        return false;
    }
    std::vector<Point> starts = groupPoints(o, 12), ends = groupPoints(o, 13);
    Point tangents[2] = {starts.empty() ? Point{0, 0, 0} : starts[0],
                         ends.empty() ? Point{0, 0, 0} : ends[0]};
    bool closed = s.closed;
    for (const Point& p : fit)
        if (!isFinitePoint(p)) {
            why = "a spline with a fit point out of range";
            return false;
        }
    why = interpolateFitPoints(fit, starts.empty() || ends.empty() ? nullptr : tangents, s);
    s.closed = closed;
    return why.empty();
}

}  // namespace

namespace hostsim {

void splineDomain(const Spline& s, double& low, double& high) {
    low = s.knots[s.degree];
    high = s.knots[s.control.size()];
}

std::string splineFaultOf(const Spline& s) { return splineFault(s); }

bool readSpline(const DrawingObject& o, Spline& s, std::string& why) {
    s = Spline();
    s.degree = groupInt(o, 71, 3);
    s.closed = (groupInt(o, 70, 0) & closedFlag) != 0;
    s.control = groupPoints(o, 10);
    s.knots = groupValues(o, 40);
    s.weights = groupValues(o, 41);
    if (s.control.empty()) return readFitPoints(o, s, why);
    if (s.weights.empty()) s.weights.assign(s.control.size(), 1.0);
    why = splineFault(s);
    return why.empty();
}

Point splinePoint(const Spline& s, double t) {
    Point p;
    evaluate(s, t, &p, nullptr);
    return p;
}

Point splineDerivative(const Spline& s, double t) {
    Point d;
    evaluate(s, t, nullptr, &d);
    return d;
}

}  // namespace hostsim
