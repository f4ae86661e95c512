// hostsim's page: the keyboard moves the view (+ or = zooms in, - out, the arrows pan) while
// the command line does not have the keys.
"use strict";

const keyZoomFactor = 1.25;  // one key press
const keyPanShare = 0.1;     // of the view's height, per press

function zoomAboutCentre(factor) {
  view.height /= factor;
  viewChanged();
}

function panBy(shareX, shareY) {
  view.centerX += shareX * view.height;
  view.centerY += shareY * view.height;
  viewChanged();
}

const viewKeys = {
  "+": () => zoomAboutCentre(keyZoomFactor),
  "=": () => zoomAboutCentre(keyZoomFactor),
  "-": () => zoomAboutCentre(1 / keyZoomFactor),
  "ArrowLeft": () => panBy(-keyPanShare, 0),
  "ArrowRight": () => panBy(keyPanShare, 0),
  "ArrowUp": () => panBy(0, keyPanShare),
  "ArrowDown": () => panBy(0, -keyPanShare),
};

document.addEventListener("keydown", (event) => {
  const action = viewKeys[event.key];
  const typing = event.target instanceof HTMLInputElement ||
                 event.target instanceof HTMLTextAreaElement;
  if (!action || typing || event.ctrlKey || event.metaKey || event.altKey) return;
  event.preventDefault();
  action();
});
