// hostsim's page: sends the lines typed to the host session, shows its transcript, and draws
// the drawing in the host's view (a plan view of world XY), each object in its colour and
// linetype, with pan, zoom and zoom to extents.
"use strict";

const transcript = document.getElementById("transcript");
const commandLine = document.getElementById("commandLine");
const canvas = document.getElementById("view");
const context = canvas.getContext("2d");
let transcriptEnd = 0;  // the offset of the next transcript byte to show
let drawing = null;     // the host's primitives, as /drawing lists them
// What the session waits for, from /state: a pick or point, the pick box, the prompt's last line
// and the snap mode it names.
let promptState = {pointPrompt: false, pickbox: 0, prompt: "Command: "};
let sessionEnded = false;  // QUIT ran, or the host is gone
let preview = null;     // the object a pick at the cursor would select, as /preview lists it
let cursor = null;      // the cursor on the canvas, in pixels
// The view: the world point at the canvas centre and the world height the canvas shows.
const view = {centerX: 0, centerY: 0, height: 20};

// ---- the session token and the host's requests ----
// The token comes in the address hostsim printed. It leaves the address bar at once and stays in
// this tab's session storage, which a reload keeps and no other port's page can read; it travels
// in a header, never as a cookie, which every server on 127.0.0.1 would receive.
const tokenHeader = "X-Vectrin-Token";
const sessionToken = takeSessionToken();
function takeSessionToken() {
  const address = new URL(window.location.href);
  const given = address.searchParams.get("token");
  if (given) {
    sessionStorage.setItem("token", given);
    address.searchParams.delete("token");
    history.replaceState(history.state, "", address.pathname + address.search + address.hash);
  }
  return sessionStorage.getItem("token") || "";
}

function hostFetch(path, init = {}) {
  const headers = new Headers(init.headers);
  headers.set(tokenHeader, sessionToken);
  return fetch(path, {...init, headers: headers});
}

// Names this page's transcript requests: the host answers an older one of the same page at once.
const pageId = Array.from(crypto.getRandomValues(new Uint8Array(8)),
                          (byte) => byte.toString(16).padStart(2, "0")).join("");

// ---- the transcript and the command line ----
function showText(text) {
  transcript.textContent += text;
  transcript.scrollTop = transcript.scrollHeight;
}

// One request at a time reads the transcript: the host answers it as soon as the session prints
// (whoever typed the line, here or at the terminal), or empty after a while, and the page asks
// again.
async function watchTranscript() {
  if (!sessionToken) showText("Open the address hostsim printed: this one has no session token.\n");
  let unreachable = 0;  // requests in a row that reached no host
  while (!sessionEnded) {
    try {
      const response = await hostFetch("transcript?wait=1&page=" + pageId + "&from=" + transcriptEnd);
      unreachable = 0;
      if (!response.ok) throw new Error("the transcript: " + response.status);
      const answer = await response.json();
      transcriptEnd = answer.end;
      if (answer.text) {
        showText(answer.text);
        afterAnswer();  // not awaited: the host answers it only once the session waits again
      }
      if (answer.ended) endSession();
    } catch (error) {
      if (error instanceof TypeError && ++unreachable >= 2) endSession();  // no host listens
      await new Promise((resolve) => setTimeout(resolve, 1000));  // the host is gone or busy
    }
  }
}

// Nothing more can run: the input says so and takes no more lines.
function endSession() {
  if (sessionEnded) return;
  sessionEnded = true;
  showText("\nThe session has ended; start hostsim --serve again for a new one.\n");
  commandLine.value = "";
  commandLine.disabled = true;
  commandLine.placeholder = "The session has ended.";
  showPrompt("");
  promptState.pointPrompt = false;
  redraw();
}

// A refused line never reached the session, which still waits at its prompt: shown again.
async function sendLine(line) {
  const response = await postJson("line", {line: line});
  const answer = await response.json();
  if (answer.refused) showText(line + "\n" + answer.refused + "\n" + promptState.prompt);
  await afterAnswer();
}

