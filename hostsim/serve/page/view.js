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

// The primitives as the page paints them, each kind in typed arrays of world coordinates, one
// primitive after another, as the host's binary form has them (so that the page takes them
// where they lie): segments {places [x0, y0, ...], ends [x1, y1, ...] or, relative, [x1 - x0,
// y1 - y0, ...]}; curves {centres [cx, cy, ...], rests: stride numbers each, [ux, uy, vx, vy, t0,
// t1] (centre + u cos t + v sin t), or [radius, t0, t1] when stride is 3}; texts {places [x, y,
// ...], rests [alongX, alongY, upX, upY, length, ...], text(k): the k-th one's string};
// segments, curves and texts each with the boxes of their blocks; polylines {starts: each line's
// first point, and the end; points [x, y, ...]}; nodes [x, y, ...]; rays as listed.
function traceSegments({places, ends, relative, blocks}) {
  const {scale, left, top} = mapping;
  for (const k of near(blocks, places.length / 2)) {
    const x0 = places[2 * k], y0 = places[2 * k + 1];
    const x1 = relative ? x0 + ends[2 * k] : ends[2 * k];
    const y1 = relative ? y0 + ends[2 * k + 1] : ends[2 * k + 1];
    const ax = left + x0 * scale, ay = top - y0 * scale;
    const bx = left + x1 * scale, by = top - y1 * scale;
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
function curveStep(curve, n, scale) {  // number n of the curve, in steps
  if (n < 6) return Math.round(curve[n] * scale * curveQuantum);
  const ux = curve[2], uy = curve[3], vx = curve[4], vy = curve[5];
  const radiusPixels = Math.sqrt(Math.max(ux * ux + uy * uy, vx * vx + vy * vy)) * scale;
  return Math.round(curve[n] * radiusPixels * curveQuantum);  // t: a step along the curve
}

function curveSteps(curve, scale) {  // a hash of the curve's 8 numbers in steps
  let hash = 0;
  for (let n = 0; n < 8; n++) hash = (Math.imul(hash, 31) + curveStep(curve, n, scale)) | 0;
  return hash;
}

function sameSteps(curve, other, scale) {
  for (let n = 0; n < 8; n++) {
    if (curveStep(curve, n, scale) !== curveStep(other, n, scale)) return false;
  }
  return true;
}

// Curve k's numbers as [cx, cy, ux, uy, vx, vy, t0, t1], in into.
function curveNumbers({centres, rests, stride}, k, into) {
  into[0] = centres[2 * k];
  into[1] = centres[2 * k + 1];
  const at = stride * k;
  if (stride === 3) {  // u along X, v along Y, as long
    into[2] = into[5] = rests[at];
    into[3] = into[4] = 0;
    into[6] = rests[at + 1];
    into[7] = rests[at + 2];
  } else {
    for (let n = 0; n < 6; n++) into[2 + n] = rests[at + n];
  }
  return into;
}

const curve = new Float64Array(8), twin = new Float64Array(8);
function traceCurves(curves) {
  const {scale, left, top} = mapping;
  const traced = new Map();  // a hash of a curve's steps -> the index of the curve traced with it
  for (const k of near(curves.blocks, curves.centres.length / 2)) {
    const list = curveNumbers(curves, k, curve);
    const ux = list[2], uy = list[3], vx = list[4], vy = list[5];
    const t0 = list[6], t1 = list[7];
    const radiusPixels = Math.sqrt(Math.max(ux * ux + uy * uy, vx * vx + vy * vy)) * scale;
    const centreX = left + list[0] * scale, centreY = top - list[1] * scale;
    if (outside(centreX - radiusPixels, centreY - radiusPixels, centreX + radiusPixels,
                centreY + radiusPixels)) continue;
    if (radiusPixels < 1) {
      dot(centreX, centreY);
      continue;
    }
    const key = curveSteps(list, scale), twinAt = traced.get(key);
    if (twinAt === undefined) {
      traced.set(key, k);
    } else if (sameSteps(list, curveNumbers(curves, twinAt, twin), scale)) {
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
function drawTexts({places, rests, blocks, text: textOf}, colour) {
  const {scale, left, top} = mapping;
  pen.fillStyle = colour;
  pen.strokeStyle = colour;
  pen.lineWidth = 1;
  pen.font = textFontPixels + "px monospace";
  pen.beginPath();
  for (const k of near(blocks, places.length / 2)) {
    const at = 5 * k;
    const alongX = rests[at], alongY = rests[at + 1], upX = rests[at + 2], upY = rests[at + 3],
          length = rests[at + 4];
    const startX = left + places[2 * k] * scale, startY = top - places[2 * k + 1] * scale;
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
    const text = heightPixels < 4 ? "" : textOf(k);  // a baseline needs no string
    if (!text) {
      pen.moveTo(startX, startY);
      pen.lineTo(endX, endY);
      continue;
    }
    const width = pen.measureText(text).width;
    const fit = width > 0 && length > 0 ? length * textFontPixels / width : 1;
    const unit = scale / textFontPixels;
    pen.setTransform(alongX * unit * fit, -alongY * unit * fit, -upX * unit, upY * unit, startX,
                     startY);
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

// The index of each of count primitives in a block that may reach the area.
function* near(blocks, count) {
  const {scale, left, top} = mapping;
  for (let b = 0; b < blocks.length; b += 4) {
    if (outside(left + blocks[b] * scale, top - blocks[b + 3] * scale,
                left + blocks[b + 2] * scale, top - blocks[b + 1] * scale)) continue;
    const first = b / 4 * blockSize;
    for (let k = first; k < Math.min(count, first + blockSize); k++) yield k;
  }
}

// The plan's segments, curves and texts in blocks, each kind as the binary form has it.
function placed(plan) {
  const segments = inBlocks(plan.segments, 4, segmentBox);
  const curves = inBlocks(plan.curves, 8, curveBox);
  const texts = inBlocks(plan.texts.numbers, 7, textBox);
  return {...plan,
          segments: {places: strided(segments.list, 4, 0, 2), ends: strided(segments.list, 4, 2, 2),
                     relative: false, blocks: segments.blocks},
          curves: {centres: strided(curves.list, 8, 0, 2), rests: strided(curves.list, 8, 2, 6),
                   stride: 6, blocks: curves.blocks},
          texts: {places: strided(texts.list, 7, 0, 2), rests: strided(texts.list, 7, 2, 5),
                  blocks: texts.blocks, text: (k) => plan.texts.strings[texts.order[k]]}};
}

// Of each run of stride numbers in list, the count of them from first, one run after another.
function strided(list, stride, first, count) {
  const runs = Math.floor(list.length / stride), out = new Float64Array(runs * count);
  for (let i = 0; i < runs; i++) {
    for (let n = 0; n < count; n++) out[i * count + n] = list[i * stride + first + n];
  }
  return out;
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
// after it, as placed() would put them; the page paints them where they lie.
function planFromBinary({counts, rays}, take) {
  const segments = {places: take(Float64Array, 2 * counts.segments),
                    ends: take(Float32Array, 2 * counts.segments), relative: true,
                    blocks: take(Float64Array, 4 * blockCount(counts.segments))};
  const stride = counts.curveStride;
  const curves = {centres: take(Float64Array, 2 * counts.curves),
                  rests: take(Float32Array, stride * counts.curves), stride: stride,
                  blocks: take(Float64Array, 4 * blockCount(counts.curves))};
  return {segments: segments, curves: curves, polylines: polylinesFromBinary(counts, take),
          nodes: take(Float64Array, 2 * counts.nodes), rays: rays,
          texts: textsFromBinary(counts, take)};
}

function blockCount(count) { return Math.ceil(count / blockSize); }

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
  const blocks = take(Float64Array, 4 * blockCount(count));
  const starts = take(Uint32Array, count + 1);
  const bytes = take(Uint8Array, counts.textBytes);
  const decoder = new TextDecoder(), strings = [];
  const text = (i) => strings[i] ??= decoder.decode(bytes.subarray(starts[i], starts[i + 1]));
  return {places: places, rests: rests, blocks: blocks, text: text};
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
