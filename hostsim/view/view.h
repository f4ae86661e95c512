// hostsim/view/view.h - the drawing as the host's plan view shows it: its primitives projected
// on world XY, the window the view shows, and the view with the marks written as an SVG file.
//
// Offers: planPrimitives, styledPlanPrimitives, styledGroups and planStyledGroup
// (planPrimitives.cpp); primitiveStyle and lookKey (objectStyles.cpp); the view's window and
// the page's view (viewWindow.cpp); viewSvg and writeViewSvg (svgWriter.cpp). Needs:
// hostsim/services (the open drawing, the marks, the view's system variables), hostsim/picking (the
// drawing's primitives) and hostsim/kinds (which objects are texts, and which look as the object
// they are part of). A plan view of world XY: display X and Y are world X and Y, whatever the UCS.
#ifndef VECTRIN_HOSTSIM_VIEW_VIEW_H
#define VECTRIN_HOSTSIM_VIEW_VIEW_H

#include <string>
#include <vector>

#include "hostsim/services/services.h"

namespace hostsim {

// ---- the primitives on world XY (planPrimitives.cpp) ----
struct PlanCurve {
    double centerX, centerY, uX, uY, vX, vY;  // centre + u cos t + v sin t
    double t0, t1;                            // t0 < t1 <= t0 + 2 pi
};
// One line of text on its baseline: the directions are world XY vectors one text height long
// (a text seen obliquely keeps its slant); length is the line's width in text heights.
struct PlanText {
    double x, y;            // the start of the baseline
    double alongX, alongY;  // along the baseline
    double upX, upY;        // up the text
    double length;
    std::string text;  // UTF-8
};
// A line without end: from (x, y) along a direction one unit long in world XY, one way (a ray)
// or both.
struct PlanRay {
    double x, y;
    double alongX, alongY;
    bool bothWays;
};
struct PlanPrimitives {
    std::vector<double> segments;  // x0, y0, x1, y1, ...; with a window, the rays' parts in it
    std::vector<PlanCurve> curves;
    std::vector<std::vector<double>> polylines;  // x, y, ...: a spline's piece sampled
    std::vector<double> nodes;                   // x, y, ...
    std::vector<PlanText> texts;                 // with withTexts only
    std::vector<PlanRay> rays;                   // without a window only
};
constexpr int splineSamplesPerPiece = 16;  // enough for a smooth line at any zoom a page uses
// A window of world XY and the size of its pixels, to draw for: what lies outside is left out,
// a line without end is drawn as far as the window goes, what is smaller than a pixel is drawn
// once a pixel, and a spline's pieces are joined into one
// line sampled to a quarter pixel. So what is drawn grows with what the window shows, not with
// how many objects and pieces lie in it.
struct PlanWindow {
    double lowX, lowY, highX, highY;
    double pixel;  // drawing units
};
// The primitives of object top, or of every object when top is negative. withTexts: the texts
// (TEXT, ATTRIB, MTEXT) as their lines, instead of the boxes the host picks them by. Without a
// window, everything, each spline piece in splineSamplesPerPiece chords. A block reference's
// insertion point is left out: picks and INS snaps find it, the view draws nothing there.
void planPrimitives(int top, bool withTexts, PlanPrimitives& out,
                    const PlanWindow* window = nullptr);

// ---- how objects look (objectStyles.cpp), and the primitives grouped by it ----
// foregroundColour stands for colour 7: white on a dark view, black on paper.
constexpr int foregroundColour = -1;
struct PlanStyle {
    int colour = foregroundColour;  // 0xRRGGBB, or foregroundColour
    std::vector<double> dashes;     // drawing units: a dash above 0, a gap below, a dot 0;
                                    // empty: a solid line
    bool operator<(const PlanStyle& other) const {
        return colour != other.colour ? colour < other.colour : dashes < other.dashes;
    }
};
// The look of primitive p (hostsim/picking's) from its object's groups, the drawing's tables and
// the references that hold it; false when it is not drawn (p.shown false).
struct Primitive;
bool primitiveStyle(const Primitive& p, PlanStyle& style);
// What p's look depends on, as bytes: the reference that holds it and its object's layer,
// colour, linetype and linetype scale groups. Primitives with the same key look the same, so a
// million objects need only a few looks worked out. False when p is not drawn, as primitiveStyle.
bool lookKey(const Primitive& p, std::string& key);
struct StyledPrimitives {
    PlanStyle style;
    PlanPrimitives primitives;  // texts as their lines
};
// Every object that is drawn, grouped by its look; the groups in the order their looks first
// occur. With a window, each group holds what it shows, as planPrimitives does.
void styledPlanPrimitives(std::vector<StyledPrimitives>& out, const PlanWindow* window = nullptr);
// The same groups before they are planned, each planned by itself (without a window) by
// planStyledGroup: a listing of a million objects then holds one look's plan at a time.
struct StyledGroup {
    PlanStyle style;
    std::vector<const Primitive*> members;  // in the drawing's order
    std::vector<std::size_t> kindCounts;    // members of each Primitive::Kind
};
void styledGroups(std::vector<StyledGroup>& out);
void planStyledGroup(const StyledGroup& group, PlanPrimitives& out);

// ---- the view's window (viewWindow.cpp) ----
// VIEWSIZE high, SCREENSIZE's shape, centred where a page last put its view, else on the middle
// of the drawing's extents (the origin for a drawing with no geometry).
struct ViewWindow {
    double centerX, centerY;
    double width, height;              // drawing units
    double screenWidth, screenHeight;  // pixels
};
ViewWindow currentViewWindow();
// The page's view: its centre, VIEWSIZE the height shown in drawing units, SCREENSIZE the canvas
// in pixels, so that PICKBOX counts the page's pixels. False, leaving all, for values out of range.
bool setPageView(double centerX, double centerY, double viewHeight, double screenWidth,
                 double screenHeight);
bool setPageView(double viewHeight, double screenWidth, double screenHeight);  // centre kept
void forgetPageView();  // back to the extents' middle, for a fresh session

// ---- the view as SVG (svgWriter.cpp) ----
// The current window as a standalone SVG document: the primitives, the texts, the marks (each
// result a dot with its label, moved up clear of the labels before it, each pick a small dot,
// each snap a small square). On its white sheet colour 7 is black and light colours darkened.
std::string viewSvg();
// Writes viewSvg to path through a temporary file beside it, renamed over path once it is whole,
// so that no half-written file is ever left. Only a regular file or a new one is written. False
// with the reason ("No such file or directory", "Is a FIFO, not a regular file").
bool writeViewSvg(const std::string& path, std::string& error);

}  // namespace hostsim

#endif
