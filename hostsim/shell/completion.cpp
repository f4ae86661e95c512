// hostsim/shell/completion.cpp - what Tab offers for the word before the cursor: command names at
// Command:, and function, variable and system-variable names in an expression.
//
// A plain function of the line and the cursor, so that it is tested without a terminal;
// terminalCompletion.cpp hands readline its answer.
#include "hostsim/shell/shell.h"

#include <algorithm>
#include <cctype>

#include "hostsim/help/help.h"

namespace {

using hostsim::Completion;

bool isWordChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

bool startsWithIgnoringCase(const std::string& name, const std::string& prefix) {
    if (prefix.size() > name.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(name[i])) !=
            std::toupper(static_cast<unsigned char>(prefix[i])))
            return false;
    return true;
}

// A name the expression lexer reads as one identifier, so that completing it gives valid text.
bool isPlainName(const std::string& name) {
    return !name.empty() && std::isalpha(static_cast<unsigned char>(name[0])) &&
           std::all_of(name.begin(), name.end(), isWordChar);
}

std::size_t wordStart(const std::string& text, std::size_t cursor) {
    std::size_t start = cursor;
    while (start > 0 && isWordChar(text[start - 1])) --start;
    return start;
}

Completion matching(std::size_t start, const std::string& word,
                    const std::vector<std::string>& names, bool appendSpace) {
    Completion result{start, {}, appendSpace};
    for (const std::string& name : names)
        if (startsWithIgnoringCase(name, word)) result.candidates.push_back(name);
    std::sort(result.candidates.begin(), result.candidates.end());
    result.candidates.erase(std::unique(result.candidates.begin(), result.candidates.end()),
                            result.candidates.end());
    return result;
}

std::vector<std::string> commandNames() {
    std::vector<std::string> names;
    for (const hostsim::CommandReference& command : hostsim::commandReference())
        if (isPlainName(command.name)) names.push_back(command.name);
    for (const hostsim::DefinedFunction& f : hostsim::definedFunctions())
        if (f.name.compare(0, 2, "C:") == 0) names.push_back(f.name.substr(2));
    return names;
}

std::vector<std::string> variableNames() {
    std::vector<std::string> names;
    for (const std::string& name : hostsim::symbolNames())
        if (isPlainName(name)) names.push_back(name);
    return names;
}

std::vector<std::string> expressionNames() {
    std::vector<std::string> names = variableNames();
    for (const hostsim::FunctionReference& entry : hostsim::functionReference())
        names.push_back(entry.name);  // the keywords GETVAR, CVUNIT and PI among them
    return names;
}

// True when the text before the word ends with "GETVAR(", blanks allowed around the parenthesis.
bool followsGetvar(const std::string& text, std::size_t start) {
    std::size_t end = text.find_last_not_of(" \t", start == 0 ? std::string::npos : start - 1);
    if (start == 0 || end == std::string::npos || text[end] != '(') return false;
    std::size_t nameEnd = text.find_last_not_of(" \t", end == 0 ? std::string::npos : end - 1);
    if (end == 0 || nameEnd == std::string::npos) return false;
    std::size_t nameStart = wordStart(text, nameEnd + 1);
    return hostsim::upperName(text.substr(nameStart, nameEnd + 1 - nameStart)) == "GETVAR";
}

Completion completeExpression(const std::string& text, std::size_t cursor) {
    std::size_t start = wordStart(text, cursor);
    std::string word = text.substr(start, cursor - start);
    if (!word.empty() && !std::isalpha(static_cast<unsigned char>(word[0]))) return {start, {}, false};
    if (followsGetvar(text, start)) return matching(start, word, hostsim::sysvarNames(), false);
    return matching(start, word, expressionNames(), false);
}

// Where the string the cursor is in starts (after its quote), or npos when it is in none.
std::size_t openStringStart(const std::string& text, std::size_t cursor) {
    std::size_t start = std::string::npos;
    for (std::size_t i = 0; i < cursor; ++i) {
        if (start != std::string::npos && text[i] == '\\') {
            ++i;  // an escaped character never ends the string
        } else if (text[i] == '"') {
            start = start == std::string::npos ? i + 1 : std::string::npos;
        }
    }
    return start;
}

// The string is the argument of (cal "..." or of the calculator under another of its names
// ((calc "...", (berechnen "...), with or without C:.
bool isCalculatorString(const std::string& text, std::size_t stringStart) {
    std::string before = text.substr(0, stringStart - 1);  // up to the opening quote
    std::size_t open = before.find_last_of('(');
    if (open == std::string::npos) return false;
    std::string name = hostsim::upperName(hostsim::trimmed(before.substr(open + 1)));
    std::vector<std::string> names = hostsim::calculatorNames();
    return std::find(names.begin(), names.end(), name) != names.end();
}

Completion completeCommandLine(const std::string& text, std::size_t cursor) {
    std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos || first >= cursor)
        return matching(cursor, "", commandNames(), true);
    if (text[first] == '(') {
        std::size_t stringStart = openStringStart(text, cursor);
        if (stringStart == std::string::npos || !isCalculatorString(text, stringStart))
            return {cursor, {}, false};
        Completion inner = completeExpression(text.substr(stringStart, cursor - stringStart),
                                              cursor - stringStart);
        inner.start += stringStart;
        return inner;
    }
    std::size_t start = wordStart(text, cursor);
    if (text[first] == '!' && start == first + 1)
        return matching(start, text.substr(start, cursor - start), variableNames(), false);
    if (start != first) return {cursor, {}, false};  // only the command's name is completed
    return matching(start, text.substr(start, cursor - start), commandNames(), true);
}

}  // namespace

namespace hostsim {

Completion completeInput(const std::string& line, std::size_t cursor, PromptKind prompt) {
    cursor = std::min(cursor, line.size());
    if (prompt == PromptKind::Command) return completeCommandLine(line, cursor);
    return completeExpression(line, cursor);
}

}  // namespace hostsim
