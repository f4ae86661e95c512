// hostsim/help/helpText.cpp - HELP's texts and the Markdown reference, made from the reference.
#include "hostsim/help/help.h"

#include <cctype>
#include <sstream>

namespace {

using hostsim::FunctionReference;

const char languageText[] =
    "The calculator: CAL asks for an expression, (cal \"EXPR\") evaluates one.\n"
    "\n"
    "Numbers and units\n"
    "  2, -3        integers (16 bits: -32768 to 32767); 7/2 gives the real 3.5\n"
    "  1.5, 2e3     reals; PI is 3.14159...; a whole number past 32767 is written as a real:\n"
    "               40000.0, and so is one of 1200*40 (1200.0*40), whose result passes it\n"
    "  5'6\", 2'     feet and inches; lengths are in inches\n"
    "  10d30'36\"    degrees, minutes, seconds; 100g grads, 1r radians; angles are degrees\n"
    "               (SIN, COS, TANG and [r<a] are exact at whole quarter turns: COS(90) is 0)\n"
    "  CVUNIT(1,inch,cm)  unit conversion by the host (HELP CVUNIT)\n"
    "Points\n"
    "  [1,2,3]      a point; omitted parts are 0: [,,3]\n"
    "  [2<90]       polar; [2<90,5] cylindrical; [2<0<90] spherical\n"
    "  @, [@1,0]    the last point, and a point relative to it\n"
    "  [*1,2,3]     a point in world coordinates, returned in the current UCS\n"
    "Operators, the tightest first\n"
    "  ( )          grouping\n"
    "  ^            power, left to right: 2^3^2 is 64\n"
    "  * / &        times (two points: dot product), divide, cross product\n"
    "  + -          plus, minus; a sign binds tighter than ^: -2^2 is 4\n"
    "Variables\n"
    "  A=1+2        stores the value in the Quillet variable A; 'my-var'=2 quotes any name\n"
    "  A, !A        a Quillet variable's value, in an expression and at Command:\n"
    "  GETVAR(PICKBOX)  a system variable\n"
    "Functions: SIN(30), DIST([0,0,0],[3,4,0]), RAD (picks a circle). Type HELP for the list,\n"
    "HELP NAME for one.\n"
    "Values print at the session's precision (--precision, PRECISION: 15 significant digits by\n"
    "default); a point's components at the precision of its largest, so noise beside it prints\n"
    "as 0. The host shows coordinates (a click's echo, the page's cursor) at the drawing's\n"
    "decimal places ($LUPREC, 4 when absent). Inside, and where a value is copied or handed on,\n"
    "it stays exact.\n";

// "a\nb" as "  a\n  b\n".
std::string indentLines(const std::string& text, const char* indent) {
    std::istringstream lines(text);
    std::string out;
    for (std::string line; std::getline(lines, line);) out += indent + line + "\n";
    return out;
}

// The group's names after its title, wrapped at lineWidth under the first name.
std::string namesOfGroup(int group, const std::string& title) {
    constexpr std::size_t lineWidth = 76, namesColumn = 22;
    std::string text = title + std::string(namesColumn - title.size(), ' ');
    std::size_t lineStart = 0;
    for (const FunctionReference& entry : hostsim::functionReference()) {
        if (entry.group != group) continue;
        if (text.size() - lineStart + std::string(entry.name).size() > lineWidth) {
            lineStart = text.size() + 1;
            text += "\n" + std::string(namesColumn, ' ');
        } else if (text.size() - lineStart > namesColumn) {
            text += ' ';
        }
        text += entry.name;
    }
    return text + "\n";
}

std::string padded(const std::string& text, std::size_t width) {
    return text.size() >= width ? text + "  " : text + std::string(width - text.size(), ' ');
}

// "RAD, picking 35,10" or "SIN(30)"; quote goes around the example and each answer.
std::string exampleText(const FunctionReference& entry, const std::string& quote) {
    std::vector<std::string> answers = hostsim::exampleAnswers(entry);
    std::string text = quote + entry.example + quote;
    for (std::size_t i = 0; i < answers.size(); ++i)
        text += (i == 0 ? ", picking " : " then ") + quote + answers[i] + quote;
    return text;
}

// "the calculator (the module's command); CALC too", with the localised names the module gave.
std::string calculatorSummary(const std::vector<std::string>& commands) {
    std::string others;
    for (const std::string& name : commands)
        if (name != "CAL") others += (others.empty() ? "" : ", ") + name;
    return std::string("the calculator (the module's command)") +
           (others.empty() ? "" : "; " + others + " too");
}

}  // namespace