async function postJson(path, value) {
  return hostFetch(path, {
    method: "POST",
    headers: {"Content-Type": "application/json"},
    body: JSON.stringify(value),
  });
}

async function readPromptState() {
  const response = await hostFetch("state");
  if (response.ok && !sessionEnded) promptState = await response.json();
  if (!promptState.pointPrompt) preview = null;
  showPrompt(sessionEnded ? "" : promptState.prompt);
  showHover();  // cursor.js: the tag goes with the pick
  redraw();
}

// The prompt's state and the marks after the session printed or was answered. Calls that come
// while a reading runs make one more reading after it, not one each.
let refreshing = false, refreshAgain = false;
async function afterAnswer() {
  if (refreshing) {
    refreshAgain = true;
    return;
  }
  refreshing = true;
  try {
    do {
      refreshAgain = false;
      await readPromptState();
      await readMarks();  // marks.js
    } while (refreshAgain);
  } finally {
    refreshing = false;
  }
}


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

// ---- the view ----
function pixelsPerUnit() { return canvas.height / view.height; }

function toScreen(x, y) {
  const scale = pixelsPerUnit();
  return [canvas.width / 2 + (x - view.centerX) * scale,
          canvas.height / 2 - (y - view.centerY) * scale];
}

function toWorld(px, py) {
  const scale = pixelsPerUnit();
  return [view.centerX + (px - canvas.width / 2) / scale,
          view.centerY - (py - canvas.height / 2) / scale];
}

// The world-to-canvas map of the current view as plain numbers: a large drawing's redraw maps a
// million points, so no array is made per point. Canvas x = left + x * scale, y = top - y * scale.
let mapping = {scale: 1, left: 0, top: 0};
function updateMapping() {
  const scale = pixelsPerUnit();
  mapping = {scale: scale, left: canvas.width / 2 - view.centerX * scale,
             top: canvas.height / 2 + view.centerY * scale};
}

// Level of detail: what lies wholly off the canvas is skipped; what is smaller than a pixel is
// one pixel's dot, so that a dense region still shows.
function offCanvas(lowX, lowY, highX, highY) {
  return highX < 0 || highY < 0 || lowX > canvas.width || lowY > canvas.height;
}

function traceDot(x, y) {
  context.moveTo(x, y);
  context.lineTo(x + 1, y);
}

function traceSegments(list) {
  const {scale, left, top} = mapping;
  for (let i = 0; i + 3 < list.length; i += 4) {
    const ax = left + list[i] * scale, ay = top - list[i + 1] * scale;
    const bx = left + list[i + 2] * scale, by = top - list[i + 3] * scale;
    if (offCanvas(Math.min(ax, bx), Math.min(ay, by), Math.max(ax, bx), Math.max(ay, by))) continue;
    context.moveTo(ax, ay);
    context.lineTo(bx, by);
  }
}

// centre + u cos t + v sin t, in chords that stray from the curve by a quarter pixel at most.
function traceCurve([cx, cy, ux, uy, vx, vy, t0, t1]) {
  const {scale, left, top} = mapping;
  const radiusPixels = Math.max(Math.hypot(ux, uy), Math.hypot(vx, vy)) * scale;
  const centreX = left + cx * scale, centreY = top - cy * scale;
  if (offCanvas(centreX - radiusPixels, centreY - radiusPixels, centreX + radiusPixels,
                centreY + radiusPixels)) return;
  if (radiusPixels < 1) return traceDot(centreX, centreY);
  const steps = Math.max(3, Math.min(512, Math.ceil(Math.abs(t1 - t0) *
                                                    Math.sqrt(radiusPixels / 2))));
  for (let i = 0; i <= steps; i++) {
    const t = t0 + (t1 - t0) * i / steps;
    const c = Math.cos(t), s = Math.sin(t);
    const x = centreX + (ux * c + vx * s) * scale, y = centreY - (uy * c + vy * s) * scale;
    if (i === 0) context.moveTo(x, y); else context.lineTo(x, y);
  }
}

