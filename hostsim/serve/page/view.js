// hostsim's page: the drawing in the host's view (a plan view of world XY), each object in its
// colour and linetype, with zoom and zoom to extents; the modules above draw their layers over it.
import {hostFetch, postJson} from "./host.js";
import {onSessionChange, promptState} from "./session.js";

export const canvas = document.getElementById("view");
export const context = canvas.getContext("2d");
// The host's primitives: {id, extents, groups: [{colour, dashes, and the primitives as the page
// paints them}]}
export let drawing = null;
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

// What a paint covers, in canvas pixels: the canvas, or the strip a pan uncovers; what lies
// wholly outside it is skipped. pen is the context painted on: the canvas, or the drawing's own.
let area = {lowX: 0, lowY: 0, highX: 0, highY: 0};
let pen = context;
function outside(lowX, lowY, highX, highY) {
  return highX < area.lowX || highY < area.lowY || lowX > area.highX || lowY > area.highY;
}

// Level of detail: what is smaller than a pixel is one pixel's dot, so that a dense region
// still shows.
function traceDot(x, y) {
  pen.moveTo(x, y);
  pen.lineTo(x + 1, y);
}

// The primitives as the page paints them, in flat arrays of world coordinates: segments [x0, y0,
// x1, y1, ...], curves [cx, cy, ux, uy, vx, vy, t0, t1, ...] (centre + u cos t + v sin t),
// polylines {starts: each line's first point, and the end; points [x, y, ...]}, nodes [x, y,
// ...], texts {numbers [x, y, alongX, alongY, upX, upY, length, ...], strings}, rays as listed.
function traceSegments(list) {
  const {scale, left, top} = mapping;
  for (let i = 0; i + 3 < list.length; i += 4) {
    const ax = left + list[i] * scale, ay = top - list[i + 1] * scale;
    const bx = left + list[i + 2] * scale, by = top - list[i + 3] * scale;
    if (outside(Math.min(ax, bx), Math.min(ay, by), Math.max(ax, bx), Math.max(ay, by))) continue;
    pen.moveTo(ax, ay);
    pen.lineTo(bx, by);
  }
}

// Each in chords that stray from the curve by a quarter pixel at most.
function traceCurves(list) {
  const {scale, left, top} = mapping;
  for (let i = 0; i + 7 < list.length; i += 8) {
    const ux = list[i + 2], uy = list[i + 3], vx = list[i + 4], vy = list[i + 5];
    const t0 = list[i + 6], t1 = list[i + 7];
    const radiusPixels = Math.max(Math.hypot(ux, uy), Math.hypot(vx, vy)) * scale;
    const centreX = left + list[i] * scale, centreY = top - list[i + 1] * scale;
    if (outside(centreX - radiusPixels, centreY - radiusPixels, centreX + radiusPixels,
                centreY + radiusPixels)) continue;
    if (radiusPixels < 1) {
      traceDot(centreX, centreY);
      continue;
    }
    const steps = Math.max(3, Math.min(512, Math.ceil(Math.abs(t1 - t0) *
                                                      Math.sqrt(radiusPixels / 2))));
    for (let k = 0; k <= steps; k++) {
      const t = t0 + (t1 - t0) * k / steps;
      const c = Math.cos(t), s = Math.sin(t);
      const x = centreX + (ux * c + vx * s) * scale, y = centreY - (uy * c + vy * s) * scale;
      if (k === 0) pen.moveTo(x, y); else pen.lineTo(x, y);
    }
  }
}

