// hostsim/view/objectStyles.cpp - how an object looks: its colour and linetype, from its groups
// and the drawing's LAYER and LTYPE tables, through the block references that hold it.
//
// Inside a block, an object on layer 0 takes the layer of the reference that holds it, colour
// BYBLOCK (0) and linetype BYBLOCK take the reference's, and BYLAYER (colour 256, or no colour
// at all) the layer's. Whether it is drawn at all its primitives say (hostsim/kinds decided).
#include <cstdint>
#include <iterator>
#include <map>

#include "hostsim/kinds/kinds.h"
#include "hostsim/picking/picking.h"
#include "hostsim/view/view.h"

namespace {

using hostsim::DrawingObject;

constexpr int byBlock = 0, byLayer = 256;
const hostsim::Layer unlistedLayer;  // a layer the table does not list: colour 7, continuous

// What an object hands on to the objects of the block it references.
struct Look {
    std::string layer = "0";
    int colour = hostsim::foregroundColour;
    std::string linetype;  // upper case; empty: continuous
};

std::string upperGroup(const DrawingObject& o, int code, const char* absent) {
    const hostsim::DxfGroup* g = hostsim::findGroup(o, code);
    return hostsim::upperName(g != nullptr ? hostsim::trimmed(std::string(g->text()))
                                           : std::string(absent));
}

int colourOf(int aci) { return aci == 7 ? hostsim::foregroundColour : hostsim::aciColour(aci); }

int layerColour(const hostsim::Layer& layer) {
    return layer.trueColour >= 0 ? layer.trueColour : colourOf(layer.colour);
}

// The look of o, held by a reference that looks like holder.
Look lookInside(const hostsim::Drawing& d, const DrawingObject& o, const Look& holder) {
    Look look;
    look.layer = upperGroup(o, 8, "0");
    if (look.layer == "0") look.layer = holder.layer;
    auto row = d.layers.find(look.layer);
    const hostsim::Layer& layer = row != d.layers.end() ? row->second : unlistedLayer;
    int aci = std::abs(hostsim::groupInt(o, 62, byLayer));
    const hostsim::DxfGroup* trueColour = hostsim::findGroup(o, 420);
    double rgb = 0.0;
    if (trueColour != nullptr && hostsim::groupNumber(*trueColour, rgb))
        look.colour = static_cast<int>(rgb) & 0xFFFFFF;
    else if (aci == byBlock)
        look.colour = holder.colour;
    else if (aci == byLayer || hostsim::aciColour(aci) < 0)
        look.colour = layerColour(layer);
    else
        look.colour = colourOf(aci);
    look.linetype = upperGroup(o, 6, "BYLAYER");
    if (look.linetype == "BYLAYER") look.linetype = layer.linetype;
    if (look.linetype == "BYBLOCK") look.linetype = holder.linetype;
    return look;
}

// The usual linetypes in inches, for a drawing whose table names one without its pattern (some
// programs write their tables so): NAME2 is half as long, NAMEX2 twice. A millimetre drawing
// takes them 25.4 times as long, as its own tables would have them.
const std::vector<double>* usualPattern(const std::string& name) {
    static const std::map<std::string, std::vector<double>> patterns = [] {
        const std::pair<std::string, std::vector<double>> usual[] = {
            {"BORDER", {0.5, -0.25, 0.5, -0.25, 0, -0.25}},
            {"CENTER", {1.25, -0.25, 0.25, -0.25}},
            {"DASHDOT", {0.5, -0.25, 0, -0.25}},
            {"DASHED", {0.5, -0.25}},
            {"DIVIDE", {0.5, -0.25, 0, -0.25, 0, -0.25}},
            {"DOT", {0, -0.25}},
            {"HIDDEN", {0.25, -0.125}},
            {"PHANTOM", {1.25, -0.25, 0.25, -0.25, 0.25, -0.25}},
        };
        std::map<std::string, std::vector<double>> all;
        for (const auto& [name, lengths] : usual) {
            all[name] = lengths;
            for (double scale : {0.5, 2.0}) {
                std::vector<double>& scaled = all[name + (scale < 1 ? "2" : "X2")];
                for (double length : lengths) scaled.push_back(length * scale);
            }
        }
        return all;
    }();
    auto found = patterns.find(name);
    return found == patterns.end() ? nullptr : &found->second;
}

// The pattern of a linetype in drawing units before scaling; nullptr for a solid line.
const std::vector<double>* patternOf(const hostsim::Drawing& d, const std::string& linetype,
                                     double& units) {
    units = 1.0;
    auto row = d.linetypes.find(linetype);
    if (row != d.linetypes.end() && !row->second.empty()) return &row->second;
    const std::vector<double>* usual = usualPattern(linetype);
    if (usual != nullptr && !d.imperial) units = 25.4;
    return usual;
}

}  // namespace

namespace hostsim {

bool primitiveStyle(const Primitive& p, PlanStyle& style) {
    const Drawing& d = currentDrawing();
    if (!p.shown || p.leaf < 0 || p.leaf >= static_cast<int>(d.objects.size())) return false;
    const std::vector<int>& holders = drawingInstance(p.instance).containers;
    Look look;  // the drawing itself: BYBLOCK at the top is the foreground, continuous
    for (auto holder = holders.rbegin(); holder != holders.rend(); ++holder)
        look = lookInside(d, d.objects[*holder], look);
    const DrawingObject& o = wholeObject(d, p.leaf);  // a vertex looks as its polyline does
    look = lookInside(d, o, look);
    style.colour = look.colour;
    style.dashes.clear();
    double units = 1.0;
    const std::vector<double>* pattern = patternOf(d, look.linetype, units);
    if (pattern == nullptr) return true;
    double scale = units * groupReal(o, 48, 1.0) * d.linetypeScale;
    for (double length : *pattern) style.dashes.push_back(length * scale);
    return true;
}

bool lookKey(const Primitive& p, std::string& key) {
    const Drawing& d = currentDrawing();
    if (!p.shown || p.leaf < 0 || p.leaf >= static_cast<int>(d.objects.size())) return false;
    key.assign(reinterpret_cast<const char*>(&p.instance), sizeof p.instance);
    const DrawingObject& o = wholeObject(d, p.leaf);
    // The first group of each code lookInside and primitiveStyle read, found in one pass.
    constexpr int codes[] = {8, 62, 420, 6, 48};
    const DxfGroup* first[std::size(codes)] = {};
    for (const DxfGroup& g : o.groups)
        for (std::size_t i = 0; i < std::size(codes); ++i)
            if (g.code == codes[i] && first[i] == nullptr) first[i] = &g;
    for (const DxfGroup* g : first) {
        if (g == nullptr) {
            key += 'a';
        } else if (!g->holdsText()) {
            double number = g->number();
            key += 'n';
            key.append(reinterpret_cast<const char*>(&number), sizeof number);
        } else {
            std::string_view text = g->text();
            std::uint32_t size = static_cast<std::uint32_t>(text.size());
            key += 't';
            key.append(reinterpret_cast<const char*>(&size), sizeof size);
            key.append(text);
        }
    }
    return true;
}

}  // namespace hostsim
