// hostsim's page: the drawing in the host's view (a plan view of world XY), each object in its
// colour and linetype, with zoom and zoom to extents; the modules above draw their layers over it.
import {hostFetch, postJson} from "./host.js";
import {onSessionChange, promptState} from "./session.js";

export const canvas = document.getElementById("view");
export const context = canvas.getContext("2d");
export let drawing = null;  // the host's primitives, as /drawing lists them
// The view: the world point at the canvas centre and the world height the canvas shows.
export const view = {centerX: 0, centerY: 0, height: 20};

export function pixelsPerUnit() { return canvas.height / view.height; }

export function toScreen(x, y) {
  const scale = pixelsPerUnit();
  return [canvas.width / 2 + (x - view.centerX) * scale,
          canvas.height / 2 - (y - view.centerY) * scale];
}

export function toWorld(px, py) {
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

// A line without end, [x, y, alongX, alongY, bothWays]: drawn from edge to edge of the canvas
// (from its start, for a ray). t runs in canvas pixels along it.
function traceRays(list) {
  const {scale, left, top} = mapping;
  for (const [x, y, alongX, alongY, bothWays] of list) {
    const startX = left + x * scale, startY = top - y * scale;
    let low = bothWays ? -Infinity : 0, high = Infinity;
    for (const [start, step, size] of [[startX, alongX, canvas.width],
                                       [startY, -alongY, canvas.height]]) {
      if (step === 0) {
        if (start < 0 || start > size) high = -Infinity;
        continue;
      }
      const enter = -start / step, leave = (size - start) / step;
      low = Math.max(low, Math.min(enter, leave));
      high = Math.min(high, Math.max(enter, leave));
    }
    if (!(low <= high)) continue;
    context.moveTo(startX + alongX * low, startY - alongY * low);
    context.lineTo(startX + alongX * high, startY - alongY * high);
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

export function strokePrimitives(primitives, colour, width, dashes = []) {
  updateMapping();
  context.strokeStyle = colour;
  context.lineWidth = width;
  context.setLineDash(dashes);
  context.beginPath();
  traceSegments(primitives.segments || []);
  for (const curve of primitives.curves || []) traceCurve(curve);
  for (const line of primitives.polylines || []) tracePolyline(line);
  traceRays(primitives.rays || []);
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

// What is drawn over the drawing, bottom up, each set by the module that owns it: the object a
// pick would select, the marks, and the cursor's snap glyph and pick box.
const layers = {highlight: null, marks: null, cursor: null};
export function setLayer(name, draw) {
  layers[name] = draw;
}

export function redraw() {
  context.clearRect(0, 0, canvas.width, canvas.height);
  if (!drawing) return;
  drawGroups(drawing.groups || []);
  for (const draw of Object.values(layers)) if (draw) draw();
}

// The host measures PICKBOX in its own pixels: VIEWSIZE / SCREENSIZE.y drawing units each, so
// both follow the canvas. Sent a moment after the last change, not at every wheel step, and one
// at a time: while the session is busy each would hold one of the host's threads.
let viewTimer = null, viewSending = false, viewAgain = false;
export function viewChanged() {
  redraw();
  clearTimeout(viewTimer);
  viewTimer = setTimeout(sendView, 100);
}

const viewSentListeners = [];
export function onViewSent(listener) {
  viewSentListeners.push(listener);
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
    for (const listener of viewSentListeners) listener();
  } catch (error) {
    // the host is gone; the next change tries again
  } finally {
    viewSending = false;
  }
}

// The centre too: SVG FILE and the page's download write the view the page shows.
export function viewRequest() {
  return {viewHeight: view.height, screen: [canvas.width, canvas.height],
          center: [view.centerX, view.centerY]};
}

export function zoomToExtents() {
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

document.getElementById("extentsButton").addEventListener("click", zoomToExtents);
// The canvas follows its pane: the window, the transcript's height, the results folded or not.
new ResizeObserver(() => {
  if (canvas.clientWidth !== canvas.width || canvas.clientHeight !== canvas.height) fitCanvas();
}).observe(canvas);

// The drawing is fetched as the page starts, and again whenever the session has opened another
// (dropped on this page or another): each shown to its extents, its file named on the drawing
// and in the tab's title.
const drawingName = document.getElementById("drawingName");
let drawingLoading = false;
onSessionChange(() => {
  drawingName.textContent = promptState.drawingName || "";
  document.title = (promptState.drawingName ? promptState.drawingName + " - " : "") + "hostsim";
  if (!drawingShown()) loadDrawing();
});

// Ids grow with each drawing opened: one fetched after the state was told is not older.
function drawingShown() {
  return promptState.drawingId === undefined || (drawing && drawing.id >= promptState.drawingId);
}

// One fetch at a time; the drawing it brings is checked against the session's when it comes.
async function loadDrawing() {
  if (drawingLoading) return;
  drawingLoading = true;
  try {
    const response = await hostFetch("drawing");
    if (!response.ok) return;  // asked again at the session's next change
    drawing = await response.json();
    fitCanvas();
    zoomToExtents();
  } catch (error) {
    // the host is gone; the session's watch says so
  } finally {
    drawingLoading = false;
  }
  if (drawing && !drawingShown()) loadDrawing();
}

loadDrawing();
