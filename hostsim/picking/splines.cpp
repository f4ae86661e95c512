// hostsim/picking/splines.cpp - SPLINE objects: rational B-spline evaluation, their knot spans
// as primitives, and the nearest point, middle and crossings found numerically on them.
//
// A SPLINE's points are world coordinates, so the only map it takes is that of the block reference
// that holds it; and a rational B-spline mapped by an affine map is the same spline over the mapped
// control points. So each SPLINE is read once, into the table below, and each copy of it reaches
// world through its instance's map. Each knot span of the curve becomes one primitive of kind
// Spline that names its curve in the table; its box is that of the span's control points in world,
// which hold the span when the weights are positive.
#include <algorithm>
#include <cmath>
#include <string>
#include <unordered_map>
#include <vector>

#include "hostsim/picking/picking.h"

namespace {

using hostsim::Point;
using hostsim::Primitive;
using hostsim::Spline;

constexpr int maxDegree = 30;  // far past any drawn curve; sizes the basis rows
constexpr std::size_t maxControlPoints = 1000000;
constexpr int samplesPerDegree = 8;  // per knot span, to separate its roots
constexpr int lengthIntervals = 8;   // Gauss-Legendre intervals per knot span
constexpr int newtonSteps = 40;
constexpr std::size_t maxFitPoints = 500;  // the interpolation solves a dense system

// Closed splines (flag 1) have no ends; the other flags (periodic, rational, planar) follow from
// the knots and weights.
constexpr int closedFlag = 1;

}  // namespace

// ---- the splines of the open drawing, in their own coordinates: primitives of kind Spline index
// the table, and each SPLINE object is read once however many references show it ----
static std::vector<Spline> storedSplines;
static std::unordered_map<const hostsim::DrawingObject*, int> storedIndex;

namespace {

Point sub(const Point& a, const Point& b) {
    return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}
Point combine(double k, const Point& a, double l, const Point& b) {
    return {k * a[0] + l * b[0], k * a[1] + l * b[1], k * a[2] + l * b[2]};
}
double norm(const Point& a) {
    return std::sqrt(a[0] * a[0] + a[1] * a[1] + a[2] * a[2]);
}
Point cross(const Point& a, const Point& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

bool isFinitePoint(const Point& p) {
    return std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]);
}

// The values of the groups of one code, in order: knots (40), weights (41).
std::vector<double> groupValues(const hostsim::DrawingObject& o, int code) {
    std::vector<double> values;
    for (const hostsim::DxfGroup& g : o.groups) {
        double value = 0.0;
        if (g.code == code && hostsim::groupNumber(g, value)) values.push_back(value);
    }
    return values;
}

