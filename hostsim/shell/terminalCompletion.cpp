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

// readline's list: what replaces the word first, then every candidate, then NULL.
char** completeForReadline(const char* text, int start, int end) {
    (void)text;
    (void)start;
    rl_attempted_completion_over = 1;  // never fall back to file names
    hostsim::PromptKind prompt = rl_prompt != nullptr && std::strcmp(rl_prompt, commandPrompt) == 0
                                     ? hostsim::PromptKind::Command
                                     : hostsim::PromptKind::Expression;
    hostsim::Completion completion =
        hostsim::completeInput(rl_line_buffer, static_cast<std::size_t>(end), prompt);
    if (completion.candidates.empty()) return nullptr;
    rl_completion_append_character = completion.appendSpace ? ' ' : '\0';
    const std::vector<std::string>& names = completion.candidates;
    char** matches = static_cast<char**>(std::calloc(names.size() + 2, sizeof(char*)));
    if (matches == nullptr) return nullptr;
    matches[0] = copyText(names.size() == 1 ? names[0] : commonPrefix(names));
    for (std::size_t i = 0; i < names.size(); ++i) matches[i + 1] = copyText(names[i]);
    if (names.size() == 1) {  // readline takes a single match from the first slot alone
        std::free(matches[1]);
        matches[1] = nullptr;
    }
    return matches;
}

}  // namespace

namespace hostsim {

void installCompletion() {
    rl_attempted_completion_function = completeForReadline;
    rl_completer_word_break_characters = const_cast<char*>(wordBreaks);
}

}  // namespace hostsim
