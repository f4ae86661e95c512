// hostsim's page: the pointer over the drawing. A drag pans; a click answers a pick or point
// prompt. The cursor's coordinates show in the current UCS at the drawing's decimal places; during
// a pick the host answers for the cursor with the object the pick would select, shown with a tag
// beside the cursor saying what is asked and, when the prompt names a snap mode, a glyph at the
// point the click will take (the host computes it as it computes the click's answer).
import {postJson} from "./host.js";
import {onSessionChange, promptState, sessionEnded, showText} from "./session.js";
import {canvas, context, onViewSent, pixelsPerUnit, redraw, setLayer, strokePrimitives, toScreen,
        toWorld, view, viewChanged} from "./view.js";

export let cursor = null;   // the cursor on the canvas, in pixels
export let preview = null;  // the object a pick at the cursor would select, as /preview lists it
// The host's answer for the cursor during a pick: {object, its primitives, snap}; asked is the
// cursor it answers for.
export let hover = null;
const coordinates = document.getElementById("coordinates");
const cursorTag = document.getElementById("cursorTag");

// One question at a time; the latest cursor wins, asked again once the answer comes if the
// cursor or the view has moved meanwhile (not when the host gave no answer: it would give none
// again). An answer asked before the hover was last forgotten (a click, a new prompt) is for a
// prompt that is gone.
// A click sent answers the prompt: nothing is asked until the session shows what follows it.
let hoverAsked = false, forgotten = 0, clicked = false;
export async function askHover() {
  if (hoverAsked || clicked || !cursor || sessionEnded || !promptState.pointPrompt) return;
  hoverAsked = true;
  const asked = cursor, generation = forgotten;
  const [x, y] = toWorld(asked[0], asked[1]);
  try {
    const response = await postJson("preview", {x: x, y: y});
    const answer = response.ok ? await response.json() : null;
    if (answer && cursor && generation === forgotten && answer.object !== undefined) {
      hover = {...answer, asked: asked};
      preview = hover;
    }
  } catch (error) {
    // the host is gone; the session's watch says so
  } finally {
    hoverAsked = false;
  }
  redraw();
  if (cursor && (cursor !== asked || toWorld(...cursor).some((v, i) => v !== [x, y][i]) ||
                 generation !== forgotten)) {
    askHover();
  }
}

// The next hover is asked afresh: nothing shown is the host's answer for the cursor until then.
export function forgetHover() {
  hover = null;
  preview = null;
  ++forgotten;
}

// A new prompt: the pick it asks for is shown where the cursor rests, without a move.
onSessionChange(() => {
  clicked = false;
  forgetHover();
  redraw();
  askHover();
});
// The view the host selects in has changed: what is under the cursor may have too.
onViewSent(askHover);

function cursorMoved() {
  askHover();  // asked first: the host answers while the canvas is redrawn
  redraw();
}

function cursorLeft() {
  hover = null;
  preview = null;
  redraw();
}

// The prompt's snap mode, else its words without the ">> " and the colon, cut short.
const tagLength = 32;
function tagText() {
  if (promptState.snapMode) return promptState.snapMode;
  const words = (promptState.prompt || "").replace(/^>>\s*/, "").replace(/:\s*$/, "");
  return words.length > tagLength ? words.slice(0, tagLength - 1) + "\u2026" : words;
}

// World (x, y) in the UCS the session states, each coordinate at the drawing's decimal places
// ($LUPREC; 4 when the host names none), as CAD programs show the cursor. A zero is unsigned.
function coordinatesText(x, y) {
  const ucs = promptState.ucs;
  const given = promptState.coordinateDecimals;
  const places = Number.isInteger(given) && given >= 0 && given <= 17 ? given : 4;
  let values = [x, y, 0];
  if (ucs) {
    const offset = [x - ucs.origin[0], y - ucs.origin[1], -ucs.origin[2]];
    values = [ucs.xAxis, ucs.yAxis, ucs.zAxis].map(
        (axis) => axis[0] * offset[0] + axis[1] * offset[1] + axis[2] * offset[2]);
  }
  return values.map((value) => {
    const text = value.toFixed(places);
    return Number(text) === 0 ? text.replace("-", "") : text;
  }).join(", ");
}

// Follows every redraw: a pan or a zoom moves the world under the cursor as a move does.
function showCursor() {
  coordinates.textContent = cursor ? coordinatesText(...toWorld(cursor[0], cursor[1])) : "";
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
  showCursor();
});

// ---- the pointer: a drag pans, a click picks ----
// The host takes the click as the point typed there, if a point is still asked for when its
// turn comes; what follows comes with the session's news.
// The request goes out before the canvas is redrawn: the host starts on it meanwhile.
async function pickAt(px, py) {
  const [x, y] = toWorld(px, py);
  forgetHover();
  clicked = true;
  const sent = postJson("pick", {x: x, y: y});
  redraw();
  try {
    const response = await sent;
    const answer = await response.json().catch(() => ({}));
    if (answer.refused) showText(answer.refused + "\n");
    if (!response.ok) clicked = false;  // it answered nothing: the prompt still waits
  } catch (error) {
    clicked = false;  // the host is gone; the session's watch says so
  }
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
