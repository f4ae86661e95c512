// hostsim/quillet/values.cpp - Quillet values: making them, comparing them, reading points.
#include "hostsim/quillet/quillet.h"

#include <cstring>

namespace hostsim {

QValue QValue::integer(int32_t value) {
    QValue v;
    v.kind = Kind::Int;
    v.intValue = value;
    return v;
}

QValue QValue::real(double value) {
    QValue v;
    v.kind = Kind::Real;
    v.realValue = value;
    return v;
}

QValue QValue::textValue(const std::string& value) {
    QValue v;
    v.kind = Kind::Text;
    v.text = value;
    return v;
}

QValue QValue::symbol(const std::string& symbolName) {
    QValue v;
    v.kind = Kind::Symbol;
    v.text = upperName(symbolName);
    return v;
}

QValue QValue::objectName(int64_t first, int64_t second) {
    QValue v;
    v.kind = Kind::Name;
    v.name[0] = first;
    v.name[1] = second;
    return v;
}

QValue QValue::list(std::vector<QValue> elements) {
    QValue v;
    if (elements.empty()) return v;
    v.kind = Kind::List;
    v.items = std::move(elements);
    return v;
}

QValue QValue::point(double x, double y, double z) { return list({real(x), real(y), real(z)}); }

QValue QValue::point2(double x, double y) { return list({real(x), real(y)}); }

bool QValue::isPoint() const {
    if (kind != Kind::List || items.size() < 2 || items.size() > 3) return false;
    for (const QValue& item : items)
        if (!item.isNumber()) return false;
    return true;
}

Point QValue::coordinates() const {
    Point p = {0.0, 0.0, 0.0};
    if (!isPoint()) return p;
    for (std::size_t i = 0; i < items.size(); ++i) p[i] = items[i].number();
    return p;
}

bool operator==(const QValue& a, const QValue& b) {
    if (a.kind != b.kind) return false;
    switch (a.kind) {
        case QValue::Kind::Nil: return true;
        case QValue::Kind::Int: return a.intValue == b.intValue;
        case QValue::Kind::Real: return a.realValue == b.realValue;
        case QValue::Kind::Text:
        case QValue::Kind::Symbol: return a.text == b.text;
        case QValue::Kind::Name: return a.name[0] == b.name[0] && a.name[1] == b.name[1];
        case QValue::Kind::List: return a.items == b.items;
    }
    return false;
}

}  // namespace hostsim