// Points closer than half a pixel to the last one drawn are passed over.
function tracePolyline(points) {
  const {scale, left, top} = mapping;
  let lastX = 0, lastY = 0;
  for (let i = 0; i + 1 < points.length; i += 2) {
    const x = left + points[i] * scale, y = top - points[i + 1] * scale;
    if (i === 0) {
      context.moveTo(x, y);
    } else if (Math.abs(x - lastX) >= 0.5 || Math.abs(y - lastY) >= 0.5 || i + 3 >= points.length) {
      context.lineTo(x, y);
    } else {
      continue;
    }
    lastX = x;
    lastY = y;
  }
}

function traceNodes(list) {
  const {scale, left, top} = mapping;
  for (let i = 0; i + 1 < list.length; i += 2) {
    const x = left + list[i] * scale, y = top - list[i + 1] * scale;
    context.moveTo(x - 3, y); context.lineTo(x + 3, y);
    context.moveTo(x, y - 3); context.lineTo(x, y + 3);
  }
}

// Texts at a readable size are filled, set in a monospace face a text height tall and fitted to
// their line's length as the host measures it; smaller ones are their baseline, as one stroke.
const textFontPixels = 100;  // set large and scaled down: browsers round small font sizes
function drawTexts(texts, colour) {
  const {scale, left, top} = mapping;
  context.fillStyle = colour;
  context.strokeStyle = colour;
  context.lineWidth = 1;
  context.font = textFontPixels + "px monospace";
  context.beginPath();
  for (const [x, y, alongX, alongY, upX, upY, length, text] of texts) {
    const startX = left + x * scale, startY = top - y * scale;
    const endX = startX + alongX * length * scale, endY = startY - alongY * length * scale;
    const heightPixels = Math.hypot(upX, upY) * scale;
    if (offCanvas(Math.min(startX, endX) - heightPixels, Math.min(startY, endY) - heightPixels,
                  Math.max(startX, endX) + heightPixels, Math.max(startY, endY) + heightPixels)) {
      continue;
    }
    if (heightPixels < 4 || !text) {
      context.moveTo(startX, startY);
      context.lineTo(endX, endY);
      continue;
    }
    const width = context.measureText(text).width;
    const fit = width > 0 && length > 0 ? length * textFontPixels / width : 1;
    const k = scale / textFontPixels;
    context.setTransform(alongX * k * fit, -alongY * k * fit, -upX * k, upY * k, startX, startY);
    context.fillText(text, 0, 0);
    context.setTransform(1, 0, 0, 1, 0, 0);
  }
  context.stroke();
}

function strokePrimitives(primitives, colour, width, dashes = []) {
  updateMapping();
  context.strokeStyle = colour;
  context.lineWidth = width;
  context.setLineDash(dashes);
  context.beginPath();
  traceSegments(primitives.segments || []);
  for (const curve of primitives.curves || []) traceCurve(curve);
  for (const line of primitives.polylines || []) tracePolyline(line);
  traceNodes(primitives.nodes || []);
  context.stroke();
  context.setLineDash([]);
}

// A linetype's pattern in pixels at this zoom: a dot is a pixel long, a gap its length. A pattern
// shorter than a few pixels would only look grey, so it is drawn solid.
const foreground = "#e8e8e8";  // colour 7 on the dark canvas
function dashPixels(dashes) {
  const scale = pixelsPerUnit();
  const pixels = dashes.map((length) => Math.max(1, Math.abs(length) * scale));
  if (pixels.length % 2 === 1) pixels.push(pixels[0] === 1 ? 2 : 1);  // strokes and gaps in turn
  return pixels.reduce((sum, length) => sum + length, 0) < 4 ? [] : pixels;
}

