// hostsim/drawing/colours.cpp - the DXF colour index (ACI) as RGB.
//
// 1 to 9 are named colours; 10 to 249 run through 24 hues 15 degrees apart, ten to a hue: even
// indexes at full saturation, odd ones at half, in five values from bright to dark; 250 to 255
// are greys.
#include <cmath>

#include "hostsim/drawing/drawing.h"

namespace {

const int namedColours[10] = {0x000000, 0xFF0000, 0xFFFF00, 0x00FF00, 0x00FFFF,
                              0x0000FF, 0xFF00FF, 0xFFFFFF, 0x808080, 0xC0C0C0};
const int greyLevels[6] = {51, 80, 105, 130, 190, 255};  // 250 to 255
const double valueLevels[5] = {255, 165, 127, 76, 38};

int rgb(double r, double g, double b) {
    auto byte = [](double v) { return static_cast<int>(std::floor(v)); };
    return byte(r) << 16 | byte(g) << 8 | byte(b);
}

// HSV with hue in degrees, saturation 1 or 0.5, value 0 to 255.
int hsvColour(double hue, double saturation, double value) {
    double sector = hue / 60.0;
    double low = value * (1.0 - saturation);
    double rising = low + (value - low) * (sector - std::floor(sector));
    double falling = value - (value - low) * (sector - std::floor(sector));
    switch (static_cast<int>(sector) % 6) {
        case 0: return rgb(value, rising, low);
        case 1: return rgb(falling, value, low);
        case 2: return rgb(low, value, rising);
        case 3: return rgb(low, falling, value);
        case 4: return rgb(rising, low, value);
        default: return rgb(value, low, falling);
    }
}

}  // namespace

namespace hostsim {

int aciColour(int index) {
    if (index < 1 || index > 255) return -1;
    if (index < 10) return namedColours[index];
    if (index >= 250) {
        int grey = greyLevels[index - 250];
        return grey << 16 | grey << 8 | grey;
    }
    double hue = (index / 10 - 1) * 15.0;
    int step = index % 10;
    return hsvColour(hue, step % 2 == 0 ? 1.0 : 0.5, valueLevels[step / 2]);
}

}  // namespace hostsim
