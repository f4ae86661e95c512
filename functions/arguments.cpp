// functions/arguments.cpp - the one check of a call's arguments against the form its function
// accepts, made before the handler runs.
#include "functions/functions.h"

namespace {

// True when one letter of a form takes the argument.
bool letterTakes(char letter, const Value& argument) {
    if (letter == 'x') return true;
    return (letter == 'v') == (argument.kind == ValueKind::Vector);
}

// True when the call's arguments fit the list that starts at list and ends at '|' or '\0'.
bool listFits(const char* list) {
    int i = 0;
    for (; list[i] != '\0' && list[i] != '|'; i++) {
        if (i >= callFrame.argCount || !letterTakes(list[i], callFrame.args[i])) return false;
    }
    return i == callFrame.argCount;
}

bool anyListFits(const char* lists) {
    for (const char* list = lists;; list++) {
        if (listFits(list)) return true;
        while (*list != '|' && *list != '\0') list++;
        if (*list == '\0') return false;
    }
}

}  // namespace

bool argumentsFit(const FunctionEntry& entry) {
    const ArgumentForm& form = *entry.accepts;
    if (form.lists == nullptr || anyListFits(form.lists)) return true;
    const char* shown = form.shown != nullptr ? form.shown : entry.name;
    int error = form.error;
    // One argument, but not of the kind the one-argument form wants: the error says which kind.
    if (error == errorNeedsOneArgument && callFrame.argCount == 1) {
        error = form.lists[0] == 'v' ? errorNeedsVector : errorNeedsReal;
    }
    reportError(error, shown);
    return false;
}
