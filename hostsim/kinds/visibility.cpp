// hostsim/kinds/visibility.cpp - whether an object shows, decided once, as its primitives are
// built: the view draws what shows, and picks, snaps and the extents take nothing else, as a CAD
// host's do.
//
// Inside a block, an object on layer 0 is on the layer of the reference that holds it. An object
// whose layer is off or frozen does not show, nor one that is invisible (group 60, or an
// attribute's flag 1 of group 70); nor does anything a reference holds when the
// reference is invisible or its layer frozen, its attributes among them. A reference on a layer
// that is off hides only what takes that layer: its own insertion point and what is on layer 0.
#include "hostsim/kinds/building.h"
#include "hostsim/kinds/kinds.h"

namespace {

const hostsim::Layer unlistedLayer;  // a layer the table does not list: on and thawed

const hostsim::Layer* layerNamed(const hostsim::Drawing& d, const std::string& name) {
    auto row = d.layers.find(name);
    return row != d.layers.end() ? &row->second : &unlistedLayer;
}

}  // namespace

namespace hostsim::building {

// The layer tables are looked up here, once an object: a block referred to a million times
// would otherwise look its objects' layers up a million times.
// Objects come in runs on one layer: each run's name is looked up once.
void readLooks(Builder& b) {
    const Drawing& d = b.drawing;
    b.looks.assign(d.objects.size(), ObjectLook());
    std::string_view lastName = "0";
    const Layer* lastLayer = nullptr;
    for (std::size_t i = 0; i < d.objects.size(); ++i) {
        const DrawingObject& o = d.objects[i];
        const DxfGroup* layerGroup = findGroup(o, 8);
        std::string_view written = layerGroup != nullptr ? layerGroup->text() : "0";
        if (written != lastName) {
            std::string name = upperName(trimmed(std::string(written)));
            lastName = written;
            lastLayer = name == "0" ? nullptr : layerNamed(d, name);
        }
        b.looks[i].layer = lastLayer;
        bool hiddenAttribute = o.type == "ATTRIB" && (groupInt(o, 70, 0) & 1) != 0;
        b.looks[i].invisible = groupInt(o, 60, 0) == 1 || hiddenAttribute;
    }
    b.inherited = InheritedLook{layerNamed(d, "0"), false};
}

void showsInside(const Builder& b, int index, ObjectBeingBuilt& s) {
    const ObjectLook& own = b.looks[static_cast<std::size_t>(index)];
    const Layer* layer = own.layer != nullptr ? own.layer : b.inherited.layer;
    s.handedOn.layer = layer;
    s.handedOn.hidden = b.inherited.hidden || layer->frozen || own.invisible;
    s.shown = !s.handedOn.hidden && !layer->off;
}

}  // namespace hostsim::building
