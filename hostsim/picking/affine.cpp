// hostsim/picking/affine.cpp - the maps that take a block's (or an object's own) coordinates to
// world: applied to points and directions, and composed through nested references.
#include "hostsim/picking/picking.h"

namespace hostsim {

Point applyLinear(const Affine& m, const Point& v) {
    return add(add(scale(m.x, v[0]), scale(m.y, v[1])), scale(m.z, v[2]));
}

Point applyAffine(const Affine& m, const Point& p) { return add(applyLinear(m, p), m.origin); }

Affine composeAffine(const Affine& outer, const Affine& inner) {
    Affine out;
    out.x = applyLinear(outer, inner.x);
    out.y = applyLinear(outer, inner.y);
    out.z = applyLinear(outer, inner.z);
    out.origin = applyAffine(outer, inner.origin);
    return out;
}

}  // namespace hostsim
