// hostsim/quillet/printer.cpp - Quillet values as the command line prints them.
#include "hostsim/quillet/quillet.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr int defaultPrecision = 15;
constexpr int maxPrecision = 17;  // enough for any double to read back the same

}  // namespace

// ---- printer state: significant digits of a real, from --precision ----
static int printPrecision = defaultPrecision;

namespace {

// A real always shows that it is one: "3" becomes "3.0"; "0.5", "1e+20" and "inf" stay.
std::string formatReal(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*g", printPrecision, value);
    if (std::strpbrk(text, ".eEni") == nullptr) std::strcat(text, ".0");
    return text;
}

std::string formatText(const std::string& value) {
    std::string quoted = "\"";
    for (char c : value) {
        switch (c) {
            case '"': quoted += "\\\""; break;
            case '\\': quoted += "\\\\"; break;
            case '\n': quoted += "\\n"; break;
            case '\t': quoted += "\\t"; break;
            case '\r': quoted += "\\r"; break;
            default: quoted += c; break;
        }
    }
    return quoted + "\"";
}

std::string formatObjectName(const hostsim::QValue& value) {
    return "<Object name: " + std::to_string(value.name[0]) + "," + std::to_string(value.name[1]) + ">";
}

}  // namespace

namespace hostsim {

void setPrintPrecision(int significantDigits) {
    if (significantDigits >= 1 && significantDigits <= maxPrecision) printPrecision = significantDigits;
}

std::string formatValue(const QValue& value) {
    switch (value.kind) {
        case QValue::Kind::Nil: return "nil";
        case QValue::Kind::Int: return std::to_string(value.intValue);
        case QValue::Kind::Real: return formatReal(value.realValue);
        case QValue::Kind::Text: return formatText(value.text);
        case QValue::Kind::Symbol: return value.text;
        case QValue::Kind::Name: return formatObjectName(value);
        case QValue::Kind::List: break;
    }
    std::string text = "(";
    for (std::size_t i = 0; i < value.items.size(); ++i) {
        if (i > 0) text += " ";
        text += formatValue(value.items[i]);
    }
    return text + ")";
}

}  // namespace hostsim
