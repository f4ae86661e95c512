// hostsim's page: the command line as a terminal's. The prompt stands at the input; typing
// anywhere on the page goes to it; Up and Down walk the lines typed in this session; Tab
// completes what the terminal completes, asked of the host; Esc clears the line and cancels a
// prompt of the module.
import {hostFetch, postJson} from "./host.js";
import {atCommandPrompt, onSessionChange, promptState, sendLine, sessionEnded} from "./session.js";
import {isTyping, viewKeyActs} from "./keys.js";
import {zoomToExtents} from "./view.js";

const commandLine = document.getElementById("commandLine");
const promptLabel = document.getElementById("promptLabel");
const completions = document.getElementById("completions");

function showPrompt(prompt) {
  promptLabel.textContent = prompt;
  promptLabel.title = prompt;
}

// Once the session has ended the input says so and takes no more lines.
onSessionChange(() => {
  showPrompt(sessionEnded ? "" : promptState.prompt);
  if (!sessionEnded || commandLine.disabled) return;
  commandLine.value = "";
  commandLine.disabled = true;
  commandLine.placeholder = "The session has ended.";
});

// ---- history: fetched when Up first leaves the line being typed, which Down comes back to ----
let historyLines = [];
let historyIndex = null;  // the line shown, or null while the user's own line is
let draftLine = "";

async function walkHistory(step) {
  if (historyIndex === null) {
    if (step > 0) return;
    const response = await hostFetch("history");
    if (!response.ok) return;
    historyLines = (await response.json()).lines;
    draftLine = commandLine.value;
    historyIndex = historyLines.length;
  }
  const next = Math.max(0, Math.min(historyLines.length, historyIndex + step));
  historyIndex = next;
  commandLine.value = next === historyLines.length ? draftLine : historyLines[next];
  if (next === historyLines.length) historyIndex = null;
  commandLine.setSelectionRange(commandLine.value.length, commandLine.value.length);
}

// ---- Tab: the host completes the line up to the cursor ----
function commonPrefix(names) {
  let prefix = names[0];
  for (const name of names) {
    let same = 0;
    while (same < prefix.length && same < name.length && prefix[same] === name[same]) same++;
    prefix = prefix.slice(0, same);
  }
  return prefix;
}

async function completeLine() {
  const cursorAt = commandLine.selectionStart;
  const before = commandLine.value.slice(0, cursorAt), after = commandLine.value.slice(cursorAt);
  const response = await postJson("complete", {line: before});
  if (!response.ok) return;
  const answer = await response.json();
  const names = answer.candidates;
  if (names.length === 0) return;
  const word = before.slice(before.length - answer.replace);
  let inserted = names.length === 1 ? names[0] + answer.append : commonPrefix(names);
  if (inserted.length <= word.length) inserted = word;  // nothing longer in common: list them
  const start = before.slice(0, before.length - answer.replace) + inserted;
  commandLine.value = start + after;
  commandLine.setSelectionRange(start.length, start.length);
  completions.textContent = names.length > 1 ? names.join("  ") : "";
  completions.hidden = names.length <= 1;
}

function hideCompletions() {
  completions.hidden = true;
}

// ---- the keys ----
document.getElementById("commandForm").addEventListener("submit", (event) => {
  event.preventDefault();
  if (sessionEnded) return;
  const line = commandLine.value;
  commandLine.value = "";
  historyIndex = null;
  hideCompletions();
  sendLine(line);
});

commandLine.addEventListener("keydown", (event) => {
  if (event.ctrlKey || event.metaKey || event.altKey) return;
  if (event.key === "Tab") {
    event.preventDefault();
    completeLine();
  } else if ((event.key === "ArrowUp" || event.key === "ArrowDown") && !event.shiftKey) {
    event.preventDefault();
    walkHistory(event.key === "ArrowUp" ? -1 : 1);
  }
});
commandLine.addEventListener("input", () => {
  historyIndex = null;
  hideCompletions();
});

// A printable key typed anywhere else goes to the end of the command line, as in a CAD program.
// Esc clears the line and cancels a pick or another prompt of the module; at Command: there is
// nothing to cancel, and *cancel* would run as a command.
document.addEventListener("keydown", (event) => {
  if (event.key === "Escape") {
    commandLine.value = "";
    hideCompletions();
    if (!atCommandPrompt() && !sessionEnded) sendLine("*cancel*");
    return;
  }
  if (event.key === "Home" && event.target !== commandLine) zoomToExtents();
  if (event.defaultPrevented || isTyping(event.target) || commandLine.disabled) return;
  if (event.key.length !== 1 || event.ctrlKey || event.metaKey || event.altKey) return;
  if (viewKeyActs(event)) return;
  event.preventDefault();
  commandLine.focus();
  commandLine.value += event.key;
  commandLine.dispatchEvent(new Event("input"));
});

// What is pasted with the focus elsewhere goes to the command line too.
document.addEventListener("paste", (event) => {
  if (isTyping(event.target) || commandLine.disabled) return;
  event.preventDefault();
  commandLine.focus();
  commandLine.value += event.clipboardData.getData("text/plain").replace(/[\r\n]+/g, " ");
  commandLine.dispatchEvent(new Event("input"));
});

// Buttons keep the keys away from the command line no longer than their click.
for (const button of document.querySelectorAll("button")) {
  button.addEventListener("click", () => commandLine.focus());
}
