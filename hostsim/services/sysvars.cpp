// hostsim/services/sysvars.cpp - the host's system variables, as kvs_getvar and kvs_setvar see
// them.
//
// Each variable has one host type. A value of another type is converted only where nothing is
// lost (an integer for a real, a 2D point for a 3D one); any other mismatch, an unknown name, a
// read-only variable or a value out of range fails with a status, never silently.
#include "hostsim/services/services.h"

#include <cmath>
#include <cstring>

namespace {

using hostsim::Point;

// ScreenPixels: a side of the screen, 1 to maxScreenPixels, wherever it is set from; a view of
// more pixels would cost more to draw and write than a screen can show.
enum class Range { Any, NonNegative, Positive, ScreenPixels };

constexpr std::size_t maxTextLength = 255;  // CLAYER: a layer name

Point ucsOrigin() { return hostsim::currentUcs().origin; }
Point ucsXDirection() { return hostsim::currentUcs().xAxis; }
Point ucsYDirection() { return hostsim::currentUcs().yAxis; }
// The view looks down on world XY; VIEWDIR gives that direction in the current UCS.
Point viewDirection() { return hostsim::worldToUcs({0.0, 0.0, 1.0}, true); }

struct SysvarDefinition {
    const char* name;
    int16_t type;
    Range range;
    Point (*derive)();  // non-NULL: read-only, the value follows the UCS and is never stored
    double realDefault;
    Point pointDefault;
    int32_t intDefault;
    const char* textDefault;
};

// One maker per kind of row, so that each row names only what its kind needs.
SysvarDefinition realVariable(const char* name, int16_t type, Range range, double initial) {
    return {name, type, range, nullptr, initial, {0, 0, 0}, 0, ""};
}
SysvarDefinition intVariable(const char* name, int16_t type, Range range, int32_t initial) {
    return {name, type, range, nullptr, 0.0, {0, 0, 0}, initial, ""};
}
SysvarDefinition pointVariable(const char* name, int16_t type, Range range, Point initial) {
    return {name, type, range, nullptr, 0.0, initial, 0, ""};
}
SysvarDefinition textVariable(const char* name, const char* initial) {
    return {name, KVS_RTSTR, Range::Any, nullptr, 0.0, {0, 0, 0}, 0, initial};
}
// Read-only: the value follows the UCS and is never stored.
SysvarDefinition derivedPoint(const char* name, Point (*derive)()) {
    return {name, KVS_RT3DPOINT, Range::Any, derive, 0.0, {0, 0, 0}, 0, ""};
}

// Sorted by name for the reader; lookups compare every row.
const SysvarDefinition sysvarTable[] = {
    realVariable("ANGBASE", KVS_RTANG, Range::Any, 0.0),
    intVariable("APERTURE", KVS_RTSHORT, Range::Positive, 10),
    textVariable("CLAYER", "0"),
    pointVariable("LASTPOINT", KVS_RT3DPOINT, Range::Any, {0, 0, 0}),
    intVariable("MAXOBJMEM", KVS_RTLONG, Range::NonNegative, 100000),
    intVariable("PICKBOX", KVS_RTSHORT, Range::NonNegative, 3),
    pointVariable("SCREENSIZE", KVS_RTPOINT, Range::ScreenPixels, {1280, 800, 0}),
    derivedPoint("UCSORG", ucsOrigin),
    derivedPoint("UCSXDIR", ucsXDirection),
    derivedPoint("UCSYDIR", ucsYDirection),
    derivedPoint("VIEWDIR", viewDirection),
    realVariable("VIEWSIZE", KVS_RTREAL, Range::Positive, 20.0),
    realVariable("VIEWTWIST", KVS_RTORINT, Range::Any, 0.0),
};
constexpr std::size_t sysvarCount = sizeof sysvarTable / sizeof sysvarTable[0];

// The current value of one variable; only the member of its type is used.
struct SysvarValue {
    double real = 0.0;
    Point point = {0, 0, 0};
    int32_t integer = 0;
    std::string text;
};

SysvarValue defaultValue(const SysvarDefinition& d) {
    SysvarValue v;
    v.real = d.realDefault;
    v.point = d.pointDefault;
    v.integer = d.intDefault;
    v.text = d.textDefault;
    return v;
}

struct SysvarValues {
    SysvarValue values[sysvarCount];
    bool viewSizeDeferred = false;  // VIEWSIZE is the drawing's default view, not yet worked out
    SysvarValues() {
        for (std::size_t i = 0; i < sysvarCount; ++i) values[i] = defaultValue(sysvarTable[i]);
    }
};

}  // namespace

