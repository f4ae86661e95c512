// hostsim's page: the pointer over the drawing. A drag pans; a click answers a pick or point
// prompt. The cursor's coordinates in the current UCS, at the session's precision; during a pick,
// the object the pick would select, a tag beside the cursor saying what is asked and, when the
// prompt names a snap mode, a glyph at the point the click will take (the host computes it as it
// computes the click's answer).
import {postJson} from "./host.js";
import {afterAnswer, onSessionChange, promptState, sessionEnded, showText} from "./session.js";
import {canvas, context, pixelsPerUnit, redraw, setLayer, strokePrimitives, toScreen, toWorld,
        view, viewChanged} from "./view.js";

export let cursor = null;   // the cursor on the canvas, in pixels
export let preview = null;  // the object a pick at the cursor would select, as /preview lists it
const coordinates = document.getElementById("coordinates");
const cursorTag = document.getElementById("cursorTag");
// The host's answer for the cursor: {at, and during a pick object, its primitives, snap}; asked
// is the cursor it answers for.
export let hover = null;

// One question at a time; the latest cursor wins.
let hoverAsked = false;
export async function askHover() {
  if (hoverAsked || !cursor || sessionEnded) return;
  hoverAsked = true;
  const asked = cursor;
  const [x, y] = toWorld(asked[0], asked[1]);
  try {
    const response = await postJson("preview", {x: x, y: y});
    if (response.ok && cursor) {
      hover = await response.json();
      hover.asked = asked;
      preview = promptState.pointPrompt && hover.object !== undefined ? hover : null;
    }
  } catch (error) {
    // the host is gone; the transcript's watch says so
  } finally {
    hoverAsked = false;
  }
  showHover();
  redraw();
  if (cursor && cursor !== asked) askHover();
}

// The next hover is asked afresh: nothing shown is the host's answer for the cursor until then.
export function forgetHover() {
  hover = null;
  preview = null;
}

onSessionChange(() => {
  if (!promptState.pointPrompt) preview = null;
  showHover();
  redraw();
});

function cursorMoved() {
  showHover();
  redraw();
  askHover();
}

function cursorLeft() {
  hover = null;
  showHover();
  redraw();
}

// The prompt's snap mode, else its words without the ">> " and the colon, cut short.
const tagLength = 32;
function tagText() {
  if (promptState.snapMode) return promptState.snapMode;
  const words = (promptState.prompt || "").replace(/^>>\s*/, "").replace(/:\s*$/, "");
  return words.length > tagLength ? words.slice(0, tagLength - 1) + "\u2026" : words;
}

function showHover() {
  coordinates.textContent = cursor && hover ? hover.at : "";
  const tagged = cursor !== null && promptState.pointPrompt && !sessionEnded;
  cursorTag.hidden = !tagged;
  if (!tagged) return;
  cursorTag.textContent = tagText();
  const left = Math.min(cursor[0] + 14, canvas.clientWidth - cursorTag.offsetWidth - 2);
  cursorTag.style.left = Math.max(0, left) + "px";
  cursorTag.style.top = Math.max(0, cursor[1] + 14) + "px";
}

