// hostsim/picking/picking.h - the open drawing's geometry in world coordinates, for picks and
// snaps.
//
// Every drawn object becomes primitives (hostsim/kinds builds them): straight segments,
// elliptical arcs (a circle or arc after any affine map stays centre + u cos t + v sin t), single
// points, faces (a text's box, picked anywhere inside) and lines without end (a ray, or a line
// through a point both ways). A line without end has no extents: the grid never files it (it
// is checked at every pick), the extents a view shows leave it out, and a view draws the part
// of it that its window holds (rayInBox). Block references are expanded with
// their block-to-world maps, so a primitive inside one knows its innermost object, the references
// that contain it and the map. Uniform grids over world XY, each level's cells twice the size
// of the last's, find the primitives near a pick without looking at the others: each primitive
// is filed in the finest level whose cells hold it in two by two. They cover the bulk of the
// primitives, and the few far outside are checked at every pick. A query measures exactly only
// the primitives its answer may depend on: cheap bounds of the distance rule out the rest.
//
// Offers: the primitives and the maps (affine.cpp); the grid and the queries on the primitives
// (pickIndex.cpp); bounds of their distance from a point (distanceBounds.cpp); copies a view
// cannot tell apart (copyClasses.cpp); the boxes of primitives and the extents a view shows
// (extents.cpp); splines and their pieces (splines.cpp); a curve's middle by its length
// (lengths.cpp). hostsim/snapping finds snap points on them. Needs: hostsim/drawing (the objects,
// and a SPLINE's curve). Everything is in world coordinates: the UCS, the view and the system
// variables are the caller's.
#ifndef VECTRIN_HOSTSIM_PICKING_PICKING_H
#define VECTRIN_HOSTSIM_PICKING_PICKING_H

#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "hostsim/drawing/drawing.h"

