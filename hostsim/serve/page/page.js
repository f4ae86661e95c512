// hostsim's page: the host session in a browser. This module starts the page: it loads the
// modules that make it up, lower ones first (host.js: the requests; session.js: the transcript,
// the prompt and the marks; view.js: the drawing; marks.js and cursor.js: what is drawn over it;
// keys.js and commandLine.js: the keyboard; drop.js: a dropped file), lays out the panes and
// starts following the session.
import "./marks.js";
import "./cursor.js";
import "./commandLine.js";
import "./drop.js";
import {watchSession} from "./session.js";

const transcript = document.getElementById("transcript");
// The transcript folds to its bar, or is made taller or shorter by dragging the bar above it; the
// drawing takes the rest.
const splitter = document.getElementById("splitter");
document.getElementById("transcriptToggle").addEventListener("click", (event) => {
  const folded = transcript.classList.toggle("collapsed");
  event.currentTarget.setAttribute("aria-expanded", String(!folded));
  if (!folded) transcript.scrollTop = transcript.scrollHeight;
});
splitter.addEventListener("pointerdown", (event) => {
  splitter.setPointerCapture(event.pointerId);
  const startY = event.clientY, startHeight = transcript.clientHeight;
  const resize = (move) => {
    const height = Math.max(40, Math.min(window.innerHeight * 0.8,
                                         startHeight + startY - move.clientY));
    transcript.style.height = height + "px";
    transcript.classList.remove("collapsed");
  };
  splitter.addEventListener("pointermove", resize);
  splitter.addEventListener("pointerup", () => splitter.removeEventListener("pointermove", resize),
                            {once: true});
});

watchSession();
