// hostsim/serve/drawingView.cpp - the drawing as the page draws it, and the page's view as the
// host's system variables: a plan view of world XY.
#include "hostsim/serve/serve.h"

#include <cmath>
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

std::string drawingPrimitivesJson() {
    Json segments = Json::array(), curves = Json::array(), polylines = Json::array(),
         nodes = Json::array();
    for (const Primitive& p : drawingPrimitives()) {
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
    Json drawing = {{"extents", extentsJson()}, {"segments", std::move(segments)},
                    {"curves", std::move(curves)}, {"polylines", std::move(polylines)},
                    {"nodes", std::move(nodes)}};
    return drawing.dump(-1, ' ', false, Json::error_handler_t::replace);
}

bool setPageView(double viewHeight, double screenWidth, double screenHeight) {
    if (!(viewHeight > 0.0) || !std::isfinite(viewHeight) || !(screenWidth >= 1.0) ||
        !(screenHeight >= 1.0) || screenWidth > 100000.0 || screenHeight > 100000.0)
        return false;
    return setSysvarPoint("SCREENSIZE", {screenWidth, screenHeight, 0.0}) &&
           setSysvarReal("VIEWSIZE", viewHeight);
}

}  // namespace hostsim
