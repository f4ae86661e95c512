// adapters/librecad/promptWords.cpp - the words vectrin's prompt in LibreCAD takes besides
// expressions, as hostsim's command line has them: HELP (or ?), HELP NAME and PRECISION.
// SPDX-License-Identifier: GPL-2.0-or-later
//
// The help is hostsim's own reference (the functions, the expression language); only the list of
// commands is the plug-in's, as LibreCAD has none of hostsim's host commands.
#include <algorithm>
#include <sstream>

#include "adapters/librecad/librecad.h"
#include "hostsim/help/help.h"

namespace {

const char overview[] =
    "vectrin in LibreCAD:\n"
    "  vcal [EXPR]         the calculator: an expression, or a word below, at its prompt\n"
    "  'EXPR               at LibreCAD's command line: the value, handed to the command that\n"
    "                      waits (LINE's next point, a radius)\n"
    "  HELP [NAME], ?      this list; a function's help; HELP CAL for the expression language\n"
    "  PRECISION [N|.N]    the digits results are printed with: N significant, .N decimals\n"
    "\n"
    "Calculator functions:\n";

std::string indented(const std::string& text) {
    std::istringstream lines(text);
    std::string out;
    for (std::string line; std::getline(lines, line);) out += "  " + line + "\n";
    return out;
}

// "15 significant digits", ".4: 4 decimal places"
std::string describePrecision(hostsim::PrintPrecision precision, const std::string& language) {
    using librecad::Notice;
    Notice notice =
        precision.decimalPlaces
            ? (precision.count == 1 ? Notice::DecimalPlace : Notice::DecimalPlaces)
            : (precision.count == 1 ? Notice::SignificantDigit : Notice::SignificantDigits);
    return librecad::noticeText(notice, language, {std::to_string(precision.count)});
}

}  // namespace

namespace librecad {

std::string helpText(const std::string& name) {
    std::string upper = hostsim::upperName(name);
    std::vector<std::string> calculator = hostsim::calculatorNames();
    if (upper.empty() || upper == hostsim::upperName(commandWord))
        return overview + indented(hostsim::functionNamesByGroup()) +
               "\nType HELP NAME for a function, HELP CAL for the expression language.\n";
    if (upper == "CAL" || upper == "C:CAL") return hostsim::languageHelp();
    if (std::find(calculator.begin(), calculator.end(), upper) != calculator.end())
        return hostsim::localisedCalculatorHelp(upper);
    if (const hostsim::FunctionReference* function = hostsim::findFunctionReference(upper))
        return hostsim::functionHelp(*function);
    return "";
}

std::string precisionAnswer(const std::string& argument, const std::string& language) {
    hostsim::PrintPrecision current = hostsim::printPrecision(), wanted;
    if (argument.empty())
        return noticeText(Notice::PrecisionIs, language, {describePrecision(current, language)});
    if (!hostsim::parsePrintPrecision(argument, wanted))
        return noticeText(Notice::PrecisionRefused, language,
                          {argument, hostsim::printPrecisionText(current)});
    hostsim::setPrintPrecision(wanted);
    return "";
}

}  // namespace librecad
