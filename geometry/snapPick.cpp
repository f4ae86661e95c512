// geometry/snapPick.cpp - picking a point on a drawing object with the host's object snap.
#include <cstdio>

#include "geometry/picking.h"
#include "messages/messageNumbers.h"
#include "messages/messages.h"

namespace {

// ---- snap-pick state: meaningful only around one selection call ----
ResultBuffer savedPickbox;  // PICKBOX as it was before the current pick

void printNotice(int module, int number) { kvs_printf("%s", getMessage(module, number)); }

Point3 toPoint(const double p[3]) { return Point3{p[0], p[1], p[2]}; }

}  // namespace

void composePrompt(char* prompt, const char* head, const char* word, const char* tail) {
    std::snprintf(prompt, promptLength, "%s%s%s", head != nullptr ? head : "",
                  word != nullptr ? word : "", tail != nullptr ? tail : "");
}

void pickboxFromAperture(bool on) {
    if (on) {
        kvs_getvar("PICKBOX", &savedPickbox);
        ResultBuffer aperture{};
        kvs_getvar("APERTURE", &aperture);
        kvs_setvar("PICKBOX", &aperture);
    } else {
        kvs_setvar("PICKBOX", &savedPickbox);
    }
}

int snapPick(const char* prompt, const char* mode, Point3& point) {
    for (;;) {
        kvs_name picked = {0, 0};
        double pickPoint[3] = {0, 0, 0};
        pickboxFromAperture(true);
        int status = kvs_entsel(prompt, picked, pickPoint);
        pickboxFromAperture(false);  // whatever the outcome of the selection
        if (status == KVS_RTNORM) {
            double snapped[3] = {pickPoint[0], pickPoint[1], pickPoint[2]};
            int snapStatus = kvs_osnap(pickPoint, mode, snapped);
            if (snapStatus == KVS_RTNORM) {
                point = toPoint(snapped);
                return KVS_RTNORM;
            }
            if (snapStatus == KVS_RTCAN) return KVS_RTCAN;  // the user stopped a long snap
            printNotice(moduleNotices, noticeSnapNoPoint);
        } else if (status == KVS_RTCAN || status == KVS_RTREJ) {
            return status;
        } else {
            printNotice(moduleNotices, noticeSnapNothingFound);
        }
    }
}

// name is read after the lookups of each prompt and notice: a catalogue text must be a copy.
int pickEndpointPair(Point3& first, Point3& second, const char* name) {
    char prompt[promptLength];
    for (;;) {
        composePrompt(prompt, getMessage(modulePicks, pickFirstEndpointPrompt), name, ":\n");
        int status = snapPick(prompt, "_END", first);
        if (status != KVS_RTNORM) return status;
        composePrompt(prompt, getMessage(modulePicks, pickSecondEndpointPrompt), name, ":\n");
        status = snapPick(prompt, "_END", second);
        if (status != KVS_RTNORM) return status;
        if (distance(first, second) >= geometricTolerance) return KVS_RTNORM;
        printNotice(modulePicks, pickEndpointsCoincide);  // both are asked again
    }
}

void setLastPoint(const Point3& point) {
    ResultBuffer rb{};
    rb.type = KVS_RT3DPOINT;
    rb.value.point[0] = point.x;
    rb.value.point[1] = point.y;
    rb.value.point[2] = point.z;
    kvs_setvar("LASTPOINT", &rb);
}
