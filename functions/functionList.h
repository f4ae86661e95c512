// functions/functionList.h - every function of the calculator, one row each, in the order the
// module registers them. The module and the host's help both read this list, each taking its own
// columns, so a new function is a new row here and its handler in the file of its kind.
//
// No include guard: an includer defines CALCULATOR_FUNCTION to take the columns it needs, includes
// this file, and undefines it. The columns:
//   name      the function's name, upper case
//   handler   its handler (declared in functions/handlers.h from this list)
//   accepts   its ArgumentForm (engine/functionTable.h), checked before the handler runs
//   group     its group in HELP (hostsim/help/reference.cpp)
//   gives     what its result is: a number, a point, or a vector (a direction, not a place)
//   forms     the ways to call it, "  " between them
//   arguments what each argument is, one a line
//   returns   what it gives
//   example   an expression that works on the demo drawing
//   answers   the example's answers to pick prompts, ';' between them; "" for none
//   result    what the example prints
// The module takes name, handler and accepts only, so no help text reaches vectrin.so (every text
// the module shows comes from its catalogue); the host takes every column but handler and accepts.
// What follows from the list: HELP, FUNCTIONS and Tab completion; the expression fuzzer's
// dictionary (fuzz/runFuzzers.sh reads the name that starts each row). What is checked against
// it, each failure saying what to write where: the README's list of named functions
// (tests/functions/functionListTests.cpp), docs/functions.md (the test help.referenceDocument),
// and every example, run on the demo drawing (tests/functions/referenceTests.cpp).
//
// The order is part of the module's behaviour: registration stops at the first failure, so the
// order decides which names are in when one fails (error 44 at the 200-entry limit, 60 for a name
// taken twice) and which name the failure quotes. A new function goes after CUR, so that every
// row keeps its place; MAX stays the last row (functions/builtins.cpp registers it apart).
// A table: a row to a function, a line to a column.
// clang-format off
CALCULATOR_FUNCTION("END", endFunction, noArguments("_END"), picks, point,
    "END",
    "none: asks for an object",
    "its end point nearest the pick",
    "END", "3,0.1", "(0.0 0.0 0.0)")
CALCULATOR_FUNCTION("MID", midFunction, noArguments("_MID"), picks, point,
    "MID",
    "none: asks for an object",
    "the midpoint of the line or arc picked",
    "MID", "15,0", "(10.0 0.0 0.0)")
CALCULATOR_FUNCTION("CEN", cenFunction, noArguments("_CEN"), picks, point,
    "CEN",
    "none: asks for a circle or an arc",
    "its centre",
    "CEN", "35,10", "(30.0 10.0 0.0)")
CALCULATOR_FUNCTION("INT", intFunction, noArguments("_INT"), picks, point,
    "INT",
    "none: asks for a crossing of two objects",
    "the intersection nearest the pick",
    "INT", "0.5,0.5", "(0.0 0.0 0.0)")
CALCULATOR_FUNCTION("NEA", neaFunction, noArguments("_NEA"), picks, point,
    "NEA",
    "none: asks for an object",
    "the point of the object nearest the pick",
    "NEA", "12,0.5", "(12.0 0.0 0.0)")
CALCULATOR_FUNCTION("NOD", nodFunction, noArguments("_NOD"), picks, point,
    "NOD",
    "none: asks for a POINT object",
    "its position",
    "NOD", "60,0.5", "(60.0 0.0 0.0)")
CALCULATOR_FUNCTION("QUA", quaFunction, noArguments("_QUA"), picks, point,
    "QUA",
    "none: asks for a circle or an arc",
    "the quadrant point (0, 90, 180 or 270 degrees) nearest the pick",
    "QUA", "33,14", "(30.0 15.0 0.0)")
CALCULATOR_FUNCTION("PER", perFunction, noArguments("_PER"), picks, point,
    "PER",
    "none: asks for an object",
    "the foot of the perpendicular from the last point (LASTPOINT) to it",
    "PER", "5,30", "(0.0 30.0 0.0)")
CALCULATOR_FUNCTION("TAN", tanFunction, noArguments("_TAN"), picks, point,
    "TAN",
    "none: asks for a circle or an arc",
    "the point where a line from the last point picked (LASTPOINT) touches it",
    "DIST(CUR,TAN)", "35,15;31,14.9", "5.0")
