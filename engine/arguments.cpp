// engine/arguments.cpp - the report of a call whose arguments fit none of the lists its
// function accepts; the check itself is argumentsFit (engine/functionTable.h).
#include "engine/functionTable.h"

void reportArgumentMismatch(const FunctionEntry& entry) {
    const ArgumentForm& form = *entry.accepts;
    const char* shown = form.shown != nullptr ? form.shown : entry.name;
    int error = form.error;
    // One argument, but not of the kind the one-argument form wants: the error says which kind.
    if (error == errorNeedsOneArgument && callFrame.argCount == 1) {
        error = (form.lists[0].vectors & 1u) != 0 ? errorNeedsVector : errorNeedsReal;
    }
    reportError(error, shown);
}
