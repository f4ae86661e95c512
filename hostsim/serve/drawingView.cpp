// hostsim/serve/drawingView.cpp - the drawing as the page draws it, and the page's view as the
// host's system variables: a plan view of world XY.
#include "hostsim/serve/serve.h"

#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "hostsim/picking/picking.h"

namespace {

using Json = nlohmann::json;

constexpr int splineSamplesPerPiece = 16;  // enough for a smooth line at any zoom a page uses

// JSON has no infinities; a coordinate that overflowed shows as 0 rather than break the page.
double finiteOrZero(double value) { return std::isfinite(value) ? value : 0.0; }

void addXY(Json& list, const hostsim::Point& p) {
    list.push_back(finiteOrZero(p[0]));
    list.push_back(finiteOrZero(p[1]));
}

Json curveJson(const hostsim::Primitive& p) {
    return Json::array({finiteOrZero(p.a[0]), finiteOrZero(p.a[1]), finiteOrZero(p.u[0]),
                        finiteOrZero(p.u[1]), finiteOrZero(p.v[0]), finiteOrZero(p.v[1]),
                        finiteOrZero(p.t0), finiteOrZero(p.t1)});
}

Json sampledSpline(const hostsim::Primitive& piece) {
    Json points = Json::array();
    for (int i = 0; i <= splineSamplesPerPiece; ++i) {
        double t = piece.t0 + (piece.t1 - piece.t0) * i / splineSamplesPerPiece;
        addXY(points, hostsim::splinePiecePoint(piece, t));
    }
    return points;
}

Json extentsJson() {
    hostsim::Point low, high;
    if (!hostsim::drawingExtents(low, high)) return nullptr;
    Json extents = Json::array();
    addXY(extents, low);
    addXY(extents, high);
    return extents;
}

}  // namespace

namespace hostsim {

// The primitives of object top, or of every object when top is negative.
static Json primitivesJson(int top) {
    Json segments = Json::array(), curves = Json::array(), polylines = Json::array(),
         nodes = Json::array();
    for (const Primitive& p : drawingPrimitives()) {
        if (top >= 0 && p.top != top) continue;
        switch (p.kind) {
            case Primitive::Kind::Segment:
                addXY(segments, p.a);
                addXY(segments, p.b);
                break;
            case Primitive::Kind::Curve: curves.push_back(curveJson(p)); break;
            case Primitive::Kind::Spline: polylines.push_back(sampledSpline(p)); break;
            case Primitive::Kind::Node: addXY(nodes, p.a); break;
        }
    }
    return {{"segments", std::move(segments)}, {"curves", std::move(curves)},
            {"polylines", std::move(polylines)}, {"nodes", std::move(nodes)}};
}

std::string drawingPrimitivesJson() {
    Json drawing = primitivesJson(-1);
    drawing["extents"] = extentsJson();
    return drawing.dump(-1, ' ', false, Json::error_handler_t::replace);
}

std::string promptStateJson() {
    QValue pickbox;
    int pixels = getSysvar("PICKBOX", pickbox) && pickbox.isNumber()
                     ? static_cast<int>(pickbox.number()) : 0;
    Json state = {{"pointPrompt", pointPromptWaiting()}, {"pickbox", pixels}};
    return state.dump();
}

std::string selectionPreviewJson(double x, double y) {
    int top = objectSelectedAt({x, y, 0.0});
    Json preview = top >= 0 ? primitivesJson(top) : Json::object();
    preview["object"] = top;
    return preview.dump(-1, ' ', false, Json::error_handler_t::replace);
}

// %.17g keeps every bit, so the host reads back the very point the page named.
std::string typedPointAt(double x, double y) {
    Point p = worldToUcs({x, y, 0.0}, false);
    char text[96];
    std::snprintf(text, sizeof text, "%.17g,%.17g,%.17g", p[0] == 0.0 ? 0.0 : p[0],
                  p[1] == 0.0 ? 0.0 : p[1], p[2] == 0.0 ? 0.0 : p[2]);
    return text;
}

bool setPageView(double viewHeight, double screenWidth, double screenHeight) {
    if (!(viewHeight > 0.0) || !std::isfinite(viewHeight) || !(screenWidth >= 1.0) ||
        !(screenHeight >= 1.0) || screenWidth > 100000.0 || screenHeight > 100000.0)
        return false;
    return setSysvarPoint("SCREENSIZE", {screenWidth, screenHeight, 0.0}) &&
           setSysvarReal("VIEWSIZE", viewHeight);
}

}  // namespace hostsim
