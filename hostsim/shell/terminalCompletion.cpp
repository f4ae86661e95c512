// hostsim/shell/terminalCompletion.cpp - Tab on a terminal: readline asks completeInput.
#include "hostsim/shell/shell.h"

#include <readline/readline.h>

#include <cstdlib>
#include <cstring>

namespace {

const char commandPrompt[] = "Command: ";  // the prompt the program reads command lines with
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
    return rl_prompt != nullptr && std::strcmp(rl_prompt, commandPrompt) == 0
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
    rl_attempted_completion_over = 1;  // never fall back to file names
    hostsim::Completion completion =
        hostsim::completeInput(rl_line_buffer, static_cast<std::size_t>(end), currentPromptKind());
    if (completion.candidates.empty()) return nullptr;
    rl_completion_append_character = completion.appendSpace ? ' ' : '\0';
    // readline replaces from its own word start, which a non-ASCII byte before the name can put
    // earlier: those bytes are kept in front of every candidate.
    std::size_t wordStart = static_cast<std::size_t>(start);
    std::string kept = completion.start > wordStart
                           ? std::string(rl_line_buffer + wordStart, completion.start - wordStart)
                           : "";
    std::vector<std::string> names;
    for (const std::string& name : completion.candidates) names.push_back(kept + name);
    return readlineMatches(names);
}

}  // namespace

namespace hostsim {

void installCompletion() {
    rl_attempted_completion_function = completeForReadline;
    rl_completer_word_break_characters = const_cast<char*>(wordBreaks);
}

}  // namespace hostsim
