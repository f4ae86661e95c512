// functions/handlers.h - the built-in function handlers and the argument helpers they share.
#ifndef VECTRIN_FUNCTIONS_HANDLERS_H
#define VECTRIN_FUNCTIONS_HANDLERS_H

#include "functions/functions.h"
#include "geometry/geometry.h"
#include "messages/messageNumbers.h"

// ---- argument checks and results (functions/arguments.cpp) ----
// True when the call's arguments match form, one letter per argument: 'v' a Vector, 'n' a
// Real or an Integer. The count must match too.
bool matchesForm(const char* form);
// True when every argument of the call is a Vector.
bool allArgumentsVectors();
// The one-argument check: false, with error 4 or (wantVector ? 11 : 12) naming displayName,
// unless there is exactly one argument of the wanted kind. Also false when an error is set.
bool checkOneArgument(const char* displayName, bool wantVector);

inline Point3 pointArgument(int i) {
    const Value& v = callFrame.args[i];
    return {v.x, v.y, v.z};
}
inline double numberArgument(int i) { return callFrame.args[i].num; }
inline void returnVector(const Point3& p) { callFrame.result = makeVector(p.x, p.y, p.z); }
inline void returnReal(double num) { callFrame.result = makeReal(num); }
inline void returnInteger(double num) { callFrame.result = makeInteger(num); }

// ---- scalar functions (functions/scalar.cpp) ----
void sinFunction();
void cosFunction();
void tangFunction();
void asinFunction();
void acosFunction();
void atanFunction();
void absFunction();
void lnFunction();
void logFunction();
void expFunction();
void exp10Function();
void sqrFunction();
void sqrtFunction();
void r2dFunction();
void d2rFunction();
void roundFunction();
void truncFunction();
void maxFunction();

// ---- coordinates and conversions (functions/coordinates.cpp) ----
void xofFunction();
void yofFunction();
void zofFunction();
void rxofFunction();
void ryofFunction();
void rzofFunction();
void xyofFunction();
void yzofFunction();
void xzofFunction();
void u2wFunction();
void w2uFunction();

// ---- vector and geometric functions (functions/vector.cpp) ----
void angFunction();
void illFunction();
void ilpFunction();
void dplFunction();
void dppFunction();
void pltFunction();
void pldFunction();
void distFunction();
void vecFunction();
void vec1Function();
void rotFunction();

// NOR: normalOfArguments does the argument forms NOR(v), NOR(p1,p2) and NOR(p1,p2,p3);
// norFunction (functions/normal.cpp) adds the form without arguments, which picks an object.
void normalOfArguments();
void norFunction();

// ---- functions that pick from the drawing (functions/picks.cpp) ----
void endFunction();
void midFunction();
void cenFunction();
void intFunction();
void neaFunction();
void nodFunction();
void quaFunction();
void perFunction();
void tanFunction();
void insFunction();
void curFunction();
void radFunction();

// ---- point-pick shortcuts (functions/shortcuts.cpp) ----
void meeFunction();
void deeFunction();
void neeFunction();
void veeFunction();
void vee1Function();
void plteeFunction();
void pldeeFunction();
void illeFunction();

#endif
