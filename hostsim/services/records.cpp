// hostsim/services/records.cpp - Quillet values as ResultBuffer lists, both ways, and the symbol
// table's face to the module (kvs_getsym, kvs_putsym).
#include "hostsim/services/services.h"

#include <cstring>

// ---- QValue to records ----

namespace {

using hostsim::QValue;

// A list longer than this from the module is taken for a cycle or a stray pointer.
constexpr std::size_t maxListRecords = 100000;

// An atom or a point: one record of its own, the form every argument of a call must have.
bool hasSingleRecord(const QValue& v) {
    switch (v.kind) {
        case QValue::Kind::Symbol: return false;
        case QValue::Kind::List: return v.isPoint();
        default: return true;
    }
}

// One record to be made: a value with a single record, or the start or end of a list.
struct PlannedRecord {
    int16_t bracket;  // KVS_RTLB or KVS_RTLE; 0 for a value
    const QValue* value;
};

// The records of v in order: a list that is not a point is bracketed, element by element.
void planRecords(const QValue& v, std::vector<PlannedRecord>& plan) {
    if (v.kind != QValue::Kind::List || v.isPoint()) {
        plan.push_back({0, &v});
        return;
    }
    plan.push_back({KVS_RTLB, nullptr});
    for (const QValue& item : v.items) planRecords(item, plan);
    plan.push_back({KVS_RTLE, nullptr});
}

// Fills one record with an atom, a point or a symbol.
void fillRecord(ResultBuffer* list, ResultBuffer* record, const QValue& v) {
    switch (v.kind) {
        case QValue::Kind::Nil: record->type = KVS_RTNIL; break;
        case QValue::Kind::Int:
            if (v.intValue >= INT16_MIN && v.intValue <= INT16_MAX) {
                record->type = KVS_RTSHORT;
                record->value.shortInt = static_cast<int16_t>(v.intValue);
            } else {
                record->type = KVS_RTLONG;
                record->value.longInt = v.intValue;
            }
            break;
        case QValue::Kind::Real:
            record->type = KVS_RTREAL;
            record->value.real = v.realValue;
            break;
        case QValue::Kind::Text:
            record->type = KVS_RTSTR;
            record->value.text = hostsim::attachText(list, v.text);
            break;
        case QValue::Kind::Symbol:
            record->type = KVS_RTSYMBOL;
            record->value.text = hostsim::attachText(list, v.text);
            break;
        case QValue::Kind::Name:
            record->type = KVS_RTENAME;
            record->value.name[0] = v.name[0];
            record->value.name[1] = v.name[1];
            break;
        case QValue::Kind::List: {
            hostsim::Point p = v.coordinates();
            record->type = v.items.size() == 2 ? KVS_RTPOINT : KVS_RT3DPOINT;
            std::memcpy(record->value.point, p.data(), sizeof record->value.point);
            break;
        }
    }
}

bool plannedToList(const std::vector<PlannedRecord>& plan, ResultBuffer** list) {
    *list = nullptr;
    if (plan.empty()) return true;
    ResultBuffer* head = hostsim::allocateList(plan.size());
    if (head == nullptr) return false;
    ResultBuffer* record = head;
    for (const PlannedRecord& planned : plan) {
        if (planned.bracket != 0) {
            record->type = planned.bracket;
        } else {
            fillRecord(head, record, *planned.value);
        }
        record = record->next;
    }
    *list = head;
    return true;
}

}  // namespace

namespace hostsim {

bool valueToList(const QValue& v, ResultBuffer** list) {
    std::vector<PlannedRecord> plan;
    if (!v.isNil()) planRecords(v, plan);
    return plannedToList(plan, list);
}

bool argumentsToList(const std::vector<QValue>& arguments, ResultBuffer** list) {
    *list = nullptr;
    std::vector<PlannedRecord> plan;
    for (const QValue& argument : arguments) {
        if (!hasSingleRecord(argument)) return false;
        plan.push_back({0, &argument});
    }
    return plannedToList(plan, list);
}

}  // namespace hostsim

