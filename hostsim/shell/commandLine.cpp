// hostsim/shell/commandLine.cpp - one command line: a Quillet expression, a symbol's value or a
// command.
//
// A command is one of the host's own (a row of hostCommands) or a command the module defined
// with a "C:" name. Words after a module command's name are its first answer, as if typed at
// its first prompt.
#include "hostsim/shell/shell.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "hostsim/help/help.h"
#include "hostsim/view/view.h"

// ---- command line state ----
// What an empty line typed at Command: runs again: the last host command with its words, or the
// last module command's name alone (its words answered a prompt, which the repeat asks again).
static std::string repeatableCommand;

namespace {

using hostsim::LineOutcome;
using hostsim::QValue;

// Blanks and line ends around a command line or an answer are no part of it.
std::string trimBlanks(const std::string& text) {
    return hostsim::trimmed(text, hostsim::commandBlanks);
}

void printLine(const std::string& text) {
    hostsim::startLine();
    hostsim::printText(text + "\n");
}

void printError(const std::string& message) { printLine("error: " + message); }

// A value on a line of its own, as a result; the outcome says whether there was one.
LineOutcome showValue(const QValue& value) {
    hostsim::printResult(hostsim::formatValue(value) + "\n");
    return value.isNil() ? LineOutcome::NoValue : LineOutcome::Value;
}

// Every expression on the line, in order; the outcome is that of the last one.
LineOutcome runQuillet(const std::string& line) {
    std::size_t pos = 0;
    LineOutcome outcome = LineOutcome::NoValue;
    QValue form;
    std::string error;
    while (hostsim::readQuillet(line, pos, form, error)) {
        QValue value;
        if (!hostsim::evaluateQuillet(form, value, error)) {
            printError(error);
            return LineOutcome::NoValue;
        }
        outcome = showValue(value);
    }
    if (!error.empty()) {
        printError(error);
        return LineOutcome::NoValue;
    }
    return outcome;
}

// "!name": the value of one symbol, read as the reader reads a symbol.
LineOutcome showSymbol(const std::string& rest) {
    std::size_t pos = 0;
    QValue symbol;
    std::string error;
    if (!hostsim::readQuillet(rest, pos, symbol, error) || symbol.kind != QValue::Kind::Symbol ||
        !trimBlanks(rest.substr(pos)).empty()) {
        printError("! must be followed by one symbol name");
        return LineOutcome::NoValue;
    }
    return showValue(hostsim::getSymbol(symbol.text));
}

// ---- host commands ----

// Reads a point in world coordinates; false when the user cancels.
bool askWorldPoint(const std::string& prompt, hostsim::Point& point, bool& world) {
    for (;;) {
        std::string answer;
        if (!hostsim::readInputLine(prompt, answer, hostsim::LineKind::Point)) return false;
        answer = trimBlanks(answer);
        if (answer.empty() || answer == "*cancel*") return false;
        if (hostsim::upperName(answer) == "W") {
            world = true;
            return true;
        }
        if (hostsim::parsePointText(answer, point)) return true;
        printLine("Enter a point as x,y or x,y,z, or W for world.");
    }
}

LineOutcome ucsCommand(const std::string&) {
    hostsim::Point origin, onX, inXY;
    bool world = false;
    if (!askWorldPoint("Origin of the new UCS, or W for world: ", origin, world))
        return LineOutcome::NoValue;
    if (!world && !askWorldPoint("Point on its positive X axis: ", onX, world))
        return LineOutcome::NoValue;
    if (!world && !askWorldPoint("Point in its XY plane, on the positive Y side: ", inXY, world))
        return LineOutcome::NoValue;
    if (world) {
        hostsim::setWorldUcs();
    } else if (!hostsim::setUcsByPoints(origin, onX, inXY)) {
        printLine("The three points do not fix a coordinate system; the UCS is unchanged.");
    }
    return LineOutcome::NoValue;
}

LineOutcome quitCommand(const std::string&) { return LineOutcome::Quit; }

LineOutcome loadCommand(const std::string& path) {
    if (path.empty()) {
        printLine("LOAD needs the module's file name.");
        return LineOutcome::NoValue;
    }
    // the line is in the host's code page; the file system takes names as the terminal typed them
    return hostsim::loadModule(hostsim::utf8FromCp1252(path)) ? LineOutcome::Value
                                                              : LineOutcome::NoValue;
}

LineOutcome unloadCommand(const std::string&) {
    if (!hostsim::moduleLoaded()) printLine("No module is loaded.");
    hostsim::unloadModule();
    return LineOutcome::NoValue;
}

// Sends message 3 again, as the host does when the module is asked to define its names anew.
LineOutcome redefineCommand(const std::string&) {
    if (!hostsim::moduleLoaded()) {
        printLine("No module is loaded.");
        return LineOutcome::NoValue;
    }
    if (!hostsim::redefineModuleFunctions()) printLine("The module did not define its functions.");
    return LineOutcome::NoValue;
}

LineOutcome functionsCommand(const std::string&) {
    for (const hostsim::DefinedFunction& f : hostsim::definedFunctions())
        hostsim::printResult(f.name + " " + std::to_string(f.code) + "\n");
    hostsim::printResult("Calculator functions:\n");
    hostsim::printResult(hostsim::functionNamesByGroup());
    return LineOutcome::NoValue;
}

// The module's commands among the calculator's names, without "C:".
std::vector<std::string> calculatorCommands(const std::vector<std::string>& names) {
    std::vector<std::string> commands;
    for (const std::string& name : names)
        if (name.compare(0, 2, "C:") == 0) commands.push_back(name.substr(2));
    return commands;
}

// HELP, HELP NAME (a function or a host command), HELP CAL or any name of the calculator. Like
// FUNCTIONS, what the user asked to read is a result: it goes to standard output, so that it can
// be piped.
LineOutcome helpCommand(const std::string& rest) {
    std::string name = hostsim::upperName(rest);
    std::vector<std::string> calculator = hostsim::calculatorNames();
    bool calculatorName = std::find(calculator.begin(), calculator.end(), name) != calculator.end();
    hostsim::startLine();
    if (name.empty()) {
        hostsim::printResult(hostsim::helpOverview(calculatorCommands(calculator)));
    } else if (name == "CAL" || name == "C:CAL") {
        hostsim::printResult(hostsim::languageHelp());
    } else if (calculatorName) {
        hostsim::printResult(hostsim::localisedCalculatorHelp(name));
    } else if (const hostsim::FunctionReference* function = hostsim::findFunctionReference(name)) {
        hostsim::printResult(hostsim::functionHelp(*function));
    } else if (const hostsim::CommandReference* command = hostsim::findCommandReference(name)) {
        hostsim::printResult(hostsim::commandHelp(*command));
    } else {
        // as Quillet prints a text: a control character typed shows instead of acting
        printLine("No help for " + hostsim::formatValue(QValue::textValue(name)) +
                  ". Type HELP for the list.");
    }
    return LineOutcome::NoValue;
}

// Asks for a pick and prints the records of the object selected.
LineOutcome listObjectCommand(const std::string&) {
    hostsim::listCommand();
    return LineOutcome::NoValue;
}

// LISTS: how many record lists the module was handed and has not given back.
LineOutcome listsCommand(const std::string&) {
    hostsim::printResult(std::to_string(hostsim::outstandingLists()) + " lists outstanding\n");
    return LineOutcome::NoValue;
}

// "15 significant digits", ".4: 4 decimal places"
std::string describePrecision(hostsim::PrintPrecision precision) {
    std::string count = std::to_string(precision.count);
    std::string plural = precision.count == 1 ? "" : "s";
    return precision.decimalPlaces ? "." + count + ": " + count + " decimal place" + plural
                                   : count + " significant digit" + plural;
}

// PRECISION N: the significant digits of printed reals from now on; PRECISION .N: their decimal
// places. Alone, shows the setting.
LineOutcome precisionCommand(const std::string& text) {
    hostsim::PrintPrecision current = hostsim::printPrecision(), wanted;
    if (text.empty()) {
        printLine("PRECISION is " + describePrecision(current) +
                  "; PRECISION N sets N (1 to 17), PRECISION .N N decimal places.");
    } else if (!hostsim::parsePrintPrecision(text, wanted)) {
        printLine(
            "PRECISION needs N (1 to 17 significant digits) or .N (1 to 17 decimal places), "
            "not \"" +
            text + "\"; it stays " + hostsim::printPrecisionText(current) + ".");
    } else {
        hostsim::setPrintPrecision(wanted);
    }
    return LineOutcome::NoValue;
}

// SVG FILE: the view as the page shows it (else the drawing's extents), with the marks.
LineOutcome svgCommand(const std::string& path) {
    if (path.empty()) {
        printLine("SVG needs the name of the file to write: SVG FILE.");
        return LineOutcome::NoValue;
    }
    std::string error;
    // the line is in the host's code page; the file system takes names as the terminal typed them
    if (!hostsim::writeViewSvg(hostsim::utf8FromCp1252(path), error)) {
        printLine("The view is not written to " + path + ": " + error + ".");
        return LineOutcome::NoValue;
    }
    printLine("The view is written to " + path + ".");
    return LineOutcome::NoValue;
}

struct HostCommand {
    const char* name;
    LineOutcome (*run)(const std::string& rest);  // rest: the line after the name, trimmed
};

// Every row has its entry in the reference (hostsim/help/reference.cpp), which HELP and
// completion read.
const HostCommand hostCommands[] = {
    {"HELP", helpCommand},
    {"?", helpCommand},
    {"UCS", ucsCommand},
    {"QUIT", quitCommand},
    {"EXIT", quitCommand},
    {"LOAD", loadCommand},
    {"UNLOAD", unloadCommand},
    {"REDEFINE", redefineCommand},
    {"FUNCTIONS", functionsCommand},
    {"LIST", listObjectCommand},
    {"LISTS", listsCommand},
    {"PRECISION", precisionCommand},
    {"SVG", svgCommand},
};

// A module command: the name with "C:" in front, or as typed when it already has it.
LineOutcome runModuleCommand(const std::string& functionName, const std::string& rest) {
    hostsim::clearQueuedAnswers();
    if (!rest.empty()) hostsim::queueAnswer(rest);
    QValue result;
    std::string error;
    bool ran = hostsim::invokeFunction(functionName, {}, result, error);
    hostsim::clearQueuedAnswers();  // an answer the command did not ask for is dropped
    if (!ran) {
        printError(error);
        return LineOutcome::NoValue;
    }
    if (result.isNil()) return LineOutcome::NoValue;  // a command without a value prints nothing
    return showValue(result);
}

// A line at Command: that the calculator would take: a number, a point, a sign or the last point
// first, or a name followed by an operator or a call (A=1, SIN(30)), or a function or keyword of
// the calculator alone (RAD, PI). A plain unknown word, or a stray character, is no calculation.
bool looksLikeCalculation(const std::string& line) {
    unsigned char first = static_cast<unsigned char>(line[0]);
    if (std::isdigit(first) || std::string(".[@'+-").find(line[0]) != std::string::npos)
        return true;
    if (!std::isalpha(first) && first < 0x80) return false;
    std::string firstName = hostsim::upperName(line.substr(0, line.find_first_of(" \t(")));
    return line.find_first_of("+-*/^&=([") != std::string::npos ||
           hostsim::findFunctionReference(firstName) != nullptr;
}

void reportUnknownCommand(const std::string& name, const std::string& line) {
    printLine("Unknown command \"" + name + "\". Type HELP for the list.");
    if (looksLikeCalculation(line) && hostsim::isFunctionDefined("C:CAL"))
        printLine("To calculate, type CAL " + line + " or " + hostsim::calculatorCall(line) + ".");
}

LineOutcome runCommand(const std::string& line) {
    std::string rest, typedName = hostsim::firstCommandWord(line, &rest);
    std::string name = hostsim::upperName(typedName);
    for (const HostCommand& command : hostCommands) {
        if (name != command.name) continue;
        repeatableCommand = line;
        return command.run(rest);
    }
    std::string functionName = name.compare(0, 2, "C:") == 0 ? name : "C:" + name;
    if (hostsim::isFunctionDefined(functionName)) {
        repeatableCommand = typedName;
        return runModuleCommand(functionName, rest);
    }
    reportUnknownCommand(name, line);
    return LineOutcome::NoValue;
}

}  // namespace

