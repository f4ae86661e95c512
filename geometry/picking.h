// geometry/picking.h - points and objects picked in the drawing: object snap and entity geometry.
#ifndef VECTRIN_GEOMETRY_PICKING_H
#define VECTRIN_GEOMETRY_PICKING_H

#include "contract/kvs.h"
#include "geometry/geometry.h"

constexpr int promptLength = 128;  // every composed prompt, terminator included

// ---- object-snap picking (geometry/snapPick.cpp) ----
// While on, the selection target has the size of the snap target; off restores PICKBOX.
void pickboxFromAperture(bool on);
// Asks for an object until one is picked and snapped with mode: KVS_RTNORM with the point,
// or KVS_RTCAN / KVS_RTREJ when the user cancels or declines.
int snapPick(const char* prompt, const char* mode, Point3& point);
// Two end points at least the tolerance apart, each snapped with "_END".
int pickEndpointPair(Point3& first, Point3& second, const char* name);
// Makes point the host's LASTPOINT.
void setLastPoint(const Point3& point);
// head + word + tail, cut to the prompt buffer.
void composePrompt(char* prompt, const char* head, const char* word, const char* tail);

// ---- entity geometry (geometry/entityGeometry.cpp) ----
struct SegmentInfo {
    Point3 start, end;  // in the polyline's own coordinates
    double bulge;
    Point3 centre;  // own coordinates
    double radius;  // 0 for a straight segment
    Point3 extrusion;
};

void entityPointToUcs(const Point3& point, const kvs_name objectName, bool useMatrix,
                      const Transform& nestMap, const Point3* extrusion, Point3& out);
double screenDistance(const Point3& a, const Point3& b);
int polylineOfVertex(const kvs_name vertex, kvs_name owner);
bool readPolylineHeader(const kvs_name vertex, Point3& extrusion);
int vertexSegment(const kvs_name vertex, const ResultBuffer* records, SegmentInfo& segment);
// The segment of a lightweight polyline under the pick, which is snapped to the segment's
// midpoint first: KVS_RTNORM, KVS_RTREJ when the snap finds nothing, KVS_RTERROR otherwise.
int lwpolylineSegment(const ResultBuffer* records, Point3& pickPoint, const Transform& nestMap,
                      SegmentInfo& segment);
int pickRadius(const char* prompt, double& radius);

#endif