function drawGroups(groups) {
  for (const group of groups) {
    const colour = group.colour || foreground;
    strokePrimitives(group, colour, 1, dashPixels(group.dashes || []));
    drawTexts(group.texts || [], colour);
  }
}

// The pick box: PICKBOX pixels each way from the cursor, as the host's selection measures it.
function drawPickBox() {
  if (!promptState.pointPrompt || !cursor) return;
  const half = Math.max(1, promptState.pickbox);
  context.strokeStyle = "#ffd75e";
  context.lineWidth = 1;
  context.strokeRect(cursor[0] - half + 0.5, cursor[1] - half + 0.5, 2 * half, 2 * half);
}

function redraw() {
  context.clearRect(0, 0, canvas.width, canvas.height);
  if (!drawing) return;
  drawGroups(drawing.groups || []);
  if (preview && preview.object >= 0) strokePrimitives(preview, "#4fc3f7", 3);
  drawMarks();  // marks.js
  drawSnapGlyph();  // cursor.js
  drawPickBox();
}

// The host measures PICKBOX in its own pixels: VIEWSIZE / SCREENSIZE.y drawing units each, so
// both follow the canvas. Sent a moment after the last change, not at every wheel step, and one
// at a time: while the session is busy each would hold one of the host's threads.
let viewTimer = null, viewSending = false, viewAgain = false;
function viewChanged() {
  redraw();
  clearTimeout(viewTimer);
  viewTimer = setTimeout(sendView, 100);
}

async function sendView() {
  if (viewSending) {
    viewAgain = true;
    return;
  }
  viewSending = true;
  try {
    do {
      viewAgain = false;
      await postJson("view", viewRequest());
    } while (viewAgain);
  } catch (error) {
    // the host is gone; the next change tries again
  } finally {
    viewSending = false;
  }
}

// The centre too: SVG FILE and the page's download write the view the page shows.
function viewRequest() {
  return {viewHeight: view.height, screen: [canvas.width, canvas.height],
          center: [view.centerX, view.centerY]};
}

function zoomToExtents() {
  const extents = drawing && drawing.extents;
  if (!extents) return;
  const [lowX, lowY, highX, highY] = extents;
  const aspect = canvas.width / canvas.height;
  view.centerX = (lowX + highX) / 2;
  view.centerY = (lowY + highY) / 2;
  view.height = Math.max(highY - lowY, (highX - lowX) / aspect, 1e-9) * 1.1;
  viewChanged();
}

function fitCanvas() {
  canvas.width = Math.max(1, canvas.clientWidth);
  canvas.height = Math.max(1, canvas.clientHeight);
  viewChanged();
}

// The world point under the cursor stays there while the wheel zooms.
canvas.addEventListener("wheel", (event) => {
  event.preventDefault();
  const [x, y] = toWorld(event.offsetX, event.offsetY);
  const factor = Math.exp(event.deltaY * 0.002);
  view.height *= factor;
  view.centerX = x + (view.centerX - x) * factor;
  view.centerY = y + (view.centerY - y) * factor;
  viewChanged();
}, {passive: false});

async function pickAt(px, py) {
  const [x, y] = toWorld(px, py);
  preview = null;
  hover = null;
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
    cursorMoved();  // cursor.js
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
  commandLine.focus();  // typing after a click goes to the command line
});
canvas.addEventListener("pointerleave", () => {
  cursor = null;
  cursorLeft();  // cursor.js
});

document.getElementById("extentsButton").addEventListener("click", zoomToExtents);
// The canvas follows its pane: the window, the transcript's height, the results folded or not.
new ResizeObserver(() => {
  if (canvas.clientWidth !== canvas.width || canvas.clientHeight !== canvas.height) fitCanvas();
}).observe(canvas);

async function loadDrawing() {
  const response = await hostFetch("drawing");
  if (!response.ok) return;
  drawing = await response.json();
  fitCanvas();
  zoomToExtents();
}

watchTranscript();
afterAnswer();
loadDrawing();
