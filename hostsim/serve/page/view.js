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
// still shows: the square from (x, y - 0.5) to (x + 1, y + 0.5). In the drawing's own paint the
// dots are set in a bitmap of the region, each pixel as much as the dots cover of it, and laid
// over it once per look: a million dots cost a pass over an array, not a million strokes.
let dots = null;  // {x, y, width, height, cover: 0 to 255 a pixel, count}, while painting
function dot(x, y) {
  if (!dots) {
    pen.moveTo(x, y);
    pen.lineTo(x + 1, y);
    return;
  }
  const left = x - dots.x, top = y - 0.5 - dots.y;
  const column = Math.floor(left), row = Math.floor(top);
  const right = left - column, below = top - row;  // the shares in the next column and row
  cover(column, row, (1 - right) * (1 - below));
  cover(column + 1, row, right * (1 - below));
  cover(column, row + 1, (1 - right) * below);
  cover(column + 1, row + 1, right * below);
  dots.count++;
}

function cover(column, row, share) {
  if (column < 0 || row < 0 || column >= dots.width || row >= dots.height) return;
  const at = row * dots.width + column, value = share * 255;
  if (value > dots.cover[at]) dots.cover[at] = value;
}

// The dots of one look, in its colour ("#rrggbb"), over what is painted; then none.
const dotCanvas = document.createElement("canvas");
function layDots(colour) {
  if (dots.count === 0) return;
  const {width, height, cover} = dots;
  const image = new ImageData(width, height);
  const pixels = new Uint32Array(image.data.buffer);  // RGBA bytes, so ABGR little-endian words
  const rgb = parseInt(colour.slice(1, 7), 16);
  const bgr = ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | (rgb >> 16);
  for (let i = 0; i < cover.length; i++) {
    if (cover[i] !== 0) pixels[i] = ((cover[i] << 24) | bgr) >>> 0;
  }
  dotCanvas.width = width;
  dotCanvas.height = height;
  dotCanvas.getContext("2d").putImageData(image, 0, 0);
  pen.drawImage(dotCanvas, dots.x, dots.y);
  cover.fill(0);
  dots.count = 0;
}

// The primitives as the page paints them, in flat arrays of world coordinates: segments [x0, y0,
// x1, y1, ...], curves [cx, cy, ux, uy, vx, vy, t0, t1, ...] (centre + u cos t + v sin t),
// polylines {starts: each line's first point, and the end; points [x, y, ...]}, nodes [x, y,
// ...], texts {numbers [x, y, alongX, alongY, upX, upY, length, ...], text(i): the string of
// the i-th}, rays as listed.
function traceSegments(list, blocks) {
  const {scale, left, top} = mapping;
  for (const i of near(blocks, 4, list.length)) {
    const ax = left + list[i] * scale, ay = top - list[i + 1] * scale;
    const bx = left + list[i + 2] * scale, by = top - list[i + 3] * scale;
    if (outside(Math.min(ax, bx), Math.min(ay, by), Math.max(ax, bx), Math.max(ay, by))) continue;
    if (dots && Math.abs(bx - ax) < 1 && Math.abs(by - ay) < 1) {
      dot((ax + bx) / 2 - 0.5, (ay + by) / 2);
      continue;
    }
    pen.moveTo(ax, ay);
    pen.lineTo(bx, by);
  }
}

// Each in chords that stray from the curve by a quarter pixel at most. A curve that matches one
// traced already to a quarter pixel everywhere adds nothing a pixel can show, and is passed over:
// a pile of 300,000 circles a micro-unit apart costs what a few dozen do.
const curveQuantum = 4;  // steps a pixel
function curveStep(list, at, n, scale) {  // number n of the curve at list[at], in steps
  if (n < 6) return Math.round(list[at + n] * scale * curveQuantum);
  const ux = list[at + 2], uy = list[at + 3], vx = list[at + 4], vy = list[at + 5];
  const radiusPixels = Math.sqrt(Math.max(ux * ux + uy * uy, vx * vx + vy * vy)) * scale;
  return Math.round(list[at + n] * radiusPixels * curveQuantum);  // t: a step along the curve
}

function curveSteps(list, at, scale) {  // a hash of the curve's 8 numbers in steps
  let hash = 0;
  for (let n = 0; n < 8; n++) hash = (Math.imul(hash, 31) + curveStep(list, at, n, scale)) | 0;
  return hash;
}