// ---- records to QValue ----

namespace {

bool recordToValue(const ResultBuffer* record, QValue& out) {
    switch (record->type) {
        case KVS_RTREAL:
        case KVS_RTANG:
        case KVS_RTORINT: out = QValue::real(record->value.real); return true;
        case KVS_RTSHORT: out = QValue::integer(record->value.shortInt); return true;
        case KVS_RTLONG: out = QValue::integer(record->value.longInt); return true;
        case KVS_RTPOINT:
            out = QValue::point2(record->value.point[0], record->value.point[1]);
            return true;
        case KVS_RT3DPOINT:
            out = QValue::point(record->value.point[0], record->value.point[1],
                                record->value.point[2]);
            return true;
        case KVS_RTSTR:
            if (record->value.text == nullptr) return false;
            out = QValue::textValue(record->value.text);
            return true;
        case KVS_RTENAME:
            out = QValue::objectName(record->value.name[0], record->value.name[1]);
            return true;
        case KVS_RTSYMBOL:
            if (record->value.text == nullptr) return false;
            out = QValue();
            out.kind = QValue::Kind::Symbol;
            out.text = record->value.text;  // as named: a |quoted| name keeps its case
            return true;
        case KVS_RTNIL: out = QValue::nil(); return true;
        default: return false;
    }
}

}  // namespace

namespace hostsim {

bool listToValue(const ResultBuffer* list, QValue& out) {
    // open[0] gathers the top level; each list begun and not yet ended adds one more.
    std::vector<std::vector<QValue>> open(1);
    std::size_t recordCount = 0;
    for (const ResultBuffer* record = list; record != nullptr; record = record->next) {
        if (++recordCount > maxListRecords) return false;
        if (record->type == KVS_RTLB) {
            if (open.size() > static_cast<std::size_t>(maxQuilletDepth)) return false;
            open.emplace_back();
            continue;
        }
        QValue element;
        if (record->type == KVS_RTLE) {
            if (open.size() == 1) return false;
            element = QValue::list(std::move(open.back()));
            open.pop_back();
        } else if (!recordToValue(record, element)) {
            return false;
        }
        open.back().push_back(std::move(element));
    }
    if (open.size() != 1) return false;
    std::vector<QValue>& elements = open[0];
    if (elements.size() == 1) {
        out = std::move(elements[0]);
    } else {
        out = QValue::list(std::move(elements));
    }
    return true;
}

}  // namespace hostsim

// ---- symbols, as the module reads and sets them ----

// value: the symbol's value as a fresh list for kvs_relrb; empty for an unknown or nil symbol.
extern "C" int kvs_getsym(const char* name, ResultBuffer** value) {
    hostsim::ErrnoGuard keepErrno;
    if (value == nullptr) return KVS_RTERROR;
    *value = nullptr;
    if (name == nullptr || *name == '\0') return KVS_RTERROR;
    hostsim::QValue symbolValue = hostsim::getSymbol(name);
    if (symbolValue.kind == hostsim::QValue::Kind::Nil) hostsim::noteNameWithoutValue(name);
    return hostsim::valueToList(symbolValue, value) ? KVS_RTNORM : KVS_RTERROR;
}

// value: one record or a list, copied; NULL sets the symbol to nil. T and NIL are refused.
extern "C" int kvs_putsym(const char* name, const ResultBuffer* value) {
    hostsim::ErrnoGuard keepErrno;
    if (name == nullptr || *name == '\0') return KVS_RTERROR;
    hostsim::QValue copy;
    if (!hostsim::listToValue(value, copy)) return KVS_RTERROR;
    if (!hostsim::setSymbol(name, copy)) return KVS_RTERROR;
    hostsim::noteAssignment(name, copy);  // a point result's label names its variable
    return KVS_RTNORM;
}