// Points closer than half a pixel to the last one drawn are passed over.
function tracePolylines({starts, points}) {
  const {scale, left, top} = mapping;
  for (let line = 0; line + 1 < starts.length; line++) {
    const first = 2 * starts[line], end = 2 * starts[line + 1];
    let lastX = 0, lastY = 0;
    for (let i = first; i + 1 < end; i += 2) {
      const x = left + points[i] * scale, y = top - points[i + 1] * scale;
      if (i === first) {
        pen.moveTo(x, y);
      } else if (Math.abs(x - lastX) >= 0.5 || Math.abs(y - lastY) >= 0.5 || i + 3 >= end) {
        pen.lineTo(x, y);
      } else {
        continue;
      }
      lastX = x;
      lastY = y;
    }
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
    pen.moveTo(startX + alongX * low, startY - alongY * low);
    pen.lineTo(startX + alongX * high, startY - alongY * high);
  }
}

function traceNodes(list) {
  const {scale, left, top} = mapping;
  for (let i = 0; i + 1 < list.length; i += 2) {
    const x = left + list[i] * scale, y = top - list[i + 1] * scale;
    if (outside(x - 3, y - 3, x + 3, y + 3)) continue;
    pen.moveTo(x - 3, y); pen.lineTo(x + 3, y);
    pen.moveTo(x, y - 3); pen.lineTo(x, y + 3);
  }
}

// Texts at a readable size are filled, set in a monospace face a text height tall and fitted to
// their line's length as the host measures it; smaller ones are their baseline, as one stroke.
const textFontPixels = 100;  // set large and scaled down: browsers round small font sizes
function drawTexts({numbers, strings}, colour) {
  const {scale, left, top} = mapping;
  pen.fillStyle = colour;
  pen.strokeStyle = colour;
  pen.lineWidth = 1;
  pen.font = textFontPixels + "px monospace";
  pen.beginPath();
  for (let i = 0; i < strings.length; i++) {
    const [x, y, alongX, alongY, upX, upY, length] = numbers.subarray(7 * i, 7 * i + 7);
    const text = strings[i];
    const startX = left + x * scale, startY = top - y * scale;
    const endX = startX + alongX * length * scale, endY = startY - alongY * length * scale;
    const heightPixels = Math.hypot(upX, upY) * scale;
    if (outside(Math.min(startX, endX) - heightPixels, Math.min(startY, endY) - heightPixels,
                Math.max(startX, endX) + heightPixels, Math.max(startY, endY) + heightPixels)) {
      continue;
    }
    if (heightPixels < 4 || !text) {
      pen.moveTo(startX, startY);
      pen.lineTo(endX, endY);
      continue;
    }
    const width = pen.measureText(text).width;
    const fit = width > 0 && length > 0 ? length * textFontPixels / width : 1;
    const k = scale / textFontPixels;
    pen.setTransform(alongX * k * fit, -alongY * k * fit, -upX * k, upY * k, startX, startY);
    pen.fillText(text, 0, 0);
    pen.setTransform(1, 0, 0, 1, 0, 0);
  }
  pen.stroke();
}

function tracePlan(plan) {
  traceSegments(plan.segments);
  traceCurves(plan.curves);
  tracePolylines(plan.polylines);
  traceRays(plan.rays);
  traceNodes(plan.nodes);
}

// ---- the primitives as the host lists them, in JSON or in binary, as the page paints them ----
function planFromJson(primitives) {
  const lines = primitives.polylines || [];
  const starts = new Uint32Array(lines.length + 1);
  lines.forEach((line, i) => { starts[i + 1] = starts[i] + (line.length >> 1); });
  const texts = primitives.texts || [];
  return {segments: Float64Array.from(primitives.segments || []),
          curves: Float64Array.from((primitives.curves || []).flat()),
          polylines: {starts: starts, points: Float64Array.from(lines.flat())},
          nodes: Float64Array.from(primitives.nodes || []), rays: primitives.rays || [],
          texts: {numbers: Float64Array.from(texts.flatMap((t) => t.slice(0, 7))),
                  strings: texts.map((t) => t[7])}};
}

