// hostsim/hostsim.h - the stand-in host's own face: state, values and hooks for the host program and tests.
//
// The module sees the host only through the kvs_* routines of host/kvs.h, which this library
// defines. What is declared here is for the host program itself (command line, Quillet, drawing)
// and for tests: Quillet values, the symbol table, system variables, the user coordinate system,
// the lists handed to the module, and the output channel.
#ifndef VECTRIN_HOSTSIM_HOSTSIM_H
#define VECTRIN_HOSTSIM_HOSTSIM_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "host/kvs.h"

namespace hostsim {

using Point = std::array<double, 3>;

// ---- output (output.cpp) ----
// Everything the host and the module print goes through one channel: standard output, or a
// buffer while capture is on.
void captureOutput(bool on);
std::string takeOutput();  // what was captured since the last call; clears it
void printText(const std::string& text);

// ---- Quillet values (qvalue.cpp) ----
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
    bool isPoint() const;  // a list of two or three numbers
    Point coordinates() const;  // of a point; z is 0 for two numbers
};

bool operator==(const QValue& a, const QValue& b);
inline bool operator!=(const QValue& a, const QValue& b) { return !(a == b); }

// Builds a host list (released with kvs_relrb) holding v: an integer as 5003 when it fits 16
// bits, else 5010; a real 5001; a point 5009, or 5002 for two numbers; a text 5005; an object
// name 5006; nil inside a list 5019. Nil gives an empty list (NULL). Returns false, with *list
// NULL, for a value that has no record form: a symbol, or a list nested in a list that is not a
// point.
bool valueToList(const QValue& v, ResultBuffer** list);
// Reads a record list from the module: one record gives that value, several give a list. Returns
// false for an unknown type, a text record without text, or a list that does not end.
bool listToValue(const ResultBuffer* list, QValue& out);

// ---- lists and texts handed to the module (memory.cpp) ----
// Every list the host hands out comes from allocateList and stays counted until kvs_relrb gives
// it back; every text from allocateText until korv_free.
ResultBuffer* allocateList(std::size_t recordCount);  // zeroed, linked; NULL for 0 records
char* attachText(ResultBuffer* list, const std::string& text);  // freed with the list
char* allocateText(const std::string& text);
std::size_t outstandingLists();
std::size_t outstandingTexts();
void releaseAllLists();  // between module calls only: frees every list and text still out

// ---- Quillet symbols (symbols.cpp) ----
// Names are case-insensitive and kept upper case; a symbol set to nil has no value.
void setSymbol(const std::string& name, const QValue& value);
QValue getSymbol(const std::string& name);
void clearSymbols();
std::string upperName(const std::string& name);  // upper case for code page 1252

// ---- system variables (sysvars.cpp) ----
// The host's setters take the same types as kvs_setvar. The read-only variables (UCSORG, UCSXDIR,
// UCSYDIR, VIEWDIR) follow the user coordinate system and cannot be set by anyone.
bool setSysvarReal(const std::string& name, double value);
bool setSysvarInt(const std::string& name, int32_t value);
bool setSysvarPoint(const std::string& name, const Point& value);
bool setSysvarText(const std::string& name, const std::string& value);
bool getSysvar(const std::string& name, QValue& out);  // false for an unknown name
int setSysvar(const std::string& name, const QValue& value);  // as kvs_setvar: a status
void resetSysvars();

// ---- user coordinate system (transforms.cpp) ----
struct Ucs {
    Point origin;
    Point xAxis, yAxis, zAxis;  // orthonormal, right-handed, in world coordinates
};
const Ucs& currentUcs();
bool setUcsByPoints(const Point& origin, const Point& pointOnX, const Point& pointInXY);
void setWorldUcs();
Point ucsToWorld(const Point& p, bool displacement);
Point worldToUcs(const Point& p, bool displacement);

// ---- units (units.cpp) ----
// Loads the unit database on first use; false when it cannot be read.
bool unitsAvailable();

// Restores every default: system variables, symbols, world UCS; frees lists and texts still out.
void resetHostState();

}  // namespace hostsim

#endif
