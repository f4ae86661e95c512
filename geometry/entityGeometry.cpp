// geometry/entityGeometry.cpp - radius and plane of a picked circle, arc or polyline segment.
#include <cmath>
#include <cstring>

#include "geometry/picking.h"
#include "messages/messageNumbers.h"
#include "messages/messages.h"

namespace {

constexpr double bulgeTolerance = 1e-7;
constexpr double offAxisTolerance = 1e-6;
constexpr int nonPlanarFlags = 0x58;  // 3D polyline, polyface mesh, polygon mesh
constexpr int flagsWhenAbsent = 8;

enum PickOutcome { pickDone, pickAgain };

const Transform identity = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {0, 0, 0}};

void printNotice(int number) { kvs_printf("%s", getMessage(moduleNotices, number)); }

const ResultBuffer* findGroup(const ResultBuffer* records, int group) {
    for (const ResultBuffer* r = records; r != nullptr; r = r->next) {
        if (r->type == group) return r;
    }
    return nullptr;
}

Point3 pointOf(const ResultBuffer* r) {
    return Point3{r->value.point[0], r->value.point[1], r->value.point[2]};
}

// An object's extrusion direction, group 210, world Z when absent.
Point3 extrusionOf(const ResultBuffer* records) {
    const ResultBuffer* r = findGroup(records, 210);
    return r != nullptr ? pointOf(r) : Point3{0, 0, 1};
}

// The type name of a record list whose second record is group 0, else nullptr.
const char* typeName(const ResultBuffer* records) {
    if (records == nullptr || records->next == nullptr || records->next->type != 0) return nullptr;
    return records->next->value.text;
}

bool isType(const char* type, const char* name) {
    return type != nullptr && std::strcmp(type, name) == 0;
}

void copyName(kvs_name to, const kvs_name from) {
    to[0] = from[0];
    to[1] = from[1];
}

// ResultBuffer is packed, so its name may sit at any address: it is read and written member
// by member, never through a pointer to the array, which would assume eight-byte alignment.
void nameOfRecord(const ResultBuffer* r, kvs_name to) {
    to[0] = r->value.name[0];
    to[1] = r->value.name[1];
}

void setRecordName(ResultBuffer& r, const kvs_name from) {
    r.value.name[0] = from[0];
    r.value.name[1] = from[1];
}

// The records of the object after name in the drawing's sequence, with its name.
ResultBuffer* readNextObject(const kvs_name name, kvs_name next) {
    if (kvs_entnext(name, next) != KVS_RTNORM) return nullptr;
    ResultBuffer* records = kvs_entget(next);
    if (records != nullptr && typeName(records) == nullptr) {
        kvs_relrb(records);
        return nullptr;
    }
    return records;
}

void setSegmentShape(SegmentInfo& segment) {
    if (std::fabs(segment.bulge) < bulgeTolerance) {
        segment.radius = 0;
        segment.centre = scale(add(segment.start, segment.end), 0.5);
    } else {
        bulgeArc(segment.start, segment.end, segment.bulge, segment.radius, segment.centre);
    }
}

// The bulge of the vertex whose group 10 is vertex: the group 42 right after it, or after
// a group 40 and a group 41 directly following it.
double vertexBulge(const ResultBuffer* vertex) {
    const ResultBuffer* r = vertex->next;
    if (r != nullptr && r->type == 40 && r->next != nullptr && r->next->type == 41) {
        r = r->next->next;
    }
    return r != nullptr && r->type == 42 ? r->value.real : 0.0;
}

struct LwpolylineHeader {
    Point3 extrusion = {0, 0, 1};
    double elevation = 0;
    bool closed = false;
};

LwpolylineHeader readLwpolylineHeader(const ResultBuffer* records) {
    LwpolylineHeader header;
    for (const ResultBuffer* r = records; r != nullptr; r = r->next) {
        if (r->type == 70) header.closed = (r->value.shortInt & 1) != 0;
        if (r->type == 38) header.elevation = r->value.real;
        if (r->type == 210) header.extrusion = pointOf(r);
    }
    return header;
}

