// hostsim/quillet/quillet.h - the host's Lisp, as far as the calculator needs it: values, the
// reader, the evaluator, the symbol table and the printer.
//
// Offers: QValue (values.cpp); readQuillet (reader.cpp); evaluateQuillet and connectQuillet
// (evaluator.cpp); the symbol table (symbols.cpp); formatValue and setPrintPrecision
// (printer.cpp). Needs: hostsim/base only. What the language reaches outside itself (system
// variables, the functions a module defined) it asks of the QuilletHost the shell connects.
#ifndef VECTRIN_HOSTSIM_QUILLET_QUILLET_H
#define VECTRIN_HOSTSIM_QUILLET_QUILLET_H

#include <cstdint>
#include <string>
#include <vector>

#include "hostsim/base/base.h"

namespace hostsim {

// ---- values (values.cpp) ----
// A value as the Quillet interpreter holds it. A point is not a kind of its own: as in Quillet it
// is a list of two or three numbers. An empty list is nil.
struct QValue {
    enum class Kind { Nil, Int, Real, Text, Symbol, Name, List };

    Kind kind = Kind::Nil;
    int32_t intValue = 0;
    double realValue = 0.0;
    std::string text;  // a Text's characters, or a Symbol's upper-case name
    int64_t name[2] = {0, 0};
    std::vector<QValue> items;

    static QValue nil() { return QValue(); }
    static QValue integer(int32_t value);
    static QValue real(double value);
    static QValue textValue(const std::string& value);
    static QValue symbol(const std::string& symbolName);  // kept upper case
    static QValue objectName(int64_t first, int64_t second);
    static QValue list(std::vector<QValue> elements);  // an empty list is nil
    static QValue point(double x, double y, double z);
    static QValue point2(double x, double y);

    bool isNil() const { return kind == Kind::Nil; }
    bool isNumber() const { return kind == Kind::Int || kind == Kind::Real; }
    double number() const { return kind == Kind::Int ? intValue : realValue; }
    bool isPoint() const;       // a list of two or three numbers
    Point coordinates() const;  // of a point; z is 0 for two numbers
};

bool operator==(const QValue& a, const QValue& b);
inline bool operator!=(const QValue& a, const QValue& b) { return !(a == b); }

// ---- symbols (symbols.cpp) ----
// Names are case-insensitive and kept upper case; a symbol set to nil has no value. T and NIL are
// constants: T's value is T, NIL's is nil, and setSymbol refuses both (false).
bool isConstantSymbol(const std::string& name);
bool setSymbol(const std::string& name, const QValue& value);
QValue getSymbol(const std::string& name);
void clearSymbols();
std::vector<std::string> symbolNames();  // every symbol with a value, sorted

// ---- reading and evaluating (reader.cpp, evaluator.cpp) ----
constexpr int maxQuilletDepth = 200;  // nesting of lists read and of forms evaluated
// Reads the next expression of text from pos on. Returns false at the end of text (error empty)
// or on malformed text (error set, pos unspecified).
bool readQuillet(const std::string& text, std::size_t& pos, QValue& out, std::string& error);
// Evaluates one form read by readQuillet. False with a one-line message in error.
bool evaluateQuillet(const QValue& form, QValue& out, std::string& error);

// What the evaluator asks of the host around it. Until connectQuillet is called, GETVAR gives
// nil, SETVAR fails and only the interpreter's own functions are defined.
struct QuilletHost {
    bool (*getVariable)(const std::string& name, QValue& out);          // false: unknown name
    bool (*setVariable)(const std::string& name, const QValue& value);  // false: refused
    const char* (*variableBound)(const std::string& name);  // what a refusal says; or nullptr
    bool (*isFunctionDefined)(const std::string& name);     // a module's function
    // Calls a module's function; false with a one-line message in error.
    bool (*invokeFunction)(const std::string& name, const std::vector<QValue>& arguments,
                           QValue& result, std::string& error);
};
void connectQuillet(const QuilletHost& host);

// ---- printing (printer.cpp) ----
// How a real prints: with a number of significant digits (15 at start), or with a number of
// decimal places, as CAD users set it. Written "6" and ".4" (PRECISION and --precision).
struct PrintPrecision {
    int count = 15;  // 1 to 17, digits or places
    bool decimalPlaces = false;
};
// "N" (1 to 17 significant digits) or ".N" (1 to 17 decimal places); false for anything else.
// No places at all is not offered: a real must still print as a real, 4.0 and never 4.
bool parsePrintPrecision(const std::string& text, PrintPrecision& precision);
std::string printPrecisionText(PrintPrecision precision);  // "6" or ".4", as parsed
// With significant digits, a point's components are rounded to the absolute precision those
// digits give its largest component; with decimal places, every real is rounded to them. A zero
// never shows a minus sign.
void setPrintPrecision(PrintPrecision precision);
bool setPrintPrecision(int significantDigits);  // 1 to 17, else false and unchanged
PrintPrecision printPrecision();
std::string formatValue(const QValue& value);

}  // namespace hostsim

#endif