CALCULATOR_FUNCTION("INS", insFunction, noArguments("_INS"), picks, point,
    "INS",
    "none: asks for a block reference or a text",
    "its insertion point",
    "INS", "14,55", "(10.0 55.0 0.0)")
CALCULATOR_FUNCTION("ANG", angFunction,
    usage("v|vv|vvv|vvvv", "ANG(v), ANG(p1,p2), ANG(apex,p1,p2), ANG(apex,p1,p2,p)"), geometry, number,
    "ANG(v)  ANG(p1,p2)  ANG(apex,p1,p2)  ANG(apex,p1,p2,p)",
    "v: a vector; its angle from the X axis in the XY plane\n"
    "p1, p2: points; the angle of the line from p1 to p2 in the XY plane\n"
    "apex: the vertex of the angle from p1 to p2\n"
    "p: a point off the plane (apex,p1,p2); the angle is counter-clockwise seen from its side",
    "an angle in degrees, 0 up to 360",
    "ANG([0,0,0],[1,0,0],[0,1,0])", "", "90.0")
CALCULATOR_FUNCTION("RAD", radFunction, noArguments(), picks, number,
    "RAD",
    "none: asks for a circle, an arc or a polyline arc segment",
    "its radius, a real",
    "RAD", "35,10", "5.0")
CALCULATOR_FUNCTION("NOR", norFunction,
    usage("|v|vv|vvv", "NOR, NOR(v), NOR(p1,p2), NOR(p1,p2,p3)"), geometry, vector,
    "NOR  NOR(v)  NOR(p1,p2)  NOR(p1,p2,p3)",
    "none: asks for a circle, an arc or a polyline and gives its normal\n"
    "v: a vector; the result is perpendicular to it in the XY plane\n"
    "p1, p2: a line in the XY plane\n"
    "p1, p2, p3: a plane",
    "a vector of length 1",
    "NOR([0,0,0],[1,0,0],[0,1,0])", "", "(0.0 0.0 1.0)")
CALCULATOR_FUNCTION("SIN", sinFunction, oneNumber(), scalar, number,
    "SIN(angle)",
    "angle: in degrees",
    "the sine, a real",
    "SIN(30)", "", "0.5")
CALCULATOR_FUNCTION("COS", cosFunction, oneNumber(), scalar, number,
    "COS(angle)",
    "angle: in degrees",
    "the cosine, a real",
    "COS(60)", "", "0.5")
CALCULATOR_FUNCTION("TANG", tangFunction, oneNumber(), scalar, number,
    "TANG(angle)",
    "angle: in degrees, not 90+k*180",
    "the tangent, a real",
    "TANG(45)", "", "1.0")
CALCULATOR_FUNCTION("ASIN", asinFunction, oneNumber(), scalar, number,
    "ASIN(x)",
    "x: from -1 to 1 (up to 1.1 away counts as 1)",
    "the arc sine in degrees",
    "ASIN(0.5)", "", "30.0")
CALCULATOR_FUNCTION("ACOS", acosFunction, oneNumber(), scalar, number,
    "ACOS(x)",
    "x: from -1 to 1 (up to 1.1 away counts as 1)",
    "the arc cosine in degrees",
    "ACOS(-1)", "", "180.0")
CALCULATOR_FUNCTION("ATAN", atanFunction, oneNumber(), scalar, number,
    "ATAN(x)",
    "x: a number",
    "the arc tangent in degrees, -90 to 90",
    "ATAN(1)", "", "45.0")
CALCULATOR_FUNCTION("ABS", absFunction, oneNumberOrVector(), scalar, number,
    "ABS(x)  ABS(v)",
    "x: a number\n"
    "v: a vector",
    "the absolute value of x, or the length of v, a real",
    "ABS([3,4,0])", "", "5.0")
CALCULATOR_FUNCTION("LN", lnFunction, oneNumber(), scalar, number,
    "LN(x)",
    "x: a positive number",
    "the natural logarithm",
    "LN(1)", "", "0.0")