bool isOffAxis(const Point3& e) {
    return std::fabs(e.x) >= offAxisTolerance || std::fabs(e.y) >= offAxisTolerance ||
           std::fabs(e.z - 1) >= offAxisTolerance;
}

// Whether the segment from p to v (bulge of p) passes through the snapped pick point, given in
// the polyline's own coordinates: there the bulge's sign means what it says, whatever the
// block reference or the user system does to the polyline's turning sense.
bool takeSegment(const LwpolylineHeader& header, const Point3& pickInObject, Point3 p, Point3 v,
                 double bulge, SegmentInfo& segment) {
    p.z = header.elevation;
    v.z = header.elevation;
    bool isArc = std::fabs(bulge) >= bulgeTolerance;
    bool onSegment =
        isArc ? pointOnBulgeArc(pickInObject, p, v, bulge) : collinear(pickInObject, p, v);
    if (!isOffAxis(header.extrusion) && !onSegment) return false;
    segment = SegmentInfo{p, v, bulge, {0, 0, 0}, 0, header.extrusion};
    setSegmentShape(segment);
    return true;
}

// The map from an object's own coordinates to its block's: the arbitrary-axis system of its
// extrusion, or the identity for an object without one.
Transform objectToBlockMap(const Point3* extrusion) {
    Transform map = identity;
    if (extrusion != nullptr && length(*extrusion) > geometricTolerance) {
        extrusionTransform(*extrusion, map);
    }
    return map;
}

// A point of the user system in an object's own coordinates; false when the block reference
// flattens the object, so that no point maps back.
bool ucsToObject(const Point3& point, const Transform& nestMap, const Point3& extrusion,
                 Point3& out) {
    Transform worldToBlock, blockToObject;
    if (invertTransform(nestMap, worldToBlock) != KVS_RTNORM) return false;
    if (invertTransform(objectToBlockMap(&extrusion), blockToObject) != KVS_RTNORM) return false;
    out = point;  // what the host leaves when it cannot convert
    ucsToWorld(point, out);
    applyTransform(worldToBlock, out, out);
    applyTransform(blockToObject, out, out);
    return true;
}

// The base point of a planar object and the point one unit along its normal, both in the user
// system. Through the host's own-coordinate transform unless useMatrix; through nestMap
// otherwise, where the normal goes by the map's inverse transpose so that it stays square to
// the plane in a block reference scaled unevenly. False when the map flattens the object.
bool planeAtBase(const Point3& base, const kvs_name object, bool useMatrix,
                 const Transform& nestMap, const Point3& extrusion, Point3& origin,
                 Point3& zPoint) {
    if (!useMatrix) {
        entityPointToUcs(base, object, false, nestMap, &extrusion, origin);
        entityPointToUcs(add(base, Point3{0, 0, 1}), object, false, nestMap, &extrusion, zPoint);
        return true;
    }
    Transform objectToBlock = objectToBlockMap(&extrusion);
    Point3 normal = objectToBlock.zAxis;
    if (transformNormal(nestMap, normal) != KVS_RTNORM) return false;
    Point3 baseInWorld;
    applyTransform(objectToBlock, base, baseInWorld);
    applyTransform(nestMap, baseInWorld, baseInWorld);
    worldToUcs(baseInWorld, origin);
    worldToUcs(add(baseInWorld, normal), zPoint);
    return true;
}

// The plane at a segment's base point (its centre, or its start when straight); the start is
// the end nearer the pick on the screen.
bool segmentPlane(SegmentInfo& segment, const kvs_name object, bool useMatrix,
                  const Transform& nestMap, const Point3& pick, Point3& origin, Point3& zPoint) {
    Point3 s, e;
    entityPointToUcs(segment.start, object, useMatrix, nestMap, &segment.extrusion, s);
    entityPointToUcs(segment.end, object, useMatrix, nestMap, &segment.extrusion, e);
    if (screenDistance(e, pick) < screenDistance(s, pick)) {
        Point3 swap = segment.start;
        segment.start = segment.end;
        segment.end = swap;
    }
    Point3 base = segment.radius != 0 ? segment.centre : segment.start;
    return planeAtBase(base, object, useMatrix, nestMap, segment.extrusion, origin, zPoint);
}

