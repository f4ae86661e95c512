// hostsim's page: the keyboard moves the view: + or = zooms in, - out, the arrows pan. They act
// while the command line does not have the keys, and in an empty command line at Command:, where
// + = - and Left and Right have nothing to edit and would run no command (Up and Down walk the
// history there); Shift with an arrow pans from anywhere.
import {atCommandPrompt} from "./session.js";
import {view, viewChanged} from "./view.js";

const commandLine = document.getElementById("commandLine");

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

export function isTyping(target) {
  return target instanceof HTMLInputElement || target instanceof HTMLTextAreaElement;
}

export function viewKeyActs(event) {
  if (!viewKeys[event.key] || event.ctrlKey || event.metaKey || event.altKey) return false;
  if (event.shiftKey && event.key.startsWith("Arrow")) return true;
  if (!isTyping(event.target)) return true;
  const walksHistory = event.key === "ArrowUp" || event.key === "ArrowDown";
  return event.target === commandLine && commandLine.value === "" && atCommandPrompt() &&
         !walksHistory;
}

document.addEventListener("keydown", (event) => {
  if (event.defaultPrevented || !viewKeyActs(event)) return;
  event.preventDefault();
  viewKeys[event.key]();
});
