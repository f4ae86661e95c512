// functions/handlers.h - the built-in function handlers and the helpers they share.
#ifndef VECTRIN_FUNCTIONS_HANDLERS_H
#define VECTRIN_FUNCTIONS_HANDLERS_H

#include "engine/functionTable.h"
#include "geometry/geometry.h"
#include "messages/messageNumbers.h"

// ---- the arguments and the result; a handler runs only once its arguments fit its form ----
inline Point3 pointArgument(int i) {
    const Value& v = callFrame.args[i];
    return {v.x, v.y, v.z};
}
inline double numberArgument(int i) { return callFrame.args[i].num; }
inline void returnVector(const Point3& p) { callFrame.result = makeVector(p.x, p.y, p.z); }
inline void returnReal(double num) { callFrame.result = makeReal(num); }
inline void returnInteger(double num) { callFrame.result = makeInteger(num); }

// ---- the handler of every row of functions/functionList.h, each in the file of its kind:
// functions/scalar.cpp (numbers), coordinates.cpp, vector.cpp (geometry), normal.cpp (NOR),
// picks.cpp (snaps, CUR, RAD) and shortcuts.cpp (from picked end points) ----
#define CALCULATOR_FUNCTION(name, handler, ...) void handler();
#include "functions/functionList.h"
#undef CALCULATOR_FUNCTION

// NOR's forms with arguments (functions/vector.cpp); norFunction (functions/normal.cpp) adds the
// form without arguments, which picks an object.
void normalOfArguments();

#endif