// ---- system-variable state: current values, a row per sysvarTable row ----
static SysvarValues current;

namespace {

bool isViewVariable(const char* name) {
    return std::strcmp(name, "VIEWSIZE") == 0 || std::strcmp(name, "SCREENSIZE") == 0;
}

// A deferred VIEWSIZE is worked out before either variable it depends on is read or set: a
// value set first must not be replaced by the default later, nor the default see a new
// SCREENSIZE.
int findSysvar(const char* name) {
    if (name == nullptr) return -1;
    std::string upper = hostsim::upperName(name);
    for (std::size_t i = 0; i < sysvarCount; ++i) {
        if (upper != sysvarTable[i].name) continue;
        if (current.viewSizeDeferred && isViewVariable(sysvarTable[i].name)) {
            current.viewSizeDeferred = false;
            hostsim::setDefaultViewSize();
        }
        return static_cast<int>(i);
    }
    return -1;
}

bool isRealType(int type) { return type == KVS_RTREAL || type == KVS_RTANG || type == KVS_RTORINT; }
bool isPointType(int type) { return type == KVS_RTPOINT || type == KVS_RT3DPOINT; }

bool inRange(Range range, double value) {
    if (!std::isfinite(value)) return false;
    if (range == Range::NonNegative) return value >= 0.0;
    if (range == Range::Positive) return value > 0.0;
    if (range == Range::ScreenPixels) return value >= 1.0 && value <= hostsim::maxScreenPixels;
    return true;
}

// A number for a real or integer variable: the variable's own type, a KVS_RTREAL, or an integer.
bool readNumber(int16_t targetType, const ResultBuffer* rb, double& out) {
    if (rb->type == KVS_RTSHORT) {
        out = rb->value.shortInt;
    } else if (rb->type == KVS_RTLONG) {
        out = rb->value.longInt;
    } else if (isRealType(targetType) && (rb->type == KVS_RTREAL || rb->type == targetType)) {
        out = rb->value.real;
    } else {
        return false;
    }
    return true;
}

bool storeNumber(const SysvarDefinition& d, const ResultBuffer* rb, SysvarValue& v) {
    double number = 0.0;
    if (!readNumber(d.type, rb, number) || !inRange(d.range, number)) return false;
    if (isRealType(d.type)) {
        v.real = number;
        return true;
    }
    double lowest = d.type == KVS_RTSHORT ? INT16_MIN : INT32_MIN;
    double highest = d.type == KVS_RTSHORT ? INT16_MAX : INT32_MAX;
    if (number < lowest || number > highest) return false;
    v.integer = static_cast<int32_t>(number);
    return true;
}

// A 2D point variable keeps x and y; a 3D one takes z 0 from a 2D point.
bool storePoint(const SysvarDefinition& d, const ResultBuffer* rb, SysvarValue& v) {
    if (!isPointType(rb->type)) return false;
    Point p = {rb->value.point[0], rb->value.point[1], rb->value.point[2]};
    if (rb->type == KVS_RTPOINT || d.type == KVS_RTPOINT) p[2] = 0.0;
    int dimensions = d.type == KVS_RTPOINT ? 2 : 3;
    for (int i = 0; i < dimensions; ++i)
        if (!inRange(d.range, p[i])) return false;
    v.point = p;
    return true;
}

bool storeText(const ResultBuffer* rb, SysvarValue& v) {
    if (rb->type != KVS_RTSTR || rb->value.text == nullptr) return false;
    std::size_t length = strnlen(rb->value.text, maxTextLength + 1);
    if (length == 0 || length > maxTextLength) return false;
    v.text.assign(rb->value.text, length);
    return true;
}

// Stores rb into variable index. A read-only variable is one that follows the UCS: neither the
// module nor the host sets it; the host changes the UCS instead.
int storeSysvar(int index, const ResultBuffer* rb) {
    if (index < 0 || rb == nullptr) return KVS_RTERROR;
    const SysvarDefinition& d = sysvarTable[index];
    if (d.derive != nullptr) return KVS_RTERROR;
    SysvarValue v = current.values[index];
    bool stored = false;
    if (isPointType(d.type)) {
        stored = storePoint(d, rb, v);
    } else if (d.type == KVS_RTSTR) {
        stored = storeText(rb, v);
    } else {
        stored = storeNumber(d, rb, v);
    }
    if (!stored) return KVS_RTERROR;
    current.values[index] = v;
    return KVS_RTNORM;
}

Point pointOf(int index) {
    const SysvarDefinition& d = sysvarTable[index];
    return d.derive != nullptr ? d.derive() : current.values[index].point;
}

bool hostStore(const std::string& name, const ResultBuffer& rb) {
    return storeSysvar(findSysvar(name.c_str()), &rb) == KVS_RTNORM;
}

}  // namespace