CALCULATOR_FUNCTION("LOG", logFunction, oneNumber(), scalar, number,
    "LOG(x)",
    "x: a positive number",
    "the base-10 logarithm",
    "LOG(1000)", "", "3.0")
CALCULATOR_FUNCTION("EXP", expFunction, oneNumber(), scalar, number,
    "EXP(x)",
    "x: a number",
    "e to the power x",
    "EXP(0)", "", "1.0")
CALCULATOR_FUNCTION("EXP10", exp10Function, oneNumber(), scalar, number,
    "EXP10(x)",
    "x: a number",
    "10 to the power x",
    "EXP10(3)", "", "1000.0")
CALCULATOR_FUNCTION("SQR", sqrFunction, oneNumber(), scalar, number,
    "SQR(x)",
    "x: a number",
    "x times x",
    "SQR(1.5)", "", "2.25")
CALCULATOR_FUNCTION("SQRT", sqrtFunction, oneNumber(), scalar, number,
    "SQRT(x)",
    "x: a number, not negative",
    "the square root",
    "SQRT(2.25)", "", "1.5")
CALCULATOR_FUNCTION("XOF", xofFunction, oneNumberOrVector("Xof"), coordinates, point,
    "XOF(p)  XOF(s)",
    "p: a point\n"
    "s: a number",
    "the point (x,0,0) of p, or (s,0,0)",
    "XOF([1,2,3])", "", "(1.0 0.0 0.0)")
CALCULATOR_FUNCTION("YOF", yofFunction, oneNumberOrVector("Yof"), coordinates, point,
    "YOF(p)  YOF(s)",
    "p: a point\n"
    "s: a number",
    "the point (0,y,0) of p, or (0,s,0)",
    "YOF([1,2,3])", "", "(0.0 2.0 0.0)")
CALCULATOR_FUNCTION("ZOF", zofFunction, oneNumberOrVector("Zof"), coordinates, point,
    "ZOF(p)  ZOF(s)",
    "p: a point\n"
    "s: a number",
    "the point (0,0,z) of p, or (0,0,s)",
    "ZOF(2.5)", "", "(0.0 0.0 2.5)")
CALCULATOR_FUNCTION("RXOF", rxofFunction, oneVector("rXof"), coordinates, number,
    "RXOF(p)",
    "p: a point",
    "its x coordinate, a real",
    "RXOF([1,2,3])", "", "1.0")
CALCULATOR_FUNCTION("RYOF", ryofFunction, oneVector("rYof"), coordinates, number,
    "RYOF(p)",
    "p: a point",
    "its y coordinate, a real",
    "RYOF([1,2,3])", "", "2.0")
CALCULATOR_FUNCTION("RZOF", rzofFunction, oneVector("rZof"), coordinates, number,
    "RZOF(p)",
    "p: a point",
    "its z coordinate, a real",
    "RZOF([1,2,3])", "", "3.0")
CALCULATOR_FUNCTION("XYOF", xyofFunction, oneVector("XYof"), coordinates, point,
    "XYOF(p)",
    "p: a point",
    "the point (x,y,0) of p",
    "XYOF([1,2,3])", "", "(1.0 2.0 0.0)")
CALCULATOR_FUNCTION("YZOF", yzofFunction, oneVector("YZof"), coordinates, point,
    "YZOF(p)",
    "p: a point",
    "the point (0,y,z) of p",
    "YZOF([1,2,3])", "", "(0.0 2.0 3.0)")
CALCULATOR_FUNCTION("XZOF", xzofFunction, oneVector("XZof"), coordinates, point,
    "XZOF(p)",
    "p: a point",
    "the point (x,0,z) of p",
    "XZOF([1,2,3])", "", "(1.0 0.0 3.0)")
CALCULATOR_FUNCTION("R2D", r2dFunction, oneNumber(), scalar, number,
    "R2D(radians)",
    "radians: an angle in radians",
    "the angle in degrees",
    "R2D(0.5)", "", "28.6478897565412")
CALCULATOR_FUNCTION("D2R", d2rFunction, oneNumber(), scalar, number,
    "D2R(degrees)",
    "degrees: an angle in degrees",
    "the angle in radians",
    "D2R(180)", "", "3.14159265358979")