// ---- the snap glyph: one shape per mode ----
const glyphHalf = 7;
const glyphShapes = {
  END: (x, y, h) => context.rect(x - h, y - h, 2 * h, 2 * h),
  MID: (x, y, h) => { context.moveTo(x, y - h); context.lineTo(x + h, y + h);
                      context.lineTo(x - h, y + h); context.closePath(); },
  CEN: (x, y, h) => context.arc(x, y, h, 0, 2 * Math.PI),
  INT: (x, y, h) => { context.moveTo(x - h, y - h); context.lineTo(x + h, y + h);
                      context.moveTo(x + h, y - h); context.lineTo(x - h, y + h); },
  NEA: (x, y, h) => { context.moveTo(x - h, y - h); context.lineTo(x + h, y - h);
                      context.lineTo(x - h, y + h); context.lineTo(x + h, y + h);
                      context.closePath(); },
  QUA: (x, y, h) => { context.moveTo(x, y - h); context.lineTo(x + h, y); context.lineTo(x, y + h);
                      context.lineTo(x - h, y); context.closePath(); },
  NOD: (x, y, h) => { context.arc(x, y, h, 0, 2 * Math.PI); glyphShapes.INT(x, y, h * 0.7); },
  PER: (x, y, h) => { context.moveTo(x - h, y + h); context.lineTo(x + h, y + h);
                      context.moveTo(x, y + h); context.lineTo(x, y - h); },
  TAN: (x, y, h) => { context.arc(x, y + h / 3, h * 0.66, 0, 2 * Math.PI);
                      context.moveTo(x - h, y - h / 2); context.lineTo(x + h, y - h / 2); },
  INS: (x, y, h) => { context.rect(x - h, y - h, h, h); context.rect(x, y, h, h); },
};

// The pick box: PICKBOX pixels each way from the cursor, as the host's selection measures it.
function drawPickBox() {
  if (!promptState.pointPrompt || !cursor) return;
  const half = Math.max(1, promptState.pickbox);
  context.strokeStyle = "#ffd75e";
  context.lineWidth = 1;
  context.strokeRect(cursor[0] - half + 0.5, cursor[1] - half + 0.5, 2 * half, 2 * half);
}

function drawSnapGlyph() {
  if (!promptState.pointPrompt || !cursor || !hover || !hover.snap) return;
  const [x, y] = toScreen(hover.snap.x, hover.snap.y);
  const shape = glyphShapes[hover.snap.mode] || glyphShapes.END;
  context.strokeStyle = "#a5ff5e";
  context.lineWidth = 2;
  context.beginPath();
  context.moveTo(x + glyphHalf, y);
  shape(x, y, glyphHalf);
  context.stroke();
}

setLayer("highlight", () => {
  if (preview && preview.object >= 0) strokePrimitives(preview, "#4fc3f7", 3);
});
setLayer("cursor", () => {
  drawSnapGlyph();
  drawPickBox();
});

// ---- the pointer: a drag pans, a click picks ----
async function pickAt(px, py) {
  const [x, y] = toWorld(px, py);
  forgetHover();
  const response = await postJson("pick", {x: x, y: y});
  const answer = await response.json();
  if (answer.refused) showText(answer.refused + "\n");
  await afterAnswer();
}

// A press that moves less than clickSlack pixels is a click: at a point prompt it picks.
const clickSlack = 3;
let dragFrom = null;   // the last pointer position of a drag, in pixels
let pressedAt = null;  // where the press began
canvas.addEventListener("pointerdown", (event) => {
  dragFrom = [event.offsetX, event.offsetY];
  pressedAt = dragFrom;
  canvas.setPointerCapture(event.pointerId);
});
canvas.addEventListener("pointermove", (event) => {
  cursor = [event.offsetX, event.offsetY];
  if (!dragFrom) {
    cursorMoved();
    return;
  }
  const scale = pixelsPerUnit();
  view.centerX -= (event.offsetX - dragFrom[0]) / scale;
  view.centerY += (event.offsetY - dragFrom[1]) / scale;
  dragFrom = [event.offsetX, event.offsetY];
  viewChanged();
});
canvas.addEventListener("pointerup", (event) => {
  const click = pressedAt && Math.hypot(event.offsetX - pressedAt[0],
                                        event.offsetY - pressedAt[1]) < clickSlack;
  dragFrom = null;
  pressedAt = null;
  if (click && promptState.pointPrompt) pickAt(event.offsetX, event.offsetY);
  document.getElementById("commandLine").focus();  // typing after a click goes there
});
canvas.addEventListener("pointerleave", () => {
  cursor = null;
  cursorLeft();
});