// The points of one x code (10 control points, 11 fit points), each with the y and z after it.
std::vector<Point> groupPoints(const hostsim::DrawingObject& o, int xCode) {
    std::vector<Point> points;
    const auto& groups = o.groups;
    for (std::size_t i = 0; i < groups.size(); ++i) {
        if (groups[i].code != xCode) continue;
        Point p = {0, 0, 0};
        hostsim::groupNumber(groups[i], p[0]);
        for (int k = 1; k <= 2 && i + k < groups.size() && groups[i + k].code == xCode + 10 * k;
             ++k)
            hostsim::groupNumber(groups[i + k], p[k]);
        points.push_back(p);
    }
    return points;
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

// The length in world of the curve over [t0, t1], by 8-point Gauss-Legendre on equal intervals.
double curveLength(const Spline& s, const hostsim::Affine& map, double t0, double t1) {
    static const double nodes[4] = {0.1834346424956498, 0.5255324099163290, 0.7966664774136267,
                                    0.9602898564975363};
    static const double weights[4] = {0.3626837833783620, 0.3137066458778873, 0.2223810344533745,
                                      0.1012285362903763};
    double step = (t1 - t0) / lengthIntervals, length = 0.0;
    for (int i = 0; i < lengthIntervals; ++i) {
        double centre = t0 + (i + 0.5) * step, half = 0.5 * step;
        for (int k = 0; k < 4; ++k)
            for (double sign : {-1.0, 1.0}) {
                Point d;
                evaluate(s, centre + sign * half * nodes[k], nullptr, &d);
                length += half * weights[k] * norm(hostsim::applyLinear(map, d));
            }
    }
    return length;
}

// The point in world at half the curve's length there (a scale along one axis moves it): the span
// that holds it, then bisection on the length from the span's start.
Point middleOf(const Spline& s, const hostsim::Affine& map) {
    std::vector<double> spanLengths;
    int count = static_cast<int>(s.control.size());
    double total = 0.0;
    for (int i = s.degree; i < count; ++i) {
        spanLengths.push_back(
            s.knots[i] < s.knots[i + 1] ? curveLength(s, map, s.knots[i], s.knots[i + 1]) : 0.0);
        total += spanLengths.back();
    }
    double wanted = 0.5 * total;
    int i = s.degree;
    for (; i < count - 1 && wanted > spanLengths[i - s.degree]; ++i)
        wanted -= spanLengths[i - s.degree];
    double low = s.knots[i], high = s.knots[i + 1];
    for (int k = 0; k < 100 && high - low > 1e-15 * (1.0 + std::fabs(low)); ++k) {
        double mid = 0.5 * (low + high);
        (curveLength(s, map, s.knots[i], mid) < wanted ? low : high) = mid;
    }
    Point middle;
    evaluate(s, 0.5 * (low + high), &middle, nullptr);
    return hostsim::applyAffine(map, middle);
}

const Spline& storedOf(const Primitive& p) {
    return storedSplines[static_cast<std::size_t>(p.curve)];
}

const hostsim::Affine& mapOf(const Primitive& p) {
    return hostsim::drawingInstance(p.instance).map;
}

// A piece: one nonzero knot span of a spline whose control points are in world, boxed by them.
Primitive pieceOf(const Spline& s, int span, int curve, unsigned snaps) {
    Primitive p;
    p.kind = Primitive::Kind::Spline;
    p.snaps = snaps;
    p.curve = curve;
    p.t0 = s.knots[span];
    p.t1 = s.knots[span + 1];
    p.u = p.v = s.control[span];
    for (int i = span - s.degree; i <= span; ++i)
        for (int k = 0; k < 3; ++k) {
            p.u[k] = std::min(p.u[k], s.control[i][k]);
            p.v[k] = std::max(p.v[k], s.control[i][k]);
        }
    evaluate(s, p.t0, &p.a, nullptr);
    evaluate(s, p.t1, &p.b, nullptr);
    return p;
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
bool refineCrossing(const Primitive& a, const Primitive& b, double& s, double& t) {
    for (int k = 0; k < newtonSteps; ++k) {
        Point p = hostsim::primitivePoint(a, s), q = hostsim::primitivePoint(b, t);
        Point dp = hostsim::primitiveTangent(a, s), dq = hostsim::primitiveTangent(b, t);
        double fx = p[0] - q[0], fy = p[1] - q[1];
        double det = -dp[0] * dq[1] + dp[1] * dq[0];
        if (det == 0.0 || !std::isfinite(det)) return false;
        double ds = (-fx * dq[1] + fy * dq[0]) / det;  // solves [dp -dq] (ds dt) = -(fx fy)
        double dt = (dp[0] * fy - dp[1] * fx) / det;
        s -= ds;
        t -= dt;
        if (!(s >= a.t0 - 1e-9 * (a.t1 - a.t0) && s <= a.t1 + 1e-9 * (a.t1 - a.t0) &&
              t >= b.t0 - 1e-9 * (b.t1 - b.t0) && t <= b.t1 + 1e-9 * (b.t1 - b.t0)))
            return false;
        double size = 1.0 + std::max(norm(p), norm(q));
        if (std::fabs(ds) <= 1e-15 * (a.t1 - a.t0) && std::fabs(dt) <= 1e-15 * (b.t1 - b.t0))
            return true;
        if (std::hypot(fx, fy) <= 1e-15 * size && k > 2) return true;
    }
    return false;
}

// A spline given only by fit points (11), with end tangents (12 and 13) when both are given.
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

void clearSplines() {
    storedSplines.clear();
    storedIndex.clear();
}

bool splinePieces(const DrawingObject& o, int instance, std::vector<Primitive>& pieces,
                  std::string& why) {
    pieces.clear();
    auto found = storedIndex.find(&o);
    if (found == storedIndex.end()) {
        Spline read;
        if (!readSpline(o, read, why)) return false;
        found = storedIndex.emplace(&o, static_cast<int>(storedSplines.size())).first;
        storedSplines.push_back(std::move(read));
    }
    int curve = found->second;
    Spline world = storedSplines[curve];  // the control points in world, for the boxes
    for (Point& p : world.control) p = applyAffine(drawingInstance(instance).map, p);
    double heaviest = *std::max_element(world.weights.begin(), world.weights.end());
    for (const Point& p : world.control)  // the weighted sums must not overflow either
        if (!isFinitePoint(p) || !std::isfinite(norm(p) * heaviest)) {
            why = "a spline with a control point out of range";
            return false;
        }
    unsigned snaps = snapNea | snapInt | (world.closed ? 0u : snapEnd | snapMid);
    for (int span = world.degree; span < static_cast<int>(world.control.size()); ++span)
        if (world.knots[span] < world.knots[span + 1])
            pieces.push_back(pieceOf(world, span, curve, snaps));
    return true;
}

Point splinePiecePoint(const Primitive& p, double t) {
    return applyAffine(mapOf(p), splinePoint(storedOf(p), t));
}

Point splinePieceTangent(const Primitive& p, double t) {
    return applyLinear(mapOf(p), splineDerivative(storedOf(p), t));
}

int splinePieceSamples(const Primitive& p) {
    return samplesPerDegree * (storedOf(p).degree + 1);
}

int splinePieceEnds(const Primitive& p, Point ends[2]) {
    const Spline& s = storedOf(p);
    if (s.closed) return 0;
    double low = 0.0, high = 0.0;
    splineDomain(s, low, high);
    int count = 0;
    if (p.t0 == low) ends[count++] = p.a;
    if (p.t1 == high) ends[count++] = p.b;
    return count;
}

// Only the piece that holds the middle offers it: the middle lies within its box. Found when asked:
// a block of splines shown a million times need not measure each copy.
bool splinePieceMiddle(const Primitive& p, Point& middle) {
    if (storedOf(p).closed) return false;
    Point m = middleOf(storedOf(p), mapOf(p));
    if (m[0] < p.u[0] || m[0] > p.v[0] || m[1] < p.u[1] || m[1] > p.v[1]) return false;
    middle = m;
    return true;
}

double splineViewDistance(const Primitive& p, double x, double y, Point* nearest) {
    std::vector<double> candidates = {p.t0, p.t1};
    auto slope = [&](double t) {
        Point q = splinePiecePoint(p, t), d = splinePieceTangent(p, t);
        return (q[0] - x) * d[0] + (q[1] - y) * d[1];
    };
    findRoots(slope, p.t0, p.t1, splinePieceSamples(p), candidates);
    double best = INFINITY;
    for (double t : candidates) {
        Point q = splinePiecePoint(p, t);
        double d = std::hypot(q[0] - x, q[1] - y);
        if (d < best) {
            best = d;
            if (nearest) *nearest = q;
        }
    }
    return best;
}

// Pairs of sample intervals whose chords come near each other start Newton's method; a crossing
// found from several starts is offered more than once, which does no harm.
void splineCrossings(const Primitive& a, const Primitive& b, std::vector<Point>& crossings) {
    int na = splinePieceSamples(a), nb = splinePieceSamples(b);
    std::vector<Point> pa(na + 1), pb(nb + 1);
    for (int i = 0; i <= na; ++i) pa[i] = primitivePoint(a, a.t0 + (a.t1 - a.t0) * i / na);
    for (int j = 0; j <= nb; ++j) pb[j] = primitivePoint(b, b.t0 + (b.t1 - b.t0) * j / nb);
    for (int i = 0; i < na; ++i)
        for (int j = 0; j < nb; ++j) {
            double reachA = std::hypot(pa[i + 1][0] - pa[i][0], pa[i + 1][1] - pa[i][1]);
            double reachB = std::hypot(pb[j + 1][0] - pb[j][0], pb[j + 1][1] - pb[j][1]);
            Point ca = {0.5 * (pa[i][0] + pa[i + 1][0]), 0.5 * (pa[i][1] + pa[i + 1][1]), 0};
            Point cb = {0.5 * (pb[j][0] + pb[j + 1][0]), 0.5 * (pb[j][1] + pb[j + 1][1]), 0};
            if (std::hypot(ca[0] - cb[0], ca[1] - cb[1]) > reachA + reachB) continue;
            double s = a.t0 + (a.t1 - a.t0) * (i + 0.5) / na;
            double t = b.t0 + (b.t1 - b.t0) * (j + 0.5) / nb;
            if (refineCrossing(a, b, s, t)) crossings.push_back(primitivePoint(a, s));
        }
}

}  // namespace hostsim