Transform transformOf(const double matrix[4][3]) {
    return Transform{{matrix[0][0], matrix[0][1], matrix[0][2]},
                     {matrix[1][0], matrix[1][1], matrix[1][2]},
                     {matrix[2][0], matrix[2][1], matrix[2][2]},
                     {matrix[3][0], matrix[3][1], matrix[3][2]}};
}

// One nested selection: KVS_RTNORM with its results, or the status that ends the pick.
struct NestedPick {
    kvs_name name = {0, 0};
    double point[3] = {0, 0, 0};
    double matrix[4][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {0, 0, 0}};
    bool nested = false;
};

int selectNested(const char* prompt, NestedPick& pick) {
    ResultBuffer* containers = nullptr;
    int status = kvs_nentsel(prompt, pick.name, pick.point, pick.matrix, &containers);
    pick.nested = containers != nullptr;
    if (containers != nullptr) kvs_relrb(containers);
    return status;
}

// The plane of one picked object; pickAgain after a notice.
PickOutcome planeOfPickedObject(const NestedPick& pick, int& result, Point3& origin,
                                Point3& zPoint) {
    ResultBuffer* records = kvs_entget(pick.name);
    if (records == nullptr) {
        result = KVS_RTERROR;
        return pickDone;
    }
    const char* type = typeName(records);
    Transform nestMap = transformOf(pick.matrix);
    Point3 pickPoint{pick.point[0], pick.point[1], pick.point[2]};
    SegmentInfo segment{};
    result = KVS_RTERROR;
    if (isType(type, "CIRCLE") || isType(type, "ARC")) {
        const ResultBuffer* centre = findGroup(records, 10);
        // The host's own-coordinate transform knows nothing of the block reference, so a
        // nested circle goes through nestMap: otherwise a block standing upright would
        // give the circle's plane inside the block, not in the drawing.
        if (centre != nullptr && planeAtBase(pointOf(centre), pick.name, pick.nested, nestMap,
                                             extrusionOf(records), origin, zPoint)) {
            result = KVS_RTNORM;
        }
    } else if (isType(type, "LWPOLYLINE")) {
        int status = lwpolylineSegment(records, pickPoint, nestMap, segment);
        if (status == KVS_RTREJ) {
            printNotice(noticePlaneNothingFound);  // the snap found no segment: a missed pick
            kvs_relrb(records);
            return pickAgain;
        }
        if (status == KVS_RTNORM &&
            segmentPlane(segment, pick.name, true, nestMap, pickPoint, origin, zPoint)) {
            result = KVS_RTNORM;
        }
        if (status == KVS_RTCAN) result = KVS_RTCAN;
    } else if (isType(type, "VERTEX")) {
        int status = vertexSegment(pick.name, records, segment);
        if (status == KVS_RTREJ) {
            printNotice(noticePlaneUnusablePolyline);
            kvs_relrb(records);
            return pickAgain;
        }
        if (status == KVS_RTNORM &&
            segmentPlane(segment, pick.name, pick.nested, nestMap, pickPoint, origin, zPoint)) {
            result = KVS_RTNORM;
        }
    } else if (type != nullptr) {
        printNotice(noticeNoPlane);
        kvs_relrb(records);
        return pickAgain;
    }
    kvs_relrb(records);
    return pickDone;
}

// The radius of one picked object; pickAgain after a notice.
PickOutcome radiusOfPickedObject(const NestedPick& pick, int& result, double& radius) {
    ResultBuffer* records = kvs_entget(pick.name);
    result = KVS_RTERROR;
    if (records == nullptr) return pickDone;
    const char* type = typeName(records);
    PickOutcome outcome = pickDone;
    if (type == nullptr) {
        // unreadable: KVS_RTERROR
    } else if (isType(type, "CIRCLE") || isType(type, "ARC")) {
        const ResultBuffer* r = findGroup(records, 40);
        if (r != nullptr) {
            radius = r->value.real;
            result = KVS_RTNORM;
        }
    } else if (isType(type, "VERTEX")) {
        SegmentInfo segment{};
        int status = vertexSegment(pick.name, records, segment);
        if (status == KVS_RTREJ) {
            printNotice(noticeRadiusUnusablePolyline);
            outcome = pickAgain;
        } else if (status == KVS_RTNORM && segment.radius == 0) {
            printNotice(noticeRadiusStraightSegment);
            outcome = pickAgain;
        } else if (status == KVS_RTNORM) {
            radius = segment.radius;
            result = KVS_RTNORM;
        }
    } else {
        printNotice(noticeRadiusWrongObject);
        outcome = pickAgain;
    }
    kvs_relrb(records);
    return outcome;
}

}  // namespace