// The host's binary form (GET drawing.bin): a head in JSON, then each group's arrays in turn,
// each at a multiple of 8 bytes: an object's place in doubles, the rest of it in floats relative
// to that place.
function drawingFromBinary(buffer) {
  const headLength = new DataView(buffer).getUint32(0, true);
  const head = JSON.parse(new TextDecoder().decode(new Uint8Array(buffer, 4, headLength)));
  let offset = 4 + headLength;
  const take = (Type, count) => {
    offset = Math.ceil(offset / 8) * 8;
    const array = new Type(buffer, offset, count);
    offset += count * Type.BYTES_PER_ELEMENT;
    return array;
  };
  head.groups = head.groups.map((group) => ({...group, ...planFromBinary(group, take)}));
  return head;
}

function planFromBinary({counts, texts, rays}, take) {
  const segmentStarts = take(Float64Array, 2 * counts.segments);
  const segmentRests = take(Float32Array, 2 * counts.segments);
  const segments = new Float64Array(4 * counts.segments);
  for (let i = 0; i < counts.segments; i++) {
    segments[4 * i] = segmentStarts[2 * i];
    segments[4 * i + 1] = segmentStarts[2 * i + 1];
    segments[4 * i + 2] = segmentStarts[2 * i] + segmentRests[2 * i];
    segments[4 * i + 3] = segmentStarts[2 * i + 1] + segmentRests[2 * i + 1];
  }
  const curves = new Float64Array(8 * (counts.rounds + counts.curves));
  const roundCentres = take(Float64Array, 2 * counts.rounds);
  const roundRests = take(Float32Array, 3 * counts.rounds);
  for (let i = 0; i < counts.rounds; i++) {
    const radius = roundRests[3 * i];
    curves.set([roundCentres[2 * i], roundCentres[2 * i + 1], radius, 0, 0, radius,
                roundRests[3 * i + 1], roundRests[3 * i + 2]], 8 * i);
  }
  const curveCentres = take(Float64Array, 2 * counts.curves);
  const curveRests = take(Float32Array, 6 * counts.curves);
  for (let i = 0; i < counts.curves; i++) {
    const at = 8 * (counts.rounds + i);
    curves[at] = curveCentres[2 * i];
    curves[at + 1] = curveCentres[2 * i + 1];
    curves.set(curveRests.subarray(6 * i, 6 * i + 6), at + 2);
  }
  return {segments: segments, curves: curves, polylines: polylinesFromBinary(counts, take),
          nodes: take(Float64Array, 2 * counts.nodes).slice(), rays: rays,
          texts: textsFromBinary(texts, take)};
}

function polylinesFromBinary(counts, take) {
  const pointCounts = take(Uint32Array, counts.polylines);
  const firsts = take(Float64Array, 2 * counts.polylines);
  const starts = new Uint32Array(counts.polylines + 1);
  let others = 0;
  for (let i = 0; i < counts.polylines; i++) {
    starts[i + 1] = starts[i] + pointCounts[i];
    others += Math.max(0, pointCounts[i] - 1);
  }
  const rests = take(Float32Array, 2 * others);
  const points = new Float64Array(2 * starts[counts.polylines]);
  for (let i = 0, rest = 0; i < counts.polylines; i++) {
    for (let k = 0; k < pointCounts[i]; k++) {
      const at = 2 * (starts[i] + k);
      points[at] = firsts[2 * i] + (k === 0 ? 0 : rests[rest++]);
      points[at + 1] = firsts[2 * i + 1] + (k === 0 ? 0 : rests[rest++]);
    }
  }
  return {starts: starts, points: points};
}

function textsFromBinary(strings, take) {
  const places = take(Float64Array, 2 * strings.length);
  const rests = take(Float32Array, 5 * strings.length);
  const numbers = new Float64Array(7 * strings.length);
  for (let i = 0; i < strings.length; i++) {
    numbers[7 * i] = places[2 * i];
    numbers[7 * i + 1] = places[2 * i + 1];
    numbers.set(rests.subarray(5 * i, 5 * i + 5), 7 * i + 2);
  }
  return {numbers: numbers, strings: strings};
}