namespace hostsim {

std::vector<std::string> exampleAnswers(const FunctionReference& entry) {
    std::vector<std::string> answers;
    std::istringstream list(entry.answers);
    for (std::string answer; std::getline(list, answer, ';');) answers.push_back(answer);
    return answers;
}

std::string functionNamesByGroup() {
    std::string text;
    for (std::size_t group = 0; group < functionGroups().size(); ++group)
        text +=
            namesOfGroup(static_cast<int>(group), functionGroups()[group].title + std::string(":"));
    return text;
}

std::string helpOverview(const std::vector<std::string>& calculatorCommands) {
    std::string text = "Host commands:\n";
    for (const CommandReference& command : commandReference())
        text += "  " + padded(command.usage, 20) + command.summary + "\n";
    if (!calculatorCommands.empty())
        text += "  " + padded("CAL [EXPR]", 20) + calculatorSummary(calculatorCommands) + "\n";
    text += "\nCalculator functions:\n" + indentLines(functionNamesByGroup(), "  ");
    text +=
        "\nType HELP NAME for a function or command, HELP CAL for the expression language.\n"
        "Enter at an empty Command: runs the last command again.\n";
    return text;
}

std::string functionHelp(const FunctionReference& entry) {
    std::string text = std::string(entry.name) + " (" + functionGroups()[entry.group].title + ")\n";
    text += "  Forms:     " + std::string(entry.forms) + "\n";
    text += "  Arguments:\n" + indentLines(entry.arguments, "    ");
    text += "  Returns:   " + std::string(entry.returns) + "\n";
    text += "  Example:   " + exampleText(entry, "") + " gives " + entry.result + "\n";
    return text;
}

std::string commandHelp(const CommandReference& entry) {
    return std::string(entry.usage) + "\n  " + entry.summary + "\n";
}

std::string languageHelp() { return languageText; }

std::string localisedCalculatorHelp(const std::string& name) {
    bool command = name.compare(0, 2, "C:") == 0;
    std::string word = command ? name.substr(2) : name;
    std::string lower = word;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return word + " is the module's name for CAL, in its language: " + word +
           " asks for an expression,\n(" + lower + " \"EXPR\") evaluates one.\n\n" + languageText;
}

std::string referenceMarkdown() {
    std::string text =
        "# The calculator's functions\n\n"
        "Generated by `hostsim --print-reference` from functions/functionList.h and\n"
        "hostsim/help/reference.cpp; do not edit.\n"
        "Every example works on the demo drawing; a pick's answers are given after it.\n";
    for (std::size_t group = 0; group < functionGroups().size(); ++group) {
        text += "\n## " + std::string(functionGroups()[group].title) + "\n\n" +
                functionGroups()[group].summary + ".\n";
        for (const FunctionReference& entry : functionReference()) {
            if (entry.group != static_cast<int>(group)) continue;
            text += "\n### " + std::string(entry.name) + "\n\n";
            text += "Forms: `" + std::string(entry.forms) + "`\n\n";
            text += indentLines(entry.arguments, "- ");
            text += "\nReturns " + std::string(entry.returns) + ".\n\n";
            text += "Example: " + exampleText(entry, "`") + " gives `" + entry.result + "`.\n";
        }
    }
    text += "\n## The expression language\n\n```\n" + languageHelp() + "```\n";
    return text;
}

}  // namespace hostsim