void entityPointToUcs(const Point3& point, const kvs_name objectName, bool useMatrix,
                      const Transform& nestMap, const Point3* extrusion, Point3& out) {
    const double in[3] = {point.x, point.y, point.z};
    if (!useMatrix) {
        ResultBuffer from{}, to{};
        from.type = KVS_RTENAME;
        setRecordName(from, objectName);
        to.type = KVS_RTSHORT;
        to.value.shortInt = KVS_UCS;
        double result[3] = {out.x, out.y, out.z};
        kvs_trans(in, &from, &to, 0, result);
        out = Point3{result[0], result[1], result[2]};
        return;
    }
    Point3 p;
    applyTransform(objectToBlockMap(extrusion), point, p);
    applyTransform(nestMap, p, p);
    worldToUcs(p, out);
}

double screenDistance(const Point3& a, const Point3& b) {
    ResultBuffer from{}, to{};
    from.type = KVS_RTSHORT;
    from.value.shortInt = KVS_UCS;
    to.type = KVS_RTSHORT;
    to.value.shortInt = KVS_DISPLAY;
    const double inA[3] = {a.x, a.y, a.z}, inB[3] = {b.x, b.y, b.z};
    double outA[3] = {0, 0, 0}, outB[3] = {0, 0, 0};
    kvs_trans(inA, &from, &to, 0, outA);
    kvs_trans(inB, &from, &to, 0, outB);
    return std::hypot(outA[0] - outB[0], outA[1] - outB[1]);
}

int polylineOfVertex(const kvs_name vertex, kvs_name owner) {
    kvs_name current, next;
    copyName(current, vertex);
    for (;;) {
        ResultBuffer* records = readNextObject(current, next);
        if (records == nullptr) return KVS_RTERROR;
        if (isType(typeName(records), "SEQEND")) {
            const ResultBuffer* ownerRecord = findGroup(records, -2);
            if (ownerRecord != nullptr) nameOfRecord(ownerRecord, owner);
            kvs_relrb(records);
            return ownerRecord != nullptr ? KVS_RTNORM : KVS_RTERROR;
        }
        kvs_relrb(records);
        copyName(current, next);
    }
}

bool readPolylineHeader(const kvs_name vertex, Point3& extrusion) {
    extrusion = Point3{0, 0, 0};
    kvs_name owner;
    if (polylineOfVertex(vertex, owner) != KVS_RTNORM) return false;
    ResultBuffer* records = kvs_entget(owner);
    int flags = flagsWhenAbsent;
    const ResultBuffer* flagRecord = findGroup(records, 70);
    if (flagRecord != nullptr) flags = flagRecord->value.shortInt;
    const ResultBuffer* extrusionRecord = findGroup(records, 210);
    if (extrusionRecord != nullptr) extrusion = pointOf(extrusionRecord);
    if (records != nullptr) kvs_relrb(records);
    return (flags & nonPlanarFlags) == 0;
}