function sameSteps(list, at, other, scale) {
  for (let n = 0; n < 8; n++) {
    if (curveStep(list, at, n, scale) !== curveStep(list, other, n, scale)) return false;
  }
  return true;
}
function traceCurves(list, blocks) {
  const {scale, left, top} = mapping;
  const traced = new Map();  // a hash of a curve's steps -> where the curve traced with it lies
  for (const i of near(blocks, 8, list.length)) {
    const ux = list[i + 2], uy = list[i + 3], vx = list[i + 4], vy = list[i + 5];
    const t0 = list[i + 6], t1 = list[i + 7];
    const radiusPixels = Math.sqrt(Math.max(ux * ux + uy * uy, vx * vx + vy * vy)) * scale;
    const centreX = left + list[i] * scale, centreY = top - list[i + 1] * scale;
    if (outside(centreX - radiusPixels, centreY - radiusPixels, centreX + radiusPixels,
                centreY + radiusPixels)) continue;
    if (radiusPixels < 1) {
      dot(centreX, centreY);
      continue;
    }
    const key = curveSteps(list, i, scale), twin = traced.get(key);
    if (twin === undefined) {
      traced.set(key, i);
    } else if (sameSteps(list, i, twin, scale)) {
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
function drawTexts({numbers, blocks, text: textOf}, colour) {
  const {scale, left, top} = mapping;
  pen.fillStyle = colour;
  pen.strokeStyle = colour;
  pen.lineWidth = 1;
  pen.font = textFontPixels + "px monospace";
  pen.beginPath();
  for (const at of near(blocks, 7, numbers.length)) {
    const i = at / 7;
    const alongX = numbers[at + 2], alongY = numbers[at + 3], upX = numbers[at + 4],
          upY = numbers[at + 5], length = numbers[at + 6];
    const startX = left + numbers[at] * scale, startY = top - numbers[at + 1] * scale;
    const endX = startX + alongX * length * scale, endY = startY - alongY * length * scale;
    const heightPixels = Math.sqrt(upX * upX + upY * upY) * scale;
    if (outside(Math.min(startX, endX) - heightPixels, Math.min(startY, endY) - heightPixels,
                Math.max(startX, endX) + heightPixels, Math.max(startY, endY) + heightPixels)) {
      continue;
    }
    if (dots && Math.abs(endX - startX) < 1 && Math.abs(endY - startY) < 1 && heightPixels < 1) {
      dot((startX + endX) / 2 - 0.5, (startY + endY) / 2);
      continue;
    }
    const text = heightPixels < 4 ? "" : textOf(i);  // a baseline needs no string
    if (!text) {
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
  traceSegments(plan.segments, plan.segmentBlocks);
  traceCurves(plan.curves, plan.curveBlocks);
  tracePolylines(plan.polylines);
  traceRays(plan.rays);
  traceNodes(plan.nodes);
}

// ---- each kind of primitive in blocks by place ----
// A look's primitives of a kind are put in the order of their places (a Morton curve over a
// 256 x 256 grid of where they lie), and each run of blockSize of them gets the box they fill:
// a paint skips every block outside what it paints, so a pan's strip costs what lies near it.
// A look is one stroke, so the order is not seen.
const blockSize = 64;
function spreadBits(v) {  // 8 bits to the even ones of 16
  v = (v | (v << 4)) & 0x0F0F;
  v = (v | (v << 2)) & 0x3333;
  return (v | (v << 1)) & 0x5555;
}

// list: the primitives, stride numbers each; boxOf(list, at, boxes, to) writes the world box
// [lowX, lowY, highX, highY] of the one at list[at] to boxes[to]. Gives the list in that order,
// the blocks' boxes, and order[k]: the index in list of the k-th.
function inBlocks(list, stride, boxOf) {
  const count = Math.floor(list.length / stride);
  const boxes = new Float64Array(4 * count);
  let lowX = Infinity, lowY = Infinity, highX = -Infinity, highY = -Infinity;
  for (let i = 0; i < count; i++) {
    boxOf(list, i * stride, boxes, 4 * i);
    lowX = Math.min(lowX, boxes[4 * i]);
    lowY = Math.min(lowY, boxes[4 * i + 1]);
    highX = Math.max(highX, boxes[4 * i + 2]);
    highY = Math.max(highY, boxes[4 * i + 3]);
  }
  const cellOf = (value, low, high) => {
    const cell = Math.floor((value - low) / (high - low) * 256);
    return cell >= 0 && cell < 256 ? cell : cell >= 256 ? 255 : 0;
  };
  const cells = new Uint32Array(count), firsts = new Uint32Array(65537);
  for (let i = 0; i < count; i++) {
    const x = (boxes[4 * i] + boxes[4 * i + 2]) / 2, y = (boxes[4 * i + 1] + boxes[4 * i + 3]) / 2;
    cells[i] = spreadBits(cellOf(x, lowX, highX)) | (spreadBits(cellOf(y, lowY, highY)) << 1);
    firsts[cells[i] + 1]++;
  }
  for (let cell = 1; cell <= 65536; cell++) firsts[cell] += firsts[cell - 1];
  const order = new Uint32Array(count);
  for (let i = 0; i < count; i++) order[firsts[cells[i]]++] = i;
  const sorted = new Float64Array(count * stride);
  const blocks = new Float64Array(4 * Math.ceil(count / blockSize));
  for (let b = 0; b < blocks.length; b += 4) {
    putBox(blocks, b, Infinity, Infinity, -Infinity, -Infinity);
  }
  for (let k = 0; k < count; k++) {
    const i = order[k], b = 4 * Math.floor(k / blockSize);
    for (let n = 0; n < stride; n++) sorted[k * stride + n] = list[i * stride + n];
    blocks[b] = Math.min(blocks[b], boxes[4 * i]);
    blocks[b + 1] = Math.min(blocks[b + 1], boxes[4 * i + 1]);
    blocks[b + 2] = Math.max(blocks[b + 2], boxes[4 * i + 2]);
    blocks[b + 3] = Math.max(blocks[b + 3], boxes[4 * i + 3]);
  }
  return {list: sorted, blocks: blocks, order: order};
}

function putBox(boxes, to, lowX, lowY, highX, highY) {
  boxes[to] = lowX;
  boxes[to + 1] = lowY;
  boxes[to + 2] = highX;
  boxes[to + 3] = highY;
}

function segmentBox(list, at, boxes, to) {
  putBox(boxes, to, Math.min(list[at], list[at + 2]), Math.min(list[at + 1], list[at + 3]),
         Math.max(list[at], list[at + 2]), Math.max(list[at + 1], list[at + 3]));
}

function curveBox(list, at, boxes, to) {
  const ux = list[at + 2], uy = list[at + 3], vx = list[at + 4], vy = list[at + 5];
  const radius = Math.sqrt(Math.max(ux * ux + uy * uy, vx * vx + vy * vy));
  putBox(boxes, to, list[at] - radius, list[at + 1] - radius, list[at] + radius,
         list[at + 1] + radius);
}

function textBox(list, at, boxes, to) {
  const endX = list[at] + list[at + 2] * list[at + 6];
  const endY = list[at + 1] + list[at + 3] * list[at + 6];
  const height = Math.sqrt(list[at + 4] * list[at + 4] + list[at + 5] * list[at + 5]);
  putBox(boxes, to, Math.min(list[at], endX) - height, Math.min(list[at + 1], endY) - height,
         Math.max(list[at], endX) + height, Math.max(list[at + 1], endY) + height);
}

// Where in list (stride numbers a primitive) each primitive of a block that may reach the area
// starts.
function* near(blocks, stride, length) {
  const {scale, left, top} = mapping;
  const count = Math.floor(length / stride);
  for (let b = 0; b < blocks.length; b += 4) {
    if (outside(left + blocks[b] * scale, top - blocks[b + 3] * scale,
                left + blocks[b + 2] * scale, top - blocks[b + 1] * scale)) continue;
    const first = b / 4 * blockSize;
    for (let k = first; k < Math.min(count, first + blockSize); k++) yield k * stride;
  }
}

// The plan's segments, curves and texts in blocks.
function placed(plan) {
  const segments = inBlocks(plan.segments, 4, segmentBox);
  const curves = inBlocks(plan.curves, 8, curveBox);
  const texts = inBlocks(plan.texts.numbers, 7, textBox);
  return {...plan, segments: segments.list, segmentBlocks: segments.blocks, curves: curves.list,
          curveBlocks: curves.blocks,
          texts: {numbers: texts.list, blocks: texts.blocks,
                  text: (k) => plan.texts.strings[texts.order[k]]}};
}

// ---- the primitives as the host lists them, in JSON or in binary, as the page paints them ----
function planFromJson(primitives) {
  const lines = primitives.polylines || [];
  const starts = new Uint32Array(lines.length + 1);
  lines.forEach((line, i) => { starts[i + 1] = starts[i] + (line.length >> 1); });
  const texts = primitives.texts || [];
  return placed({segments: Float64Array.from(primitives.segments || []),
          curves: Float64Array.from((primitives.curves || []).flat()),
          polylines: {starts: starts, points: Float64Array.from(lines.flat())},
          nodes: Float64Array.from(primitives.nodes || []), rays: primitives.rays || [],
          texts: {numbers: Float64Array.from(texts.flatMap((t) => t.slice(0, 7))),
                  strings: texts.map((t) => t[7])}});
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

// Segments, curves and texts come in the order of their blocks, each kind with its blocks' boxes
// after it, as placed() would put them.
function planFromBinary({counts, rays}, take) {
  const segmentStarts = take(Float64Array, 2 * counts.segments);
  const segmentRests = take(Float32Array, 2 * counts.segments);
  const segments = new Float64Array(4 * counts.segments);
  for (let i = 0; i < counts.segments; i++) {
    segments[4 * i] = segmentStarts[2 * i];
    segments[4 * i + 1] = segmentStarts[2 * i + 1];
    segments[4 * i + 2] = segmentStarts[2 * i] + segmentRests[2 * i];
    segments[4 * i + 3] = segmentStarts[2 * i + 1] + segmentRests[2 * i + 1];
  }
  const segmentBlocks = take(Float64Array, 4 * blockCount(counts.segments));
  const curves = curvesFromBinary(counts, take);
  const curveBlocks = take(Float64Array, 4 * blockCount(counts.rounds + counts.curves));
  return {segments: segments, segmentBlocks: segmentBlocks, curves: curves,
          curveBlocks: curveBlocks, polylines: polylinesFromBinary(counts, take),
          nodes: take(Float64Array, 2 * counts.nodes), rays: rays,
          texts: textsFromBinary(counts, take)};
}

function blockCount(count) { return Math.ceil(count / blockSize); }

// The circles and arcs (centre, then radius, t0, t1) and the other curves (centre, then u, v,
// t0, t1), each in the order of all; with both, a byte a curve says which comes next (1: round).
function curvesFromBinary(counts, take) {
  const total = counts.rounds + counts.curves;
  const roundCentres = take(Float64Array, 2 * counts.rounds);
  const roundRests = take(Float32Array, 3 * counts.rounds);
  const curveCentres = take(Float64Array, 2 * counts.curves);
  const curveRests = take(Float32Array, 6 * counts.curves);
  const rounds = counts.rounds > 0 && counts.curves > 0 ? take(Uint8Array, total) : null;
  const curves = new Float64Array(8 * total);
  for (let k = 0, i = 0, j = 0, at = 0; k < total; k++, at += 8) {
    if (rounds ? rounds[k] === 1 : counts.rounds > 0) {
      curves[at] = roundCentres[2 * i];
      curves[at + 1] = roundCentres[2 * i + 1];
      curves[at + 2] = curves[at + 5] = roundRests[3 * i];  // u along X, v along Y, as long
      curves[at + 6] = roundRests[3 * i + 1];
      curves[at + 7] = roundRests[3 * i + 2];
      i++;
    } else {
      curves[at] = curveCentres[2 * j];
      curves[at + 1] = curveCentres[2 * j + 1];
      for (let n = 0; n < 6; n++) curves[at + 2 + n] = curveRests[6 * j + n];
      j++;
    }
  }
  return curves;
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

// The texts' numbers, their blocks, and their strings as one block of UTF-8 with where each
// starts: a string is decoded when a text is first set as text, not for every text listed.
function textsFromBinary(counts, take) {
  const count = counts.texts;
  const places = take(Float64Array, 2 * count);
  const rests = take(Float32Array, 5 * count);
  const numbers = new Float64Array(7 * count);
  for (let i = 0; i < count; i++) {
    numbers[7 * i] = places[2 * i];
    numbers[7 * i + 1] = places[2 * i + 1];
    for (let k = 0; k < 5; k++) numbers[7 * i + 2 + k] = rests[5 * i + k];
  }
  const blocks = take(Float64Array, 4 * blockCount(count));
  const starts = take(Uint32Array, count + 1);
  const bytes = take(Uint8Array, counts.textBytes);
  const decoder = new TextDecoder(), strings = [];
  const text = (i) => strings[i] ??= decoder.decode(bytes.subarray(starts[i], starts[i + 1]));
  return {numbers: numbers, blocks: blocks, text: text};
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
    if (dots) layDots(colour);
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
  dots = {x: x, y: y, width: width, height: height, cover: new Uint8ClampedArray(width * height),
          count: 0};
  drawGroups(drawing.groups || []);
  dots = null;
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

function sizeCanvas() {
  canvas.width = Math.max(1, canvas.clientWidth);
  canvas.height = Math.max(1, canvas.clientHeight);
}

function fitCanvas() {
  sizeCanvas();
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
    sizeCanvas();  // painted once, at its extents when it has any
    if (drawing.extents) zoomToExtents(); else viewChanged();
  } catch (error) {
    // the host is gone; the session's watch says so
  } finally {
    drawingLoading = false;
  }
  if (drawing && !drawingShown()) loadDrawing();
}

loadDrawing();
