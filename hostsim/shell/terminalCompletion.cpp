// hostsim/shell/terminalCompletion.cpp - Tab on a terminal: readline asks completeInput.
#include "hostsim/shell/shell.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

// Every character that is not part of a name ends a word, so that readline replaces exactly the
// word completeInput completes: "(cal \"SI", "[1,2]+DI" and "GETVAR(PI" all complete their tail.
const char wordBreaks[] = " \t\n\"\\'`@$><=;|&{([,*+-/^)]}!?~#%.:";

char* copyText(const std::string& text) {
    char* copy = static_cast<char*>(std::malloc(text.size() + 1));  // readline frees it
    if (copy != nullptr) std::memcpy(copy, text.c_str(), text.size() + 1);
    return copy;
}

std::string commonPrefix(const std::vector<std::string>& names) {
    std::string prefix = names.front();
    for (const std::string& name : names) {
        std::size_t same = 0;
        while (same < prefix.size() && same < name.size() && prefix[same] == name[same]) ++same;
        prefix.resize(same);
    }
    return prefix;
}

hostsim::PromptKind currentPromptKind() {
    return hostsim::waitingLineKind() == hostsim::LineKind::Command
               ? hostsim::PromptKind::Command
               : hostsim::PromptKind::Expression;
}

// readline's list: what replaces the word first, then every candidate, then NULL; a single
// candidate goes in the first slot alone.
char** readlineMatches(const std::vector<std::string>& names) {
    std::size_t listed = names.size() == 1 ? 0 : names.size();
    char** matches = static_cast<char**>(std::calloc(listed + 2, sizeof(char*)));
    if (matches == nullptr) return nullptr;
    matches[0] = copyText(names.size() == 1 ? names[0] : commonPrefix(names));
    for (std::size_t i = 0; i < listed; ++i) matches[i + 1] = copyText(names[i]);
    return matches;
}

char** completeForReadline(const char* text, int start, int end) {
    (void)text;
    const hostsim::LineEditor& editor = *hostsim::loadedLineEditor();
    const char* lineBuffer = *editor.lineBuffer;
    *editor.attemptedCompletionOver = 1;  // never fall back to file names
    hostsim::Completion completion =
        hostsim::completeInput(lineBuffer, static_cast<std::size_t>(end), currentPromptKind());
    if (completion.candidates.empty()) return nullptr;
    *editor.completionAppendCharacter = completion.append;
    // readline replaces from its own word start. A non-ASCII byte before a name can put it
    // earlier: those bytes are kept in front of every candidate. A file name's folders and
    // blanks put it later: the part of each candidate before it, typed already, is left out.
    std::size_t wordStart = static_cast<std::size_t>(start);
    std::string kept = completion.start > wordStart
                           ? std::string(lineBuffer + wordStart, completion.start - wordStart)
                           : "";
    std::size_t typed = completion.start < wordStart ? wordStart - completion.start : 0;
    std::vector<std::string> names;
    for (const std::string& name : completion.candidates)
        names.push_back(kept + name.substr(std::min(typed, name.size())));
    return readlineMatches(names);
}

}  // namespace

namespace hostsim {

// readline is loaded only when a terminal first asks for a line; completion is set up then.
void installCompletion() {
    whenLineEditorLoads([](const LineEditor& editor) {
        *editor.attemptedCompletionFunction = completeForReadline;
        *editor.wordBreakCharacters = wordBreaks;
        // A word after a quote would have readline close the quote after a single match: in
        // (cal "ROU the quote opens the calculator's string, which the call's arguments follow.
        *editor.basicQuoteCharacters = "";
    });
}

}  // namespace hostsim