CALCULATOR_FUNCTION("ROUND", roundFunction, oneNumber(), scalar, number,
    "ROUND(x)",
    "x: a number; halves round up",
    "the nearest integer (-32768 to 32767)",
    "ROUND(2.5)", "", "3")
CALCULATOR_FUNCTION("TRUNC", truncFunction, oneNumber(), scalar, number,
    "TRUNC(x)",
    "x: a number from -32768 to 32767",
    "the integer part, cut towards zero",
    "TRUNC(-2.7)", "", "-2")
CALCULATOR_FUNCTION("U2W", u2wFunction, oneVector(), coordinates, point,
    "U2W(p)",
    "p: a point in the current user coordinate system",
    "the same point in world coordinates",
    "U2W([1,2,3])", "", "(1.0 2.0 3.0)")
CALCULATOR_FUNCTION("W2U", w2uFunction, oneVector(), coordinates, point,
    "W2U(p)",
    "p: a point in world coordinates",
    "the same point in the current user coordinate system",
    "W2U([1,2,3])", "", "(1.0 2.0 3.0)")
CALCULATOR_FUNCTION("ILL", illFunction, usage("vvvv", "ILL(p1,p2,p3,p4)"), geometry, point,
    "ILL(p1,p2,p3,p4)",
    "p1, p2: two points of the first line\n"
    "p3, p4: two points of the second line",
    "the point where the two lines meet",
    "ILL([0,0,0],[2,2,0],[0,2,0],[2,0,0])", "", "(1.0 1.0 0.0)")
CALCULATOR_FUNCTION("ILP", ilpFunction, usage("vvvvv", "ILP(p1,p2,p3,p4,p5)"), geometry, point,
    "ILP(p1,p2,p3,p4,p5)",
    "p1, p2: two points of the line\n"
    "p3, p4, p5: three points of the plane",
    "the point where the line meets the plane",
    "ILP([1,1,5],[1,1,4],[0,0,0],[1,0,0],[0,1,0])", "", "(1.0 1.0 0.0)")
CALCULATOR_FUNCTION("DPL", dplFunction, usage("vvv", "DPL(p,p1,p2)"), geometry, number,
    "DPL(p,p1,p2)",
    "p: a point\n"
    "p1, p2: two points of the line",
    "the distance from p to the line, a real",
    "DPL([0,5,0],[0,0,0],[1,0,0])", "", "5.0")
CALCULATOR_FUNCTION("DPP", dppFunction, usage("vvvv", "DPP(p,p1,p2,p3)"), geometry, number,
    "DPP(p,p1,p2,p3)",
    "p: a point\n"
    "p1, p2, p3: three points of the plane",
    "the distance from p to the plane, a real",
    "DPP([0,0,5],[0,0,0],[1,0,0],[0,1,0])", "", "5.0")
CALCULATOR_FUNCTION("PLT", pltFunction, usage("vvn", "PLT(p1,p2,t)"), geometry, point,
    "PLT(p1,p2,t)",
    "p1, p2: two points\n"
    "t: a number; 0 gives p1, 1 gives p2, others lie along the line",
    "the point (1-t)*p1 + t*p2",
    "PLT([0,0,0],[10,0,0],0.25)", "", "(2.5 0.0 0.0)")
CALCULATOR_FUNCTION("PLD", pldFunction, usage("vvn", "PLD(p1,p2,dist)"), geometry, point,
    "PLD(p1,p2,dist)",
    "p1, p2: two points, not the same\n"
    "dist: how far from p1 towards p2 (negative: away)",
    "the point at that distance",
    "PLD([0,0,0],[10,0,0],3)", "", "(3.0 0.0 0.0)")
CALCULATOR_FUNCTION("MEE", meeFunction, noArguments(), shortcuts, point,
    "MEE",
    "none: asks for two end points",
    "the midpoint between them",
    "MEE", "19,0.1;0.1,19", "(10.0 10.0 0.0)")
CALCULATOR_FUNCTION("DEE", deeFunction, noArguments(), shortcuts, number,
    "DEE",
    "none: asks for two end points",
    "their distance, a real",
    "DEE", "1,0.1;19,0.1", "20.0")