// Primitives as /preview lists them, drawn over the drawing on the canvas.
const plans = new WeakMap();  // the JSON given -> its plan, made once
export function strokePrimitives(primitives, colour, width, dashes = []) {
  if (!plans.has(primitives)) plans.set(primitives, planFromJson(primitives));
  updateMapping();
  area = {lowX: -width, lowY: -width, highX: canvas.width + width, highY: canvas.height + width};
  strokePlan(plans.get(primitives), colour, width, dashes);
}

function strokePlan(plan, colour, width, dashes) {
  pen.strokeStyle = colour;
  pen.lineWidth = width;
  pen.setLineDash(dashes);
  pen.beginPath();
  tracePlan(plan);
  pen.stroke();
  pen.setLineDash([]);
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
    strokePlan(group, colour, 1, dashPixels(group.dashes || []));
    drawTexts(group.texts, colour);
  }
}

// ---- the drawing painted off the canvas ----
// The drawing as last painted, with the mapping it was painted at: a redraw for the marks or the
// cursor copies it, and a pan by whole pixels moves it and paints only the strips it uncovers.
let painted = {canvas: document.createElement("canvas"), mapping: null, drawing: null};
let spare = document.createElement("canvas");

function paintDrawing() {
  const {width, height} = canvas;
  const last = painted.mapping, layer = painted.canvas;
  const same = last && painted.drawing === drawing && layer.width === width &&
               layer.height === height && last.scale === mapping.scale;
  const dx = same ? mapping.left - last.left : NaN, dy = same ? mapping.top - last.top : NaN;
  const shiftX = Math.round(dx), shiftY = Math.round(dy);
  if (Math.abs(dx - shiftX) < 1e-6 && Math.abs(dy - shiftY) < 1e-6 &&
      Math.abs(shiftX) < width && Math.abs(shiftY) < height) {
    if (shiftX !== 0 || shiftY !== 0) shiftPainted(shiftX, shiftY);
  } else {
    layer.width = width;
    layer.height = height;
    paintRegion(layer, 0, 0, width, height);
  }
  painted.mapping = mapping;
  painted.drawing = drawing;
}

// The columns uncovered, then the rows, less the columns' part: no pixel is painted twice.
function shiftPainted(shiftX, shiftY) {
  const {width, height} = canvas;
  spare.width = width;
  spare.height = height;
  spare.getContext("2d").drawImage(painted.canvas, shiftX, shiftY);
  [painted.canvas, spare] = [spare, painted.canvas];
  const layer = painted.canvas;
  const columnsLow = shiftX > 0 ? shiftX : 0, columnsHigh = shiftX < 0 ? width + shiftX : width;
  if (shiftX > 0) paintRegion(layer, 0, 0, shiftX, height);
  if (shiftX < 0) paintRegion(layer, width + shiftX, 0, -shiftX, height);
  const columnsWidth = columnsHigh - columnsLow;
  if (shiftY > 0) paintRegion(layer, columnsLow, 0, columnsWidth, shiftY);
  if (shiftY < 0) paintRegion(layer, columnsLow, height + shiftY, columnsWidth, -shiftY);
}

const lineMargin = 2;  // pixels a stroke may reach past its line
function paintRegion(layer, x, y, width, height) {
  pen = layer.getContext("2d");
  pen.save();
  pen.beginPath();
  pen.rect(x, y, width, height);
  pen.clip();
  pen.clearRect(x, y, width, height);
  area = {lowX: x - lineMargin, lowY: y - lineMargin, highX: x + width + lineMargin,
          highY: y + height + lineMargin};
  drawGroups(drawing.groups || []);
  pen.restore();
  pen = context;
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
  updateMapping();
  paintDrawing();
  context.drawImage(painted.canvas, 0, 0);
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
    const response = await hostFetch("drawing.bin");
    if (!response.ok) return;  // asked again at the session's next change
    drawing = drawingFromBinary(await response.arrayBuffer());
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
