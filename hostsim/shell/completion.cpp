// hostsim/shell/completion.cpp - what Tab offers for the word before the cursor: command names at
// Command:, a command's file or name after it, and function, variable and system-variable names
// in an expression.
//
// A plain function of the line and the cursor (and, for file names, the folder it names), so
// that it is tested without a terminal; terminalCompletion.cpp hands readline its answer.
#include "hostsim/shell/shell.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <memory>

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
                    const std::vector<std::string>& names, char append) {
    Completion result{start, {}, append};
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

// A function, or a keyword written like one, that is always called with arguments: every form
// of its reference entry has them. NOR, with a form of none, is not.
bool takesArguments(const std::string& name) {
    const hostsim::FunctionReference* entry = hostsim::findFunctionReference(name);
    if (entry == nullptr) return false;
    std::string forms = entry->forms;
    for (std::size_t formStart = 0; formStart < forms.size();) {
        std::size_t formEnd = std::min(forms.find("  ", formStart), forms.size());
        if (forms.find('(', formStart) >= formEnd) return false;
        formStart = forms.find_first_not_of(' ', formEnd);
        if (formStart == std::string::npos) break;
    }
    return true;
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
    if (!word.empty() && !std::isalpha(static_cast<unsigned char>(word[0])))
        return {start, {}, false};
    if (followsGetvar(text, start)) return matching(start, word, hostsim::sysvarNames(), '\0');
    Completion result = matching(start, word, expressionNames(), '\0');
    // SI gives SIN( as a user writes the call on; not when a parenthesis already follows
    bool parenthesisFollows = text.find_first_not_of(" \t", cursor) != std::string::npos &&
                              text[text.find_first_not_of(" \t", cursor)] == '(';
    if (result.candidates.size() == 1 && takesArguments(result.candidates[0]) &&
        !parenthesisFollows)
        result.append = '(';
    return result;
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

bool hasSuffixIgnoringCase(const std::string& name, const std::string& suffix) {
    return name.size() >= suffix.size() &&
           startsWithIgnoringCase(name.substr(name.size() - suffix.size()), suffix);
}

// The folders, and the files ending in extension, whose names continue the path typed from
// start to the cursor; a folder ends in '/'. Hidden ones only when the name typed starts with '.'.
Completion completeFileName(const std::string& text, std::size_t start, std::size_t cursor,
                            const char* extension) {
    std::string typed = text.substr(start, cursor - start);
    std::string folder = typed.substr(0, typed.rfind('/') + 1);  // "" when no '/'
    std::string prefix = typed.substr(folder.size());
    Completion result{start, {}, '\0'};
    std::unique_ptr<DIR, int (*)(DIR*)> listing(opendir(folder.empty() ? "." : folder.c_str()),
                                                closedir);
    if (!listing) return result;
    while (const dirent* entry = readdir(listing.get())) {
        std::string name = entry->d_name;
        if (name == "." || name == ".." || name.compare(0, prefix.size(), prefix) != 0 ||
            (name[0] == '.' && (prefix.empty() || prefix[0] != '.')))
            continue;
        struct stat status;
        bool isFolder = stat((folder + name).c_str(), &status) == 0 && S_ISDIR(status.st_mode);
        if (isFolder)
            result.candidates.push_back(folder + name + "/");
        else if (hasSuffixIgnoringCase(name, extension))
            result.candidates.push_back(folder + name);
    }
    std::sort(result.candidates.begin(), result.candidates.end());
    return result;
}

std::vector<std::string> helpNames() {
    std::vector<std::string> names = commandNames();
    for (const hostsim::FunctionReference& entry : hostsim::functionReference())
        names.push_back(entry.name);
    names.push_back("CAL");
    return names;
}

// What follows a command's name: SVG and LOAD take a file name (the rest of the line, blanks
// and all), HELP and ? one name; the others nothing Tab knows.
Completion completeArgument(const std::string& command, const std::string& text,
                            std::size_t argumentStart, std::size_t cursor) {
    if (command == "SVG") return completeFileName(text, argumentStart, cursor, ".svg");
    if (command == "LOAD") return completeFileName(text, argumentStart, cursor, ".so");
    std::size_t start = wordStart(text, cursor);
    if ((command == "HELP" || command == "?") && start == argumentStart)
        return matching(start, text.substr(start, cursor - start), helpNames(), '\0');
    return {cursor, {}, '\0'};
}

Completion completeCommandLine(const std::string& text, std::size_t cursor) {
    std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos || first >= cursor)
        return matching(cursor, "", commandNames(), ' ');
    if (text[first] == '(') {
        std::size_t stringStart = openStringStart(text, cursor);
        if (stringStart == std::string::npos || !isCalculatorString(text, stringStart))
            return {cursor, {}, '\0'};
        Completion inner = completeExpression(text.substr(stringStart), cursor - stringStart);
        inner.start += stringStart;
        return inner;
    }
    std::size_t start = wordStart(text, cursor);
    if (text[first] == '!' && start == first + 1)
        return matching(start, text.substr(start, cursor - start), variableNames(), '\0');
    if (start == first)
        return matching(start, text.substr(start, cursor - start), commandNames(), ' ');
    std::size_t nameEnd = text.find_first_of(" \t", first);
    if (nameEnd == std::string::npos || nameEnd >= cursor) return {cursor, {}, '\0'};
    std::size_t argumentStart = std::min(text.find_first_not_of(" \t", nameEnd), cursor);
    return completeArgument(hostsim::upperName(text.substr(first, nameEnd - first)), text,
                            argumentStart, cursor);
}

}  // namespace

namespace hostsim {

Completion completeInput(const std::string& line, std::size_t cursor, PromptKind prompt) {
    cursor = std::min(cursor, line.size());
    if (prompt == PromptKind::Command) return completeCommandLine(line, cursor);
    return completeExpression(line, cursor);
}

}  // namespace hostsim