namespace hostsim {

// p -> x * p[0] + y * p[1] + z * p[2] + origin: the four points kvs_nentsel hands out.
struct Affine {
    Point x = {1, 0, 0}, y = {0, 1, 0}, z = {0, 0, 1}, origin = {0, 0, 0};
};
// ---- maps (affine.cpp) ----
Point applyAffine(const Affine& map, const Point& p);
Point applyLinear(const Affine& map, const Point& v);            // without the origin: a direction
Affine composeAffine(const Affine& outer, const Affine& inner);  // inner first

// Which object-snap modes a primitive answers, as bits.
enum SnapBits : unsigned {
    snapEnd = 1,
    snapMid = 2,
    snapCen = 4,
    snapQua = 8,
    snapNea = 16,
    snapNod = 32,
    snapIns = 64,
    snapPer = 128,
    snapTan = 256,
    snapInt = 512
};

struct Primitive {
    // Ray: the line from a along u (one unit long) without end: t from t0 to t1 = infinity, t0
    // 0 for a ray that starts at a, -infinity for a line through a both ways.
    enum class Kind : unsigned char { Segment, Curve, Node, Spline, Face, Ray };
    Kind kind = Kind::Segment;
    bool axisEnds = false;  // a Curve whose QUA points are the ends of u and v (an ellipse)
    // Drawn: its layer on and thawed, its object visible, no reference that holds it hidden
    // (hostsim/kinds decides). Only what is drawn is picked, snapped to and in the extents.
    bool shown = true;
    unsigned snaps = 0;
    Point a = {0, 0, 0};                 // Segment start, Curve centre, Node point
    Point b = {0, 0, 0};                 // Segment end; Face: its insertion point (snapIns)
    Point u = {0, 0, 0}, v = {0, 0, 0};  // Curve: a + u cos t + v sin t
                                         // Face: a + s u + t v, s and t in [0, 1]
                                         // Ray: a + t u
    double t0 = 0.0, t1 = 0.0;           // Curve parameter range, t0 < t1 <= t0 + 2 pi
                                         // Spline: its knot span; a, b its ends, u, v its box
                                         // Ray: 0 or -infinity, and infinity
    int top = -1;                        // the object kvs_entsel selects
    int leaf = -1;     // the innermost object; the VERTEX that starts an old polyline's segment
    int instance = 0;  // drawingInstance: 0 for objects not inside a block reference
    int curve = -1;    // Spline: the spline it is a piece of (splines.cpp)
};

// One expanded block reference: how its block's coordinates reach world.
struct Instance {
    Affine map;
    std::vector<int> containers;  // the references that hold it, innermost first
    Point insertion = {0, 0, 0};  // the outermost reference's insertion point, in world
    int block = -1;               // the block it shows (Drawing::blocks)
};

// ---- finding primitives (pickIndex.cpp) ----
// Takes over what buildGeometry built and files it in the grid; empty vectors release the last
// drawing's.
void indexGeometry(std::vector<Primitive>&& built, std::vector<Instance>&& builtInstances);
const std::vector<Primitive>& drawingPrimitives();
// Moves each time indexGeometry runs: a query's answer kept from before holds while it stays.
std::uint64_t geometryRevision();
const Instance& drawingInstance(int index);
std::size_t drawingInstanceCount();

// ---- boxes and extents (extents.cpp) ----
// What a primitive covers in world XY: a curve's is that of its drawn arc, a spline piece's that
// of its control points.
struct PlanBox {
    double lowX = INFINITY, lowY = INFINITY, highX = -INFINITY, highY = -INFINITY;
    void take(double x, double y);
    void take(const PlanBox& other);
    bool empty() const { return !(lowX <= highX); }
};
PlanBox primitiveBox(const Primitive& p);  // a line without end: infinite on its far sides
inline bool isUnbounded(const Primitive& p) { return p.kind == Primitive::Kind::Ray; }
// Along a straight primitive, per unit of its parameter: a segment's b - a, a ray's u. Kept
// apart from a, a ray's direction holds its digits however far off a lies.
inline Point lineDirection(const Primitive& p) {
    return p.kind == Primitive::Kind::Ray ? p.u : sub(p.b, p.a);
}
// Where a text (a Face) or a point (a Node) is inserted, for snapIns; the origin for the rest.
inline Point insertionPoint(const Primitive& p) {
    if (p.kind == Primitive::Kind::Face) return p.b;
    return p.kind == Primitive::Kind::Node ? p.a : Point{0, 0, 0};
}
// The part of a line without end that lies in box (world XY), from and to on it; false when it
// misses the box. One seen end-on (running along Z) is its point a.
bool rayInBox(const Primitive& p, const PlanBox& box, Point& from, Point& to);
// The extents a view of screenWidth by screenHeight pixels shows to hold the drawing: every
// primitive, but for those so far from the rest that showing them would shrink the rest below a
// pixel (leftOut counts their objects). False for a drawing with no geometry.
bool drawingExtents(double screenWidth, double screenHeight, Point& low, Point& high,
                    std::size_t& leftOut);
// The geometry changed (indexGeometry). boxes: each primitive's box, as primitiveBox gives it,
// for those picked and with an end; kept for the extents worked out next, which need no others.
void forgetExtents(std::vector<PlanBox>&& boxes);

// A primitive near a point: its index, and bounds of its distance from the point in the view.
struct NearPrimitive {
    int index;
    double below, above;
};
// The primitives that pass within radius of (x, y) in the view, in drawing order, each with
// bounds of its distance (below = above when it was measured). With
// copyCell above 0, copies a view cannot tell apart at that size count as one (copyClasses):
// the piece of the last copy stands for them all.
void primitivesNear(double x, double y, double radius, double copyCell,
                    std::vector<NearPrimitive>& out);
// What a pick at (x, y) selects: the primitive nearest it within radius, copies counted as in
// primitivesNear; on a tie the later object, by top, and nested by leaf too. -1 for none.
int selectPrimitive(double x, double y, double radius, double copyCell, bool nested);
std::size_t primitivesExamined();  // how many primitives the last query measured, at least roughly
// A primitive's closest approach to (x, y) in the view, and that point in world (nearest).
double viewDistance(const Primitive& p, double x, double y, Point* nearest);

// ---- bounds of that distance (distanceBounds.cpp) ----
// distanceBelow <= viewDistance <= distanceAbove, each at the cost of a few operations; both
// exact for segments, points, faces and lines without end (distanceIsExact); above exact within
// rounding for a circle seen round, infinite for other curves.
double distanceBelow(const Primitive& p, double x, double y);
double distanceAbove(const Primitive& p, double x, double y);
bool distanceIsExact(const Primitive& p);
// A curve that is a circle seen from above (its u and v in plan at right angles and of one
// length, within rounding), and that circle's radius.
bool roundInPlan(const Primitive& p, double& radius);
// A curve's course in plan lies in the ring about its centre between its ellipse's largest and
// smallest semi-axes (zero for the other kinds); a whole circle seen round is its ring.
struct PlanRing {
    double largest = 0.0, smallest = 0.0;
};
PlanRing planRing(const Primitive& p);
// The bounds of a curve by its ring, as distanceBelow and distanceAbove (of a whole circle seen
// round) give them.
double ringBelow(double centreX, double centreY, const PlanRing& ring, double x, double y);
double ringAbove(double centreX, double centreY, double radius, double x, double y);

// ---- curves crowding the cells of the grid (ringTree.cpp) ----
// Where hundreds of curves cross one cell (concentric circles, arcs piled up), each would be
// bounded at every query there; filed instead in a tree by their centres and radii, whose every
// node bounds how near its curves pass a point, a query meets only the branches that may come
// within its radius, and bounds their curves from what the tree keeps.
class RingTree {
public:
    RingTree() = default;
    explicit RingTree(const std::vector<int>& curves);  // indexes in drawingPrimitives
    bool empty() const { return items_.empty(); }
    // Appends each curve whose distanceBelow from (x, y) is radius or less, with that bound and,
    // for a whole circle seen round, its distanceAbove (else infinity); gives how many it bounded.
    std::size_t near(double x, double y, double radius, std::vector<NearPrimitive>& out) const;

private:
    struct Node {
        double lowX = INFINITY, highX = -INFINITY, lowY = INFINITY, highY = -INFINITY;  // centres
        double largest = 0.0, smallest = INFINITY;  // the widest and narrowest of their radii
        std::size_t begin = 0, end = 0;             // its curves: items_[begin .. end)
        std::size_t first = 0;  // its two halves: nodes first and first + 1; 0 for a leaf
    };
    struct Item {
        double x, y;  // the centre
        PlanRing ring;
        int index;
        bool wholeRound;
    };
    void build(std::size_t node, std::size_t begin, std::size_t end);
    static double below(const Node& n, double x, double y);
    std::vector<Node> nodes_;
    std::vector<Item> items_;
};

// ---- copies a view cannot tell apart (copyClasses.cpp) ----
// Copies of a block within this share of a pixel of each other count as one in a view, a pick
// or a snap: each point of one within a third of a pixel of the other's.
constexpr double copyCellPixels = 0.25;
// The class of each instance (drawingInstance) for copies cell apart (rounded to the nearest power
// of two, so that a view zoomed by less than twice keeps the classes): the first of the instances
// that show one block through one reference of the drawing's own, turned and scaled alike, whose
// insertions lie within cell of that first one's along X and Y; any other instance is a class of
// its own.
const std::vector<int>& copyClasses(double cell);
int copyOrdinal(int index);  // a primitive's place in its instance: alike in every copy
void forgetCopyClasses();    // the geometry changed (indexGeometry)

// ---- how long a query may run (pickIndex.cpp) ----
// Picks and snaps in a crowded drawing can take long: the queries here and in hostsim/snapping
// ask workMustStop between pieces of their work, and give up once it says so. startWork sets
// the bounds for one query: the seconds it may take, and a check that says whether the user
// asked to stop (Ctrl-C); finishWork lifts them and tells whether the work ran to its end.
// Without startWork nothing stops.
enum class WorkEnd { Completed, Cancelled, TimedOut };
void startWork(double seconds, std::function<bool()> stopRequested);
WorkEnd finishWork();
bool workMustStop();  // true from the first stop on; cheap: the clock is read now and then
bool workStopped();   // a stop has come since startWork; unlike workMustStop, checks nothing new

// ---- splines as primitives (splines.cpp) ----
// A SPLINE as primitives of kind Spline, one per knot span, in world through map: that of the
// instance that shows it, which each piece's instance must name once the geometry is indexed.
// Each SPLINE is read once into a table that clearSplines empties.
bool splinePieces(const DrawingObject& o, const Affine& map, std::vector<Primitive>& pieces,
                  std::string& why);
// The same for a spline edge of a hatch, its control points already in the hatch's block (or
// world), read once for each hatch and edge.
bool splineEdgePieces(const DrawingObject& hatch, int edge, const Spline& curve, const Affine& map,
                      std::vector<Primitive>& pieces, std::string& why);
void clearSplines();
Point splinePiecePoint(const Primitive& piece, double t);
Point splinePieceTangent(const Primitive& piece, double t);
int splinePieceSamples(const Primitive& piece);  // samples that separate its roots
double splineViewDistance(const Primitive& piece, double x, double y, Point* nearest);
// A spline is one object however many pieces it has: its ends and middle are those of the whole
// curve that the piece is part of, in world through the piece's instance; none for a closed one.
int splineCurveEnds(const Primitive& piece, Point ends[2]);
bool splineCurveMiddle(const Primitive& piece, Point& middle);  // half the curve's length
// On the piece: the feet of the perpendiculars from `from` (tangent false), or the points whose
// tangent passes through it in the view (tangent true).
void splinePieceFeet(const Primitive& piece, const Point& from, bool tangent,
                     std::vector<Point>& feet);
// The pieces of the copy that primitive index is part of: drawingPrimitives()[first..last].
void splineCopyPieces(int index, int& first, int& last);
// Where two spline pieces cross in the view, by Newton's method from nearby samples.
void splineCrossings(const Primitive& a, const Primitive& b, std::vector<Point>& crossings);

// ---- the middle of a curve by its length (lengths.cpp) ----
// speed(t): the length of a curve's tangent at parameter t.
using Speed = std::function<double(double)>;
// The parameter at half the length of the curve over [cuts.front(), cuts.back()]. Each piece
// between two cuts is measured once by an 8-point Gauss-Legendre rule, so it must be short enough
// for one (a sixty-fourth of a turn of an ellipse, an eighth of a spline's knot span); the piece
// that holds the middle is then solved by Newton's method: about the cost of measuring the curve.
double courseMiddle(const Speed& speed, const std::vector<double>& cuts);

// ---- primitives (pickIndex.cpp) ----
// A Segment runs over [0, 1], a Curve, a Spline and a Ray over [t0, t1]; a Node and a Face have
// no course (their point is a).
Point primitivePoint(const Primitive& p, double t);
Point primitiveTangent(const Primitive& p, double t);
void primitiveRange(const Primitive& p, double& low, double& high);
// Where f changes sign on [low, high]: samples intervals, then bisection in each.
template <typename F>
void findRoots(F f, double low, double high, int samples, std::vector<double>& roots);

template <typename F>
void findRoots(F f, double low, double high, int samples, std::vector<double>& roots) {
    double step = (high - low) / samples;
    double previousT = low, previous = f(low);
    if (previous == 0.0) roots.push_back(low);
    for (int i = 1; i <= samples; ++i) {
        double t = i == samples ? high : low + step * i;
        double value = f(t);
        if (value == 0.0) {
            roots.push_back(t);
        } else if (previous != 0.0 && (previous < 0.0) != (value < 0.0)) {
            double lo = previousT, hi = t, fLo = previous;
            for (int k = 0; k < 80 && hi - lo > 1e-15 * (1.0 + std::abs(lo)); ++k) {
                double mid = 0.5 * (lo + hi);
                double fMid = f(mid);
                if ((fMid < 0.0) == (fLo < 0.0)) {
                    lo = mid;
                    fLo = fMid;
                } else {
                    hi = mid;
                }
            }
            roots.push_back(0.5 * (lo + hi));
        }
        previousT = t;
        previous = value;
    }
}

}  // namespace hostsim

#endif
