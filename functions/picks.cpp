// functions/picks.cpp - END to INS (object snap), CUR and RAD: points and radii from the drawing.
#include "functions/handlers.h"
#include "geometry/picking.h"
#include "messages/messageNumbers.h"
#include "messages/messages.h"

namespace {

constexpr int initgetNoNullNoLimits = 9;

// The handler body of END to INS (the mode text is also the name their argument error quotes).
void snapFunction(const char* mode) {
    // The head is copied before the tail is looked up: that lookup may flush the head's block.
    char head[promptLength];
    copyMessage(head, sizeof head, modulePicks, pickSnapPromptHead);
    char prompt[promptLength];
    composePrompt(prompt, head, mode + 1, getMessage(modulePicks, pickSnapPromptTail));
    callFrame.result.kind = ValueKind::Vector;
    Point3 point{};
    if (snapPick(prompt, mode, point) != KVS_RTNORM) {
        reportSilentError();
        return;
    }
    returnVector(point);
    setLastPoint(point);
}

}  // namespace

void endFunction() { snapFunction("_END"); }
void midFunction() { snapFunction("_MID"); }
void cenFunction() { snapFunction("_CEN"); }
void intFunction() { snapFunction("_INT"); }
void neaFunction() { snapFunction("_NEA"); }
void nodFunction() { snapFunction("_NOD"); }
void quaFunction() { snapFunction("_QUA"); }
void perFunction() { snapFunction("_PER"); }
void tanFunction() { snapFunction("_TAN"); }
void insFunction() { snapFunction("_INS"); }

void curFunction() {
    callFrame.result.kind = ValueKind::Vector;
    double point[3] = {0, 0, 0};
    kvs_initget(initgetNoNullNoLimits, nullptr);
    if (kvs_getpoint(nullptr, getMessage(modulePicks, pickPointPrompt), point) != KVS_RTNORM) {
        reportSilentError();
        return;
    }
    Point3 picked{point[0], point[1], point[2]};
    returnVector(picked);
    setLastPoint(picked);
}

void radFunction() {
    char prompt[promptLength];  // a copy: the pick's notices look up texts between its prompts
    copyMessage(prompt, sizeof prompt, modulePicks, pickRadiusPrompt);
    double radius = 0;
    if (pickRadius(prompt, radius) != KVS_RTNORM) {
        reportSilentError();
        return;
    }
    returnReal(radius);
}