namespace hostsim {

std::vector<std::string> hostCommandNames() {
    std::vector<std::string> names;
    for (const HostCommand& command : hostCommands) names.push_back(command.name);
    return names;
}

LineOutcome runCommandLine(const std::string& line) {
    cancelNextPointPrompt(false);  // a pick that missed in the last command ends with it
    std::size_t first = line.find_first_not_of(commandBlanks);
    if (first == std::string::npos) return LineOutcome::NoValue;
    if (line[first] == '(') return runQuillet(line);  // the reader passes blanks over itself
    std::string trimmed = trimBlanks(line);
    if (trimmed[0] == '!') return showSymbol(trimmed.substr(1));
    return runCommand(trimmed);
}

std::string calculatorCall(const std::string& expression) {
    std::string call = "(cal \"";
    for (char c : expression) {
        if (c == '"' || c == '\\') call += '\\';
        call += c;
    }
    return call + "\")";
}

LineOutcome runPromptedLine(const std::string& line) {
    bool empty = line.find_first_not_of(commandBlanks) == std::string::npos;
    if (!empty || repeatableCommand.empty() || inputInterrupted() || lastLineUnattended())
        return runCommandLine(line);
    std::string reason;  // a page may not repeat what it could not type
    if (!mayRunInPlaceOfLastLine(repeatableCommand, reason)) {
        printLine(reason);
        return LineOutcome::NoValue;
    }
    printLine(repeatableCommand);  // which command runs again, where a typed one would show
    return runCommandLine(repeatableCommand);
}

void runCommandPrompt() {
    std::string line;
    while (readInputLine("Command: ", line, LineKind::Command))
        if (runPromptedLine(line) == LineOutcome::Quit) break;
}

LineOutcome runTypedLine(const std::string& typed) {
    std::string line;
    if (!hostLineFromTerminal(typed, line)) return LineOutcome::NoValue;
    return runCommandLine(line);
}

}  // namespace hostsim
