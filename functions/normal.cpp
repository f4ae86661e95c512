// functions/normal.cpp - NOR, whose form without arguments takes the plane of a picked object.
//
// Kept apart from the argument forms (functions/vector.cpp) because it reaches the drawing
// through pickPlanarObject: nothing that only evaluates needs to link the picking code.
#include "contract/kvs.h"
#include "functions/handlers.h"
#include "geometry/picking.h"
#include "messages/messageNumbers.h"
#include "messages/messages.h"

namespace {

// NOR: the unit z axis of a picked circle, arc or polyline, in the user system.
void normalOfPickedObject() {
    char prompt[promptLength];  // a copy: the pick's notices look up texts between its prompts
    copyMessage(prompt, sizeof prompt, modulePicks, pickPlanePrompt);
    Point3 base, zPoint;
    if (pickPlanarObject(prompt, base, zPoint) != KVS_RTNORM) {
        reportSilentError();
        return;
    }
    Point3 normal = subtract(zPoint, base);
    normalize(normal);  // a degenerate map gives its difference unchanged
    returnVector(normal);
}

}  // namespace

void norFunction() {
    if (callFrame.argCount == 0) {
        normalOfPickedObject();
    } else {
        normalOfArguments();
    }
}
