// hostsim's page: the host's marks over the drawing (point results with their labels, the points
// picked and snapped), the list of results with copy on click, clearing, and the view as SVG.
// Loaded before page.js, whose view and canvas it draws with once the page runs.
"use strict";

const marksList = document.getElementById("marksList");
let marks = [];  // the host's marks, oldest first, as /marks lists them

async function readMarks() {
  const response = await hostFetch("marks");
  if (!response.ok) return;
  const answer = await response.json();
  if (JSON.stringify(answer.marks) === JSON.stringify(marks)) return;
  marks = answer.marks;
  showResultsList();
  redraw();
}

// ---- on the canvas ----
function fillDot(x, y, radius, colour) {
  context.fillStyle = colour;
  context.beginPath();
  context.arc(x, y, radius, 0, 2 * Math.PI);
  context.fill();
}

function drawResultMark(mark) {
  const [x, y] = toScreen(mark.x, mark.y);
  fillDot(x, y, 4, "#ff6e6e");
  context.font = "12px sans-serif";
  context.fillText(mark.label, x + 6, y - 6);
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

// page.js's redraw calls this after the drawing, before the pick box.
function drawMarks() {
  const lastSnap = marks.map((m) => m.kind).lastIndexOf("snap");
  marks.forEach((mark, i) => {
    if (mark.kind === "result") drawResultMark(mark);
    else if (mark.kind === "pick") drawPickMark(mark);
    else drawSnapMark(mark, i === lastSnap);
  });
}

// ---- the results list ----
function showResultsList() {
  marksList.replaceChildren();
  for (const mark of marks) {
    if (mark.kind !== "result") continue;
    const item = document.createElement("li");
    item.textContent = mark.label;
    item.title = "Click to copy";
    item.addEventListener("click", () => copyText(item));
    marksList.appendChild(item);
  }
  marksList.scrollTop = marksList.scrollHeight;
}

// The clipboard where the browser offers it (a secure context: loopback is one), else the text
// selected and copied as the user would.
async function copyText(item) {
  let copied = false;
  if (navigator.clipboard && window.isSecureContext) {
    copied = await navigator.clipboard.writeText(item.textContent).then(() => true, () => false);
  }
  if (!copied) {
    const range = document.createRange();
    range.selectNodeContents(item);
    const selection = window.getSelection();
    selection.removeAllRanges();
    selection.addRange(range);
    copied = document.execCommand("copy");
  }
  item.classList.add(copied ? "copied" : "selected");
  setTimeout(() => item.classList.remove("copied", "selected"), 800);
}

document.getElementById("clearMarksButton").addEventListener("click", async () => {
  const response = await hostFetch("marks/clear", {method: "POST"});
  if (response.ok) await readMarks();
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
