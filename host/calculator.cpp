// host/calculator.cpp - calEntry: the one handler behind CAL, C:CAL and their localised names.
#include "host/calculator.h"

#include <cstring>

#include "contract/kvs.h"
#include "engine/engine.h"
#include "messages/messageNumbers.h"
#include "messages/messages.h"

namespace {

constexpr int initgetNoNull = 1;  // the answer may not be empty
constexpr int blanksAllowed = 1;

enum EntryResult { resultBadArgument = 0, resultFinished = 1, resultPromptFailed = 3 };

void returnValue(const Value& value) {
    switch (value.kind) {
        case ValueKind::Vector: {
            const double point[3] = {value.x, value.y, value.z};
            kvs_retpoint(point);
            break;
        }
        case ValueKind::Real: kvs_retreal(value.num); break;
        case ValueKind::Integer:
            kvs_retint(static_cast<int>(value.num));  // within 16 bits: evaluateStatement checked
            break;
    }
}

// Copies the single text argument. A text too long for the buffer is refused whole: cutting
// it would evaluate a different expression and report success.
int takeArgument(const ResultBuffer* args, char* expressionText, size_t size) {
    if (args->type != KVS_RTSTR || args->next != nullptr || args->value.text == nullptr) {
        reportError(errorNotAString, nullptr);
        return resultBadArgument;
    }
    size_t length = std::strlen(args->value.text);
    if (length >= size) {
        reportError(0, getMessage(moduleEntry, entryExpressionTooLong));
        return resultBadArgument;
    }
    std::memcpy(expressionText, args->value.text, length + 1);
    return resultFinished;
}

// Asks until the answer is not empty; KVS_RTNORM, or the status that ends the command.
int askForExpression(char* expressionText, size_t size) {
    expressionText[0] = '\0';
    while (expressionText[0] == '\0') {
        kvs_initget(initgetNoNull, nullptr);
        int status = kvs_getstring(blanksAllowed, getMessage(moduleEntry, entryExpressionPrompt),
                                   expressionText, size);
        if (status != KVS_RTNORM) {
            expressionText[0] = '\0';
            return status;
        }
    }
    return KVS_RTNORM;
}

}  // namespace

int calEntry() {
    char expressionText[maxExpressionLength + 1];
    const ResultBuffer* args = kvs_getargs();
    for (;;) {
        ErrorCode = 0;
        if (args != nullptr) {
            int taken = takeArgument(args, expressionText, sizeof expressionText);
            if (taken != resultFinished) return taken;
        } else {
            int status = askForExpression(expressionText, sizeof expressionText);
            if (status == KVS_RTCAN) return resultFinished;
            if (status != KVS_RTNORM) {
                reportError(errorNotAString, nullptr);
                return resultPromptFailed;
            }
        }
        Value value;
        if (evaluateStatement(expressionText, value)) {
            returnValue(value);
            return resultFinished;
        }
        if (args != nullptr) return resultFinished;  // the function form does not ask again
    }
}
