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
    {"HELP", "HELP [NAME | CAL]", "this list; HELP NAME explains one, HELP CAL the expressions"},
    {"?", "? [NAME | CAL]", "the same as HELP"},
    {"UCS", "UCS", "sets the UCS by three points in world coordinates, or W"},
    {"LIST", "LIST", "prints the records of a picked object"},
    {"LOAD", "LOAD PATH", "loads a module file"},
    {"UNLOAD", "UNLOAD", "unloads the module"},
    {"REDEFINE", "REDEFINE", "asks the module to define its names again"},
    {"FUNCTIONS", "FUNCTIONS", "the names the module defined, then the calculator's functions"},
    {"LISTS", "LISTS", "how many record lists the module has not given back"},
    {"PRECISION", "PRECISION [N | .N]",
     "N significant digits or .N decimal places for printed reals"},
    {"SVG", "SVG FILE", "writes the view, with the results and picks marked, as an SVG file"},
    {"QUIT", "QUIT", "ends the session"},
    {"EXIT", "EXIT", "the same as QUIT"},
};

enum Group { scalar, coordinates, geometry, picks, shortcuts, hostValues };

// ORDER Group
const std::vector<FunctionGroup> groups = {
    {"Scalar", "Functions of numbers; angles are in degrees"},
    {"Coordinates", "Parts of points, and points between the user and world systems"},
    {"Geometry", "Angles, normals, intersections, distances and points along lines"},
    {"Picks in the drawing", "Points and radii picked on the drawing with an object snap"},
    {"End-point shortcuts", "Computed from end points picked on the drawing"},
    {"Values from the host", "Names of the expression language itself, not registered functions"},
};

// Every function of the calculator, as the module registers them (functions/functionList.h, the
// one list of them: the module takes their handlers and argument forms from it, the help their
// texts), then the keywords of the group hostValues that are written like functions;
// tests/functions/referenceTests.cpp runs every example on the demo drawing with its answers.
const std::vector<FunctionReference> functions = {
#define CALCULATOR_FUNCTION(name, handler, accepts, group, gives, forms, arguments, returns, \
                            example, answers, result)                                        \
    {name, group, hostsim::Gives::gives, forms, arguments, returns, example, answers, result},
#include "functions/functionList.h"
#undef CALCULATOR_FUNCTION
    // ---- values from the host: keywords of the expression language ----
    {"GETVAR", hostValues, hostsim::Gives::numberOrPoint, "GETVAR(name)",
     "name: a system variable of the host: PICKBOX, LASTPOINT, VIEWSIZE...\n"
     "'name': the same, for a name that is also a keyword or a function",
     "its value: a real, an integer or a point (a text variable is refused)", "GETVAR(PICKBOX)", "",
     "3"},
    {"CVUNIT", hostValues, hostsim::Gives::numberOrPoint, "CVUNIT(value,from,to)",
     "value: a number or a point\n"
     "from, to: units of one or two words (inch, cm, sq inch, cu ft, Mm, kN, MPa, psi, celsius)\n"
     "names: udunits2's, as written, else in lower case (INCH); Mm is a megametre, mm a "
     "millimetre",
     "the value converted, a real (a point converts each coordinate)", "CVUNIT(1,inch,cm)", "",
     "2.54"},
    {"PI", hostValues, hostsim::Gives::number, "PI", "none", "the number pi, a real", "PI", "",
     "3.14159265358979"},
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
