// hostsim/help/help.h - the reference of the host's commands and the calculator's functions, and
// the texts HELP, FUNCTIONS and the generated docs/functions.md are made of.
//
// Offers: the reference tables (reference.cpp); HELP's texts and the Markdown reference
// (helpText.cpp). Needs: nothing of the other parts: the reference is data. The calculator's
// functions come from functions/functionList.h, the list of them that the module registers;
// the help takes their names and texts, the module their handlers and argument forms.
#ifndef VECTRIN_HOSTSIM_HELP_HELP_H
#define VECTRIN_HOSTSIM_HELP_HELP_H

#include <string>
#include <vector>

namespace hostsim {

// ---- the reference (reference.cpp) ----
struct CommandReference {
    const char* name;     // upper case, as typed at Command:
    const char* usage;    // the command with its arguments
    const char* summary;  // one line
};

struct FunctionGroup {
    const char* title;    // "Scalar", "Picks in the drawing", ...
    const char* summary;  // one line about the group
};

// What a function gives: a vector is a direction, not a place in the drawing; numberOrPoint, as
// its arguments decide.
enum class Gives { number, point, vector, numberOrPoint };

struct FunctionReference {
    const char* name;  // upper case, as the module registers it
    int group;         // index into functionGroups()
    Gives gives;
    const char* forms;      // the ways to call it, separated by "  "
    const char* arguments;  // what each argument is, one per line ("\n" between them)
    const char* returns;    // what it gives
    const char* example;    // an expression that works on the demo drawing
    const char* answers;    // the example's answers to pick prompts, ';' between them; "" for none
    const char* result;     // what the example prints
};

const std::vector<CommandReference>& commandReference();  // in the order HELP lists them
const std::vector<FunctionGroup>& functionGroups();
// In the order the module registers them, then the keywords; listings go group by group.
const std::vector<FunctionReference>& functionReference();
const FunctionReference* findFunctionReference(const std::string& upperName);
const CommandReference* findCommandReference(const std::string& upperName);

// ---- texts (helpText.cpp) ----
// HELP alone. calculatorCommands: the module's names of the calculator's command without "C:"
// (CAL and its localised name), as the module defined them; none when no module is loaded.
std::string helpOverview(const std::vector<std::string>& calculatorCommands);
std::string functionHelp(const FunctionReference& entry);  // HELP NAME
std::string commandHelp(const CommandReference& entry);    // HELP of a host command
std::string languageHelp();                                // HELP CAL
// HELP of a localised name of the calculator (BERECHNEN): which name it stands for, then HELP CAL.
std::string localisedCalculatorHelp(const std::string& name);
std::string functionNamesByGroup();  // FUNCTIONS' second part
std::string referenceMarkdown();     // docs/functions.md
// The example's answers one by one, in the order the prompts ask for them.
std::vector<std::string> exampleAnswers(const FunctionReference& entry);

}  // namespace hostsim

#endif