CALCULATOR_FUNCTION("NEE", neeFunction, noArguments(), shortcuts, vector,
    "NEE",
    "none: asks for two end points",
    "the unit normal in the XY plane: the direction from the first to the second turned 90 "
    "degrees counter-clockwise",
    "NEE", "0.1,19;0.1,1", "(1.0 0.0 0.0)")
CALCULATOR_FUNCTION("VEE", veeFunction, noArguments(), shortcuts, vector,
    "VEE",
    "none: asks for two end points",
    "the vector from the first to the second",
    "VEE", "1,0.1;19,0.1", "(20.0 0.0 0.0)")
CALCULATOR_FUNCTION("VEE1", vee1Function, noArguments(), shortcuts, vector,
    "VEE1",
    "none: asks for two end points",
    "the vector from the first to the second, made 1 long",
    "VEE1", "0.1,1;0.1,19", "(0.0 1.0 0.0)")
CALCULATOR_FUNCTION("PLTEE", plteeFunction, usage("n", "PLTEE(t)"), shortcuts, point,
    "PLTEE(t)",
    "t: a number; 0 gives the first end point, 1 the second\n"
    "then asks for two end points",
    "the point (1-t)*first + t*second",
    "PLTEE(0.25)", "1,0.1;19,0.1", "(5.0 0.0 0.0)")
CALCULATOR_FUNCTION("PLDEE", pldeeFunction, usage("n", "PLDEE(dist)"), shortcuts, point,
    "PLDEE(dist)",
    "dist: how far from the first end point towards the second\n"
    "then asks for two end points",
    "the point at that distance",
    "PLDEE(3)", "1,0.1;19,0.1", "(3.0 0.0 0.0)")
CALCULATOR_FUNCTION("ILLE", illeFunction, noArguments(), shortcuts, point,
    "ILLE",
    "none: asks for two end points of the first line, then two of the second",
    "the point where the two lines meet",
    "ILLE", "1,0.1;19,0.1;0.1,19;19.9,30.1", "(-40.0 0.0 0.0)")
CALCULATOR_FUNCTION("DIST", distFunction, usage("vv", "DIST(p1,p2)"), geometry, number,
    "DIST(p1,p2)",
    "p1, p2: two points",
    "their distance, a real",
    "DIST([0,0,0],[3,4,0])", "", "5.0")
CALCULATOR_FUNCTION("VEC", vecFunction, usage("vv", "VEC(FromPt,ToPt)"), geometry, vector,
    "VEC(p1,p2)",
    "p1: where the vector starts\n"
    "p2: where it ends",
    "the vector p2-p1",
    "VEC([1,1,1],[2,3,4])", "", "(1.0 2.0 3.0)")
CALCULATOR_FUNCTION("VEC1", vec1Function, usage("vv", "VEC1(FromPt,ToPt)"), geometry, vector,
    "VEC1(p1,p2)",
    "p1: where the vector starts\n"
    "p2: where it ends",
    "the vector p2-p1 made 1 long",
    "VEC1([1,1,0],[1,5,0])", "", "(0.0 1.0 0.0)")
CALCULATOR_FUNCTION("ROT", rotFunction,
    usage("vvn|vvvn", "ROT(p,origin,angle) or ROT(p,p1ax,p2ax,angle)"), geometry, point,
    "ROT(p,origin,angle)  ROT(p,p1ax,p2ax,angle)",
    "p: the point to turn\n"
    "origin: the centre; the axis is parallel to Z\n"
    "p1ax, p2ax: the axis, directed from p1ax to p2ax\n"
    "angle: in degrees, counter-clockwise seen from p2ax (from above for the first form)",
    "the turned point",
    "ROT([3,1,5],[1,2,0],180)", "", "(-1.0 3.0 5.0)")
CALCULATOR_FUNCTION("CUR", curFunction, noArguments(), picks, point,
    "CUR",
    "none: asks for any point",
    "the point given",
    "CUR", "3,4", "(3.0 4.0 0.0)")
CALCULATOR_FUNCTION("MAX", maxFunction, checkedByHandler(), scalar, number,
    "MAX(x1,x2,...)",
    "x1, x2, ...: two to twenty numbers",
    "the largest; an integer when every argument is one",
    "MAX(1,2.5)", "", "2.5")
// clang-format on
