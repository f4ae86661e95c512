// hostsim/view/viewWindow.cpp - the window of world XY the view shows: VIEWSIZE and SCREENSIZE
// from the system variables, the centre from the page that last set its view.
#include <cmath>

#include "hostsim/view/view.h"

// ---- view state: where the page centred its view; the host has no centre of its own ----
static bool pageCentered = false;
static double pageCenterX = 0.0, pageCenterY = 0.0;

namespace {

void extentsCenter(double& x, double& y) {
    hostsim::Point low, high;
    x = y = 0.0;
    if (!hostsim::viewExtents(low, high)) return;
    x = (low[0] + high[0]) / 2;
    y = (low[1] + high[1]) / 2;
}

}  // namespace

namespace hostsim {

ViewWindow currentViewWindow() {
    ensureDrawingOpen();
    QValue viewSize, screenSize;
    getSysvar("VIEWSIZE", viewSize);
    getSysvar("SCREENSIZE", screenSize);
    ViewWindow window{0.0, 0.0, 0.0, viewSize.number(), 1.0, 1.0};
    if (screenSize.isPoint()) {
        window.screenWidth = screenSize.coordinates()[0];
        window.screenHeight = screenSize.coordinates()[1];
    }
    window.width = window.height * window.screenWidth / window.screenHeight;
    if (pageCentered) {
        window.centerX = pageCenterX;
        window.centerY = pageCenterY;
    } else {
        extentsCenter(window.centerX, window.centerY);
    }
    return window;
}

// SCREENSIZE refuses a side outside 1 to maxScreenPixels, as it does from anywhere else.
bool setPageView(double viewHeight, double screenWidth, double screenHeight) {
    if (!(viewHeight > 0.0) || !std::isfinite(viewHeight)) return false;
    return setSysvarPoint("SCREENSIZE", {screenWidth, screenHeight, 0.0}) &&
           setSysvarReal("VIEWSIZE", viewHeight);
}

bool setPageView(double centerX, double centerY, double viewHeight, double screenWidth,
                 double screenHeight) {
    if (!std::isfinite(centerX) || !std::isfinite(centerY) ||
        !setPageView(viewHeight, screenWidth, screenHeight))
        return false;
    pageCentered = true;
    pageCenterX = centerX;
    pageCenterY = centerY;
    return true;
}

void forgetPageView() { pageCentered = false; }

}  // namespace hostsim