namespace hostsim {

bool setSysvarReal(const std::string& name, double value) {
    ResultBuffer rb = {};
    rb.type = KVS_RTREAL;
    rb.value.real = value;
    return hostStore(name, rb);
}

bool setSysvarInt(const std::string& name, int32_t value) {
    ResultBuffer rb = {};
    rb.type = KVS_RTLONG;
    rb.value.longInt = value;
    return hostStore(name, rb);
}

bool setSysvarPoint(const std::string& name, const Point& value) {
    ResultBuffer rb = {};
    rb.type = KVS_RT3DPOINT;
    std::memcpy(rb.value.point, value.data(), sizeof rb.value.point);
    return hostStore(name, rb);
}

bool setSysvarText(const std::string& name, const std::string& value) {
    ResultBuffer rb = {};
    rb.type = KVS_RTSTR;
    rb.value.text = const_cast<char*>(value.c_str());  // read only, never kept
    return hostStore(name, rb);
}

bool getSysvar(const std::string& name, QValue& out) {
    int index = findSysvar(name.c_str());
    if (index < 0) return false;
    const SysvarDefinition& d = sysvarTable[index];
    const SysvarValue& v = current.values[index];
    Point p = pointOf(index);
    switch (d.type) {
        case KVS_RTSHORT:
        case KVS_RTLONG: out = QValue::integer(v.integer); break;
        case KVS_RTSTR: out = QValue::textValue(v.text); break;
        case KVS_RTPOINT: out = QValue::point2(p[0], p[1]); break;
        case KVS_RT3DPOINT: out = QValue::point(p[0], p[1], p[2]); break;
        default: out = QValue::real(v.real); break;
    }
    return true;
}

// A Quillet value goes the way the module's records go: one record, the same checks.
int setSysvar(const std::string& name, const QValue& value) {
    ResultBuffer* list = nullptr;
    if (!valueToList(value, &list) || list == nullptr) return KVS_RTERROR;
    int status = list->next == nullptr ? kvs_setvar(name.c_str(), list) : KVS_RTERROR;
    kvs_relrb(list);
    return status;
}

void resetSysvars() { current = SysvarValues(); }

void deferDefaultViewSize() { current.viewSizeDeferred = true; }

const char* sysvarBound(const std::string& name) {
    static const std::string pixels =
        "each side takes 1 to " + std::to_string(static_cast<int>(maxScreenPixels)) + " pixels";
    std::string upper = upperName(name);
    for (const SysvarDefinition& d : sysvarTable)
        if (upper == d.name && d.range == Range::ScreenPixels) return pixels.c_str();
    return nullptr;
}

std::vector<std::string> sysvarNames() {
    std::vector<std::string> names;
    for (const SysvarDefinition& d : sysvarTable) names.push_back(d.name);
    return names;
}

PointAnswerBase pointAnswerBase() {
    PointAnswerBase base;
    QValue value;
    if (getSysvar("LASTPOINT", value) && value.isPoint()) base.lastPoint = value.coordinates();
    if (getSysvar("ANGBASE", value) && value.isNumber()) base.angleBase = value.number();
    return base;
}

}  // namespace hostsim

extern "C" int kvs_getvar(const char* name, ResultBuffer* result) {
    hostsim::ErrnoGuard keepErrno;
    int index = findSysvar(name);
    if (index < 0 || result == nullptr) return KVS_RTERROR;
    const SysvarDefinition& d = sysvarTable[index];
    const SysvarValue& v = current.values[index];
    if (d.type == KVS_RTSTR) {
        char* text = hostsim::allocateText(v.text);
        if (text == nullptr) return KVS_RTERROR;
        result->value.text = text;
    } else if (isPointType(d.type)) {
        Point p = pointOf(index);
        if (d.type == KVS_RTPOINT) p[2] = 0.0;
        std::memcpy(result->value.point, p.data(), sizeof result->value.point);
    } else if (isRealType(d.type)) {
        result->value.real = v.real;
    } else if (d.type == KVS_RTSHORT) {
        result->value.shortInt = static_cast<int16_t>(v.integer);
    } else {
        result->value.longInt = v.integer;
    }
    result->type = d.type;
    return KVS_RTNORM;
}

extern "C" int kvs_setvar(const char* name, const ResultBuffer* value) {
    hostsim::ErrnoGuard keepErrno;
    return storeSysvar(findSysvar(name), value);
}
