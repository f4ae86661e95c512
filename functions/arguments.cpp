// functions/arguments.cpp - the argument checks that every handler makes before it computes.
#include "functions/handlers.h"

bool matchesForm(const char* form) {
    int i = 0;
    for (; form[i] != '\0'; i++) {
        if (i >= callFrame.argCount) return false;
        bool isVector = callFrame.args[i].kind == ValueKind::Vector;
        if ((form[i] == 'v') != isVector) return false;
    }
    return i == callFrame.argCount;
}

bool allArgumentsVectors() {
    for (int i = 0; i < callFrame.argCount; i++) {
        if (callFrame.args[i].kind != ValueKind::Vector) return false;
    }
    return true;
}

bool checkOneArgument(const char* displayName, bool wantVector) {
    if (ErrorCode != 0) return false;
    if (callFrame.argCount != 1) {
        reportError(errorNeedsOneArgument, displayName);
        return false;
    }
    bool isVector = callFrame.args[0].kind == ValueKind::Vector;
    if (isVector != wantVector) {
        reportError(wantVector ? errorNeedsVector : errorNeedsReal, displayName);
        return false;
    }
    return true;
}
