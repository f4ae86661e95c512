// hostsim/quillet/printer.cpp - Quillet values as the command line prints them.
#include "hostsim/quillet/quillet.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int maxPrecision = 17;  // enough for any double to read back the same
// From here up a real prints in scientific notation at decimal places too: its digits past the
// 17th are noise, and fixed notation would print up to 309 of them.
constexpr double largestFixed = 1e17;

// printf's %.*g, %.*e and %.*f, character for character, at a fraction of the cost: printing was
// a fifth of a script line's time. The text is NUL-terminated; text holds any double's.
template <std::size_t size>
void printDouble(char (&text)[size], double value, std::chars_format format, int precision) {
    std::to_chars_result end = std::to_chars(text, text + size - 1, value, format, precision);
    *end.ptr = '\0';
}

}  // namespace

// ---- printer state: how a real prints, from --precision and PRECISION ----
static hostsim::PrintPrecision precisionSetting;

namespace {

// A value that rounds to zero at the places shown prints unsigned: "-0.00" is no number a user
// meant.
void dropMinusOfZero(char* text) {
    if (text[0] == '-' && std::strpbrk(text, "123456789ni") == nullptr)
        std::memmove(text, text + 1, std::strlen(text));
}

// Exactly so many digits after the decimal point, trailing zeros included, as CAD programs show
// lengths.
std::string formatDecimalPlaces(double value, int places) {
    char text[64];  // |value| < 1e17 in fixed notation: at most 17 + 1 + 17 characters and a sign
    bool fixed = std::fabs(value) < largestFixed;  // inf and nan print as words either way
    printDouble(text, value, fixed ? std::chars_format::fixed : std::chars_format::scientific,
                places);
    dropMinusOfZero(text);
    return text;
}

// A real always shows that it is one: "3" becomes "3.0"; "0.5", "1e+20" and "inf" stay. A zero
// prints unsigned: -0.0 is an artefact of the arithmetic, not something the user asked for.
std::string formatReal(double value) {
    if (value == 0.0) value = 0.0;
    if (precisionSetting.decimalPlaces) return formatDecimalPlaces(value, precisionSetting.count);
    char text[64];
    printDouble(text, value, std::chars_format::general, precisionSetting.count);
    if (std::strpbrk(text, ".eEni") == nullptr) std::strcat(text, ".0");
    return text;
}

// The decimal exponent of value as printed with the current precision: 9.9999999999999999 counts
// as 10, so its exponent is 1.
int printedExponent(double value) {
    char text[64];
    printDouble(text, std::fabs(value), std::chars_format::scientific, precisionSetting.count - 1);
    const char* exponent = std::strchr(text, 'e');
    return exponent != nullptr ? std::atoi(exponent + 1) : 0;
}

// Rounds value to a multiple of 10^-decimals (decimals may be negative). The rounding goes
// through the decimal text, so 0.1 stays exactly what strtod makes of "0.1", and a value rounded
// to its own printed digits stays the value it was: dividing by a power of ten and multiplying
// back would change the last bits of -4.0320355280063877e+18.
double roundToDecimals(double value, int decimals) {
    if (decimals < 0) {
        char text[64];
        printDouble(text, value, std::chars_format::scientific, 16);
        int exponent = std::atoi(std::strchr(text, 'e') + 1);
        int digits = exponent + decimals + 1;  // significant digits down to 10^-decimals
        if (digits < 1) {
            double step = std::pow(10.0, -decimals);  // |value| < step: 0 or one step
            return std::round(value / step) * step;
        }
        printDouble(text, value, std::chars_format::scientific, digits - 1);
        return std::strtod(text, nullptr);
    }
    char text[512];  // decimals <= 16 + 324 for the smallest double, and |value| < 1e17 here
    printDouble(text, value, std::chars_format::fixed, decimals);
    return std::strtod(text, nullptr);
}

// The largest magnitude among a point's finite components; 0 when there is none.
double largestComponent(const hostsim::QValue& point) {
    double largest = 0.0;
    for (const hostsim::QValue& item : point.items)
        if (std::isfinite(item.number())) largest = std::fmax(largest, std::fabs(item.number()));
    return largest;
}

// A point's components share one absolute precision, that of its largest component, so the
// rounding noise of a rotation (6.1e-17 beside 1.0) prints as 0.0 and not as digits of noise.
// Decimal places are one absolute precision already.
std::string formatPoint(const hostsim::QValue& point) {
    double largest = largestComponent(point);
    int decimals = largest > 0.0 ? precisionSetting.count - 1 - printedExponent(largest) : 0;
    bool rounded = !precisionSetting.decimalPlaces;
    std::string text = "(";
    for (std::size_t i = 0; i < point.items.size(); ++i) {
        const hostsim::QValue& item = point.items[i];
        if (i > 0) text += " ";
        if (item.kind == hostsim::QValue::Kind::Int) {
            text += std::to_string(item.intValue);  // exact, and printed as an integer always is
        } else {
            bool finite = std::isfinite(item.realValue);
            text += formatReal(finite && rounded ? roundToDecimals(item.realValue, decimals)
                                                 : item.realValue);
        }
    }
    return text + ")";
}

// A text as the reader reads it back. No control character goes out raw: an escape sequence in
// a drawing's text or a typed line must show, not act on the terminal.
std::string formatText(const std::string& value) {
    std::string quoted = "\"";
    for (char c : value) {
        unsigned char code = static_cast<unsigned char>(c);
        switch (c) {
            case '"': quoted += "\\\""; break;
            case '\\': quoted += "\\\\"; break;
            case '\n': quoted += "\\n"; break;
            case '\t': quoted += "\\t"; break;
            case '\r': quoted += "\\r"; break;
            case '\x1b': quoted += "\\e"; break;
            default:
                if (code < 0x20 || code == 0x7F) {
                    char octal[8];
                    std::snprintf(octal, sizeof octal, "\\%03o", code);
                    quoted += octal;
                } else {
                    quoted += c;
                }
                break;
        }
    }
    return quoted + "\"";
}

std::string formatObjectName(const hostsim::QValue& value) {
    return "<Object name: " + std::to_string(value.name[0]) + "," + std::to_string(value.name[1]) +
           ">";
}

}  // namespace

namespace hostsim {

bool parsePrintPrecision(const std::string& text, PrintPrecision& precision) {
    bool places = !text.empty() && text[0] == '.';
    const char* digits = text.c_str() + (places ? 1 : 0);
    if (!std::isdigit(static_cast<unsigned char>(*digits))) return false;  // no sign, no blank
    char* end = nullptr;
    long count = std::strtol(digits, &end, 10);
    if (*end != '\0' || count < 1 || count > maxPrecision) return false;
    precision = {static_cast<int>(count), places};
    return true;
}

std::string printPrecisionText(PrintPrecision precision) {
    return (precision.decimalPlaces ? "." : "") + std::to_string(precision.count);
}

void setPrintPrecision(PrintPrecision precision) { precisionSetting = precision; }

bool setPrintPrecision(int significantDigits) {
    if (significantDigits < 1 || significantDigits > maxPrecision) return false;
    precisionSetting = {significantDigits, false};
    return true;
}

PrintPrecision printPrecision() { return precisionSetting; }

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
    if (value.isPoint()) return formatPoint(value);
    std::string text = "(";
    for (std::size_t i = 0; i < value.items.size(); ++i) {
        if (i > 0) text += " ";
        text += formatValue(value.items[i]);
    }
    return text + ")";
}

}  // namespace hostsim
