// hostsim/snapping/snapping.h - object snap on the open drawing's primitives, in world coordinates.
//
// Offers: parseSnapModes and findSnapPoint (objectSnap.cpp). Needs: hostsim/picking (the
// primitives, the grid and the queries on them).
#ifndef VECTRIN_HOSTSIM_SNAPPING_SNAPPING_H
#define VECTRIN_HOSTSIM_SNAPPING_SNAPPING_H

#include "hostsim/picking/picking.h"

namespace hostsim {

// "_END", "end", or several words with commas ("_END,_MID") as SnapBits; 0 for anything unknown.
unsigned parseSnapModes(const char* mode);
// Among the snap points of modes on the primitives within radius of world (in the view), the one
// nearest it; PER and TAN start from `from`. False when there is none. Copies within copyCell
// of each other count as one, as hostsim/picking's primitivesNear counts them.
bool findSnapPoint(const Point& world, unsigned modes, const Point& from, double radius,
                   Point& snapped, double copyCell = 0.0);

}  // namespace hostsim

#endif