int vertexSegment(const kvs_name vertex, const ResultBuffer* records, SegmentInfo& segment) {
    Point3 extrusion;
    if (!readPolylineHeader(vertex, extrusion)) return KVS_RTREJ;
    const ResultBuffer* bulgeRecord = findGroup(records, 42);
    const ResultBuffer* startRecord = findGroup(records, 10);
    if (startRecord == nullptr) return KVS_RTERROR;
    kvs_name next;
    ResultBuffer* nextRecords = readNextObject(vertex, next);
    if (nextRecords == nullptr) return KVS_RTERROR;
    if (isType(typeName(nextRecords), "SEQEND")) {
        // the last vertex: its segment runs back to the first, closed or not
        const ResultBuffer* ownerRecord = findGroup(nextRecords, -2);
        kvs_name owner, first;
        if (ownerRecord != nullptr) nameOfRecord(ownerRecord, owner);
        kvs_relrb(nextRecords);
        nextRecords = ownerRecord != nullptr ? readNextObject(owner, first) : nullptr;
        if (nextRecords == nullptr) return KVS_RTERROR;
    }
    const ResultBuffer* endRecord = nullptr;
    if (isType(typeName(nextRecords), "VERTEX")) endRecord = findGroup(nextRecords, 10);
    if (endRecord == nullptr) {
        kvs_relrb(nextRecords);
        return KVS_RTERROR;
    }
    segment.start = pointOf(startRecord);
    segment.end = pointOf(endRecord);
    segment.bulge = bulgeRecord != nullptr ? bulgeRecord->value.real : 0.0;
    segment.extrusion = extrusion;
    setSegmentShape(segment);
    kvs_relrb(nextRecords);
    return KVS_RTNORM;
}

int lwpolylineSegment(const ResultBuffer* records, Point3& pickPoint, const Transform& nestMap,
                      SegmentInfo& segment) {
    double pick[3] = {pickPoint.x, pickPoint.y, pickPoint.z};
    double snapped[3] = {pick[0], pick[1], pick[2]};
    int snapStatus = kvs_osnap(pick, "MID", snapped);
    if (snapStatus != KVS_RTNORM) return snapStatus == KVS_RTCAN ? KVS_RTCAN : KVS_RTREJ;
    pickPoint = Point3{snapped[0], snapped[1], snapped[2]};
    LwpolylineHeader header = readLwpolylineHeader(records);
    Point3 pickInObject;
    if (!ucsToObject(pickPoint, nestMap, header.extrusion, pickInObject)) return KVS_RTERROR;
    const ResultBuffer* first = findGroup(records, 10);
    if (first == nullptr) return KVS_RTERROR;
    const ResultBuffer* previous = first;
    for (const ResultBuffer* v = findGroup(first->next, 10); v != nullptr;
         v = findGroup(v->next, 10)) {
        if (takeSegment(header, pickInObject, pointOf(previous), pointOf(v), vertexBulge(previous),
                        segment)) {
            return KVS_RTNORM;
        }
        previous = v;
    }
    if (header.closed && takeSegment(header, pickInObject, pointOf(previous), pointOf(first),
                                     vertexBulge(previous), segment)) {
        return KVS_RTNORM;
    }
    return KVS_RTERROR;
}

int pickPlanarObject(const char* prompt, Point3& origin, Point3& zPoint) {
    for (;;) {
        NestedPick pick;
        int status = selectNested(prompt, pick);
        if (status == KVS_RTCAN || status == KVS_RTREJ) return status;
        if (status != KVS_RTNORM) {
            printNotice(noticePlaneNothingFound);
            continue;
        }
        int result = KVS_RTERROR;
        if (planeOfPickedObject(pick, result, origin, zPoint) == pickDone) return result;
    }
}

int pickRadius(const char* prompt, double& radius) {
    for (;;) {
        NestedPick pick;
        int status = selectNested(prompt, pick);
        if (status == KVS_RTCAN || status == KVS_RTREJ) return status;
        if (status != KVS_RTNORM) {
            printNotice(noticeRadiusNothingFound);
            continue;
        }
        double scaleFactor = 1;
        if (pick.nested) {
            scaleFactor = uniformScale(transformOf(pick.matrix));
            if (scaleFactor < 0) {
                printNotice(noticeRadiusNotUniform);
                continue;
            }
        }
        int result = KVS_RTERROR;
        double objectRadius = 0;
        if (radiusOfPickedObject(pick, result, objectRadius) == pickAgain) continue;
        if (result == KVS_RTNORM) radius = objectRadius * scaleFactor;
        return result;
    }
}
