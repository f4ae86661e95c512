// hostsim/help/reference.cpp - the one table HELP, FUNCTIONS, completion and docs/functions.md
// read: the host's commands and the calculator's functions, each with an example.
#include "hostsim/help/help.h"

namespace {

using hostsim::CommandReference;
using hostsim::FunctionGroup;
using hostsim::FunctionReference;

// Every host command of the command line; tests/hostsim/shell checks the list against the
// commands the command line runs.
const std::vector<CommandReference> commands = {
    {"HELP",      "HELP [NAME | CAL]", "this list; HELP NAME explains one, HELP CAL the expressions"},
    {"?",         "? [NAME | CAL]",    "the same as HELP"},
    {"UCS",       "UCS",               "sets the UCS by three points in world coordinates, or W"},
    {"LIST",      "LIST",              "prints the records of a picked object"},
    {"LOAD",      "LOAD PATH",         "loads a module file"},
    {"UNLOAD",    "UNLOAD",            "unloads the module"},
    {"REDEFINE",  "REDEFINE",          "asks the module to define its names again"},
    {"FUNCTIONS", "FUNCTIONS",         "the names the module defined, then the calculator's functions"},
    {"LISTS",     "LISTS",             "how many record lists the module has not given back"},
    {"PRECISION", "PRECISION [N | .N]", "N significant digits or .N decimal places for printed reals"},
    {"SVG",       "SVG FILE",          "writes the view, with the results and picks marked, as an SVG file"},
    {"QUIT",      "QUIT",              "ends the session"},
    {"EXIT",      "EXIT",              "the same as QUIT"},
};

enum Group { scalar, coordinates, geometry, picks, shortcuts, hostValues };

// ORDER Group
const std::vector<FunctionGroup> groups = {
    {"Scalar",               "Functions of numbers; angles are in degrees"},
    {"Coordinates",          "Parts of points, and points between the user and world systems"},
    {"Geometry",             "Angles, normals, intersections, distances and points along lines"},
    {"Picks in the drawing", "Points and radii picked on the drawing with an object snap"},
    {"End-point shortcuts",  "Computed from end points picked on the drawing"},
    {"Values from the host", "Names of the expression language itself, not registered functions"},
};

// One row per function the module registers, then the keywords of the group hostValues that are
// written like functions; tests/functions/referenceTests.cpp checks the names against the
// module's table and runs every example on the demo drawing with its answers.
const std::vector<FunctionReference> functions = {
    // ---- scalar ----
    {"SIN", scalar, "SIN(angle)", "angle: in degrees", "the sine, a real", "SIN(30)", "", "0.5"},
    {"COS", scalar, "COS(angle)", "angle: in degrees", "the cosine, a real", "COS(60)", "", "0.5"},
    {"TANG", scalar, "TANG(angle)", "angle: in degrees, not 90+k*180", "the tangent, a real",
     "TANG(45)", "", "1.0"},
    {"ASIN", scalar, "ASIN(x)", "x: from -1 to 1 (up to 1.1 away counts as 1)",
     "the arc sine in degrees", "ASIN(0.5)", "", "30.0"},
    {"ACOS", scalar, "ACOS(x)", "x: from -1 to 1 (up to 1.1 away counts as 1)",
     "the arc cosine in degrees", "ACOS(-1)", "", "180.0"},
    {"ATAN", scalar, "ATAN(x)", "x: a number", "the arc tangent in degrees, -90 to 90", "ATAN(1)",
     "", "45.0"},
    {"ABS", scalar, "ABS(x)  ABS(v)", "x: a number\nv: a vector",
     "the absolute value of x, or the length of v, a real", "ABS([3,4,0])", "", "5.0"},
    {"LN", scalar, "LN(x)", "x: a positive number", "the natural logarithm", "LN(1)", "", "0.0"},
    {"LOG", scalar, "LOG(x)", "x: a positive number", "the base-10 logarithm", "LOG(1000)", "",
     "3.0"},
    {"EXP", scalar, "EXP(x)", "x: a number", "e to the power x", "EXP(0)", "", "1.0"},
    {"EXP10", scalar, "EXP10(x)", "x: a number", "10 to the power x", "EXP10(3)", "", "1000.0"},
    {"SQR", scalar, "SQR(x)", "x: a number", "x times x", "SQR(1.5)", "", "2.25"},
    {"SQRT", scalar, "SQRT(x)", "x: a number, not negative", "the square root", "SQRT(2.25)", "",
     "1.5"},
    {"R2D", scalar, "R2D(radians)", "radians: an angle in radians", "the angle in degrees",
     "R2D(0.5)", "", "28.6478897565412"},
    {"D2R", scalar, "D2R(degrees)", "degrees: an angle in degrees", "the angle in radians",
     "D2R(180)", "", "3.14159265358979"},
    {"ROUND", scalar, "ROUND(x)", "x: a number; halves round up",
     "the nearest integer (-32768 to 32767)", "ROUND(2.5)", "", "3"},
    {"TRUNC", scalar, "TRUNC(x)", "x: a number from -32768 to 32767",
     "the integer part, cut towards zero", "TRUNC(-2.7)", "", "-2"},
    {"MAX", scalar, "MAX(x1,x2,...)", "x1, x2, ...: two to twenty numbers",
     "the largest; an integer when every argument is one", "MAX(1,2.5)", "", "2.5"},
    // ---- coordinates ----
    {"XOF", coordinates, "XOF(p)  XOF(s)", "p: a point\ns: a number",
     "the point (x,0,0) of p, or (s,0,0)", "XOF([1,2,3])", "", "(1.0 0.0 0.0)"},
    {"YOF", coordinates, "YOF(p)  YOF(s)", "p: a point\ns: a number",
     "the point (0,y,0) of p, or (0,s,0)", "YOF([1,2,3])", "", "(0.0 2.0 0.0)"},
    {"ZOF", coordinates, "ZOF(p)  ZOF(s)", "p: a point\ns: a number",
     "the point (0,0,z) of p, or (0,0,s)", "ZOF(2.5)", "", "(0.0 0.0 2.5)"},
    {"RXOF", coordinates, "RXOF(p)", "p: a point", "its x coordinate, a real", "RXOF([1,2,3])", "",
     "1.0"},
    {"RYOF", coordinates, "RYOF(p)", "p: a point", "its y coordinate, a real", "RYOF([1,2,3])", "",
     "2.0"},
    {"RZOF", coordinates, "RZOF(p)", "p: a point", "its z coordinate, a real", "RZOF([1,2,3])", "",
     "3.0"},
    {"XYOF", coordinates, "XYOF(p)", "p: a point", "the point (x,y,0) of p", "XYOF([1,2,3])", "",
     "(1.0 2.0 0.0)"},
    {"YZOF", coordinates, "YZOF(p)", "p: a point", "the point (0,y,z) of p", "YZOF([1,2,3])", "",
     "(0.0 2.0 3.0)"},
    {"XZOF", coordinates, "XZOF(p)", "p: a point", "the point (x,0,z) of p", "XZOF([1,2,3])", "",
     "(1.0 0.0 3.0)"},
    {"U2W", coordinates, "U2W(p)", "p: a point in the current user coordinate system",
     "the same point in world coordinates", "U2W([1,2,3])", "", "(1.0 2.0 3.0)"},
    {"W2U", coordinates, "W2U(p)", "p: a point in world coordinates",
     "the same point in the current user coordinate system", "W2U([1,2,3])", "", "(1.0 2.0 3.0)"},
    // ---- geometry ----
    {"ANG", geometry, "ANG(v)  ANG(p1,p2)  ANG(apex,p1,p2)  ANG(apex,p1,p2,p)",
     "v: a vector; its angle from the X axis in the XY plane\n"
     "p1, p2: points; the angle of the line from p1 to p2 in the XY plane\n"
     "apex: the vertex of the angle from p1 to p2\n"
     "p: a point off the plane (apex,p1,p2); the angle is counter-clockwise seen from its side",
     "an angle in degrees, 0 up to 360", "ANG([0,0,0],[1,0,0],[0,1,0])", "", "90.0"},
    {"NOR", geometry, "NOR  NOR(v)  NOR(p1,p2)  NOR(p1,p2,p3)",
     "none: asks for a circle, an arc or a polyline and gives its normal\n"
     "v: a vector; the result is perpendicular to it in the XY plane\n"
     "p1, p2: a line in the XY plane\n"
     "p1, p2, p3: a plane",
     "a vector of length 1", "NOR([0,0,0],[1,0,0],[0,1,0])", "", "(0.0 0.0 1.0)"},
    {"ILL", geometry, "ILL(p1,p2,p3,p4)",
     "p1, p2: two points of the first line\np3, p4: two points of the second line",
     "the point where the two lines meet", "ILL([0,0,0],[2,2,0],[0,2,0],[2,0,0])", "",
     "(1.0 1.0 0.0)"},
    {"ILP", geometry, "ILP(p1,p2,p3,p4,p5)",
     "p1, p2: two points of the line\np3, p4, p5: three points of the plane",
     "the point where the line meets the plane", "ILP([1,1,5],[1,1,4],[0,0,0],[1,0,0],[0,1,0])",
     "", "(1.0 1.0 0.0)"},
    {"DPL", geometry, "DPL(p,p1,p2)", "p: a point\np1, p2: two points of the line",
     "the distance from p to the line, a real", "DPL([0,5,0],[0,0,0],[1,0,0])", "", "5.0"},
    {"DPP", geometry, "DPP(p,p1,p2,p3)", "p: a point\np1, p2, p3: three points of the plane",
     "the distance from p to the plane, a real", "DPP([0,0,5],[0,0,0],[1,0,0],[0,1,0])", "",
     "5.0"},
    {"PLT", geometry, "PLT(p1,p2,t)",
     "p1, p2: two points\nt: a number; 0 gives p1, 1 gives p2, others lie along the line",
     "the point (1-t)*p1 + t*p2", "PLT([0,0,0],[10,0,0],0.25)", "", "(2.5 0.0 0.0)"},
    {"PLD", geometry, "PLD(p1,p2,dist)",
     "p1, p2: two points, not the same\ndist: how far from p1 towards p2 (negative: away)",
     "the point at that distance", "PLD([0,0,0],[10,0,0],3)", "", "(3.0 0.0 0.0)"},
    {"DIST", geometry, "DIST(p1,p2)", "p1, p2: two points", "their distance, a real",
     "DIST([0,0,0],[3,4,0])", "", "5.0"},
    {"VEC", geometry, "VEC(p1,p2)", "p1: where the vector starts\np2: where it ends",
     "the vector p2-p1", "VEC([1,1,1],[2,3,4])", "", "(1.0 2.0 3.0)"},
    {"VEC1", geometry, "VEC1(p1,p2)", "p1: where the vector starts\np2: where it ends",
     "the vector p2-p1 made 1 long", "VEC1([1,1,0],[1,5,0])", "", "(0.0 1.0 0.0)"},
    {"ROT", geometry, "ROT(p,origin,angle)  ROT(p,p1ax,p2ax,angle)",
     "p: the point to turn\norigin: the centre; the axis is parallel to Z\n"
     "p1ax, p2ax: the axis, directed from p1ax to p2ax\n"
     "angle: in degrees, counter-clockwise seen from p2ax (from above for the first form)",
     "the turned point", "ROT([3,1,5],[1,2,0],180)", "", "(-1.0 3.0 5.0)"},
    // ---- picks ----
    {"END", picks, "END", "none: asks for an object", "its end point nearest the pick",
     "END", "3,0.1", "(0.0 0.0 0.0)"},
    {"MID", picks, "MID", "none: asks for an object", "the midpoint of the line or arc picked",
     "MID", "15,0", "(10.0 0.0 0.0)"},
    {"CEN", picks, "CEN", "none: asks for a circle or an arc", "its centre", "CEN", "35,10",
     "(30.0 10.0 0.0)"},
    {"INT", picks, "INT", "none: asks for a crossing of two objects",
     "the intersection nearest the pick", "INT", "0.5,0.5", "(0.0 0.0 0.0)"},
    {"NEA", picks, "NEA", "none: asks for an object", "the point of the object nearest the pick",
     "NEA", "12,0.5", "(12.0 0.0 0.0)"},
    {"NOD", picks, "NOD", "none: asks for a POINT object", "its position", "NOD", "60,0.5",
     "(60.0 0.0 0.0)"},
    {"QUA", picks, "QUA", "none: asks for a circle or an arc",
     "the quadrant point (0, 90, 180 or 270 degrees) nearest the pick", "QUA", "33,14",
     "(30.0 15.0 0.0)"},
    {"PER", picks, "PER", "none: asks for an object",
     "the foot of the perpendicular from the last point (LASTPOINT) to it", "PER", "5,30",
     "(0.0 30.0 0.0)"},
    {"TAN", picks, "TAN", "none: asks for a circle or an arc",
     "the point where a line from the last point picked (LASTPOINT) touches it", "DIST(CUR,TAN)",
     "35,15;31,14.9", "5.0"},
    {"INS", picks, "INS", "none: asks for a block reference or a text", "its insertion point",
     "INS", "14,55", "(10.0 55.0 0.0)"},
    {"CUR", picks, "CUR", "none: asks for any point", "the point given", "CUR", "3,4",
     "(3.0 4.0 0.0)"},
    {"RAD", picks, "RAD", "none: asks for a circle, an arc or a polyline arc segment",
     "its radius, a real", "RAD", "35,10", "5.0"},
    // ---- end-point shortcuts ----
    {"MEE", shortcuts, "MEE", "none: asks for two end points",
     "the midpoint between them", "MEE", "19,0.1;0.1,19", "(10.0 10.0 0.0)"},
    {"DEE", shortcuts, "DEE", "none: asks for two end points", "their distance, a real", "DEE",
     "1,0.1;19,0.1", "20.0"},
    {"NEE", shortcuts, "NEE", "none: asks for two end points",
     "the unit normal in the XY plane: the direction from the first to the second turned 90 "
     "degrees counter-clockwise", "NEE", "0.1,19;0.1,1", "(1.0 0.0 0.0)"},
    {"VEE", shortcuts, "VEE", "none: asks for two end points",
     "the vector from the first to the second", "VEE", "1,0.1;19,0.1", "(20.0 0.0 0.0)"},
    {"VEE1", shortcuts, "VEE1", "none: asks for two end points",
     "the vector from the first to the second, made 1 long", "VEE1", "0.1,1;0.1,19",
     "(0.0 1.0 0.0)"},
    {"PLTEE", shortcuts, "PLTEE(t)",
     "t: a number; 0 gives the first end point, 1 the second\nthen asks for two end points",
     "the point (1-t)*first + t*second", "PLTEE(0.25)", "1,0.1;19,0.1", "(5.0 0.0 0.0)"},
    {"PLDEE", shortcuts, "PLDEE(dist)",
     "dist: how far from the first end point towards the second\nthen asks for two end points",
     "the point at that distance", "PLDEE(3)", "1,0.1;19,0.1", "(3.0 0.0 0.0)"},
    {"ILLE", shortcuts, "ILLE",
     "none: asks for two end points of the first line, then two of the second",
     "the point where the two lines meet", "ILLE", "1,0.1;19,0.1;0.1,19;19.9,30.1",
     "(-40.0 0.0 0.0)"},
    // ---- values from the host: keywords of the expression language ----
    {"GETVAR", hostValues, "GETVAR(name)",
     "name: a system variable of the host: PICKBOX, LASTPOINT, VIEWSIZE...\n"
     "'name': the same, for a name that is also a keyword or a function",
     "its value: a real, an integer or a point (a text variable is refused)", "GETVAR(PICKBOX)",
     "", "3"},
    {"CVUNIT", hostValues, "CVUNIT(value,from,to)",
     "value: a number or a point\n"
     "from, to: unit names of one or two words (inch, cm, sq inch, cu ft), as the host knows them",
     "the value converted, a real (a point converts each coordinate)", "CVUNIT(1,inch,cm)", "",
     "2.54"},
    {"PI", hostValues, "PI", "none", "the number pi, a real", "PI", "", "3.14159265358979"},
};

}  // namespace

namespace hostsim {

const std::vector<CommandReference>& commandReference() { return commands; }
const std::vector<FunctionGroup>& functionGroups() { return groups; }
const std::vector<FunctionReference>& functionReference() { return functions; }

const FunctionReference* findFunctionReference(const std::string& upperName) {
    for (const FunctionReference& entry : functions)
        if (upperName == entry.name) return &entry;
    return nullptr;
}

const CommandReference* findCommandReference(const std::string& upperName) {
    for (const CommandReference& entry : commands)
        if (upperName == entry.name) return &entry;
    return nullptr;
}

}  // namespace hostsim
