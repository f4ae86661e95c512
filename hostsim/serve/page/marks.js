// hostsim's page: the host's marks over the drawing (point results with their labels, the points
// picked and snapped), the list of every result (numbers and vectors too, which have no place in
// the drawing) with its value copied on click, clearing, and the view as SVG.
import {hostFetch, postJson} from "./host.js";
import {marks, onSessionChange, showText} from "./session.js";
import {context, redraw, setLayer, toScreen, viewRequest} from "./view.js";

const marksList = document.getElementById("marksList");
let listed = null;  // the marks the list shows

onSessionChange(() => {
  if (marks === listed) return;
  listed = marks;
  showResultsList();
  redraw();
});

// ---- on the canvas ----
function fillDot(x, y, radius, colour) {
  context.fillStyle = colour;
  context.beginPath();
  context.arc(x, y, radius, 0, 2 * Math.PI);
  context.fill();
}

// Labels never cover each other: one that would is moved up a line at a time, and a leader runs
// from its dot to it. placed holds the boxes of the labels drawn so far.
const labelHeight = 14, labelTries = 12;
function overlaps(box, placed) {
  return placed.some((p) => box.left < p.right && p.left < box.right &&
                            box.top < p.bottom && p.top < box.bottom);
}

function drawResultMark(mark, placed) {
  const [x, y] = toScreen(mark.x, mark.y);
  fillDot(x, y, 4, "#ff6e6e");
  context.font = "12px sans-serif";
  const width = context.measureText(mark.label).width;
  let box = null;
  for (let i = 0; i < labelTries; i++) {
    const baseline = y - 6 - i * labelHeight;
    box = {left: x + 6, right: x + 6 + width, top: baseline - labelHeight + 3,
           bottom: baseline + 3};
    if (!overlaps(box, placed)) break;
  }
  placed.push(box);
  const baseline = box.bottom - 3;
  if (baseline < y - 6) {
    context.strokeStyle = "#ff6e6e";
    context.lineWidth = 1;
    context.beginPath();
    context.moveTo(x, y);
    context.lineTo(box.left, baseline - 4);
    context.stroke();
  }
  context.fillText(mark.label, box.left, baseline);
}

function drawPickMark(mark) {
  const [x, y] = toScreen(mark.x, mark.y);
  fillDot(x, y, 2.5, "#64b5f6");
}

// The last snap is the point the module took from the last click: drawn larger, in yellow.
function drawSnapMark(mark, last) {
  const [x, y] = toScreen(mark.x, mark.y);
  const half = last ? 6 : 4;
  context.strokeStyle = last ? "#ffd75e" : "#81c784";
  context.lineWidth = last ? 2 : 1.5;
  context.strokeRect(x - half, y - half, 2 * half, 2 * half);
}

// Numbers and vectors are listed only: a vector is a direction, not a place.
export let labelBoxes = [];  // where the labels went, in canvas pixels
setLayer("marks", () => {
  const lastSnap = marks.map((m) => m.kind).lastIndexOf("snap");
  const placed = labelBoxes = [];
  marks.forEach((mark, i) => {
    if (mark.kind === "result") drawResultMark(mark, placed);
    else if (mark.kind === "pick") drawPickMark(mark);
    else if (mark.kind === "snap") drawSnapMark(mark, i === lastSnap);
  });
});

// ---- the results list ----
const listedKinds = {result: "a point", value: "a number", vector: "a vector"};
function showResultsList() {
  marksList.replaceChildren();
  for (const mark of marks) {
    if (!listedKinds[mark.kind]) continue;
    const item = document.createElement("li");
    item.className = mark.kind;
    item.textContent = mark.label;
    item.dataset.value = mark.value;
    item.title = listedKinds[mark.kind] + ": click to copy " + mark.value;
    item.addEventListener("click", () => copyValue(item));
    marksList.appendChild(item);
  }
  marksList.scrollTop = marksList.scrollHeight;
}

// The value as the command line takes it ([33,16,0], 33.0), to the clipboard where the browser
// offers it (a secure context: loopback is one), else selected and copied as the user would. A
// notice says what was copied; Ctrl+V then pastes it at the command line (commandLine.js).
const copyNotice = document.getElementById("copyNotice");
let noticeTimer = null;
async function copyValue(item) {
  const value = item.dataset.value;
  let copied = false;
  if (navigator.clipboard && window.isSecureContext) {
    copied = await navigator.clipboard.writeText(value).then(() => true, () => false);
  }
  if (!copied) {
    const holder = document.createElement("textarea");
    holder.value = value;
    document.body.appendChild(holder);
    holder.select();
    copied = document.execCommand("copy");
    holder.remove();
  }
  item.classList.add(copied ? "copied" : "selected");
  setTimeout(() => item.classList.remove("copied", "selected"), 800);
  copyNotice.textContent = copied ? "Copied " + value + ": Ctrl+V pastes it at the command line."
                                  : "Could not copy " + value + ".";
  copyNotice.hidden = false;
  clearTimeout(noticeTimer);
  noticeTimer = setTimeout(() => { copyNotice.hidden = true; }, 3000);
}

// The list folds to its buttons, giving the drawing its width.
document.getElementById("marksToggle").addEventListener("click", (event) => {
  const pane = document.getElementById("marksPane");
  const folded = pane.classList.toggle("collapsed");
  event.currentTarget.setAttribute("aria-expanded", String(!folded));
});

// The marks cleared come back as any change does, with the session's news.
document.getElementById("clearMarksButton").addEventListener("click", () => {
  hostFetch("marks/clear", {method: "POST"});
});

// The host writes the view it knows: the page's is sent first, not left to the timer. The file
// is fetched with the token and saved from memory: a link to it could not carry the header.
document.getElementById("svgButton").addEventListener("click", async () => {
  await postJson("view", viewRequest());
  const response = await hostFetch("view.svg");
  if (!response.ok) return showText("The view could not be saved: the host answered " +
                                    response.status + ".\n");
  const address = URL.createObjectURL(await response.blob());
  const link = document.createElement("a");
  link.href = address;
  link.download = "view.svg";
  document.body.appendChild(link);
  link.click();
  link.remove();
  setTimeout(() => URL.revokeObjectURL(address), 1000);
});
